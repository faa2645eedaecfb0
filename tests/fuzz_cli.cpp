// libFuzzer target: the ARL command parser and the table operations behind
// it, on the recording fake platform.  The first input byte sets the trace
// mask (bits 0-1), how many polls a write stays busy (bits 2-4) and how many
// search results the switch hands out (bits 5-7); the rest, split at '\n',
// gives the words after "arl".  Every input must leave the parser's
// contract intact: a malformed command touched no register, a command that
// ran had exactly its own register conversation, and every write ended.
//
// An input whose second byte is NUL is a batch file from the third byte on
// (-force where bit 1 of the first is set): a batch with a malformed line
// touched no register, and one that parsed had exactly the conversations of
// its commands run one by one, in order, up to the first failure (to the
// end with -force).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "batch.h"
#include "cmdfile.h"
#include "fake_platform.h"
#include "parse.h"
#include "run.h"

namespace
{

int quiet = -1; // /dev/null

[[noreturn]] void broken(const char *what, const std::vector<std::string> &w)
{
    fprintf(stderr, "invariant broken: %s; words:", what);
    for (auto &s : w)
        fprintf(stderr, " [%s]", s.c_str());
    fprintf(stderr, "\n");
    for (auto &c : fake.calls)
        fprintf(stderr, "  %s\n", to_string(c).c_str());
    abort();
}

bool is(const reg_call &c, char op, int offset, int length)
{
    return c.op == op && c.page == 0x05 && c.offset == offset && c.length == length;
}

// Polls of the control from call i on: reads of 0x00 until one shows bit 7
// clear.  Returns the index after them, or 0 when they are not that.
size_t polls(size_t i)
{
    const auto &c = fake.calls;
    for (; i < c.size() && is(c[i], 'g', 0x00, 1); i++)
        if ((c[i].value & 0x80) == 0)
            return i + 1;
    return 0;
}

// A bucket read from call i on: MAC and VID index, control 0x01 then 0x81,
// polled, then the four slot registers.  Returns the index after it, or 0.
size_t bucket_read(size_t i)
{
    const auto &c = fake.calls;
    if (i + 4 > c.size() || !is(c[i], 's', 0x02, 6) || !is(c[i + 1], 's', 0x08, 1) ||
        !(c[i + 2] == set(0x00, 1, 0x01)) || !(c[i + 3] == set(0x00, 1, 0x81)))
        return 0;
    i = polls(i + 4);
    if (i == 0 || i + 4 > c.size() || !is(c[i], 'g', 0x10, 8) || !is(c[i + 1], 'g', 0x30, 1) ||
        !is(c[i + 2], 'g', 0x18, 8) || !is(c[i + 3], 'g', 0x32, 1))
        return 0;
    return i + 4;
}

// The search's walk from the first call: control read and start, then a
// result per step.  Returns the index after it, or 0.
size_t walk()
{
    const auto &c = fake.calls;
    if (c.size() < 3 || !is(c[0], 'g', 0x20, 1) || !is(c[1], 's', 0x20, 1))
        return 0;
    size_t i = 2;
    while (i < c.size() && is(c[i], 'g', 0x20, 1) && (c[i].value & 1)) {
        if (i + 2 >= c.size() || !is(c[i + 1], 'g', 0x2C, 1) || !is(c[i + 2], 'g', 0x24, 8))
            return 0;
        i += 3;
    }
    // Ends on a control read without a result, or right after a result.
    return i < c.size() && is(c[i], 'g', 0x20, 1) ? i + 1 : i;
}

// An entry written into one slot from call i on and waited for.  Returns
// the index after it, or 0.
size_t entry_write(size_t i)
{
    const auto &c = fake.calls;
    if (i + 6 > c.size() || !is(c[i], 's', 0x02, 6) || !is(c[i + 1], 's', 0x08, 1))
        return 0;
    bool slot1 = is(c[i + 2], 's', 0x18, 8);
    if (!(slot1 ? is(c[i + 3], 's', 0x32, 1)
                : is(c[i + 2], 's', 0x10, 8) && is(c[i + 3], 's', 0x30, 1)) ||
        !(c[i + 4] == set(0x00, 1, 0)) || !(c[i + 5] == set(0x00, 1, 0x80)))
        return 0;
    return polls(i + 6);
}

// Commands that wait, read or write files: not for the fuzzer.
bool unsafe(const std::vector<std::string> &w)
{
    std::string cmd = w.size() > 2 ? w[2].c_str() : "";
    return cmd == "monitor" || cmd == "apply" || (cmd == "save" && w.size() > 3);
}

// Whether the calls are the full register conversation of the command.
bool conversation_ok(const std::vector<std::string> &w, int rc)
{
    const auto &c = fake.calls;
    std::string cmd = w[2].c_str(); // the word as a C string sees it
    bool port = cmd == "search" && w.size() > 3 && std::string(w[3].c_str()) == "port";
    auto help = [](const std::string &s) { return s == "help" || s == "--help" || s == "-h"; };
    if (help(cmd) || (w.size() > 3 && help(w[3].c_str())))
        return rc == 0 && c.empty();
    if (cmd == "flush") {
        // The walk, then bucket reads, each followed by the delete or not
        // (the other slot cleared first where both entries go).
        size_t i = walk();
        while (i != 0 && i < c.size()) {
            i = bucket_read(i);
            size_t k = i != 0 && i < c.size() && (is(c[i], 's', 0x10, 8) || is(c[i], 's', 0x18, 8));
            size_t w = i != 0 && i + k < c.size() ? entry_write(i + k) : 0;
            i = w ? w : i;
        }
        return rc == 0 && i == c.size();
    }
    if (cmd == "read")
        return rc == 0 && c.size() == 6 && is(c[0], 's', 0x02, 6) && is(c[1], 's', 0x08, 1) &&
               c[2] == set(0x00, 1, 0x01) && c[3] == set(0x00, 1, 0x81) && is(c[4], 'g', 0x10, 8) &&
               is(c[5], 'g', 0x18, 8);
    if (cmd == "search" && !port)
        return rc == 0 && walk() == c.size();
    if (cmd == "get")
        return bucket_read(0) == c.size();
    if (port || cmd == "show" || cmd == "save") {
        // The walk, then a lookup of each result on its candidate VLANs;
        // a save fails on a static entry that none confirms.
        size_t i = walk();
        while (i != 0 && i < c.size())
            i = bucket_read(i);
        return i == c.size() && (rc == 0 || (cmd == "save" && rc == ARL_CMD_FAILED));
    }
    // write, mwrite, mdel: the bucket read, then the entry written into one
    // slot and waited for, or nothing (a delete of what is not there, or a
    // full bucket: a failure).
    size_t i = bucket_read(0);
    if (i == 0)
        return false;
    if (i == c.size())
        return rc == ARL_CMD_FAILED;
    return rc == 0 && entry_write(i) == c.size();
}

// The switch that an input's first byte sets up, anew.
void set_up(uint8_t first)
{
    fake_reset();
    igmp_snoop_dbg = first & 3;
    int busy = first >> 2 & 7;
    int results = first >> 5;
    fake.reply = [busy, results](int off, int, int n) -> uint64_t {
        switch (off) {
        case 0x00:
            return n < busy ? 0x80 : 0;
        case 0x20:
            return n == 0 || n <= results ? 0x81 : 0;
        case 0x24: // the MAC of the seeds, valid only on odd results
            return 0x0123001122334455ull | (uint64_t)(n & 1) << 63;
        case 0x10: // the bucket: the seeds' entry on VLAN 6 in bin 0, or free
            return results & 1 ? 0x8003001122334455ull : 0;
        case 0x30:
            return 6;
        default: // bin 1 and the rest: another valid entry
            return 0x8003001122334455ull + (uint64_t)off;
        }
    };
}

// Runs fn with standard error on /dev/null: a command's failure line is
// expected here, and the fuzzer's reports are not to drown in them.
template <typename F> int quietly(F fn)
{
    fflush(stderr);
    int saved = dup(2);
    dup2(quiet, 2);
    int rc = fn();
    dup2(saved, 2);
    close(saved);
    return rc;
}

// The words as an argument vector, ending in a null pointer.
std::vector<char *> argv_of(std::vector<std::string> &w)
{
    std::vector<char *> argv;
    for (auto &s : w)
        argv.push_back(&s[0]);
    argv.push_back(nullptr);
    return argv;
}

// A batch against its model: its lines split at blanks and tabs, checked
// one by one with the parser, then run one by one with arl_func.
void batch_case(uint8_t first, const char *text, size_t len)
{
    std::vector<std::vector<std::string>> cmds;
    bool malformed = false;
    for (size_t pos = 0; pos < len;) {
        size_t end = pos;
        while (end < len && text[end] != '\n')
            end++;
        std::string line(text + pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> w = {"sw53115"};
        for (size_t a = 0, b;
             (a = line.find_first_not_of(" \t", a)) != std::string::npos && line[a] != '#'; a = b)
            w.push_back(line.substr(a, (b = line.find_first_of(" \t", a)) - a));
        bool bad = line.size() > BATCH_LINE_MAX || line.find('\0') != std::string::npos;
        if (!bad && unsafe(w))
            return;
        if (!bad && w.size() == 1)
            continue;
        struct arl_cmd c;
        char err[ARL_ERR_LEN];
        malformed |= bad || arl_parse((int)w.size(), argv_of(w).data(), &c, err) != 0;
        cmds.push_back(w);
    }
    int force = first >> 1 & 1;
    set_up(first);
    int rc = quietly([&] { return batch_run("sw53115", "fuzz", text, (uint32_t)len, force); });
    std::vector<reg_call> got = fake.calls;
    std::vector<std::string> what = {std::string(text, len)};
    if (malformed) {
        if (rc != EXIT_FAILED || !got.empty())
            broken("a batch with a malformed line ran", what);
        return;
    }
    set_up(first);
    int failed = 0;
    for (auto &w : cmds) {
        if (quietly([&] { return arl_func((int)w.size(), argv_of(w).data(), nullptr); }) !=
            ARL_CMD_DONE) {
            failed = 1;
            if (!force)
                break;
        }
    }
    if (rc != (failed ? EXIT_FAILED : EXIT_DONE) || !(got == fake.calls))
        broken("a batch's conversation is not its commands' in order", what);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Traces and listings go to standard output; the fuzzer's own reports
    // to stderr.
    quiet = open("/dev/null", O_WRONLY);
    if (quiet < 0 || !freopen("/dev/null", "w", stdout))
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 2048)
        return 0;
    if (size >= 2 && data[1] == '\0') {
        if (std::string((const char *)data + 2, size - 2).rfind(ARL_SAVE_HEADER, 0) == 0)
            return 0; /* save's output: checked whole before it runs */
        batch_case(data[0], (const char *)data + 2, size - 2);
        return 0;
    }
    set_up(data[0]);

    std::vector<std::string> w = {"sw53115", "arl"};
    std::string cur;
    for (size_t i = 1; i < size; i++) {
        if (data[i] == '\n') {
            w.push_back(cur);
            cur.clear();
        } else {
            cur.push_back((char)data[i]);
        }
    }
    w.push_back(cur);
    if (unsafe(w))
        return 0;
    int rc = quietly([&] { return arl_func((int)w.size(), argv_of(w).data(), nullptr); });
    if (rc == ARL_CMD_MALFORMED) {
        if (!fake.calls.empty())
            broken("a malformed command touched a register", w);
    } else if (!conversation_ok(w, rc)) {
        broken("a command's register conversation is not its own", w);
    }
    return 0;
}
