/* The search of the ARL table: the chip's search for one MAC, and the walk
 * that hands every search result to a callback.  Each one exchange with the
 * switch under the table lock, through arl_access.cpp. */
#include "arl_access.h"
#include "arl_codec.h"

/* The search: started once, then one result per step while the switch
 * flags one. */
static void search_start(int *rc)
{
    uint64_t ctrl = arl_read_reg(rc, ARL_SRCH_CTRL, ARL_LEN_CTRL);
    arl_write_reg(rc, ARL_SRCH_CTRL, ctrl | ARL_SRCH_START, ARL_LEN_CTRL);
}

/* Whether a result is pending: 1, or 0 once the search is done.  A switch
 * that is still searching (start bit set, no result yet) is polled again,
 * within the write's bound; the whole search within its own, counted from
 * `begun`. */
static int search_pending(int *rc, uint32_t begun)
{
    uint32_t start = 0;
    for (int polls = 0;; polls++) {
        uint32_t ctrl = (uint32_t)arl_read_reg(rc, ARL_SRCH_CTRL, ARL_LEN_CTRL);
        uint32_t now = arl_now_us();
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

/* Takes the pending result as a record; `entry` is the step.  Out of line:
 * the search and the walk share it, and MIPS16 code grows where it is
 * copied. */
__attribute__((noinline)) static uint64_t search_result(int *rc, uint32_t step, arl_data *res)
{
    uint64_t extra = arl_read_reg(rc, ARL_SRCH_EXTRA, ARL_LEN_CTRL);
    uint64_t val = arl_read_reg(rc, ARL_SRCH_RESULT, ARL_LEN_ENTRY);
    arl_decode_b(val, extra, step, res);
    return arl_key(val);
}

static int search_entry(int *rc, void *arg)
{
    arl_data *arl = (arl_data *)arg, res;
    uint64_t key = arl_mac_key(arl->mac);
    uint32_t begun = arl_now_us();

    search_start(rc);
    for (uint32_t step = 0; step < ARL_TABLE_ENTRIES && search_pending(rc, begun); step++) {
        if (search_result(rc, step, &res) != key || *rc)
            continue;
        *arl = res; /* the same MAC */
        if (arl->valid == 1)
            break;
    }
    return 0;
}

struct walk_args {
    void (*fn)(const arl_data *, void *);
    void *ctx;
};

static int walk_table(int *rc, void *arg)
{
    const struct walk_args *w = (const struct walk_args *)arg;
    arl_data res;
    uint32_t begun = arl_now_us();

    search_start(rc);
    /* The control is read once more after the last result the table can
     * hold, so that a whole table ends the way a shorter one does. */
    for (uint32_t step = 0; search_pending(rc, begun) && step < ARL_TABLE_ENTRIES; step++) {
        search_result(rc, step, &res);
        if (*rc)
            break;
        w->fn(&res, w->ctx);
    }
    return 0;
}

extern "C" {

int brcm53115_search_arl_tab(arl_data *arl)
{
    return arl_locked(search_entry, arl);
}

int brcm53115_walk_arl_tab(void (*fn)(const arl_data *, void *), void *ctx)
{
    struct walk_args w = {fn, ctx};
    return arl_locked(walk_table, &w);
}

} /* extern "C" */
