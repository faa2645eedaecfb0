/* The commands that change the table: write, replace, mwrite, mdel, del
 * and add (which changes nothing where the entry is there already), each
 * into the bin of its bucket that belongs to it, keeping the bucket's
 * other entry; and flush. */
#include <stdio.h>
#include <string.h>

#include "arl_print.h"
#include "commands.h"
#include "forms.h"
#include "listing.h"
#include "say.h"

int arl_update_func(struct arl_cmd *c)
{
    return brcm53115_change_arl_tab(&c->arl, c->bins);
}

/* add and replace: a static entry takes a learned entry's place in a full
 * bucket, which is said. */
static int pin(struct arl_cmd *c, int add)
{
    char mac[ARL_MAC_TEXT_LEN];
    int rc = brcm53115_pin_arl_tab(&c->arl, c->bins, add);
    const arl_data *was = &c->bins[c->arl.entry == 1];
    if (rc == 0 && was->valid && (was->vid != c->arl.vid || memcmp(was->mac, c->arl.mac, 6) != 0))
        say("%s: %sarl %s: deleted learned entry %s on VLAN %d (port %d) to make room", c->name,
            c->where, c->form->text.word, arl_mac_text(was->mac, mac), (int)was->vid,
            (int)was->pid);
    return rc;
}

int arl_add_func(struct arl_cmd *c)
{
    return pin(c, 1);
}

int arl_replace_func(struct arl_cmd *c)
{
    return pin(c, 0);
}

/* SIGINT and SIGTERM stop a flush between two deletes, each whole. */
int arl_flush_func(struct arl_cmd *c)
{
    uint32_t n;
    arl_stop_on_signals(1);
    int rc = brcm53115_flush_arl_count(&arl_lists[0], &c->filter, &n);
    arl_stop_on_signals(0);
    if (rc != 0 || !c->stats)
        return rc;
    const struct arl_count deleted = {"deleted",
                                      ARL_NOUN(n, "%s entry deleted", "%s entries deleted"), n};
    return arl_out_tally(stdout, c->json, &deleted, 1) ? ARL_ERR_OUTPUT : 0;
}
