// lib53115 against the recording fake platform: the register conversation of
// each table operation, the decoding of both entry layouts and the reply
// buffer, and the edge cases where a wrong bit would write a wrong entry.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iterator>
#include <set>
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

// The bucket as the read part of an update finds it.
struct bucket {
    uint64_t slot0, vid0, slot1, vid1;
    bool stuck = false; // the control never reads bit 7 clear
};

void answer(const bucket &b)
{
    fake.reply = [b](int off, int, int) -> uint64_t {
        switch (off) {
        case 0x00:
            return b.stuck ? 0x81 : 0x01;
        case 0x10:
            return b.slot0;
        case 0x30:
            return b.vid0;
        case 0x18:
            return b.slot1;
        case 0x32:
            return b.vid1;
        }
        return 0;
    };
}

// The update reads the bucket (waiting for the switch), then writes the one
// bin that belongs to the record, or nothing; the lookup reads it the same
// way and finds that bin.
TEST_F(Lib, UpdateChoosesTheBinAndKeepsTheOther)
{
    const uint64_t V = 1ull << 63, other = V | 0x0002AABBCCDDEEFFull;
    // Static, age, traffic class 1, port 9.
    const uint64_t flagged = V | KEY | 3ull << 61 | 1ull << 59 | 9ull << 48;
    const std::vector<reg_call> read_part = {
        set(0x02, 6, KEY),  set(0x08, 1, 5),    set(0x00, 1, 0x01),
        set(0x00, 1, 0x81), get(0x00, 1, 0x01), get(0x10, 8, 0),
        get(0x30, 1, 0),    get(0x18, 8, 0),    get(0x32, 1, 0),
    };
    struct {
        const char *name;
        bucket b;
        int32_t valid;
        int rc, bin; // bin written, -1 none
        int found;   // the bin the lookup finds, -1 none
    } cases[] = {
        {"empty bucket", {0, 0, 0, 0}, 1, 0, 0, -1},
        {"the entry in bin 1", {other, 5, V | KEY, 5}, 1, 0, 1, 1},
        {"the entry in bin 1, deleted", {other, 5, V | KEY, 5}, 0, 0, 1, 1},
        {"the same MAC on another VLAN in bin 0", {V | KEY, 6, 0, 0}, 1, 0, 1, -1},
        {"the key with the valid bit clear is free", {KEY, 5, other, 5}, 1, 0, 0, -1},
        {"VLAN compared on its low 8 bits", {other, 0, flagged, 0x105}, 1, 0, 1, 1},
        {"full bucket", {other, 5, V | KEY, 6}, 1, BRCM53115_ERR_FULL, -1, -1},
        {"delete of an absent entry", {other, 5, 0, 0}, 0, BRCM53115_ABSENT, -1, -1},
    };
    for (auto &c : cases) {
        fake_reset();
        answer(c.b);
        arl_data a = record(5);
        a.valid = c.valid;
        a.pid = 3;
        EXPECT_EQ(brcm53115_update_arl_tab(&a), c.rc) << c.name;
        std::vector<reg_call> want = read_part;
        want[5].value = c.b.slot0;
        want[6].value = c.b.vid0;
        want[7].value = c.b.slot1;
        want[8].value = c.b.vid1;
        const std::vector<reg_call> bucket_read = want;
        if (c.bin >= 0) {
            uint64_t val = KEY | (uint64_t)c.valid << 63 | 3ull << 48;
            want.insert(want.end(),
                        {set(0x02, 6, KEY), set(0x08, 1, 5), set(c.bin ? 0x18 : 0x10, 8, val),
                         set(c.bin ? 0x32 : 0x30, 1, 5), set(0x00, 1, 0), set(0x00, 1, 0x80),
                         get(0x00, 1, 0x01)});
            EXPECT_EQ(a.entry, c.bin) << c.name;
        }
        SCOPED_TRACE(c.name);
        expect_calls(want);

        fake_reset();
        answer(c.b);
        a = record(5);
        a.tc = a.pid = 7;
        EXPECT_EQ(brcm53115_lookup_arl_tab(&a), c.found >= 0);
        expect_calls(bucket_read);
        uint64_t e = c.found >= 0 ? (c.found ? c.b.slot1 : c.b.slot0) : 0;
        expect_fields(a,
                      c.found < 0
                          ? fields{0, 5, 0, 0, 0, 7, 7}
                          : fields{c.found, 5, 1, (int32_t)(e >> 62 & 1), (int32_t)(e >> 61 & 1),
                                   (int32_t)(e >> 59 & 3), (int32_t)(e >> 48 & 15)},
                      c.name);
    }
}

TEST_F(Lib, UpdateOnAStuckSwitchWritesNothing)
{
    bucket b = {0, 0, 0, 0};
    b.stuck = true;
    answer(b);
    arl_data a = record(5);
    a.valid = 1;
    EXPECT_EQ(brcm53115_update_arl_tab(&a), BRCM53115_ERR_TIMEOUT);
    for (size_t i = 4; i < fake.calls.size(); i++)
        ASSERT_EQ(fake.calls[i], get(0x00, 1, 0x81)) << "call " << i;
}

// The walk hands out every result, valid or not, decoded, and stops at the
// end of the results or after one per entry of the table.
void collect(const arl_data *a, void *ctx)
{
    static_cast<std::vector<arl_data> *>(ctx)->push_back(*a);
}

TEST_F(Lib, WalkListsEveryResultDecoded)
{
    search_script s;
    s.results = {layout_b(false, 3, 0x11, true, false) ^ KEY ^ 0xFEDCBA987654ull,
                 layout_b(true, 0xF, 0x1F, false, true)};
    s.extras = {0xFE, 0x01};
    std::vector<arl_data> got;
    size_t taken = 0;
    fake.reply = [&](int off, int, int n) -> uint64_t {
        if (off == 0x20)
            return n == 0 ? 0 : (taken < s.results.size() ? 0x81 : 0);
        if (off == 0x2C)
            return s.extras[taken];
        return s.results[taken++];
    };
    EXPECT_EQ(brcm53115_walk_arl_tab(collect, &got), 0);
    expect_calls({get(0x20, 1, 0), set(0x20, 1, 0x80), get(0x20, 1, 0x81), get(0x2C, 1, 0xFE),
                  get(0x24, 8, s.results[0]), get(0x20, 1, 0x81), get(0x2C, 1, 0x01),
                  get(0x24, 8, s.results[1]), get(0x20, 1, 0)});
    ASSERT_EQ(got.size(), 2u);
    expect_fields(got[0], {0, 3, 0, 1, 0, 2, 0x11}, "an invalid result");
    expect_fields(got[1], {1, 0xF, 1, 0, 1, 1, 0x1F}, "a valid result");
    const uint8_t mac0[6] = {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54};
    EXPECT_EQ(memcmp(got[0].mac, mac0, 6), 0);
    EXPECT_EQ(memcmp(got[1].mac, MAC, 6), 0);
}

TEST_F(Lib, WalkStopsAfterOneResultPerEntry)
{
    fake.reply = [](int off, int, int) -> uint64_t { return off == 0x20 ? 0x81 : KEY; };
    std::vector<arl_data> got;
    EXPECT_EQ(brcm53115_walk_arl_tab(collect, &got), 0);
    EXPECT_EQ(got.size(), 4096u);
    EXPECT_EQ(got.back().entry, 4095);
    EXPECT_EQ(fake.calls.size(), 2u + 3u * 4096u + 1u); // the control once more, then no result
    EXPECT_EQ(fake.calls.back(), get(0x20, 1, 0x81));
}

// A failed platform call stops every operation at that call, whichever it
// is, and the operation names it.
TEST_F(Lib, AFailedAccessStopsTheOperationThere)
{
    struct op {
        const char *name;
        std::function<int()> run;
    };
    std::vector<arl_data> sink;
    const op ops[] = {
        {"read",
         [] {
             arl_data a = record(1);
             return brcm53115_read_arl_tab(&a);
         }},
        {"write",
         [] {
             arl_data a = record(1);
             return brcm53115_write_arl_tab(&a);
         }},
        {"update",
         [] {
             arl_data a = record(1);
             a.valid = 1;
             return brcm53115_update_arl_tab(&a);
         }},
        {"search",
         [] {
             arl_data a = record(1);
             return brcm53115_search_arl_tab(&a);
         }},
        {"walk", [&] { return brcm53115_walk_arl_tab(collect, &sink); }},
    };
    for (auto &o : ops) {
        // Two results for the searches, then the end; every access done at once.
        auto script = [](int off, int, int n) -> uint64_t {
            return off == 0x20 ? (n >= 1 && n <= 2 ? 0x81 : 0) : off == 0x00 ? 0 : 0x5A;
        };
        fake_reset();
        fake.reply = script;
        ASSERT_EQ(o.run(), 0) << o.name;
        const std::vector<reg_call> whole = fake.calls;
        for (size_t k = 0; k < whole.size(); k++) {
            fake_reset();
            fake.reply = script;
            fake.fail_at = (long)k;
            brcm53115_failed = brcm53115_access();
            EXPECT_EQ(o.run(), BRCM53115_ERR_ACCESS) << o.name << " failing at call " << k;
            ASSERT_EQ(fake.calls.size(), k + 1) << o.name << " failing at call " << k;
            const reg_call &c = whole[k];
            EXPECT_EQ(brcm53115_failed.write, c.op == 's') << o.name << " " << k;
            EXPECT_EQ(brcm53115_failed.offset, c.offset) << o.name << " " << k;
            EXPECT_EQ(brcm53115_failed.length, c.length) << o.name << " " << k;
            EXPECT_EQ(brcm53115_failed.result, -1) << o.name << " " << k;
        }
    }
}

// A second hold before the release fails rather than nest (on a kept lock
// file it would succeed, and the inner release would end the outer hold).
TEST_F(Lib, LockIsHeldOnce)
{
    for (int keep : {0, 1}) {
        brcm53115_arl_lock_keep(keep);
        int lock = brcm53115_arl_lock();
        ASSERT_GE(lock, 0) << "keep " << keep;
        EXPECT_EQ(brcm53115_arl_lock(), BRCM53115_ERR_LOCK) << "keep " << keep;
        brcm53115_arl_unlock(lock);
    }
    brcm53115_arl_lock_keep(0);
}

// Each result is one value, said as itself: no answer shares a failure's
// or another answer's value or words.
TEST(Results, EachIsOneValueWithItsOwnWords)
{
    // clang-format off
    const int rcs[] = {0, BRCM53115_FOUND, BRCM53115_EXISTS, BRCM53115_ABSENT,
                       BRCM53115_ERR_TIMEOUT, BRCM53115_ERR_FULL, BRCM53115_ERR_LOCK,
                       BRCM53115_ERR_ACCESS, BRCM53115_ERR_UNCONFIRMED, BRCM53115_ERR_STOPPED};
    // clang-format on
    std::set<int> values(std::begin(rcs), std::end(rcs));
    std::set<std::string> words;
    for (int rc : rcs)
        words.insert(brcm53115_strerror(rc));
    EXPECT_EQ(values.size(), std::size(rcs));
    EXPECT_EQ(words.size(), std::size(rcs));
    EXPECT_EQ(words.count(brcm53115_strerror(99)), 0u);
}

} // namespace
