/* The failure lines of the ARL commands: the command line's own words
 * for an entry that is not there, a full bucket, an unconfirmed entry and
 * output that failed; lib53115's for the rest. */
#include "report.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "args.h"
#include "arl_print.h"
#include "cmdfile.h"
#include "forms.h"
#include "say.h"

const char *arl_entry_text(const arl_data *a, char *out)
{
    char mac[ARL_MAC_TEXT_LEN];
    snprintf(out, ARL_ENTRY_TEXT_LEN, "%s on VLAN %d (%s, port %d)", arl_mac_text(a->mac, mac),
             (int)a->vid, a->sbit & 1 ? "static" : "dynamic", (int)a->pid);
    return out;
}

void arl_report(const struct arl_cmd *c, int rc)
{
    const arl_data *arl = &c->arl;
    int err = errno;
    char mac[ARL_MAC_TEXT_LEN], what[320], b0[ARL_ENTRY_TEXT_LEN], b1[ARL_ENTRY_TEXT_LEN];
    char file[NAME_TEXT_LEN];
    arl_mac_text(arl->mac, mac);
    if (rc == ARL_ERR_FILE || rc == ARL_ERR_POLLS ||
        (rc == ARL_ERR_OUTPUT && err == EPIPE && !c->file))
        return; /* said as it was met, or the reader has gone: nobody is there to tell */
    if (rc == BRCM53115_EXISTS) {
        const arl_data *b = &c->bins[c->arl.entry == 1];
        snprintf(what, sizeof what, "%s on VLAN %d exists (port %d, %s, tc %d)", mac, (int)arl->vid,
                 (int)b->pid, b->sbit & 1 ? "static" : "dynamic", (int)b->tc);
    } else if (rc == BRCM53115_ABSENT) {
        /* get and del look on VLAN 0 unless told: where else to look */
        int n = snprintf(what, sizeof what, "no entry for %s on VLAN %d", mac, (int)arl->vid);
        if (!c->vid_given && (c->form->traits & T_VID0))
            snprintf(what + n, sizeof what - (size_t)n, "; arl show mac %s looks on every VLAN",
                     mac);
    } else if (rc == BRCM53115_ERR_FULL && c->bins[0].valid && c->bins[1].valid) {
        snprintf(what, sizeof what, "no room for %s on VLAN %d: its bucket holds %s and %s", mac,
                 (int)arl->vid, arl_entry_text(&c->bins[0], b0), arl_entry_text(&c->bins[1], b1));
    } else if (rc == BRCM53115_ERR_FULL) {
        snprintf(what, sizeof what,
                 "no room for %s on VLAN %d: both entries of its bucket hold other addresses", mac,
                 (int)arl->vid);
    } else if (rc == ARL_ERR_OUTPUT && c->file) {
        snprintf(what, sizeof what, "cannot write %s: %s; it is left as it was",
                 name_text(c->file, file), strerror(err));
    } else if (rc == ARL_ERR_NOT_FILE || rc == ARL_ERR_LINK) {
        snprintf(what, sizeof what,
                 rc == ARL_ERR_LINK
                     ? "cannot write through %s: a symbolic link in a sticky directory that "
                       "others may write, owned by neither you nor the directory's owner (not "
                       "followed, as fs.protected_symlinks); nothing written"
                     : "cannot write %s: not a regular file: expected a file to replace, or - "
                       "for standard output; it is left as it was",
                 name_text(c->file, file));
    } else if (rc == ARL_ERR_OUTPUT) {
        snprintf(what, sizeof what, "cannot write the output: %s", strerror(err));
    } else if (rc == BRCM53115_ERR_UNCONFIRMED) {
        snprintf(what, sizeof what,
                 "static entry %s: no lookup confirms its VLAN id (%d + 16 n): nothing %s", mac,
                 (int)arl->vid, c->form->traits & T_CHANGES ? "changed" : "saved");
    } else if (rc == ARL_ERR_PRUNE_ALL) {
        snprintf(what, sizeof what,
                 "%s holds no arl write line: prune would delete all %u static %s; to mean "
                 "that, end it with '" ARL_SAVE_END_NONE "'; nothing changed",
                 name_text(c->file, file), (unsigned)c->changes,
                 ARL_NOUN(c->changes, "entry", "entries"));
    } else {
        snprintf(what, sizeof what, "%s", brcm53115_strerror(rc));
    }
    say("%s: %sarl %s: %s", c->name, c->where, c->form->text.word, what);
}
