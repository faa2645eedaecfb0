/* lib53115: register access over the platform functions and the ARL table
 * operations of the BCM53115. */
#include "lib53115.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "brcm53115_regs.h"

extern "C" {

int igmp_snoop_dbg = 0;
brcm53115_access brcm53115_failed;

int brcm53115_write(int page, int offset, uint64_t value, int length)
{
    uint64_t reg = value;
    int rc = set_register(page & 0xFF, offset & 0xFF, &reg, length);
    return rc < 0 ? rc : 0;
}

int brcm53115_read(int page, int offset, uint32_t *val, int length)
{
    uint8_t buf[ARL_REPLY_SIZE];
    uint16_t g[4];

    /* A failed platform read must not hand back stack garbage. */
    memset(buf, 0, sizeof buf);
    int rc = get_register(page & 0xFF, offset & 0xFF, length, buf);
    if (rc < 0)
        memset(buf, 0, sizeof buf);
    memcpy(g, buf + ARL_REPLY_VALUE, sizeof g);

    switch (length) {
    case 8:
        val[0] = (uint32_t)g[1] << 16 | g[0];
        val[1] = (uint32_t)g[3] << 16 | g[2];
        break;
    case 6:
        val[0] = (uint32_t)g[1] << 16 | g[0];
        val[1] = g[2];
        break;
    case 4:
        val[0] = (uint32_t)g[1] << 16 | g[0];
        val[1] = 0;
        break;
    default:
        val[0] = g[0];
        val[1] = 0;
        break;
    }
    return rc < 0 ? rc : 0;
}

} /* extern "C" */

/* The 48-bit MAC key, byte 0 most significant. */
static uint64_t mac_key(const uint8_t *mac)
{
    uint32_t hi = (uint32_t)mac[0] << 8 | mac[1];
    uint32_t lo = (uint32_t)mac[2] << 24 | (uint32_t)mac[3] << 16 | (uint32_t)mac[4] << 8 | mac[5];
    return (uint64_t)hi << 32 | lo;
}

/* Register accesses of one table operation.  *rc holds the operation's
 * result: once an access has failed, no further access is made and reads
 * yield 0. */
static void access_failed(int *rc, int write, int offset, int length, int result)
{
    brcm53115_failed.write = write;
    brcm53115_failed.page = ARL_PAGE;
    brcm53115_failed.offset = offset;
    brcm53115_failed.length = length;
    brcm53115_failed.result = result;
    *rc = BRCM53115_ERR_ACCESS;
}

static uint64_t read_reg(int *rc, int offset, int length)
{
    uint32_t v[2] = {0, 0};
    if (*rc == 0) {
        int r = brcm53115_read(ARL_PAGE, offset, v, length);
        if (r < 0)
            access_failed(rc, 0, offset, length, r);
    }
    return (uint64_t)v[1] << 32 | v[0];
}

static void write_reg(int *rc, int offset, uint64_t value, int length)
{
    if (*rc == 0) {
        int r = brcm53115_write(ARL_PAGE, offset, value, length);
        if (r < 0)
            access_failed(rc, 1, offset, length, r);
    }
}

/* A VLAN id as the index and slot VLAN registers take it. */
static uint64_t vid_value(int32_t vid)
{
    return (uint64_t)(int64_t)vid;
}

static uint32_t field(uint64_t value, int shift, uint32_t mask)
{
    return (uint32_t)(value >> shift) & mask;
}

static uint32_t now_us(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)ts.tv_sec * 1000000u + (uint32_t)ts.tv_nsec / 1000u;
}

/* One trace line: where it comes from, then what it says. */
static void trace(const char *fn, int line, const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    printf("file:%s,function:%s,Line:%d--->", __FILE__, fn, line);
    vprintf(fmt, ap);
    va_end(ap);
}

static const char read_fn[] = "brcm53115_read_arl_tab";
static const char write_fn[] = "brcm53115_write_arl_tab";

/* Polls the control register, with no pause, until the switch has
 * finished the access.  The chip finishes in microseconds; one that does
 * not finish within the bound is not going to. */
static void wait_done(int *rc)
{
    uint32_t start = now_us();
    while (*rc == 0 && (read_reg(rc, ARL_RW_CTRL, ARL_LEN_CTRL) & ARL_RW_START)) {
        if (now_us() - start > BRCM53115_WRITE_TIMEOUT_US)
            *rc = BRCM53115_ERR_TIMEOUT;
    }
}

/* Loads the bucket of the record's MAC and VLAN id into the entry slots. */
static void start_read(int *rc, uint64_t key, const arl_data *arl)
{
    write_reg(rc, ARL_MAC_INDEX, key, ARL_LEN_MAC);
    write_reg(rc, ARL_VID_INDEX, vid_value(arl->vid), ARL_LEN_CTRL);
    write_reg(rc, ARL_RW_CTRL, ARL_RW_READ, ARL_LEN_CTRL);
    write_reg(rc, ARL_RW_CTRL, ARL_RW_START | ARL_RW_READ, ARL_LEN_CTRL);
}

static int read_entry(int *rc, arl_data *arl)
{
    uint64_t key = mac_key(arl->mac);

    start_read(rc, key, arl);
    if (*rc == 0)
        usleep(2);
    for (int i = 0; i < 2; i++) {
        uint64_t val = read_reg(rc, i == 0 ? ARL_ENTRY0 : ARL_ENTRY1, ARL_LEN_ENTRY);
        if (*rc)
            break;
        if (igmp_snoop_dbg & IGMP_DBG_READ)
            trace(read_fn, __LINE__, "read_arl[i:%d],[val:%llx]\n", i, (unsigned long long)val);
        if ((val & ARL_KEY_MASK) != key)
            continue;
        arl->tc = (int32_t)field(val, ARLA_TC_SHIFT, ARLA_TC_MASK);
        arl->entry = i;
        arl->valid = (int32_t)field(val, ARLA_VALID_SHIFT, ARL_FLAG_MASK);
        arl->sbit = (int32_t)field(val, ARLA_STATIC_SHIFT, ARL_FLAG_MASK);
        arl->age = (int32_t)field(val, ARLA_AGE_SHIFT, ARL_FLAG_MASK);
        arl->pid = (int32_t)field(val, ARLA_PID_SHIFT, ARLA_PID_MASK);
        if (igmp_snoop_dbg & IGMP_DBG_READ)
            trace(read_fn, __LINE__,
                  "read_arl_result: entry[%d],vid[%d],valid[%d],sbit[%d],age[%d],pid[%d]\n", (int)i,
                  (int)arl->vid, (int)arl->valid, (int)arl->sbit, (int)arl->age, (int)arl->pid);
    }
    return 0;
}

/* The table's write: the record's entry into the slot that `entry` names,
 * then a write access, waited for. */
static void write_entry(int *rc, arl_data *arl)
{
    uint64_t key = mac_key(arl->mac);

    if (igmp_snoop_dbg & IGMP_DBG_WRITE)
        trace(write_fn, __LINE__, "write_arl_macid=[%llx]\n", (unsigned long long)key);
    write_reg(rc, ARL_MAC_INDEX, key, ARL_LEN_MAC);
    write_reg(rc, ARL_VID_INDEX, vid_value(arl->vid), ARL_LEN_CTRL);

    /* Every field is masked to its width, so none can spill into another. */
    uint64_t val = key;
    val |= (uint64_t)((uint32_t)arl->pid & ARLA_PID_MASK) << ARLA_PID_SHIFT;
    val |= (uint64_t)((uint32_t)arl->tc & ARLA_TC_MASK) << ARLA_TC_SHIFT;
    val |= (uint64_t)((uint32_t)arl->age & ARL_FLAG_MASK) << ARLA_AGE_SHIFT;
    val |= (uint64_t)((uint32_t)arl->sbit & ARL_FLAG_MASK) << ARLA_STATIC_SHIFT;
    val |= (uint64_t)((uint32_t)arl->valid & ARL_FLAG_MASK) << ARLA_VALID_SHIFT;

    if (igmp_snoop_dbg & IGMP_DBG_WRITE)
        trace(write_fn, __LINE__,
              "write_arl: entry[%d],vid[%d], valid[%d],sbit[%d],age[%d],pid[%d]\n", (int)arl->entry,
              (int)arl->vid, (int)arl->valid, (int)arl->sbit, (int)arl->age, (int)arl->pid);

    int slot = arl->entry == 1;
    write_reg(rc, slot ? ARL_ENTRY1 : ARL_ENTRY0, val, ARL_LEN_ENTRY);
    write_reg(rc, slot ? ARL_ENTRY1_VID : ARL_ENTRY0_VID, vid_value(arl->vid), ARL_LEN_CTRL);
    write_reg(rc, ARL_RW_CTRL, 0, ARL_LEN_CTRL);
    write_reg(rc, ARL_RW_CTRL, ARL_RW_START, ARL_LEN_CTRL);
    wait_done(rc);
}

/* The bucket of the record's MAC and VLAN id: read, waited for, both bins
 * with their VLAN ids. */
struct bucket {
    uint64_t val[ARL_BINS];
    uint32_t vid[ARL_BINS];
};

static void read_bucket(int *rc, uint64_t key, const arl_data *arl, struct bucket *b)
{
    start_read(rc, key, arl);
    wait_done(rc);
    b->val[0] = read_reg(rc, ARL_ENTRY0, ARL_LEN_ENTRY);
    b->vid[0] = (uint32_t)read_reg(rc, ARL_ENTRY0_VID, ARL_LEN_CTRL);
    b->val[1] = read_reg(rc, ARL_ENTRY1, ARL_LEN_ENTRY);
    b->vid[1] = (uint32_t)read_reg(rc, ARL_ENTRY1_VID, ARL_LEN_CTRL);
}

static uint32_t bin_valid(const struct bucket *b, int i)
{
    return field(b->val[i], ARLA_VALID_SHIFT, ARL_FLAG_MASK);
}

/* The bin holding a valid entry with this key and VLAN id, or -1. */
static int find_bin(const struct bucket *b, uint64_t key, int32_t vid)
{
    for (int i = 0; i < (int)ARL_BINS; i++)
        if (bin_valid(b, i) && (b->val[i] & ARL_KEY_MASK) == key &&
            ((b->vid[i] ^ (uint32_t)vid) & 0xFFu) == 0)
            return i;
    return -1;
}

/* Reads the bucket and writes the record into the bin that belongs to it. */
static int update_entry(int *rc, arl_data *arl)
{
    uint64_t key = mac_key(arl->mac);
    struct bucket b;

    read_bucket(rc, key, arl, &b);
    if (*rc)
        return 0;
    int bin = find_bin(&b, key, arl->vid);
    int valid = (int)((uint32_t)arl->valid & ARL_FLAG_MASK);
    for (int i = 0; i < (int)ARL_BINS && bin < 0 && valid; i++)
        if (!bin_valid(&b, i))
            bin = i;
    if (bin < 0) {
        /* Nothing to delete is said; a valid entry needs a bin. */
        if (valid)
            *rc = BRCM53115_ERR_FULL;
        return BRCM53115_ABSENT;
    }
    arl->entry = bin;
    write_entry(rc, arl);
    return 0;
}

static int lookup_entry(int *rc, arl_data *arl)
{
    uint64_t key = mac_key(arl->mac);
    struct bucket b;

    read_bucket(rc, key, arl, &b);
    int bin = *rc ? -1 : find_bin(&b, key, arl->vid);
    if (bin < 0)
        return 0;
    uint64_t val = b.val[bin];
    arl->entry = bin;
    arl->valid = 1;
    arl->sbit = (int32_t)field(val, ARLA_STATIC_SHIFT, ARL_FLAG_MASK);
    arl->age = (int32_t)field(val, ARLA_AGE_SHIFT, ARL_FLAG_MASK);
    arl->tc = (int32_t)field(val, ARLA_TC_SHIFT, ARLA_TC_MASK);
    arl->pid = (int32_t)field(val, ARLA_PID_SHIFT, ARLA_PID_MASK);
    return 1;
}

/* The search: started once, then one result per step while the switch
 * flags one. */
static void search_start(int *rc)
{
    uint64_t ctrl = read_reg(rc, ARL_SRCH_CTRL, ARL_LEN_CTRL);
    write_reg(rc, ARL_SRCH_CTRL, ctrl | ARL_SRCH_START, ARL_LEN_CTRL);
}

/* Whether a result is pending: 1, or 0 once the search is done.  A switch
 * that is still searching (start bit set, no result yet) is polled again,
 * within the write's bound; the whole search within its own, counted from
 * `begun`. */
static int search_pending(int *rc, uint32_t begun)
{
    uint32_t start = 0;
    for (int polls = 0;; polls++) {
        uint32_t ctrl = (uint32_t)read_reg(rc, ARL_SRCH_CTRL, ARL_LEN_CTRL);
        uint32_t now = now_us();
        if (polls == 0)
            start = now;
        if (now - begun > BRCM53115_SEARCH_TIMEOUT_US)
            *rc = BRCM53115_ERR_TIMEOUT;
        if (*rc)
            return 0;
        if (ctrl & ARL_SRCH_VALID)
            return 1;
        if (!(ctrl & ARL_SRCH_START))
            return 0;
        if (now - start > BRCM53115_WRITE_TIMEOUT_US)
            *rc = BRCM53115_ERR_TIMEOUT;
    }
}

/* Takes the pending result: returns layout B, with the extra register
 * (the traffic class) in *extra. */
static uint64_t search_result(int *rc, uint64_t *extra)
{
    *extra = read_reg(rc, ARL_SRCH_EXTRA, ARL_LEN_CTRL);
    return read_reg(rc, ARL_SRCH_RESULT, ARL_LEN_ENTRY);
}

/* A search result as a record; `entry` is the step.  Out of line: the
 * search and the walk share it, and MIPS16 code grows where it is copied. */
__attribute__((noinline)) static void decode_result(uint64_t val, uint64_t extra, uint32_t step,
                                                    arl_data *res)
{
    res->entry = (int32_t)step;
    res->vid = (int32_t)field(val, ARLB_VID_SHIFT, ARLB_VID_MASK);
    res->valid = (int32_t)field(val, ARLB_VALID_SHIFT, ARL_FLAG_MASK);
    res->sbit = (int32_t)field(val, ARLB_STATIC_SHIFT, ARL_FLAG_MASK);
    res->age = (int32_t)field(val, ARLB_AGE_SHIFT, ARL_FLAG_MASK);
    res->tc = (int32_t)((uint32_t)extra & ARL_SRCH_TC_MASK);
    res->pid = (int32_t)field(val, ARLB_PID_SHIFT, ARLB_PID_MASK);
    for (int i = 0; i < 6; i++)
        res->mac[i] = (uint8_t)(val >> (40 - 8 * i));
}

static int search_entry(int *rc, arl_data *arl)
{
    uint64_t key = mac_key(arl->mac), extra;
    uint32_t begun = now_us();

    search_start(rc);
    for (uint32_t step = 0; step < ARL_TABLE_ENTRIES && search_pending(rc, begun); step++) {
        uint64_t val = search_result(rc, &extra);
        if (*rc || (val & ARL_KEY_MASK) != key)
            continue;
        decode_result(val, extra, step, arl); /* the same MAC */
        if (arl->valid == 1)
            break;
    }
    return 0;
}

static void walk_table(int *rc, void (*fn)(const arl_data *, void *), void *ctx)
{
    arl_data res;
    uint32_t begun = now_us();

    search_start(rc);
    /* The control is read once more after the last result the table can
     * hold, so that a whole table ends the way a shorter one does. */
    for (uint32_t step = 0; search_pending(rc, begun) && step < ARL_TABLE_ENTRIES; step++) {
        uint64_t extra, val = search_result(rc, &extra);
        if (*rc)
            break;
        decode_result(val, extra, step, &res);
        fn(&res, ctx);
    }
}

/* Runs one table operation under the table lock: its failure, else what
 * it returned. */
static int locked(int (*op)(int *rc, arl_data *arl), arl_data *arl)
{
    int lock = brcm53115_arl_lock();
    if (lock < 0)
        return lock;
    int rc = 0;
    int res = op(&rc, arl);
    brcm53115_arl_unlock(lock);
    return rc ? rc : res;
}

/* The table's write as a locked operation. */
static int write_op(int *rc, arl_data *arl)
{
    write_entry(rc, arl);
    return 0;
}

extern "C" {

int brcm53115_read_arl_tab(arl_data *arl)
{
    return locked(read_entry, arl);
}

int brcm53115_write_arl_tab(arl_data *arl)
{
    return locked(write_op, arl);
}

int brcm53115_update_arl_tab(arl_data *arl)
{
    return locked(update_entry, arl);
}

int brcm53115_lookup_arl_tab(arl_data *arl)
{
    return locked(lookup_entry, arl);
}

int brcm53115_search_arl_tab(arl_data *arl)
{
    return locked(search_entry, arl);
}

int brcm53115_walk_arl_tab(void (*fn)(const arl_data *, void *), void *ctx)
{
    int lock = brcm53115_arl_lock();
    if (lock < 0)
        return lock;
    int rc = 0;
    walk_table(&rc, fn, ctx);
    brcm53115_arl_unlock(lock);
    return rc;
}

} /* extern "C" */
