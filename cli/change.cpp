/* The commands that change the table: write, mwrite, mdel and del, each
 * into the bin of its bucket that belongs to it, keeping the bucket's
 * other entry; and flush. */
#include "commands.h"

int arl_update_func(struct arl_cmd *c)
{
    return brcm53115_change_arl_tab(&c->arl, c->bins);
}

int arl_flush_func(struct arl_cmd *c)
{
    return brcm53115_flush_arl_tab(&arl_lists[0], &c->filter);
}
