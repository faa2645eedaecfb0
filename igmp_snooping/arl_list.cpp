/* The table listed with whole VLAN ids, and the flush: the walk, whose
 * results carry only the VLAN id's low 4 bits, then lookups or deletes on
 * the VLAN ids each result may stand for.  Built on the table operations
 * of lib53115.cpp; no register is touched here. */
#include <string.h>

#include "lib53115.h"

/* The search result carries the VLAN id's low 4 bits: an entry listed on
 * VLAN v lies on one of v, v + 16, ... up to the largest VLAN id. */
#define VID_LOW 0xFu
#define VID_STEP 16u
#define VID_LAST 255u
#define CANDIDATES 16u
#define PID_LOW 0xFu /* the bucket's port field: the walk's low 4 bits */
#define LIST_MAX 4096u

#define ROW_FLAGS (BRCM53115_ROW_VALID | BRCM53115_ROW_STATIC | BRCM53115_ROW_AGE)

static uint32_t hash(const uint8_t *mac, uint32_t vid)
{
    uint32_t h = vid & VID_LOW;
    for (int i = 0; i < 6; i++)
        h = h * 33u ^ mac[i];
    return h % LIST_MAX;
}

static uint8_t row_flags(const arl_data *a)
{
    return (uint8_t)((a->valid & 1 ? BRCM53115_ROW_VALID : 0) |
                     (a->sbit & 1 ? BRCM53115_ROW_STATIC : 0) |
                     (a->age & 1 ? BRCM53115_ROW_AGE : 0));
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

/* The walk into the list, its rows chained by MAC and low VLAN bits. */
static int walk(brcm53115_arl_list *list)
{
    list->n = 0;
    memset(list->head, 0, sizeof list->head);
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
    return memcmp(a->mac, b->mac, 6) == 0 && ((a->vid ^ b->vid) & VID_LOW) == 0;
}

/* The rows of row i's group (its MAC and low VLAN bits) not yet looked at,
 * in the walk's order, marked as looked at.  Returns how many. */
static uint32_t group_of(brcm53115_arl_list *list, uint32_t i, uint32_t *group)
{
    uint32_t k = 0;
    for (uint32_t j = list->head[hash(list->rows[i].mac, list->rows[i].vid)]; j && k < CANDIDATES;
         j = list->rows[j - 1].next) {
        brcm53115_arl_row *r = &list->rows[j - 1];
        if (same_key(r, &list->rows[i]) && !(r->flags & BRCM53115_ROW_DONE)) {
            r->flags |= BRCM53115_ROW_DONE;
            group[k++] = j - 1;
        }
    }
    return k;
}

/* Whether a row, as the walk gave it, could pass the filter once its whole
 * VLAN id and the bucket's fields are known. */
static int could_pass(const brcm53115_arl_filter *f, const brcm53115_arl_row *r)
{
    if (!f)
        return 1;
    if (f->has_mac && memcmp(f->mac, r->mac, 6) != 0)
        return 0;
    if (f->vid >= 0 && ((uint32_t)f->vid & VID_LOW) != (r->vid & VID_LOW))
        return 0;
    if (f->pid >= 0 && ((uint32_t)f->pid & PID_LOW) != (r->pid & PID_LOW))
        return 0;
    return f->kind == BRCM53115_KIND_ANY ||
           (f->kind == BRCM53115_KIND_STATIC) == ((r->flags & BRCM53115_ROW_STATIC) != 0);
}

/* Whether an entry the bucket holds is the one the walk listed as row r:
 * the same static flag, port (low 4 bits) and valid flag. */
static int agrees(const brcm53115_arl_row *r, const arl_data *a)
{
    return ((r->flags ^ row_flags(a)) & (BRCM53115_ROW_VALID | BRCM53115_ROW_STATIC)) == 0 &&
           ((r->pid ^ (uint32_t)a->pid) & PID_LOW) == 0;
}

/* The walk's own fields of two rows are the same, the age flag aside. */
static int same_walk_fields(const brcm53115_arl_row *a, const brcm53115_arl_row *b)
{
    return same_key(a, b) && a->pid == b->pid && a->tc == b->tc &&
           ((a->flags ^ b->flags) & (BRCM53115_ROW_VALID | BRCM53115_ROW_STATIC)) == 0;
}

static void confirm_row(brcm53115_arl_row *r, uint32_t vid, const arl_data *a)
{
    r->vid = (uint8_t)vid;
    r->pid = (uint8_t)a->pid;
    r->tc = (uint8_t)a->tc;
    r->flags = (uint8_t)(row_flags(a) | BRCM53115_ROW_CONFIRMED | BRCM53115_ROW_DONE);
}

/* Row i's whole VLAN id from the listing of the poll before: a confirmed
 * row there with the same walk fields whose VLAN id the group has not
 * taken yet (the walk of the poll before did not tell them apart either). */
static int from_prev(const brcm53115_arl_list *prev, brcm53115_arl_row *r, const uint8_t *taken)
{
    for (uint32_t j = prev->head[hash(r->mac, r->vid)]; j; j = prev->rows[j - 1].next) {
        const brcm53115_arl_row *p = &prev->rows[j - 1];
        if ((p->flags & BRCM53115_ROW_CONFIRMED) && !taken[p->vid] && same_walk_fields(p, r)) {
            r->vid = p->vid;
            r->flags =
                (uint8_t)((r->flags & (ROW_FLAGS | BRCM53115_ROW_DONE)) | BRCM53115_ROW_CONFIRMED);
            return 1;
        }
    }
    return 0;
}

/* The VLAN ids row i may lie on: from *low to *last, VID_STEP apart; with
 * the filter's VLAN id, that one.  *a is made the record of its MAC. */
static void candidates(const brcm53115_arl_list *list, uint32_t i, const brcm53115_arl_filter *f,
                       arl_data *a, uint32_t *low, uint32_t *last)
{
    memset(a, 0, sizeof *a);
    memcpy(a->mac, list->rows[i].mac, 6);
    *low = list->rows[i].vid & VID_LOW;
    *last = VID_LAST;
    if (f && f->vid >= 0)
        *low = *last = (uint32_t)f->vid;
}

/* Looks up row i's group on its candidate VLAN ids in ascending order,
 * each answer going to the first row still open that agrees with it. */
static int confirm_group(brcm53115_arl_list *list, uint32_t i, const brcm53115_arl_filter *f,
                         const brcm53115_arl_list *prev)
{
    uint32_t group[CANDIDATES], open = 0, any = 0;
    uint8_t taken[VID_LAST + 1];
    uint32_t k = group_of(list, i, group);
    memset(taken, 0, sizeof taken);
    for (uint32_t g = 0; g < k; g++) {
        brcm53115_arl_row *r = &list->rows[group[g]];
        any |= (uint32_t)could_pass(f, r);
        if (prev && from_prev(prev, r, taken))
            taken[r->vid] = 1;
        else
            open++;
    }
    if (!any || !open)
        return 0;

    arl_data a;
    uint32_t low, last;
    candidates(list, i, f, &a, &low, &last);
    /* A row alone stops at its answer; a group of a whole listing looks
     * up every candidate, as its rows may have come in any order. */
    int every = k > 1 && !prev;
    for (uint32_t vid = low; vid <= last && (open || every); vid += VID_STEP) {
        if (taken[vid])
            continue;
        a.vid = (int32_t)vid;
        int rc = brcm53115_lookup_arl_tab(&a);
        if (rc < 0)
            return rc;
        for (uint32_t g = 0; rc == BRCM53115_FOUND && g < k; g++) {
            brcm53115_arl_row *r = &list->rows[group[g]];
            if (!(r->flags & BRCM53115_ROW_CONFIRMED) && agrees(r, &a)) {
                confirm_row(r, vid, &a);
                open--;
                break;
            }
        }
    }
    return 0;
}

extern "C" int brcm53115_arl_filter_passes(const brcm53115_arl_filter *f, const arl_data *a)
{
    if (!f)
        return 1;
    if (f->has_mac && memcmp(f->mac, a->mac, 6) != 0)
        return 0;
    if ((f->vid >= 0 && f->vid != a->vid) || (f->pid >= 0 && f->pid != a->pid))
        return 0;
    return f->kind == BRCM53115_KIND_ANY || (f->kind == BRCM53115_KIND_STATIC) == (a->sbit != 0);
}

extern "C" void brcm53115_arl_row_data(const brcm53115_arl_row *r, arl_data *a)
{
    memset(a, 0, sizeof *a);
    memcpy(a->mac, r->mac, 6);
    a->vid = r->vid;
    a->pid = r->pid;
    a->tc = r->tc;
    a->valid = (r->flags & BRCM53115_ROW_VALID) != 0;
    a->sbit = (r->flags & BRCM53115_ROW_STATIC) != 0;
    a->age = (r->flags & BRCM53115_ROW_AGE) != 0;
}

extern "C" uint32_t brcm53115_arl_find_row(const brcm53115_arl_list *list, const uint8_t *mac,
                                           uint32_t vid)
{
    for (uint32_t j = list->head[hash(mac, vid)]; j; j = list->rows[j - 1].next) {
        const brcm53115_arl_row *r = &list->rows[j - 1];
        if ((r->flags & BRCM53115_ROW_CONFIRMED) && r->vid == vid && memcmp(r->mac, mac, 6) == 0)
            return j;
    }
    return 0;
}

extern "C" int brcm53115_list_arl_tab(brcm53115_arl_list *list, const brcm53115_arl_filter *f,
                                      const brcm53115_arl_list *prev, int strict,
                                      int (*fn)(const arl_data *arl, int confirmed, void *ctx),
                                      void *ctx)
{
    int rc = walk(list);
    for (uint32_t i = 0; rc == 0 && i < list->n; i++)
        if (!(list->rows[i].flags & BRCM53115_ROW_DONE))
            rc = confirm_group(list, i, f, prev);
    if (rc < 0)
        return rc;
    arl_data a;
    for (uint32_t i = 0; i < list->n; i++) {
        brcm53115_arl_row *r = &list->rows[i];
        /* A row passes on its looked-up fields; with a VLAN id, only a
         * confirmed row, whose VLAN id is whole. */
        brcm53115_arl_row_data(r, &a);
        if (brcm53115_arl_filter_passes(f, &a) &&
            (!f || f->vid < 0 || (r->flags & BRCM53115_ROW_CONFIRMED)))
            r->flags |= BRCM53115_ROW_PASSES;
        if (strict &&
            (r->flags & (BRCM53115_ROW_PASSES | BRCM53115_ROW_STATIC | BRCM53115_ROW_CONFIRMED)) ==
                (BRCM53115_ROW_PASSES | BRCM53115_ROW_STATIC))
            return BRCM53115_ERR_UNCONFIRMED;
    }
    for (uint32_t i = 0; fn && i < list->n; i++) {
        const brcm53115_arl_row *r = &list->rows[i];
        if (!(r->flags & BRCM53115_ROW_PASSES))
            continue;
        brcm53115_arl_row_data(r, &a);
        rc = fn(&a, (r->flags & BRCM53115_ROW_CONFIRMED) != 0, ctx);
        if (rc < 0)
            return rc;
    }
    return 0;
}

extern "C" int brcm53115_flush_arl_tab(brcm53115_arl_list *list, const brcm53115_arl_filter *f)
{
    int rc = walk(list);
    uint32_t group[CANDIDATES];
    arl_data a;
    for (uint32_t i = 0; rc == 0 && i < list->n; i++) {
        if (list->rows[i].flags & BRCM53115_ROW_DONE)
            continue;
        uint32_t k = group_of(list, i, group), any = 0;
        for (uint32_t g = 0; g < k; g++)
            any |= (uint32_t)could_pass(f, &list->rows[group[g]]);
        if (!any)
            continue;
        uint32_t low, last;
        candidates(list, i, f, &a, &low, &last);
        for (uint32_t vid = low; rc == 0 && vid <= last; vid += VID_STEP) {
            a.vid = (int32_t)vid;
            rc = brcm53115_remove_arl_tab(&a, f);
            if (rc == 0 && k == 1)
                break; /* a lone row's entry is gone */
            if (rc == BRCM53115_ABSENT)
                rc = 0;
        }
    }
    return rc < 0 ? rc : 0;
}
