// The command parser against the recording fake platform: what each command
// line puts into the switch, what it refuses without touching it, the MAC and
// number conversions, and the usage texts byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "args.h"
#include "help.h"
#include "run.h"
#include "fake_platform.h"

namespace
{

// The lines of a standard error that say something, not help or usage.
int said(const std::string &err)
{
    int n = 0;
    for (size_t at = 0; at < err.size(); at = err.find('\n', at) + 1) {
        n += err.compare(at, 9, "sw53115: ") == 0 || err.compare(at, 5, "Try '") == 0;
        if (err.find('\n', at) == std::string::npos)
            break;
    }
    return n;
}

struct words {
    std::vector<std::string> w;
    std::vector<char *> argv;
    explicit words(const std::string &line)
    {
        std::istringstream in(line);
        std::string s;
        w.push_back("sw53115");
        while (in >> s)
            w.push_back(s);
        for (auto &x : w)
            argv.push_back(&x[0]);
        argv.push_back(nullptr);
    }
    int run()
    {
        return arl_func((int)w.size(), argv.data(), nullptr);
    }
};

class Cli : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        fake_reset();
    }
};

// What a command writes after reading the bucket: the VID index and the
// entry slot 0 value.  The bucket holds the command's own entry of
// 001122334455 in bin 0 where `present`, and nothing else.
TEST_F(Cli, CommandsReachTheSwitchWithTheirFields)
{
    struct {
        const char *line;
        bool present;
        uint64_t vid, entry;
    } cases[] = {
        {"arl write 1 001122334455 1 0 0 0 3", false, 1, 0x8003001122334455ull},
        {"arl write 255 00:11:22:33:44:55 0 1 1 7 15", true, 255, 0x780F001122334455ull},
        {"arl write 0 aBcDeF012345 1 1 0 2 0", false, 0, 0xD000ABCDEF012345ull},
        {"arl write 007 001122334455 01 0 0 0 00", false, 7, 0x8000001122334455ull},
        {"arl mwrite 0 3 001122334455 1", true, 6, 0xA003001122334455ull},
        {"arl mdel 0 3 001122334455 1", true, 6, 0x2003001122334455ull},
        {"arl mwrite 1 15 FF:FF:FF:FF:FF:FF 0", false, 6, 0xC00FFFFFFFFFFFFFull},
    };
    for (auto c : cases) {
        fake_reset();
        bool present = c.present;
        uint64_t vid = c.vid;
        fake.reply = [present, vid](int off, int, int) -> uint64_t {
            if (off == 0x10 && present)
                return 0x8000001122334455ull;
            return off == 0x30 ? vid : 0;
        };
        EXPECT_EQ(words(c.line).run(), ARL_CMD_DONE) << c.line;
        ASSERT_EQ(fake.calls.size(), 16u) << c.line; // the bucket read, then the write
        EXPECT_EQ(fake.calls[1], set(0x08, 1, c.vid)) << c.line;
        EXPECT_EQ(fake.calls[10], set(0x08, 1, c.vid)) << c.line;
        EXPECT_EQ(fake.calls[11], set(0x10, 8, c.entry)) << c.line;
        EXPECT_EQ(fake.calls[12], set(0x30, 1, c.vid)) << c.line;
    }
}

// Each way a table operation fails is one line on stderr and status 1, a
// delete of what is not there and a get of it too (the bucket read only).
TEST_F(Cli, FailuresAreReportedOnce)
{
    const uint64_t other = 0x80000A0B0C0D0E0Full;
    struct {
        const char *line;
        long fail_at;
        uint64_t slots; // what both bins hold
        int rc;
        const char *err;
        size_t calls;
    } cases[] = {
        {"arl write 1 001122334455 1 0 0 0 3", -1, other, ARL_CMD_FAILED,
         "sw53115: arl write: no room for 00:11:22:33:44:55 on VLAN 1: its bucket holds "
         "0a:0b:0c:0d:0e:0f on VLAN 0 (dynamic, port 0) and 0a:0b:0c:0d:0e:0f on VLAN 0 "
         "(dynamic, port 0)\n",
         9},
        {"arl del 3 001122334455", -1, other, ARL_CMD_FAILED,
         "sw53115: arl del: no entry for 00:11:22:33:44:55 on VLAN 3\n", 9},
        {"arl mdel 0 3 001122334455 1", -1, other, ARL_CMD_FAILED,
         "sw53115: arl mdel: no entry for 00:11:22:33:44:55 on VLAN 6\n", 9},
        {"arl get 3 00:11:22:33:44:55", -1, other, ARL_CMD_FAILED,
         "sw53115: arl get: no entry for 00:11:22:33:44:55 on VLAN 3\n", 9},
        {"arl mwrite 0 3 001122334455 1", 0, 0, ARL_CMD_FAILED,
         "sw53115: arl mwrite: set_register page 0x05 offset 0x02 length 6 failed: -1\n", 1},
        {"arl read 001122334455", 4, 0, ARL_CMD_FAILED,
         "sw53115: arl read: get_register page 0x05 offset 0x10 length 8 failed: -1\n", 5},
        {"arl show", 2, 0, ARL_CMD_FAILED,
         "sw53115: arl show: get_register page 0x05 offset 0x20 length 1 failed: -1\n", 3},
    };
    for (auto c : cases) {
        fake_reset();
        uint64_t slots = c.slots;
        fake.reply = [slots](int off, int, int) -> uint64_t {
            return off == 0x10 || off == 0x18 ? slots : 0;
        };
        fake.fail_at = c.fail_at;
        ::testing::internal::CaptureStderr();
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(words(c.line).run(), c.rc) << c.line;
        ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.err) << c.line;
        EXPECT_EQ(fake.calls.size(), c.calls) << c.line;
    }
}

TEST_F(Cli, ReadAndSearchTakeTheirArguments)
{
    struct {
        const char *line;
        reg_call first, second;
    } cases[] = {
        {"arl read 001122334455", set(0x02, 6, 0x001122334455), set(0x08, 1, 0)},
        {"arl read 7 00:11:22:33:44:55", set(0x02, 6, 0x001122334455), set(0x08, 1, 7)},
        {"arl search 001122334455", get(0x20, 1, 0), set(0x20, 1, 0x80)},
    };
    for (auto c : cases) {
        fake_reset();
        EXPECT_EQ(words(c.line).run(), ARL_CMD_DONE) << c.line;
        ASSERT_GE(fake.calls.size(), 2u) << c.line;
        EXPECT_EQ(fake.calls[0], c.first) << c.line;
        EXPECT_EQ(fake.calls[1], c.second) << c.line;
    }
}

TEST_F(Cli, MalformedCommandsTouchNothing)
{
    const char *cases[] = {
        "arl",
        "arl foo 001122334455",
        "arl READ 001122334455",
        "arl read",
        "arl read 0011223344",
        "arl read 1 2 001122334455",
        "arl search 001122334455 x",
        "arl search port",
        "arl search port 16",
        "arl search port x",
        "arl search port -1",
        "arl search port 3 x",
        "arl search port 3 --json x",
        "arl search port 3 --JSON",
        "arl search Port 3",
        "arl show x",
        "arl show --json --json",
        "arl show --all",
        "arl Show",
        "arl write 1 001122334455 1 0 0 0",
        "arl write 1 001122334455 1 0 0 0 3 3",
        "arl write 1 001122334455 2 0 0 0 1",
        "arl write 1 001122334455 1 0 0 8 1",
        "arl write 1 001122334455 -1 0 0 0 1",
        "arl write 1 001122334455 1 -1 0 0 1",
        "arl write 1 001122334455 1 0 -1 0 1",
        "arl write 1 001122334455 1 0 0 0 16",
        "arl write 256 001122334455 1 0 0 0 1",
        "arl write 12abc 001122334455 1 0 0 0 1",
        "arl write x 001122334455 1 0 0 0 1",
        "arl write 1 001122334455 1 0 0 0 8192",
        "arl write +1 001122334455 1 0 0 0 1",
        "arl write 0x1 001122334455 1 0 0 0 1",
        "arl write 1 zz1122334455 1 0 0 0 1",
        "arl write 1 0011223344556 1 0 0 0 1",
        "arl mwrite 2 3 001122334455 1",
        "arl mwrite 0 16 001122334455 1",
        "arl mwrite 0 3 001122334455",
        "arl mdel 0 3 001122334455 1 1",
        "arl mdel 0 3 001122334455 2",
    };
    for (auto line : cases) {
        fake_reset();
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(words(line).run(), ARL_CMD_MALFORMED) << line;
        std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(said(err), 1) << line << ": " << err; // then show's help, for show
        EXPECT_EQ(err.rfind("sw53115: arl", 0), 0u) << line << ": " << err;
        EXPECT_TRUE(fake.calls.empty()) << line;
    }
}

// show looks each search result up on its candidate VLAN ids in ascending
// order: MAC A listed twice with low bits 1 (it is on VLANs 17 and 1) is
// looked up until both rows are confirmed, each id found going to the row
// whose static flag and port agree with it, whatever their order; B (low
// bits 2) is on none, and listed as the search gave it.
// A switch whose search hands out `results` (layout B) and whose buckets
// hold `bins` (layout A) by VLAN id: bin 0 where `bin0`, else bin 1.
struct scripted_table {
    std::vector<uint64_t> results;
    std::vector<std::pair<uint64_t, uint64_t>> bins; // VLAN id, value
    static std::vector<uint64_t> vids()              // the VID index of each access so far
    {
        std::vector<uint64_t> v;
        for (auto &c : fake.calls)
            if (c.op == 's' && c.offset == 0x08)
                v.push_back(c.value);
        return v;
    }
    void install()
    {
        fake.reply = [this](int off, int, int n) -> uint64_t {
            uint64_t vid = vids().empty() ? 0 : vids().back();
            uint64_t in[2] = {0, 0};
            for (auto &b : bins)
                if (b.first == vid)
                    in[in[0] != 0] = b.second;
            switch (off) {
            case 0x20:
                return n >= 1 && n <= (int)results.size() ? 0x81 : 0;
            case 0x24:
                return results[n];
            case 0x10:
            case 0x18:
                return in[off == 0x18];
            case 0x30:
            case 0x32:
                return vid;
            default:
                return 0;
            }
        };
    }
};

// show looks each search result up on its candidate VLAN ids in ascending
// order: MAC A listed twice with low bits 1 (it is on VLANs 17 and 1) is
// looked up until both rows are confirmed, each id found going to the row
// whose static flag and port agree with it, whatever their order; B (low
// bits 2) is on none, and listed as the search gave it.  With a filter, only the
// rows that could pass are looked up; save never takes another entry's
// answer for a static row's.
TEST_F(Cli, ShowFindsTheWholeVlanId)
{
    const uint64_t A = 0x020000000001ull, B = 0x020000000002ull;
    scripted_table t;
    t.results = {A | 1ull << 53 | 4ull << 48 | 3ull << 62, A | 1ull << 53 | 3ull << 48 | 1ull << 63,
                 B | 2ull << 53 | 21ull << 48 | 1ull << 63};
    t.bins = {{1, A | 3ull << 48 | 1ull << 63}, {17, A | 4ull << 48 | 3ull << 62}};
    t.install();
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(words("arl show").run(), ARL_CMD_DONE);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "mac               vid port static age valid tc\n"
              "02:00:00:00:00:01  17    4      1   0     1  0\n"
              "02:00:00:00:00:01   1    3      0   0     1  0\n"
              "02:00:00:00:00:02   2   21      0   0     1  0\n");
    std::vector<uint64_t> want = {1, 17}; // then 2, 18, ... 242
    for (uint64_t v = 2; v <= 255; v += 16)
        want.push_back(v);
    EXPECT_EQ(t.vids(), want);
    EXPECT_EQ(fake.calls.size(), 12u + 18u * 9u);

    struct {
        const char *line;
        std::vector<uint64_t> vids; // looked up, or (flush) read and written
        const char *out;
    } cases[] = {
        {"arl show mac 02:00:00:00:00:02", std::vector<uint64_t>(want.begin() + 2, want.end()),
         "02:00:00:00:00:02   2   21      0   0     1  0\n"},
        {"arl show vid 17 port 4", {17}, "02:00:00:00:00:01  17    4      1   0     1  0\n"},
        {"arl show static", {1, 17},
         "02:00:00:00:00:01  17    4      1   0     1  0\n"},
        // The bucket holds A on VLAN 17 static: a dynamic flush keeps it.
        {"arl flush mac 02:00:00:00:00:01 vid 17", {17}, ""},
    };
    for (auto &c : cases) {
        fake_reset();
        t.install();
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(words(c.line).run(), ARL_CMD_DONE) << c.line;
        std::string out = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(out.substr(out.find('\n') + 1), c.out) << c.line;
        EXPECT_EQ(t.vids(), c.vids) << c.line;
    }

    // The walk lists A static on port 5 (low bits 1); by the lookups, A is
    // on VLAN 1 dynamic on port 7 too, which must not stand in for it.
    fake_reset();
    t.results = {A | 1ull << 53 | 5ull << 48 | 3ull << 62};
    t.bins = {{1, A | 7ull << 48 | 1ull << 63}, {33, A | 5ull << 48 | 3ull << 62}};
    t.install();
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(words("arl save").run(), ARL_CMD_DONE);
    EXPECT_NE(
        ::testing::internal::GetCapturedStdout().find("arl write 33 02:00:00:00:00:01 1 1 0 0 5\n"),
        std::string::npos);
}

TEST_F(Cli, WriteTimeoutIsReportedOnce)
{
    fake.reply = [](int, int, int) -> uint64_t { return 0x80; };
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(words("arl write 1 001122334455 1 0 0 0 3").run(), ARL_CMD_FAILED);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "sw53115: arl write: the switch did not finish the access within 100 ms\n");
}

TEST(Args, Str2mac)
{
    struct {
        const char *text;
        int rc;
        uint8_t mac[6];
    } cases[] = {
        {"001122334455", 0, {0x00, 0x11, 0x22, 0x33, 0x44, 0x55}},
        {"00:11:22:33:44:55", 0, {0x00, 0x11, 0x22, 0x33, 0x44, 0x55}},
        {"AbCdEf012345", 0, {0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45}},
        {"aB:cD:eF:01:23:45", 0, {0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45}},
        {"zz1122334455", -1, {}},
        {"00112233445", -1, {}},
        {"0011223344556", -1, {}},
        {"00-11-22-33-44-55", -1, {}},
        {"00:11:22:33:44:5g", -1, {}},
        {"0:011:22:33:44:55", -1, {}},
        {"00:11:22:33:44:55:", -1, {}},
        {"", -1, {}},
        {"00 112233445", -1, {}},
    };
    for (auto c : cases) {
        uint8_t mac[6] = {9, 9, 9, 9, 9, 9};
        EXPECT_EQ(str2mac(c.text, mac), c.rc) << c.text;
        if (c.rc == 0)
            EXPECT_EQ(memcmp(mac, c.mac, 6), 0) << c.text;
        else
            EXPECT_EQ(mac[0], 9) << c.text;
    }
}

TEST(Args, Str2uint)
{
    struct {
        const char *text;
        uint32_t max;
        int rc;
        int32_t value;
    } cases[] = {
        {"0", 1, 0, 0},
        {"1", 1, 0, 1},
        {"2", 1, -1, 0},
        {"255", 255, 0, 255},
        {"256", 255, -1, 0},
        {"0007", 7, 0, 7},
        {"", 7, -1, 0},
        {"-1", 7, -1, 0},
        {"+1", 7, -1, 0},
        {" 1", 7, -1, 0},
        {"1 ", 7, -1, 0},
        {"12abc", 255, -1, 0},
        {"0x1", 255, -1, 0},
        {"4294967296", 255, -1, 0},
        {"99999999999999999999", 1000000000, -1, 0},
        {"1000000000", 1000000000, 0, 1000000000},
        {"1000000001", 1000000000, -1, 0},
        {"4294967296", 1000000000, -1, 0},
        {"4294967306", 4000000000u, -1, 0},
        {"42949672960", 2000000000, -1, 0},
    };
    for (auto c : cases) {
        int32_t v = 0;
        EXPECT_EQ(str2uint(c.text, c.max, &v), c.rc) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
}

TEST(Usage, TextsByteForByte)
{
    const std::string full = "\nUsage:\n"
                             "\nARL Usage:\n"
                             "\nARL read without VID: \n"
                             "\n\tsw arl read [mac]\n"
                             "\nARL read with VID: \n"
                             "\n\tsw arl read [vid] [mac]\n"
                             "\nARL search without VID: \n"
                             "\n\tsw arl search [mac]\n"
                             "\nARL search by port: \n"
                             "\n\tsw arl search port [port_id]\n"
                             "\nARL write with VID: \n"
                             "\n\tsw arl write [vid] [mac] [valid] [static] [age] [tc] [port_id]\n"
                             "\nARL arguments:\n"
                             "\n\tmac: ex: 00:11:22:33:44:55 => 001122334455\n"
                             "\n\tvalid, static, age: 0 or 1\n"
                             "\n\ttc: 0 ~ 7\n"
                             "\n\tport_id: port number start from 0. \n"
                             "\n";
    struct {
        int kind;
        std::string want;
    } cases[] = {
        {0, "\nUsage:\n\nARL Usage:\n\n\tsw arl\n\n"},
        {2, full},
        {1, "\nUsage:\n\n"},
    };
    for (auto &c : cases) {
        ::testing::internal::CaptureStdout();
        usage_func("sw", c.kind);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.want) << "kind " << c.kind;
    }
}

} // namespace

int sw53115_main(int argc, char **argv); // cli/main.cpp, renamed for the test

namespace
{

// main's choice of usage, status and name, including a process started with
// no words at all (argc 0, as older kernels allow): a usage alone says where
// to look on stderr, a malformed command names its word there.
TEST_F(Cli, MainDispatch)
{
    const std::string short_usage = "\nUsage:\n\nARL Usage:\n\n\tsw53115 arl\n\n";
    const char *full = "\nUsage:\n\nARL Usage:\n\nARL read without VID: \n";
    struct {
        const char *line; // nullptr: argc 0
        int status;
        const char *starts; // what standard output starts with
        bool switch_touched;
    } cases[] = {
        {nullptr, 0, short_usage.c_str(), false},
        {"", 0, short_usage.c_str(), false},
        {"-h", 0, "Usage: sw53115 [-j] [-w SECONDS] [-s] arl COMMAND", false},
        {"--help", 0, "Usage: sw53115 [-j] [-w SECONDS] [-s] arl COMMAND", false},
        {"help", 0, "Usage: sw53115 [-j] [-w SECONDS] [-s] arl COMMAND", false},
        {"arl help", 0, "Usage: sw53115 [-j] [-w SECONDS] [-s] arl COMMAND", false},
        {"arl --help", 0, "Usage: sw53115 [-j] [-w SECONDS] [-s] arl COMMAND", false},
        {"help arl", 0, "Usage: sw53115 [-j] [-w SECONDS] [-s] arl COMMAND", false},
        {"help show", 0, "  arl show [mac MAC]", false},
        {"arl show --help", 0, "  arl show [mac MAC]", false},
        {"arl show -h", 0, "  arl show [mac MAC]", false},
        {"arl save help", 0, "  arl save [FILE]", false},
        {"arl help monitor", 0, "  arl monitor [mac MAC]", false},
        {"--help add", 0, "  arl add MAC", false},
        {"help batch", 0, "  [-force] -batch FILE", false},
        {"-h -batch", 0, "  [-force] -batch FILE", false},
        {"-batch --help", 0, "  [-force] -batch FILE", false},
        {"-batch -h", 0, "  [-force] -batch FILE", false},
        {"arl help shw", 2, "", false},
        {"-h shw", 2, "", false},
        {"-V", 0, "sw53115 ", false},
        {"ARL", 2, short_usage.c_str(), false},
        {"foo read 001122334455", 2, short_usage.c_str(), false},
        {"-batch", 2, "", false},
        {"-force", 2, "", false},
        {"-batch f extra", 2, "", false},
        {"-j arl write 1 001122334455 1 0 0 0 3", 2, "", false},
        {"-j arl get 1 001122334455 --json", 2, "", false},
        {"-j arl show port 16", 2, "", false},
        {"-j", 2, "", false},
        {"-w 0.25 -s arl read 001122334455", 0, "", true},
        {"-w", 2, "", false},
        {"-w 3600.5 arl read 001122334455", 2, "", false},
        {"-w 1. arl read 001122334455", 2, "", false},
        {"-s -s arl flush", 2, "", false},
        {"-s read", 2, "", false},
        {"arl", 0, full, false},
        {"arl read 0011223344", 2, full, false},
        {"arl read 001122334455", 0, "", true},
    };
    for (auto c : cases) {
        fake_reset();
        words w(c.line ? c.line : "");
        int argc = c.line ? (int)w.w.size() : 0;
        char *none[] = {nullptr};
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(sw53115_main(argc, c.line ? w.argv.data() : none), c.status);
        std::string out = ::testing::internal::GetCapturedStdout();
        std::string err = ::testing::internal::GetCapturedStderr();
        const char *what = c.line ? c.line : "(argc 0)";
        bool usage_alone = c.status == 0 && *c.starts == '\n';
        EXPECT_EQ(said(err), c.status == 2 || usage_alone) << what << ": " << err;
        EXPECT_EQ(out.rfind(c.starts, 0), 0u) << what << ": " << out;
        EXPECT_EQ(out.empty(), *c.starts == '\0') << what;
        EXPECT_EQ(!fake.calls.empty(), c.switch_touched) << what;
    }
}

TEST_F(Cli, MainFailsAWriteTheSwitchDoesNotFinish)
{
    fake.reply = [](int, int, int) -> uint64_t { return 0x80; };
    words w("arl write 1 001122334455 1 0 0 0 3");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(sw53115_main((int)w.w.size(), w.argv.data()), 1);
    EXPECT_NE(::testing::internal::GetCapturedStderr(), "");
}

} // namespace
