// libFuzzer target: the ARL command parser and the table operations behind
// it, on the recording fake platform.  The first input byte sets the trace
// mask (bits 0-1), how many polls a write stays busy (bits 2-4) and how many
// search results the switch hands out (bits 5-7); the rest, split at '\n',
// gives the words after "arl".  Every input must leave the parser's
// contract intact: a malformed command touched no register, a command that
// ran had exactly its own register conversation, and every write ended.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli.h"
#include "fake_platform.h"

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

// Whether the calls are the full register conversation of the command.
bool conversation_ok(const std::string &cmd, int rc)
{
    const auto &c = fake.calls;
    if (cmd == "read")
        return rc == 0 && c.size() == 6 && is(c[0], 's', 0x02, 6) && is(c[1], 's', 0x08, 1) &&
               c[2] == set(0x00, 1, 0x01) && c[3] == set(0x00, 1, 0x81) && is(c[4], 'g', 0x10, 8) &&
               is(c[5], 'g', 0x18, 8);
    if (cmd == "search" || cmd == "show") {
        if (rc != 0 || c.size() < 3 || !is(c[0], 'g', 0x20, 1) || !is(c[1], 's', 0x20, 1))
            return false;
        size_t i = 2;
        for (; i + 2 < c.size(); i += 3)
            if (!is(c[i], 'g', 0x20, 1) || !is(c[i + 1], 'g', 0x2C, 1) ||
                !is(c[i + 2], 'g', 0x24, 8))
                return false;
        // Ends on a control read without a result, or right after a result.
        return i == c.size() || (i + 1 == c.size() && is(c[i], 'g', 0x20, 1));
    }
    // write, mwrite, mdel: the bucket read, waited for, then its four slot
    // registers; then the entry written into one slot and waited for, or
    // nothing (a delete of what is not there, or a full bucket).
    if (c.size() < 4 || !is(c[0], 's', 0x02, 6) || !is(c[1], 's', 0x08, 1) ||
        !(c[2] == set(0x00, 1, 0x01)) || !(c[3] == set(0x00, 1, 0x81)))
        return false;
    size_t i = polls(4);
    if (i == 0 || i + 4 > c.size() || !is(c[i], 'g', 0x10, 8) || !is(c[i + 1], 'g', 0x30, 1) ||
        !is(c[i + 2], 'g', 0x18, 8) || !is(c[i + 3], 'g', 0x32, 1))
        return false;
    i += 4;
    if (i == c.size())
        return rc == 0 || rc == ARL_CMD_FAILED;
    if (rc != 0 || i + 6 > c.size() || !is(c[i], 's', 0x02, 6) || !is(c[i + 1], 's', 0x08, 1))
        return false;
    bool slot1 = is(c[i + 2], 's', 0x18, 8);
    if (!(slot1 ? is(c[i + 3], 's', 0x32, 1)
                : is(c[i + 2], 's', 0x10, 8) && is(c[i + 3], 's', 0x30, 1)) ||
        !(c[i + 4] == set(0x00, 1, 0)) || !(c[i + 5] == set(0x00, 1, 0x80)))
        return false;
    return polls(i + 6) == c.size();
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
    fake_reset();
    igmp_snoop_dbg = data[0] & 3;
    int busy = data[0] >> 2 & 7;
    int results = data[0] >> 5;
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
    std::vector<char *> argv;
    for (auto &s : w)
        argv.push_back(&s[0]);
    argv.push_back(nullptr);

    // A command's failure line is expected here; the fuzzer's reports are not
    // to drown in them.
    fflush(stderr);
    int saved = dup(2);
    dup2(quiet, 2);
    int rc = arl_func((int)w.size(), argv.data());
    dup2(saved, 2);
    close(saved);
    if (rc == ARL_CMD_MALFORMED) {
        if (!fake.calls.empty())
            broken("a malformed command touched a register", w);
    } else if (!conversation_ok(w[2].c_str(), rc)) { // the word as a C string sees it
        broken("a command's register conversation is not its own", w);
    }
    return 0;
}
