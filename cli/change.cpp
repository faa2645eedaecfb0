/* The commands that change the table: write, replace, mwrite, mdel, del
 * and add (which changes nothing where the entry is there already), each
 * into the bin of its bucket that belongs to it, keeping the bucket's
 * other entry; and flush. */
#include "commands.h"

int arl_update_func(struct arl_cmd *c)
{
    return brcm53115_change_arl_tab(&c->arl, c->bins);
}

int arl_add_func(struct arl_cmd *c)
{
    return brcm53115_add_arl_tab(&c->arl, c->bins);
}

int arl_flush_func(struct arl_cmd *c)
{
    return brcm53115_flush_arl_tab(&arl_lists[0], &c->filter);
}
