/* The listing of the table: taken whole and printed after it, so that a
 * slow reader of the output never holds up the switch. */
#include "listing.h"

#include <signal.h>
#include <string.h>

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

volatile sig_atomic_t arl_stopping;

static void on_signal(int sig)
{
    (void)sig;
    arl_stopping = 1;
}

void arl_stop_on_signals(int on)
{
    static struct sigaction old[2];
    static const int sigs[2] = {SIGINT, SIGTERM};
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_signal; /* no SA_RESTART: a wait ends at once */
    arl_stopping = 0;
    for (int i = 0; i < 2; i++)
        sigaction(sigs[i], on ? &sa : &old[i], on ? &old[i] : NULL);
    brcm53115_arl_stop(on ? &arl_stopping : NULL); /* a walk ends within a slice */
}
