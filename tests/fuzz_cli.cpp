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
#include <string>
#include <vector>

#include "cli.h"
#include "fake_platform.h"

namespace
{

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

// Whether the calls are the full register conversation of the command.
bool conversation_ok(const std::string &cmd, int rc)
{
    const auto &c = fake.calls;
    if (cmd == "read")
        return rc == 0 && c.size() == 6 && is(c[0], 's', 0x02, 6) && is(c[1], 's', 0x08, 1) &&
               c[2] == set(0x00, 1, 0x01) && c[3] == set(0x00, 1, 0x81) && is(c[4], 'g', 0x10, 8) &&
               is(c[5], 'g', 0x18, 8);
    if (cmd == "search") {
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
    // write, mwrite, mdel: slot 0 always, then polls until bit 7 clears.
    if (rc != 0 || c.size() < 7 || !is(c[0], 's', 0x02, 6) || !is(c[1], 's', 0x08, 1) ||
        !is(c[2], 's', 0x10, 8) || !is(c[3], 's', 0x30, 1) || !(c[4] == set(0x00, 1, 0)) ||
        !(c[5] == set(0x00, 1, 0x80)))
        return false;
    for (size_t i = 6; i < c.size(); i++)
        if (!is(c[i], 'g', 0x00, 1) || ((c[i].value & 0x80) == 0) != (i + 1 == c.size()))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Traces go to standard output; the fuzzer's own reports to stderr.
    if (!freopen("/dev/null", "w", stdout))
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
        default:
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

    int rc = arl_func((int)w.size(), argv.data());
    if (rc == ARL_CMD_MALFORMED) {
        if (!fake.calls.empty())
            broken("a malformed command touched a register", w);
    } else if (!conversation_ok(w[2].c_str(), rc)) { // the word as a C string sees it
        broken("a command's register conversation is not its own", w);
    }
    return 0;
}
