/* The commands that look: read and search as the chip has them, get, and
 * the listings of show and search port, as aligned columns or JSON, or
 * their counts.  The
 * table is taken whole and printed after it, so that a slow reader of the
 * output never holds up the switch. */
#include <stdio.h>
#include <string.h>

#include "arl_print.h"
#include "cmdfile.h"
#include "commands.h"

/* In static storage: the tool runs with a small stack. */
brcm53115_arl_list arl_lists[2];

#define LISTINGS_MAX 3 /* listings a strict one may take in a row */

int arl_read_func(struct arl_cmd *c)
{
    return brcm53115_read_arl_tab(&c->arl);
}

int arl_search_func(struct arl_cmd *c)
{
    return brcm53115_search_arl_tab(&c->arl);
}

int arl_get_func(struct arl_cmd *c)
{
    struct arl_out o;
    int rc = brcm53115_lookup_arl_tab(&c->arl);
    if (rc != BRCM53115_FOUND)
        return rc < 0 ? rc : BRCM53115_ABSENT;
    arl_out_begin(&o, c->json ? ARL_FORM_LINES : ARL_FORM_ROWS, stdout);
    arl_out_entry(&o, &c->arl);
    return arl_out_end(&o) ? ARL_ERR_OUTPUT : 0;
}

/* The output of a listing, begun at its first entry: a listing that fails
 * prints nothing. */
struct listing {
    struct arl_out out;
    int form, save, begun;
    FILE *f;
};

static void begin(struct listing *l)
{
    if (l->begun)
        return;
    if (l->save)
        save_header(l->f);
    arl_out_begin(&l->out, l->form, l->f);
    l->begun = 1;
}

static int list_row(const arl_data *a, int confirmed, void *ctx)
{
    struct listing *l = (struct listing *)ctx;
    (void)confirmed;
    if (l->save && !(a->valid & a->sbit & 1))
        return 0;
    begin(l);
    arl_out_entry(&l->out, a);
    return 0;
}

static int list(struct arl_cmd *c, const brcm53115_arl_filter *f, int strict, struct listing *l)
{
    int rc;
    for (int n = 1;; n++) {
        rc = brcm53115_list_arl_tab(&arl_lists[0], f, NULL, strict, l ? list_row : NULL, l);
        if (rc != BRCM53115_ERR_UNCONFIRMED || n == LISTINGS_MAX)
            break;
    }
    if (rc == BRCM53115_ERR_UNCONFIRMED)
        brcm53115_arl_list_unconfirmed(&arl_lists[0], &c->arl);
    return rc;
}

/* What save and apply need: the static entries (a learned row is never
 * looked up for them). */
static const brcm53115_arl_filter statics = {0, {0, 0, 0, 0, 0, 0}, -1, -1, BRCM53115_KIND_STATIC};

int arl_list_strict(struct arl_cmd *c)
{
    return list(c, &statics, 1, NULL);
}

int arl_list_print(struct arl_cmd *c, const brcm53115_arl_filter *f, int form, int save, FILE *out)
{
    struct listing l;
    l.form = form;
    l.save = save;
    l.begun = 0;
    l.f = out;
    int rc = list(c, save ? &statics : f, save, &l);
    if (rc < 0)
        return rc;
    begin(&l);
    if (save)
        save_end(out, l.out.n);
    return arl_out_end(&l.out) ? ARL_ERR_OUTPUT : 0;
}

/* show count: an entry that passes the filter counted on its port. */
struct tally {
    const brcm53115_arl_filter *f;
    struct arl_counts n;
};

static void count(const arl_data *a, void *ctx)
{
    struct tally *t = (struct tally *)ctx;
    uint32_t port = (uint32_t)a->pid & 15u;
    /* The walk's VLAN ids are their low bits: a filter without vid and mac
     * is all it is tested against. */
    if (!brcm53115_arl_filter_passes(t->f, a))
        return;
    t->n.entries[port]++;
    t->n.total++;
    if (a->sbit & 1) {
        t->n.statics[port]++;
        t->n.total_static++;
    }
}

static int count_row(const arl_data *a, int confirmed, void *ctx)
{
    (void)confirmed;
    count(a, ctx);
    return 0;
}

/* The counts cost the walk alone where the walk's fields are all the
 * filter asks of (port and kind); with vid or mac, what show costs. */
static int show_count(struct arl_cmd *c)
{
    struct tally t;
    memset(&t, 0, sizeof t);
    t.f = &c->filter;
    t.n.capacity = BRCM53115_ARL_ENTRIES;
    int rc = c->filter.has_mac || c->filter.vid >= 0
                 ? brcm53115_list_arl_tab(&arl_lists[0], &c->filter, NULL, 0, count_row, &t)
                 : brcm53115_walk_arl_tab(count, &t);
    if (rc < 0)
        return rc;
    struct arl_out o;
    arl_out_begin(&o, c->json ? ARL_FORM_LINES : ARL_FORM_EVENTS, stdout);
    arl_out_counts(&o, &t.n);
    return arl_out_end(&o) ? ARL_ERR_OUTPUT : 0;
}

int arl_show_func(struct arl_cmd *c)
{
    if (c->tally)
        return show_count(c);
    return arl_list_print(c, &c->filter, c->json ? ARL_FORM_JSON : ARL_FORM_ROWS, 0, stdout);
}
