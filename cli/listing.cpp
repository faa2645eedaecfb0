/* The listing of the table: taken whole and printed after it, so that a
 * slow reader of the output never holds up the switch. */
#include "listing.h"

#include "arl_print.h"

/* In static storage: the tool runs with a small stack. */
brcm53115_arl_list arl_lists[2];

const brcm53115_arl_filter arl_statics = {0, {0, 0, 0, 0, 0, 0}, -1, -1, BRCM53115_KIND_STATIC};

#define LISTINGS_MAX 3 /* listings a strict one may take in a row */

/* A printed listing, begun at its first entry: one that fails prints
 * nothing. */
struct listing {
    struct arl_out out;
    const struct arl_frame *frame;
    int strict, begun;
};

static void begin(struct listing *l)
{
    if (!l->begun && l->frame)
        l->frame->begin(l->out.f);
    if (!l->begun)
        arl_out_begin(&l->out, l->out.form, l->out.f);
    l->begun = 1;
}

static int list_row(const arl_data *a, int confirmed, void *ctx)
{
    struct listing *l = (struct listing *)ctx;
    (void)confirmed;
    if (!l->strict || (a->valid & 1)) {
        begin(l);
        arl_out_entry(&l->out, a);
    }
    return 0;
}

int arl_list_print(struct arl_cmd *c, const brcm53115_arl_filter *f, int strict, int form,
                   const struct arl_frame *frame, FILE *out)
{
    struct listing l = {{form, out, 0, 0}, frame, strict, 0};
    int rc;
    for (int n = 1;; n++) {
        rc = brcm53115_list_arl_tab(&arl_lists[0], f, NULL, strict, out ? list_row : NULL, &l);
        if (rc != BRCM53115_ERR_UNCONFIRMED || n == LISTINGS_MAX)
            break;
    }
    if (rc == BRCM53115_ERR_UNCONFIRMED)
        brcm53115_arl_list_unconfirmed(&arl_lists[0], &c->arl);
    if (rc < 0 || !out)
        return rc;
    begin(&l);
    if (frame)
        frame->end(out, l.out.n);
    return arl_out_end(&l.out) ? ARL_ERR_OUTPUT : 0;
}
