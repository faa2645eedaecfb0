/* The table listed with whole VLAN ids, and the flush: the walk, whose
 * results carry only the VLAN id's low 4 bits, then lookups or deletes on
 * the VLAN ids each result may stand for.  Built on the table operations
 * of lib53115.cpp; no register is touched here. */
#include <string.h>

#include "arl_access.h"
#include "arl_filter.h"
#include "lib53115.h"

/* An entry listed on VLAN v lies on one of v, v + 16, ... up to the
 * largest VLAN id. */
#define VID_STEP 16u
#define VID_LAST 255u
#define CANDIDATES 16u
#define LIST_MAX 4096u

/* A row's flags: the entry's own, and the listing's marks. */
#define ROW_VALID 0x01u
#define ROW_STATIC 0x02u
#define ROW_AGE 0x04u
#define ROW_CONFIRMED 0x08u /* vid, pid, tc and flags are the bucket's */
#define ROW_DONE 0x10u      /* its group has been looked at */
#define ROW_PASSES 0x20u    /* passes the listing's filter */
#define ROW_FLAGS (ROW_VALID | ROW_STATIC | ROW_AGE)

static uint32_t hash(const uint8_t *mac, uint32_t vid)
{
    uint32_t h = vid & ARL_VID_LOW;
    for (int i = 0; i < 6; i++)
        h = h * 33u ^ mac[i];
    return h % LIST_MAX;
}

static uint8_t row_flags(const arl_data *a)
{
    return (uint8_t)((a->valid & 1 ? ROW_VALID : 0) | (a->sbit & 1 ? ROW_STATIC : 0) |
                     (a->age & 1 ? ROW_AGE : 0));
}

static void keep(const arl_data *a, void *ctx)
{
    brcm53115_arl_list *list = (brcm53115_arl_list *)ctx;
    if (list->n >= LIST_MAX)
        return;
    brcm53115_arl_row *r = &list->rows[list->n++];
    memcpy(r->mac, a->mac, 6);
    r->vid = (uint8_t)a->vid;
    r->pid = (uint8_t)a->pid;
    r->tc = (uint8_t)a->tc;
    r->flags = row_flags(a);
    r->next = 0;
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

static int same_key(const brcm53115_arl_row *a, const brcm53115_arl_row *b)
{
    return memcmp(a->mac, b->mac, 6) == 0 && ((a->vid ^ b->vid) & ARL_VID_LOW) == 0;
}

/* The rows of row i's group (its MAC and low VLAN bits) not yet looked at,
 * in the walk's order, marked as looked at.  Returns how many. */
static uint32_t group_of(brcm53115_arl_list *list, uint32_t i, uint32_t *group)
{
    uint32_t k = 0;
    for (uint32_t j = list->head[hash(list->rows[i].mac, list->rows[i].vid)]; j && k < CANDIDATES;
         j = list->rows[j - 1].next) {
        brcm53115_arl_row *r = &list->rows[j - 1];
        if (same_key(r, &list->rows[i]) && !(r->flags & ROW_DONE)) {
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
    return same_key(a, b) && a->pid == b->pid && a->tc == b->tc &&
           ((a->flags ^ b->flags) & (ROW_VALID | ROW_STATIC)) == 0;
}

/* A VLAN id confirmed: tried first for the next rows of its low bits. */
static void seen_vid(brcm53115_arl_list *list, uint32_t vid)
{
    uint8_t *seen = list->seen[vid & ARL_VID_LOW];
    uint8_t *n = &list->seen_n[vid & ARL_VID_LOW];
    uint32_t k = 0;
    while (k < *n && seen[k] != vid)
        k++;
    if (k == *n)
        ++*n;
    memmove(seen + 1, seen, k);
    seen[0] = (uint8_t)vid;
}

static void confirm_row(brcm53115_arl_list *list, brcm53115_arl_row *r, uint32_t vid,
                        const arl_data *a)
{
    r->vid = (uint8_t)vid;
    r->pid = (uint8_t)a->pid;
    r->tc = (uint8_t)a->tc;
    r->flags = (uint8_t)(row_flags(a) | ROW_CONFIRMED | ROW_DONE);
    seen_vid(list, vid);
}

/* An entry that a bucket read showed besides the one it looked for: where
 * it is the only row of its MAC and low VLAN bits, not looked at yet, and
 * agrees with it, that row is confirmed as well, without a lookup of its
 * own (a bucket read shows both bins with their whole VLAN ids). */
static void harvest(brcm53115_arl_list *list, const arl_data *e)
{
    brcm53115_arl_row *lone = NULL;
    uint32_t k = 0;
    for (uint32_t j = list->head[hash(e->mac, (uint32_t)e->vid)]; j; j = list->rows[j - 1].next) {
        brcm53115_arl_row *r = &list->rows[j - 1];
        if (memcmp(r->mac, e->mac, 6) == 0 && ((r->vid ^ (uint32_t)e->vid) & ARL_VID_LOW) == 0) {
            lone = r;
            k++;
        }
    }
    if (k == 1 && !(lone->flags & (ROW_DONE | ROW_CONFIRMED)) && agrees(lone, e))
        confirm_row(list, lone, (uint32_t)e->vid, e);
}

/* The group's VLAN ids from the listing of the poll before, where its
 * walk rows there were these, row for row (the age flag aside), and all
 * confirmed: each row takes the VLAN id of a row there with its walk
 * fields.  Returns 1, or 0 where the group differs (nothing taken). */
static int from_prev(const brcm53115_arl_list *prev, brcm53115_arl_list *list,
                     const uint32_t *group, uint32_t k)
{
    const brcm53115_arl_row *first = &list->rows[group[0]];
    uint32_t there[CANDIDATES], m = 0, taken = 0;
    uint8_t vid[CANDIDATES];
    for (uint32_t j = prev->head[hash(first->mac, first->vid)]; j; j = prev->rows[j - 1].next) {
        const brcm53115_arl_row *p = &prev->rows[j - 1];
        if (!same_key(p, first))
            continue;
        if (!(p->flags & ROW_CONFIRMED) || m == k)
            return 0;
        there[m++] = j - 1;
    }
    if (m != k)
        return 0;
    for (uint32_t g = 0; g < k; g++) {
        uint32_t x = 0;
        while (x < m && ((taken >> x & 1u) ||
                         !same_walk_fields(&prev->rows[there[x]], &list->rows[group[g]])))
            x++;
        if (x == m)
            return 0;
        taken |= 1u << x;
        vid[g] = prev->rows[there[x]].vid;
    }
    for (uint32_t g = 0; g < k; g++) {
        list->rows[group[g]].vid = vid[g];
        list->rows[group[g]].flags |= ROW_CONFIRMED;
    }
    return 1;
}

/* The VLAN ids row i's group may lie on, in the order they are tried: with
 * the filter's VLAN id, that one; else the ones this listing confirmed
 * with the same low bits, the most recently confirmed first, then the
 * others in ascending order.  Returns how many; *a is made the record of
 * the group's MAC. */
static uint32_t candidates(const brcm53115_arl_list *list, uint32_t i,
                           const brcm53115_arl_filter *f, arl_data *a, uint8_t *order)
{
    uint32_t low = list->rows[i].vid & ARL_VID_LOW, n = 0;
    uint8_t tried[CANDIDATES];
    memset(a, 0, sizeof *a);
    memcpy(a->mac, list->rows[i].mac, 6);
    if (f && f->vid >= 0) {
        order[0] = (uint8_t)f->vid;
        return 1;
    }
    memset(tried, 0, sizeof tried);
    for (uint32_t k = 0; k < list->seen_n[low]; k++) {
        order[n] = list->seen[low][k];
        tried[order[n++] / VID_STEP] = 1;
    }
    for (uint32_t vid = low; vid <= VID_LAST; vid += VID_STEP)
        if (!tried[vid / VID_STEP])
            order[n++] = (uint8_t)vid;
    return n;
}

/* Looks up row i's group on its candidate VLAN ids, each answer going to
 * the first row still open that agrees with it. */
static int confirm_group(brcm53115_arl_list *list, uint32_t i, const brcm53115_arl_filter *f,
                         const brcm53115_arl_list *prev)
{
    uint32_t group[CANDIDATES], any = 0;
    uint32_t k = group_of(list, i, group);
    for (uint32_t g = 0; g < k; g++)
        any |= (uint32_t)could_pass(f, &list->rows[group[g]]);
    if (!any || (prev && from_prev(prev, list, group, k)))
        return 0;

    arl_data a;
    uint8_t order[CANDIDATES];
    uint32_t n = candidates(list, i, f, &a, order), open = k;
    /* A row alone, or a group followed from the poll before, stops once
     * every row is confirmed; a group of a whole listing looks up every
     * candidate, as its rows may have come in any order. */
    int every = k > 1 && !prev;
    arl_data bins[2];
    for (uint32_t c = 0; c < n && (open || every); c++) {
        a.vid = order[c];
        int rc = brcm53115_bucket_arl_tab(&a, bins);
        if (rc < 0)
            return rc;
        for (int b = 0; b < 2; b++)
            if (bins[b].valid && !(rc == BRCM53115_FOUND && a.entry == b))
                harvest(list, &bins[b]);
        for (uint32_t g = 0; rc == BRCM53115_FOUND && g < k; g++) {
            brcm53115_arl_row *r = &list->rows[group[g]];
            if (!(r->flags & ROW_CONFIRMED) && agrees(r, &a)) {
                confirm_row(list, r, order[c], &a);
                open--;
                break;
            }
        }
    }
    return 0;
}

extern "C" int brcm53115_arl_same_group(const arl_data *a, const arl_data *b)
{
    return memcmp(a->mac, b->mac, 6) == 0 &&
           (((uint32_t)a->vid ^ (uint32_t)b->vid) & ARL_VID_LOW) == 0;
}

extern "C" int brcm53115_arl_list_row(const brcm53115_arl_list *list, uint32_t i, arl_data *a)
{
    const brcm53115_arl_row *r = &list->rows[i];
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

extern "C" int brcm53115_flush_arl_count(brcm53115_arl_list *list, const brcm53115_arl_filter *f,
                                         uint32_t *deleted)
{
    *deleted = 0;
    int rc = walk(list);
    uint32_t group[CANDIDATES];
    uint8_t order[CANDIDATES];
    arl_data a;
    for (uint32_t i = 0; rc == 0 && i < list->n; i++) {
        if (list->rows[i].flags & ROW_DONE)
            continue;
        uint32_t k = group_of(list, i, group), any = 0;
        for (uint32_t g = 0; g < k; g++)
            any |= (uint32_t)could_pass(f, &list->rows[group[g]]);
        if (!any)
            continue;
        uint32_t n = candidates(list, i, f, &a, order);
        for (uint32_t c = 0; rc == 0 && c < n; c++) {
            a.vid = order[c];
            rc = arl_stopped() ? BRCM53115_ERR_STOPPED : brcm53115_remove_arl_tab(&a, f);
            if (rc == 0) {
                seen_vid(list, order[c]);
                ++*deleted;
            }
            if (rc == 0 && k == 1)
                break; /* a lone row's entry is gone */
            if (rc == BRCM53115_ABSENT)
                rc = 0;
        }
    }
    return rc < 0 ? rc : 0;
}
