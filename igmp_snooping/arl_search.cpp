/* The search of the ARL table: the chip's search for one MAC, and the walk
 * that hands every search result to a callback.  Each holds the walk lock
 * for its whole length, so that no other search starts meanwhile, and the
 * table lock in slices of SLICE_US at most: the switch keeps the search's
 * state in registers of its own (0x20, 0x24, 0x2C), which the table
 * operations of other processes between two slices do not touch. */
#include <stddef.h>

#include "arl_access.h"
#include "arl_codec.h"

#define SLICE_US 10000u

static volatile sig_atomic_t *stop_flag;
static void (*progress_fn)(uint32_t walked, int done, void *ctx);
static void *progress_ctx;

extern "C" void brcm53115_arl_stop(volatile sig_atomic_t *flag)
{
    stop_flag = flag;
}

extern "C" void brcm53115_arl_progress(void (*fn)(uint32_t walked, int done, void *ctx), void *ctx)
{
    progress_fn = fn;
    progress_ctx = ctx;
}

int arl_stopped(void)
{
    return stop_flag && *stop_flag;
}

/* A search under the walk lock, holding the table lock a slice at a time. */
struct slices {
    int lock;       /* the table lock's handle while held */
    uint32_t start; /* of this slice */
    uint32_t walked;
};

static int slices_begin(struct slices *s)
{
    int rc = arl_walk_lock();
    if (rc < 0)
        return rc;
    s->lock = brcm53115_arl_lock();
    s->start = arl_clock(ARL_US);
    s->walked = 0;
    if (s->lock < 0)
        arl_walk_unlock();
    else if (progress_fn)
        progress_fn(0, 0, progress_ctx);
    return s->lock < 0 ? s->lock : 0;
}

/* The end of a slice once it has run SLICE_US: the table lock let go (a
 * waiting process takes it), the progress said, a stop obeyed, the lock
 * taken again.  A failure in *rc. */
static void slice(int *rc, struct slices *s)
{
    if (*rc || arl_clock(ARL_US) - s->start < SLICE_US)
        return;
    brcm53115_arl_unlock(s->lock);
    if (progress_fn)
        progress_fn(s->walked, 0, progress_ctx);
    s->lock = arl_stopped() ? BRCM53115_ERR_STOPPED : brcm53115_arl_lock();
    if (s->lock < 0)
        *rc = s->lock;
    s->start = arl_clock(ARL_US);
}

static void slices_end(struct slices *s)
{
    if (s->lock >= 0)
        brcm53115_arl_unlock(s->lock);
    arl_walk_unlock();
    if (progress_fn)
        progress_fn(s->walked, 1, progress_ctx);
}

/* The search: started once, then one result per step while the switch
 * flags one. */
static void search_start(int *rc)
{
    uint64_t ctrl = arl_read_reg(rc, ARL_SRCH_CTRL, ARL_LEN_CTRL);
    arl_write_reg(rc, ARL_SRCH_CTRL, ctrl | ARL_SRCH_START, ARL_LEN_CTRL);
}

/* Whether a result is pending: 1, or 0 once the search is done.  A switch
 * that is still searching (start bit set, no result yet) is polled again,
 * within the access's bound: the search itself is bounded by its steps. */
static int search_pending(int *rc)
{
    uint32_t start = 0;
    for (int polls = 0;; polls++) {
        uint32_t ctrl = (uint32_t)arl_read_reg(rc, ARL_SRCH_CTRL, ARL_LEN_CTRL);
        uint32_t now = arl_clock(ARL_US);
        if (polls == 0)
            start = now;
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

/* Takes the pending result as a record; `entry` is the step. */
static uint64_t search_result(int *rc, uint32_t step, arl_data *res)
{
    uint64_t extra = arl_read_reg(rc, ARL_SRCH_EXTRA, ARL_LEN_CTRL);
    uint64_t val = arl_read_reg(rc, ARL_SRCH_RESULT, ARL_LEN_ENTRY);
    arl_decode_b(val, extra, step, res);
    return arl_key(val);
}

/* The chip's search, result by result: a walk hands each to fn; a search
 * for one MAC (fn NULL) keeps the last result of arl->mac in *arl and ends
 * at its first valid one.  A walk reads the control once more after the
 * last result the table can hold, so that a whole table ends the way a
 * shorter one does. */
static int search(arl_data *arl, void (*fn)(const arl_data *, void *), void *ctx)
{
    arl_data res;
    uint64_t key = fn ? 0 : arl_mac_key(arl->mac);
    struct slices sl;
    int rc = slices_begin(&sl);
    if (rc < 0)
        return rc;
    search_start(&rc);
    for (uint32_t step = 0;
         (fn || step < ARL_TABLE_ENTRIES) && search_pending(&rc) && step < ARL_TABLE_ENTRIES;
         step++) {
        uint64_t found = search_result(&rc, step, &res);
        if (rc)
            break;
        sl.walked = step + 1;
        if (fn)
            fn(&res, ctx);
        else if (found == key && (*arl = res).valid == 1)
            break;
        slice(&rc, &sl);
    }
    slices_end(&sl);
    return rc;
}

extern "C" {

int brcm53115_search_arl_tab(arl_data *arl)
{
    return search(arl, NULL, NULL);
}

int brcm53115_walk_arl_tab(void (*fn)(const arl_data *, void *), void *ctx)
{
    return search(NULL, fn, ctx);
}

} /* extern "C" */
