/* The table listed with whole VLAN ids, and the flush: the walk, whose
 * results carry only the VLAN id's low 4 bits, then lookups or deletes on
 * the VLAN ids each result may stand for.  Built on the table operations
 * of lib53115.cpp; no register is touched here. */
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include "arl_access.h"
#include "arl_filter.h"
#include "lib53115.h"

/* An entry listed on VLAN v lies on one of v, v + 16, ... up to the
 * largest VLAN id. */
#define VID_STEP 16u
#define VID_LAST 255u
#define CANDIDATES 16u
#define LIST_MAX ((uint32_t)BRCM53115_ARL_ENTRIES)

/* A row's flags: the entry's own, and the listing's marks. */
#define ROW_VALID BRCM53115_ROW_VALID
#define ROW_STATIC BRCM53115_ROW_STATIC
#define ROW_AGE BRCM53115_ROW_AGE
#define ROW_CONFIRMED 0x08u /* vid, pid, tc and flags are the bucket's */
#define ROW_DONE 0x10u      /* its group has been looked at */
#define ROW_PASSES 0x20u    /* passes the listing's filter */
#define ROW_FLAGS (ROW_VALID | ROW_STATIC | ROW_AGE)

/* The rows' hash: of the whole key (MAC and low VLAN bits), by tables of
 * random words drawn once a process (tabulation hashing), so that no set of
 * MACs chosen in advance (a host sending from forged addresses) lands in
 * one chain: the listing's CPU stays linear in the table. */
static uint16_t hash_tab[7][256];
static int hash_seeded;

static void hash_seed(void)
{
    uint32_t x = 0;
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0 || read(fd, &x, sizeof x) != (ssize_t)sizeof x)
        x = arl_clock(ARL_US) ^ (uint32_t)getpid() << 16;
    if (fd >= 0)
        close(fd);
    for (uint32_t i = 0; i < 7; i++)
        for (uint32_t j = 0; j < 256; j++) {
            x = x ? x : 0x9e3779b9u; /* xorshift32 never leaves 0 */
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            hash_tab[i][j] = (uint16_t)(x >> 7);
        }
    hash_seeded = 1;
}

static uint32_t hash(const uint8_t *mac, uint32_t vid)
{
    if (!hash_seeded)
        hash_seed();
    uint32_t h = hash_tab[6][vid & ARL_VID_LOW];
    for (int i = 0; i < 6; i++)
        h ^= hash_tab[i][mac[i]];
    return h % LIST_MAX;
}

static uint8_t row_flags(const arl_data *a)
{
    return (uint8_t)((a->valid & 1 ? ROW_VALID : 0) | (a->sbit & 1 ? ROW_STATIC : 0) |
                     (a->age & 1 ? ROW_AGE : 0));
}

extern "C" void brcm53115_arl_row_pack(const arl_data *a, brcm53115_arl_row *r)
{
    memcpy(r->mac, a->mac, 6);
    r->vid = (uint8_t)a->vid;
    r->pid = (uint8_t)a->pid;
    r->tc = (uint8_t)a->tc;
    r->flags = row_flags(a);
    r->next = 0;
}

static void keep(const arl_data *a, void *ctx)
{
    brcm53115_arl_list *list = (brcm53115_arl_list *)ctx;
    if (list->n < LIST_MAX)
        brcm53115_arl_row_pack(a, &list->rows[list->n++]);
}

/* The walk into the list, its rows chained by MAC and low VLAN bits; the
 * VLAN ids seen so far forgotten. */
static int walk(brcm53115_arl_list *list)
{
    list->n = 0;
    memset(list->head, 0, sizeof list->head);
    memset(list->seen_n, 0, sizeof list->seen_n);
    int rc = brcm53115_walk_arl_tab(keep, list);
    for (uint32_t i = list->n; rc == 0 && i-- > 0;) {
        uint32_t h = hash(list->rows[i].mac, list->rows[i].vid);
        list->rows[i].next = list->head[h];
        list->head[h] = (uint16_t)(i + 1);
    }
    return rc;
}

/* Whether a row has this MAC and these low VLAN bits: the key of a group. */
static int row_is(const brcm53115_arl_row *r, const uint8_t *mac, uint32_t vid)
{
    return memcmp(r->mac, mac, 6) == 0 && ((r->vid ^ vid) & ARL_VID_LOW) == 0;
}

/* The rows of row i's group (its MAC and low VLAN bits) not yet looked at,
 * in the walk's order, marked as looked at.  Returns how many. */
static uint32_t group_of(brcm53115_arl_list *list, uint32_t i, uint32_t *group)
{
    uint32_t k = 0;
    for (uint32_t j = list->head[hash(list->rows[i].mac, list->rows[i].vid)]; j && k < CANDIDATES;
         j = list->rows[j - 1].next) {
        brcm53115_arl_row *r = &list->rows[j - 1];
        if (row_is(r, list->rows[i].mac, list->rows[i].vid) && !(r->flags & ROW_DONE)) {
            r->flags |= ROW_DONE;
            group[k++] = j - 1;
        }
    }
    return k;
}

/* Whether a row, as the walk gave it, could pass the filter once its whole
 * VLAN id and the bucket's fields are known. */
static int could_pass(const brcm53115_arl_filter *f, const brcm53115_arl_row *r)
{
    return arl_filter_test(f, r->mac, r->vid, r->pid, r->flags & ROW_STATIC, ARL_VID_LOW,
                           ARL_PID_LOW);
}

/* Whether a row of a group could pass the filter. */
static int group_could_pass(const brcm53115_arl_list *list, const brcm53115_arl_filter *f,
                            const uint32_t *group, uint32_t k)
{
    for (uint32_t g = 0; g < k; g++)
        if (could_pass(f, &list->rows[group[g]]))
            return 1;
    return 0;
}

/* Whether an entry the bucket holds is the one the walk listed as row r:
 * the same static flag, port (low 4 bits) and valid flag. */
static int agrees(const brcm53115_arl_row *r, const arl_data *a)
{
    return ((r->flags ^ row_flags(a)) & (ROW_VALID | ROW_STATIC)) == 0 &&
           ((r->pid ^ (uint32_t)a->pid) & ARL_PID_LOW) == 0;
}

/* The walk's own fields of two rows are the same, the age flag aside. */
static int same_walk_fields(const brcm53115_arl_row *a, const brcm53115_arl_row *b)
{
    return row_is(a, b->mac, b->vid) && a->pid == b->pid && a->tc == b->tc &&
           ((a->flags ^ b->flags) & (ROW_VALID | ROW_STATIC)) == 0;
}

/* A VLAN id confirmed: the ids of its low bits are tried in the order of
 * how often this listing confirmed them, the first confirmed first among
 * equals.  An order by recency (move to front) costs 16 lookups a row on a
 * table whose VLAN ids come in turn along the walk; by frequency, a row
 * costs at most (n + 1) / 2 lookups on average for n ids used alike,
 * whatever their sequence, and fewer the more one id dominates. */
static void seen_vid(brcm53115_arl_list *list, uint32_t vid)
{
    uint32_t low = vid & ARL_VID_LOW, k = 0;
    uint8_t *seen = list->seen[low];
    uint16_t *count = list->seen_count[low];
    uint8_t *n = &list->seen_n[low];
    while (k < *n && seen[k] != vid)
        k++;
    if (k == *n) {
        ++*n;
        seen[k] = (uint8_t)vid;
        count[k] = 0;
    }
    if (count[k] < 0xFFFFu)
        count[k]++;
    for (; k > 0 && count[k] > count[k - 1]; k--) {
        uint8_t v = seen[k];
        uint16_t c = count[k];
        seen[k] = seen[k - 1];
        count[k] = count[k - 1];
        seen[k - 1] = v;
        count[k - 1] = c;
    }
}

static void confirm_row(brcm53115_arl_list *list, brcm53115_arl_row *r, uint32_t vid,
                        const arl_data *a, uint8_t done)
{
    r->vid = (uint8_t)vid;
    r->pid = (uint8_t)a->pid;
    r->tc = (uint8_t)a->tc;
    r->flags = (uint8_t)(row_flags(a) | ROW_CONFIRMED | done);
    seen_vid(list, vid);
}

/* An entry that a bucket read showed besides the one it looked for: a bucket
 * read shows both bins with their whole VLAN ids, so the first row of its
 * MAC and low VLAN bits that is still open and agrees with it is confirmed
 * as well, without a lookup of its own, unless a row of theirs is on that
 * VLAN id already.  `done`: ROW_DONE for a listing (the row needs no
 * lookup), 0 for a flush (the row is still to be deleted). */
static void harvest(brcm53115_arl_list *list, const arl_data *e, uint8_t done)
{
    brcm53115_arl_row *open = NULL;
    for (uint32_t j = list->head[hash(e->mac, (uint32_t)e->vid)]; j; j = list->rows[j - 1].next) {
        brcm53115_arl_row *r = &list->rows[j - 1];
        if (!row_is(r, e->mac, (uint32_t)e->vid))
            continue;
        if ((r->flags & ROW_CONFIRMED) && r->vid == (uint32_t)e->vid) {
            r->flags |= done; /* listed already */
            return;
        }
        if (!open && !(r->flags & (ROW_DONE | ROW_CONFIRMED)) && agrees(r, e))
            open = r;
    }
    if (open)
        confirm_row(list, open, (uint32_t)e->vid, e, done);
}

/* The group's rows as the listing of the poll before had them.  Rows of
 * the same walk fields (the age flag aside) differ only in their VLAN ids,
 * so where the group has as many rows of some walk fields as there were,
 * they take the VLAN ids of those there without a lookup (which of them
 * takes which changes nothing listed); rows of walk fields whose count
 * changed (a move, a change, an entry come or gone) stay open, and the
 * VLAN ids of the rows there that none took go into `was`, to be tried
 * first for them.  Returns how many such ids. */
static uint32_t from_prev(const brcm53115_arl_list *prev, brcm53115_arl_list *list,
                          const uint32_t *group, uint32_t k, uint8_t *was)
{
    const brcm53115_arl_row *first = &list->rows[group[0]];
    uint32_t there[CANDIDATES], m = 0, taken = 0, n = 0;
    for (uint32_t j = prev->head[hash(first->mac, first->vid)]; j && m < CANDIDATES;
         j = prev->rows[j - 1].next)
        if (row_is(&prev->rows[j - 1], first->mac, first->vid) &&
            (prev->rows[j - 1].flags & ROW_CONFIRMED))
            there[m++] = j - 1;
    for (uint32_t g = 0; g < k; g++) {
        brcm53115_arl_row *r = &list->rows[group[g]];
        uint32_t here = 0, then = 0, x = 0;
        for (uint32_t h = 0; h < k; h++)
            here += same_walk_fields(&list->rows[group[h]], r);
        for (uint32_t y = 0; y < m; y++)
            then += same_walk_fields(&prev->rows[there[y]], r);
        while (here == then && x < m &&
               ((taken >> x & 1u) || !same_walk_fields(&prev->rows[there[x]], r)))
            x++;
        if (here != then || x == m)
            continue;
        taken |= 1u << x;
        r->vid = prev->rows[there[x]].vid;
        r->flags |= ROW_CONFIRMED;
    }
    for (uint32_t x = 0; x < m; x++)
        if (!(taken >> x & 1u))
            was[n++] = prev->rows[there[x]].vid;
    return n;
}

/* The VLAN ids row i's group may lie on, in the order they are tried: with
 * the filter's VLAN id, that one; else `first` (where the group's rows were
 * in the poll before), then the ones this listing confirmed with the same
 * low bits, the most often confirmed first, then the others in ascending
 * order; none that a row of the group is confirmed on already.  Returns how
 * many; *a is made the record of the group's MAC. */
static uint32_t candidates(const brcm53115_arl_list *list, uint32_t i,
                           const brcm53115_arl_filter *f, arl_data *a, uint8_t *order,
                           const uint8_t *first, uint32_t n_first)
{
    const brcm53115_arl_row *r = &list->rows[i];
    uint32_t low = r->vid & ARL_VID_LOW, n = 0;
    uint8_t tried[CANDIDATES];
    memset(a, 0, sizeof *a);
    memcpy(a->mac, r->mac, 6);
    if (f && f->vid >= 0) {
        order[0] = (uint8_t)f->vid;
        return 1;
    }
    memset(tried, 0, sizeof tried);
    for (uint32_t pass = 0; pass < 3; pass++) {
        uint32_t m = pass == 0 ? n_first : pass == 1 ? list->seen_n[low] : CANDIDATES;
        for (uint32_t k = 0; k < m; k++) {
            uint32_t vid = pass == 0   ? first[k]
                           : pass == 1 ? list->seen[low][k]
                                       : low + k * VID_STEP;
            if (!tried[vid / VID_STEP] && !brcm53115_arl_find_row(list, r->mac, vid))
                order[n++] = (uint8_t)vid;
            tried[vid / VID_STEP] = 1;
        }
    }
    return n;
}

/* Looks up row i's group on its candidate VLAN ids until each of its rows
 * is confirmed, each answer going to the first row still open that agrees
 * with it. */
static int confirm_group(brcm53115_arl_list *list, uint32_t i, const brcm53115_arl_filter *f,
                         const brcm53115_arl_list *prev)
{
    uint32_t group[CANDIDATES], open = 0, n_was = 0;
    uint8_t was[CANDIDATES];
    uint32_t k = group_of(list, i, group);
    if (!group_could_pass(list, f, group, k))
        return 0;
    if (prev)
        n_was = from_prev(prev, list, group, k, was);
    for (uint32_t g = 0; g < k; g++)
        open += !(list->rows[group[g]].flags & ROW_CONFIRMED);

    arl_data a;
    uint8_t order[CANDIDATES];
    uint32_t n = candidates(list, i, f, &a, order, was, n_was);
    arl_data bins[2];
    for (uint32_t c = 0; c < n && open; c++) {
        a.vid = order[c];
        int rc = brcm53115_bucket_arl_tab(&a, bins);
        if (rc < 0)
            return rc;
        for (int b = 0; b < 2; b++)
            if (bins[b].valid && !(rc == BRCM53115_FOUND && a.entry == b))
                harvest(list, &bins[b], ROW_DONE);
        for (uint32_t g = 0; rc == BRCM53115_FOUND && g < k; g++) {
            brcm53115_arl_row *r = &list->rows[group[g]];
            if (!(r->flags & ROW_CONFIRMED) && agrees(r, &a)) {
                confirm_row(list, r, order[c], &a, ROW_DONE);
                open--;
                break;
            }
        }
    }
    return 0;
}

extern "C" uint32_t brcm53115_arl_hash(const uint8_t *mac, uint32_t vid)
{
    return hash(mac, vid);
}

extern "C" int brcm53115_arl_same_group(const arl_data *a, const arl_data *b)
{
    brcm53115_arl_row r;
    brcm53115_arl_row_pack(a, &r);
    return row_is(&r, b->mac, (uint32_t)b->vid);
}

extern "C" int brcm53115_arl_list_row(const brcm53115_arl_list *list, uint32_t i, arl_data *a)
{
    return brcm53115_arl_row_unpack(&list->rows[i], a);
}

extern "C" int brcm53115_arl_row_unpack(const brcm53115_arl_row *r, arl_data *a)
{
    memset(a, 0, sizeof *a);
    memcpy(a->mac, r->mac, 6);
    a->vid = r->vid;
    a->pid = r->pid;
    a->tc = r->tc;
    a->valid = (r->flags & ROW_VALID) != 0;
    a->sbit = (r->flags & ROW_STATIC) != 0;
    a->age = (r->flags & ROW_AGE) != 0;
    return (r->flags & ROW_CONFIRMED) != 0;
}

extern "C" uint32_t brcm53115_arl_find_row(const brcm53115_arl_list *list, const uint8_t *mac,
                                           uint32_t vid)
{
    for (uint32_t j = list->head[hash(mac, vid)]; j; j = list->rows[j - 1].next) {
        const brcm53115_arl_row *r = &list->rows[j - 1];
        if ((r->flags & ROW_CONFIRMED) && r->vid == vid && memcmp(r->mac, mac, 6) == 0)
            return j;
    }
    return 0;
}

extern "C" int brcm53115_arl_list_unsure(const brcm53115_arl_list *list, const arl_data *a)
{
    for (uint32_t j = list->head[hash(a->mac, (uint32_t)a->vid)]; j; j = list->rows[j - 1].next) {
        const brcm53115_arl_row *r = &list->rows[j - 1];
        if (!(r->flags & ROW_CONFIRMED) && row_is(r, a->mac, (uint32_t)a->vid))
            return 1;
    }
    return 0;
}

extern "C" int brcm53115_arl_list_unconfirmed(const brcm53115_arl_list *list, arl_data *a)
{
    int found = 0;
    for (uint32_t i = 0; i < list->n; i++)
        if ((list->rows[i].flags & (ROW_STATIC | ROW_CONFIRMED)) == ROW_STATIC)
            found = !brcm53115_arl_list_row(list, i, a);
    return found;
}

extern "C" int brcm53115_list_arl_tab(brcm53115_arl_list *list, const brcm53115_arl_filter *f,
                                      const brcm53115_arl_list *prev, int strict,
                                      int (*fn)(const arl_data *arl, int confirmed, void *ctx),
                                      void *ctx)
{
    int rc = walk(list);
    for (uint32_t i = 0; rc == 0 && i < list->n; i++)
        if (!(list->rows[i].flags & ROW_DONE))
            rc = arl_stopped() ? BRCM53115_ERR_STOPPED : confirm_group(list, i, f, prev);
    if (rc < 0)
        return rc;
    arl_data a;
    for (uint32_t i = 0; i < list->n; i++) {
        brcm53115_arl_row *r = &list->rows[i];
        /* A row passes on its looked-up fields; with a VLAN id, only a
         * confirmed row, whose VLAN id is whole. */
        int confirmed = brcm53115_arl_list_row(list, i, &a);
        if (brcm53115_arl_filter_passes(f, &a) && (!f || f->vid < 0 || confirmed))
            r->flags |= ROW_PASSES;
        if (strict && (r->flags & ROW_PASSES) && a.sbit && !confirmed)
            return BRCM53115_ERR_UNCONFIRMED;
    }
    for (uint32_t i = 0; fn && i < list->n; i++) {
        if (!(list->rows[i].flags & ROW_PASSES))
            continue;
        int confirmed = brcm53115_arl_list_row(list, i, &a);
        rc = fn(&a, confirmed, ctx);
        if (rc < 0)
            return rc;
    }
    return 0;
}

extern "C" int brcm53115_flush_arl_tab(brcm53115_arl_list *list, const brcm53115_arl_filter *f)
{
    uint32_t deleted;
    return brcm53115_flush_arl_count(list, f, &deleted);
}

/* The entries a flush's delete took besides its own: their rows done
 * (where the walk listed them), their VLAN ids learnt.  How many. */
static uint32_t gone_too(brcm53115_arl_list *list, const arl_data *bins, uint32_t others)
{
    uint32_t n = 0;
    for (int b = 0; b < 2; b++)
        if (others >> b & 1u) {
            harvest(list, &bins[b], ROW_DONE);
            n++;
        }
    return n;
}

extern "C" int brcm53115_flush_arl_count(brcm53115_arl_list *list, const brcm53115_arl_filter *f,
                                         uint32_t *deleted)
{
    *deleted = 0;
    int rc = walk(list);
    uint32_t group[CANDIDATES];
    uint8_t order[CANDIDATES];
    arl_data a, bins[2];
    for (uint32_t i = 0; rc == 0 && i < list->n; i++) {
        if (list->rows[i].flags & ROW_DONE)
            continue;
        uint32_t k = group_of(list, i, group), open = k;
        if (!group_could_pass(list, f, group, k))
            continue;
        /* On the candidates in the listing's order, until each row of the
         * group is deleted (by its own delete, or with another in its
         * bucket) or every candidate tried. */
        uint32_t n = candidates(list, i, f, &a, order, NULL, 0);
        for (uint32_t c = 0; rc == 0 && c < n && open; c++) {
            uint32_t others = 0;
            a.vid = order[c];
            rc = arl_stopped() ? BRCM53115_ERR_STOPPED : arl_delete_all(&a, f, bins, &others);
            *deleted += gone_too(list, bins, others);
            if (rc == 0) {
                seen_vid(list, order[c]);
                ++*deleted;
                open--;
            }
            if (rc == BRCM53115_ABSENT)
                rc = 0;
        }
    }
    return rc < 0 ? rc : 0;
}
