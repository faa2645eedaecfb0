/* lib53115: the ARL table operations of the BCM53115, each one exchange
 * with the switch through the register access of arl_access.cpp. */
#include "lib53115.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "arl_access.h"
#include "arl_codec.h"
#include "arl_filter.h"

int igmp_snoop_dbg = 0; /* C linkage, as lib53115.h declares it */

/* What an operation is given: the record, and as the operation needs
 * them, the bins it fills, the entry an undo puts back, or a filter. */
struct op_args {
    arl_data *arl;
    arl_data *bins;
    const arl_data *old;
    const brcm53115_arl_filter *f;
    int add;  /* a change that writes nothing where the entry is there */
    int room; /* a static entry takes a learned entry's place in a full bucket */
    int both; /* a remove that takes the bucket's other entry too where it passes */
};

/* A VLAN id as the index and slot VLAN registers take it. */
static uint64_t vid_value(int32_t vid)
{
    return (uint64_t)(int64_t)vid;
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

/* Loads the bucket of the record's MAC and VLAN id into the entry slots. */
static void start_read(int *rc, uint64_t key, const arl_data *arl)
{
    arl_write_reg(rc, ARL_MAC_INDEX, key, ARL_LEN_MAC);
    arl_write_reg(rc, ARL_VID_INDEX, vid_value(arl->vid), ARL_LEN_CTRL);
    arl_write_reg(rc, ARL_RW_CTRL, ARL_RW_READ, ARL_LEN_CTRL);
    arl_write_reg(rc, ARL_RW_CTRL, ARL_RW_START | ARL_RW_READ, ARL_LEN_CTRL);
}

static int read_entry(int *rc, void *arg)
{
    arl_data *arl = ((struct op_args *)arg)->arl;
    uint64_t key = arl_mac_key(arl->mac);

    start_read(rc, key, arl);
    if (*rc == 0)
        usleep(2);
    for (int i = 0; i < 2; i++) {
        uint64_t val = arl_read_reg(rc, i == 0 ? ARL_ENTRY0 : ARL_ENTRY1, ARL_LEN_ENTRY);
        if (*rc)
            break;
        if (igmp_snoop_dbg & IGMP_DBG_READ)
            trace(read_fn, __LINE__, "read_arl[i:%d],[val:%llx]\n", i, (unsigned long long)val);
        if (arl_key(val) != key)
            continue;
        arl->entry = i;
        arl_decode_a_fields(val, arl);
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
    uint64_t key = arl_mac_key(arl->mac);

    if (igmp_snoop_dbg & IGMP_DBG_WRITE)
        trace(write_fn, __LINE__, "write_arl_macid=[%llx]\n", (unsigned long long)key);
    arl_write_reg(rc, ARL_MAC_INDEX, key, ARL_LEN_MAC);
    arl_write_reg(rc, ARL_VID_INDEX, vid_value(arl->vid), ARL_LEN_CTRL);

    uint64_t val = arl_encode_a(arl);

    if (igmp_snoop_dbg & IGMP_DBG_WRITE)
        trace(write_fn, __LINE__,
              "write_arl: entry[%d],vid[%d], valid[%d],sbit[%d],age[%d],pid[%d]\n", (int)arl->entry,
              (int)arl->vid, (int)arl->valid, (int)arl->sbit, (int)arl->age, (int)arl->pid);

    int slot = arl->entry == 1;
    arl_write_reg(rc, slot ? ARL_ENTRY1 : ARL_ENTRY0, val, ARL_LEN_ENTRY);
    arl_write_reg(rc, slot ? ARL_ENTRY1_VID : ARL_ENTRY0_VID, vid_value(arl->vid), ARL_LEN_CTRL);
    arl_write_reg(rc, ARL_RW_CTRL, 0, ARL_LEN_CTRL);
    arl_write_reg(rc, ARL_RW_CTRL, ARL_RW_START, ARL_LEN_CTRL);
    arl_wait_done(rc);
}

/* The bucket of the record's MAC and VLAN id: read, waited for, both bins
 * with their VLAN ids, as read and as records. */
struct bucket {
    uint64_t val[ARL_BINS];
    uint32_t vid[ARL_BINS];
    arl_data e[ARL_BINS];
};

static void read_bucket(int *rc, uint64_t key, const arl_data *arl, struct bucket *b)
{
    start_read(rc, key, arl);
    arl_wait_done(rc);
    b->val[0] = arl_read_reg(rc, ARL_ENTRY0, ARL_LEN_ENTRY);
    b->vid[0] = (uint32_t)arl_read_reg(rc, ARL_ENTRY0_VID, ARL_LEN_CTRL);
    b->val[1] = arl_read_reg(rc, ARL_ENTRY1, ARL_LEN_ENTRY);
    b->vid[1] = (uint32_t)arl_read_reg(rc, ARL_ENTRY1_VID, ARL_LEN_CTRL);
    for (int i = 0; i < (int)ARL_BINS; i++)
        arl_decode_a(b->val[i], b->vid[i], (uint32_t)i, &b->e[i]);
}

/* Whether bin i's VLAN register holds this VLAN id (one byte wide). */
static int bin_vid_is(const struct bucket *b, int i, int32_t vid)
{
    return ((b->vid[i] ^ (uint32_t)vid) & 0xFFu) == 0;
}

/* The bin holding a valid entry with the record's MAC and VLAN id (the
 * VLAN id register is one byte wide), or -1. */
static int holding(const arl_data *bins, const arl_data *arl)
{
    for (int i = 0; i < (int)ARL_BINS; i++)
        if (bins[i].valid && memcmp(bins[i].mac, arl->mac, 6) == 0 &&
            (((uint32_t)bins[i].vid ^ (uint32_t)arl->vid) & 0xFFu) == 0)
            return i;
    return -1;
}

extern "C" int brcm53115_arl_bin_of(const arl_data bins[2], const arl_data *arl)
{
    int bin = holding(bins, arl);
    for (int i = 0; i < (int)ARL_BINS && bin < 0 && (arl->valid & 1); i++)
        if (!bins[i].valid)
            bin = i;
    return bin;
}

extern "C" int brcm53115_arl_room_of(const arl_data bins[2])
{
    for (int i = 0; i < (int)ARL_BINS; i++)
        if (!(bins[i].sbit & 1))
            return i;
    return -1;
}

/* A write that deletes: the record's MAC and VLAN id, nothing else. */
static void write_invalid(int *rc, const arl_data *arl, int bin)
{
    arl_data del;
    memset(&del, 0, sizeof del);
    memcpy(del.mac, arl->mac, 6);
    del.vid = arl->vid;
    del.entry = bin;
    write_entry(rc, &del);
}

/* Reads the bucket and writes the record into the bin that belongs to it;
 * bins (if not NULL) gets what the bucket held. */

static int change_entry(int *rc, void *arg)
{
    struct op_args *c = (struct op_args *)arg;
    arl_data *arl = c->arl;
    uint64_t key = arl_mac_key(arl->mac);
    struct bucket b;

    read_bucket(rc, key, arl, &b);
    if (*rc)
        return 0;
    if (c->bins)
        memcpy(c->bins, b.e, sizeof b.e);
    int bin = brcm53115_arl_bin_of(b.e, arl);
    if (bin >= 0 && c->add && b.e[bin].valid) { /* the entry is there */
        arl->entry = bin;
        return BRCM53115_EXISTS;
    }
    /* A full bucket: a learned entry gives way to a static one. */
    if (bin < 0 && c->room && (arl->valid & arl->sbit & 1))
        bin = brcm53115_arl_room_of(b.e);
    if (bin < 0) {
        /* Nothing to delete is said; a valid entry needs a bin. */
        if (arl->valid & 1)
            *rc = BRCM53115_ERR_FULL;
        return BRCM53115_ABSENT;
    }
    arl->entry = bin;
    write_entry(rc, arl);
    return 0;
}

/* Puts back what a change replaced (old), where the bin still holds the
 * change (arl). */

static int undo_entry(int *rc, void *arg)
{
    const struct op_args *u = (const struct op_args *)arg;
    uint64_t key = arl_mac_key(u->arl->mac);
    struct bucket b;
    int bin = u->old->entry == 1;

    read_bucket(rc, key, u->arl, &b);
    if (*rc)
        return 0;
    /* The age flag is the switch's to change; the rest must be as written. */
    int held = u->arl->valid & 1
                   ? arl_ageless_a(b.val[bin]) == arl_ageless_a(arl_encode_a(u->arl)) &&
                         bin_vid_is(&b, bin, u->arl->vid)
                   : !arl_valid_a(b.val[bin]);
    if (!held)
        return BRCM53115_ABSENT;
    /* The entry put back must not stand twice: the switch may have
     * learned it again into the other bin. */
    if ((u->old->valid & 1) && holding(b.e, u->old) == !bin)
        return BRCM53115_EXISTS;
    if (u->old->valid & 1) {
        arl_data old = *u->old;
        old.entry = bin;
        write_entry(rc, &old);
    } else {
        write_invalid(rc, u->arl, bin);
    }
    return 0;
}

static int remove_entry(int *rc, void *arg)
{
    struct op_args *r = (struct op_args *)arg;
    uint64_t key = arl_mac_key(r->arl->mac);
    struct bucket b;

    read_bucket(rc, key, r->arl, &b);
    if (r->bins)
        memcpy(r->bins, b.e, sizeof b.e);
    int bin = *rc ? -1 : holding(b.e, r->arl);
    int found = bin >= 0 && brcm53115_arl_filter_passes(r->f, &b.e[bin]);
    /* A flush's delete takes every entry of the bucket that passes: the
     * write access stores both slots, so one write does it. */
    uint32_t gone = found ? 1u << bin : 0, others = 0;
    for (int i = 0; i < (int)ARL_BINS && r->both && !*rc; i++)
        if (i != bin && b.e[i].valid && brcm53115_arl_filter_passes(r->f, &b.e[i]))
            others |= 1u << i;
    if (!(gone | others))
        return BRCM53115_ABSENT;
    int last = found ? bin : (others & 2u) ? 1 : 0;
    for (int i = 0; i < (int)ARL_BINS; i++)
        if (((gone | others) >> i & 1u) && i != last)
            arl_write_reg(rc, i ? ARL_ENTRY1 : ARL_ENTRY0, 0, ARL_LEN_ENTRY);
    if (found)
        r->arl->entry = bin;
    r->both = (int)others;
    write_invalid(rc, r->arl, last);
    return found ? 0 : BRCM53115_ABSENT;
}

static int lookup_entry(int *rc, void *arg)
{
    const struct op_args *l = (const struct op_args *)arg;
    arl_data *arl = l->arl;
    uint64_t key = arl_mac_key(arl->mac);
    struct bucket b;

    read_bucket(rc, key, arl, &b);
    if (l->bins)
        memcpy(l->bins, b.e, sizeof b.e);
    int bin = *rc ? -1 : holding(b.e, arl);
    if (bin < 0)
        return 0;
    arl->entry = bin;
    arl_decode_a_fields(b.val[bin], arl);
    return BRCM53115_FOUND;
}

/* The table's write as an operation. */
static int write_op(int *rc, void *arg)
{
    write_entry(rc, ((struct op_args *)arg)->arl);
    return 0;
}

/* Runs an operation on its arguments under the table lock. */
static int run(int (*op)(int *rc, void *arg), arl_data *arl, arl_data *bins, const arl_data *old,
               const brcm53115_arl_filter *f)
{
    struct op_args a = {arl, bins, old, f, 0, 0, 0};
    return arl_locked(op, &a);
}

extern "C" {

int brcm53115_read_arl_tab(arl_data *arl)
{
    return run(read_entry, arl, NULL, NULL, NULL);
}

int brcm53115_write_arl_tab(arl_data *arl)
{
    return run(write_op, arl, NULL, NULL, NULL);
}

int brcm53115_update_arl_tab(arl_data *arl)
{
    return run(change_entry, arl, NULL, NULL, NULL);
}

int brcm53115_change_arl_tab(arl_data *arl, arl_data bins[2])
{
    return run(change_entry, arl, bins, NULL, NULL);
}

int brcm53115_add_arl_tab(arl_data *arl, arl_data bins[2])
{
    struct op_args a = {arl, bins, NULL, NULL, 1, 0, 0};
    return arl_locked(change_entry, &a);
}

int brcm53115_pin_arl_tab(arl_data *arl, arl_data bins[2], int add)
{
    struct op_args a = {arl, bins, NULL, NULL, add, 1, 0};
    return arl_locked(change_entry, &a);
}

int brcm53115_undo_arl_tab(const arl_data *now, const arl_data *old)
{
    return run(undo_entry, (arl_data *)now, NULL, old, NULL);
}

int brcm53115_remove_arl_tab(arl_data *arl, const brcm53115_arl_filter *f)
{
    return run(remove_entry, arl, NULL, NULL, f);
}

int brcm53115_delete_arl_tab(arl_data *arl, const brcm53115_arl_filter *f, arl_data bins[2])
{
    return run(remove_entry, arl, bins, NULL, f);
}

int brcm53115_lookup_arl_tab(arl_data *arl)
{
    return run(lookup_entry, arl, NULL, NULL, NULL);
}

int brcm53115_bucket_arl_tab(arl_data *arl, arl_data bins[2])
{
    return run(lookup_entry, arl, bins, NULL, NULL);
}

} /* extern "C" */

int arl_delete_all(arl_data *arl, const brcm53115_arl_filter *f, arl_data bins[2], uint32_t *others)
{
    struct op_args a = {arl, bins, NULL, f, 0, 0, 1};
    int rc = arl_locked(remove_entry, &a);
    *others = rc >= 0 ? (uint32_t)a.both : 0;
    return rc;
}
