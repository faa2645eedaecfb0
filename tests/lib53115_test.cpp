// lib53115 against the recording fake platform: the register conversation of
// each table operation, the decoding of both entry layouts and the reply
// buffer, and the edge cases where a wrong bit would write a wrong entry.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "lib53115.h"

namespace
{

const uint8_t MAC[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const uint64_t KEY = 0x001122334455ull;

arl_data record(int32_t vid = 0)
{
    arl_data a;
    memset(&a, 0, sizeof a);
    a.vid = vid;
    memcpy(a.mac, MAC, 6);
    return a;
}

void expect_calls(const std::vector<reg_call> &want)
{
    ASSERT_EQ(fake.calls.size(), want.size());
    for (size_t i = 0; i < want.size(); i++)
        EXPECT_EQ(fake.calls[i], want[i]) << "call " << i << ": got " << to_string(fake.calls[i])
                                          << ", want " << to_string(want[i]);
}

// The out fields of a record, as a case expects them.
struct fields {
    int32_t entry, vid, valid, sbit, age, tc, pid;
};

void expect_fields(const arl_data &a, const fields &f, const char *name)
{
    const fields got = {a.entry, a.vid, a.valid, a.sbit, a.age, a.tc, a.pid};
    EXPECT_EQ(memcmp(&got, &f, sizeof f), 0)
        << name << ": entry " << a.entry << " vid " << a.vid << " valid " << a.valid << " sbit "
        << a.sbit << " age " << a.age << " tc " << a.tc << " pid " << a.pid;
}

class Lib : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        fake_reset();
    }
};

// The reply buffer's 16-bit groups, taken by length; noise elsewhere.
TEST_F(Lib, ReadAssemblesTheGroupsItsLengthTakes)
{
    struct {
        int length;
        uint32_t lo, hi;
    } cases[] = {
        {8, 0x33445566, 0x11112222}, {6, 0x33445566, 0x00002222}, {4, 0x33445566, 0},
        {1, 0x00005566, 0},          {2, 0x00005566, 0},
    };
    for (auto c : cases) {
        fake_reset();
        fake.reply = [](int, int, int) { return 0x1111222233445566ull; };
        uint32_t v[2] = {0xdead, 0xbeef};
        EXPECT_EQ(brcm53115_read(0x105, 0x1ff, v, c.length), 0);
        EXPECT_EQ(v[0], c.lo) << "length " << c.length;
        EXPECT_EQ(v[1], c.hi) << "length " << c.length;
        expect_calls({{'g', 0x05, 0xff, c.length, 0x1111222233445566ull}});
    }
}

TEST_F(Lib, FailedPlatformReadYieldsZero)
{
    fake.fail_reads = true;
    uint32_t v[2] = {1, 1};
    brcm53115_read(5, 0x10, v, 8);
    EXPECT_EQ(v[0], 0u);
    EXPECT_EQ(v[1], 0u);
}

TEST_F(Lib, WritePassesTheValueAndMasksPageAndOffset)
{
    brcm53115_write(0x305, 0x110, 0x8877665544332211ull, 6);
    expect_calls({{'s', 0x05, 0x10, 6, 0x665544332211ull}});
}

TEST_F(Lib, ReadConversation)
{
    arl_data a = record(7);
    brcm53115_read_arl_tab(&a);
    expect_calls({set(0x02, 6, KEY), set(0x08, 1, 7), set(0x00, 1, 0x01), set(0x00, 1, 0x81),
                  get(0x10, 8, 0), get(0x18, 8, 0)});
}

// Which slot matches decides what the record holds afterwards.
TEST_F(Lib, ReadDecodesLayoutA)
{
    const uint64_t other = 0xC00F0000DEADBEEFull;
    // valid, static off, age on, tc 2, pid 9
    const uint64_t a0 = KEY | 1ull << 63 | 1ull << 61 | 2ull << 59 | 9ull << 48;
    // valid, static, tc 3, pid 15; bits 52-58 set as noise
    const uint64_t a1 = KEY | 3ull << 62 | 3ull << 59 | 0x7Full << 52 | 15ull << 48;
    struct {
        const char *name;
        uint64_t slot0, slot1;
        fields want; // vid stays as given
    } cases[] = {
        {"no match keeps the input", other, other, {0, 300, 0, 0, 0, 0, 0}},
        {"slot 0", a0, other, {0, 300, 1, 0, 1, 2, 9}},
        {"slot 1", other, a1, {1, 300, 1, 1, 0, 3, 15}},
        {"both: slot 1 wins", a0, a1, {1, 300, 1, 1, 0, 3, 15}},
    };
    for (auto c : cases) {
        fake_reset();
        fake.reply = [&](int off, int, int) { return off == 0x10 ? c.slot0 : c.slot1; };
        arl_data a = record(300);
        brcm53115_read_arl_tab(&a);
        expect_fields(a, c.want, c.name);
    }
}

TEST_F(Lib, WriteConversationAndSlotChoice)
{
    struct {
        int32_t entry;
        int slot, slot_vid;
    } cases[] = {{0, 0x10, 0x30}, {1, 0x18, 0x32}, {2, 0x10, 0x30}, {-1, 0x10, 0x30}};
    for (auto c : cases) {
        fake_reset();
        arl_data a = record(1);
        a.entry = c.entry;
        a.valid = 1;
        a.pid = 3;
        EXPECT_EQ(brcm53115_write_arl_tab(&a), 0);
        expect_calls({set(0x02, 6, KEY), set(0x08, 1, 1), set(c.slot, 8, 0x8003001122334455ull),
                      set(c.slot_vid, 1, 1), set(0x00, 1, 0x00), set(0x00, 1, 0x80),
                      get(0x00, 1, 0)});
    }
}

// Every field lands in its own bits and nowhere else, whatever a caller
// passes; tc goes where a read takes it.
TEST_F(Lib, WritePacksEachFieldWithinItsWidth)
{
    struct {
        int32_t valid, sbit, age, tc, pid;
        uint64_t want; // bits above the key
    } cases[] = {
        {1, 0, 0, 0, 3, 0x8003},  {0, 1, 1, 0, 0, 0x6000},   {1, 1, 1, 3, 15, 0xF80F},
        {0, 0, 0, 2, 0, 0x1000},  {0, 0, 0, 7, 0, 0x1800},   {0, 0, 0, 0, 16, 0x0000},
        {0, 0, 0, 0, 8192, 0},    {-1, 0, 0, 0, 0, 0x8000},  {0, -1, 0, 0, 0, 0x4000},
        {0, 0, -1, 0, 0, 0x2000}, {0, 0, 0, -1, -1, 0x180F},
    };
    for (auto c : cases) {
        fake_reset();
        arl_data a = record(1);
        a.valid = c.valid;
        a.sbit = c.sbit;
        a.age = c.age;
        a.tc = c.tc;
        a.pid = c.pid;
        brcm53115_write_arl_tab(&a);
        ASSERT_GE(fake.calls.size(), 3u);
        EXPECT_EQ(fake.calls[2].value, KEY | c.want << 48)
            << "valid " << c.valid << " sbit " << c.sbit << " age " << c.age << " tc " << c.tc
            << " pid " << c.pid;
    }
}

TEST_F(Lib, WritePollsUntilTheStartBitClears)
{
    fake.reply = [](int off, int, int n) -> uint64_t { return off == 0 && n < 5 ? 0x80 : 0; };
    arl_data a = record();
    EXPECT_EQ(brcm53115_write_arl_tab(&a), 0);
    EXPECT_EQ(fake.calls.size(), 6u + 6u);
}

TEST_F(Lib, WriteGivesUpOnASwitchThatNeverFinishes)
{
    fake.reply = [](int, int, int) -> uint64_t { return 0x80; };
    arl_data a = record();
    EXPECT_LT(brcm53115_write_arl_tab(&a), 0);
    EXPECT_EQ(fake.calls.back(), get(0x00, 1, 0x80));
}

// The search walks results while bit 0 of 0x20 is set: a scripted switch
// that hands out `results` in order.
struct search_script {
    std::vector<uint64_t> results; // layout B
    std::vector<uint64_t> extras;  // 0x2C
    uint64_t ctrl0 = 0;            // 0x20 as first read
    bool endless = false;          // results never run out (last one repeats)
};

uint64_t layout_b(bool valid, int vid, int pid, bool sbit, bool age)
{
    return KEY | (uint64_t)valid << 63 | (uint64_t)sbit << 62 | (uint64_t)age << 61 |
           (uint64_t)vid << 53 | (uint64_t)pid << 48;
}

void run_search(const search_script &s, arl_data *a)
{
    size_t taken = 0;
    fake.reply = [&](int off, int, int n) -> uint64_t {
        bool more = s.endless || taken < s.results.size();
        size_t i = std::min(taken, s.results.size() - 1);
        if (off == 0x20)
            return n == 0 ? s.ctrl0 : (more ? 0x81 : 0);
        if (off == 0x2C)
            return s.extras.empty() ? 0 : s.extras[std::min(i, s.extras.size() - 1)];
        taken++;
        return s.results[i];
    };
    brcm53115_search_arl_tab(a);
}

TEST_F(Lib, SearchWithNoResultOnlyTouchesTheControl)
{
    arl_data a = record(9);
    a.pid = 4;
    arl_data before = a;
    search_script s;
    s.results = {0};
    s.ctrl0 = 0x02;
    fake.reply = [](int, int, int) -> uint64_t { return 0x02; };
    brcm53115_search_arl_tab(&a);
    expect_calls({get(0x20, 1, 0x02), set(0x20, 1, 0x82), get(0x20, 1, 0x02)});
    EXPECT_EQ(memcmp(&a, &before, sizeof a), 0);
}

TEST_F(Lib, SearchConversationAndLayoutB)
{
    const uint64_t miss = 0x8000AABBCCDDEEFFull;
    struct {
        const char *name;
        std::vector<uint64_t> results, extras;
        bool endless;
        fields want;
        size_t steps; // results read
    } cases[] = {
        {"match at step 1 stops the search",
         {miss, layout_b(true, 0xF, 0x1F, true, false), miss},
         {0, 2},
         false,
         {1, 0xF, 1, 1, 0, 2, 0x1F},
         2},
        {"a match that is not valid is kept while the search goes on",
         {layout_b(false, 3, 4, false, true), miss},
         {1},
         false,
         {0, 3, 0, 0, 1, 1, 4},
         2},
        {"a later match overwrites an invalid one",
         {layout_b(false, 3, 4, false, true), layout_b(true, 5, 6, false, false)},
         {1, 3},
         false,
         {1, 5, 1, 0, 0, 3, 6},
         2},
        {"the last of 4096 results is found",
         std::vector<uint64_t>(4095, miss),
         {0},
         true,
         {4095, 2, 1, 0, 0, 0, 7},
         4096},
    };
    cases[3].results.push_back(layout_b(true, 2, 7, false, false));
    for (auto &c : cases) {
        fake_reset();
        search_script s;
        s.results = c.results;
        s.extras = c.extras;
        s.endless = c.endless;
        arl_data a = record(0);
        run_search(s, &a);
        expect_fields(a, c.want, c.name);
        size_t results = 0;
        for (auto &call : fake.calls)
            results += call.offset == 0x24;
        EXPECT_EQ(results, c.steps) << c.name;
        // Each step reads the control, then 0x2C, then 0x24.
        ASSERT_GE(fake.calls.size(), 5u);
        EXPECT_EQ(fake.calls[0], get(0x20, 1, 0));
        EXPECT_EQ(fake.calls[1], set(0x20, 1, 0x80));
        EXPECT_EQ(fake.calls[3].offset, 0x2C);
        EXPECT_EQ(fake.calls[4].offset, 0x24);
    }
}

TEST_F(Lib, SearchStopsAfterOneStepPerEntry)
{
    search_script s;
    s.results = {0x123};
    s.endless = true;
    arl_data a = record();
    run_search(s, &a);
    size_t results = 0;
    for (auto &call : fake.calls)
        results += call.offset == 0x24;
    EXPECT_EQ(results, 4096u);
    EXPECT_EQ(a.valid, 0);
}

// Trace lines appear only under their bit of the mask.
TEST_F(Lib, Traces)
{
    const uint64_t hit = KEY | 1ull << 63 | 2ull << 48;
    struct {
        int mask;
        bool write;
        std::vector<std::string> lines; // what follows "--->"
    } cases[] = {
        {0, false, {}},
        {1, false, {}},
        {2,
         false,
         {"read_arl[i:0],[val:8002001122334455]",
          "read_arl_result: "
          "entry[0],vid[4],valid[1],sbit[0],age[0],pid[2]",
          "read_arl[i:1],[val:0]"}},
        {2, true, {}},
        {1,
         true,
         {"write_arl_macid=[1122334455]",
          "write_arl: entry[0],vid[4], valid[1],sbit[0],age[0],pid[2]"}},
    };
    for (auto &c : cases) {
        fake_reset();
        igmp_snoop_dbg = c.mask;
        fake.reply = [&](int off, int, int) -> uint64_t { return off == 0x10 ? hit : 0; };
        arl_data a = record(4);
        a.valid = 1;
        a.pid = 2;
        ::testing::internal::CaptureStdout();
        if (c.write)
            brcm53115_write_arl_tab(&a);
        else
            brcm53115_read_arl_tab(&a);
        std::string out = ::testing::internal::GetCapturedStdout();
        std::string want;
        const char *fn = c.write ? "brcm53115_write_arl_tab" : "brcm53115_read_arl_tab";
        std::vector<std::string> got;
        size_t pos = 0;
        while (pos < out.size()) {
            size_t nl = out.find('\n', pos);
            std::string line = out.substr(pos, nl - pos);
            std::string prefix = std::string(",function:") + fn + ",Line:";
            EXPECT_EQ(line.rfind("file:", 0), 0u) << line;
            EXPECT_NE(line.find("lib53115.cpp" + prefix), std::string::npos) << line;
            got.push_back(line.substr(line.find("--->") + 4));
            pos = nl + 1;
        }
        EXPECT_EQ(got, c.lines) << "mask " << c.mask;
    }
}

} // namespace
