/* The commands that look: read and search as the chip has them, get, and
 * the listings of show and search port, as aligned columns or JSON, or
 * their counts. */
#include <stdio.h>
#include <string.h>

#include "arl_print.h"
#include "commands.h"
#include "listing.h"

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
        return rc < 0 ? rc : BRCM53115_ABSENT; /* the lookup's 0: not there */
    arl_out_begin(&o, c->json ? ARL_FORM_LINES : ARL_FORM_ROWS, stdout);
    arl_out_entry(&o, &c->arl);
    return arl_out_end(&o) ? ARL_ERR_OUTPUT : 0;
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
    return arl_list_print(c, &c->filter, 0, c->json ? ARL_FORM_JSON : ARL_FORM_ROWS, NULL, stdout);
}
