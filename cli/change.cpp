/* The commands that change the table: write, replace, mwrite, mdel, del
 * and add (which changes nothing where the entry is there already), each
 * into the bin of its bucket that belongs to it, keeping the bucket's
 * other entry; and flush. */
#include <signal.h>
#include <string.h>

#include "commands.h"

int arl_update_func(struct arl_cmd *c)
{
    return brcm53115_change_arl_tab(&c->arl, c->bins);
}

int arl_add_func(struct arl_cmd *c)
{
    return brcm53115_add_arl_tab(&c->arl, c->bins);
}

static volatile sig_atomic_t stop;

static void on_signal(int sig)
{
    (void)sig;
    stop = 1;
}

/* SIGINT and SIGTERM stop a flush between two deletes, each whole. */
int arl_flush_func(struct arl_cmd *c)
{
    struct sigaction sa, old[2];
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_signal;
    sigaction(SIGINT, &sa, &old[0]);
    sigaction(SIGTERM, &sa, &old[1]);
    stop = 0;
    brcm53115_arl_stop(&stop);
    int rc = brcm53115_flush_arl_tab(&arl_lists[0], &c->filter);
    brcm53115_arl_stop(NULL);
    sigaction(SIGINT, &old[0], NULL);
    sigaction(SIGTERM, &old[1], NULL);
    return rc;
}
