/* The listing of the table for the commands that take one (show, save,
 * apply, monitor, flush): its storage, the strict listing with its
 * retries, a listing printed in a form to a stream, and the stop of a long
 * one on a signal. */
#ifndef SW53115_LISTING_H
#define SW53115_LISTING_H

#include <signal.h>
#include <stdio.h>

#include "cmd.h"

/* The storage of a listing, shared by the commands of one process: a
 * monitor takes both, a poll and the poll before. */
extern brcm53115_arl_list arl_lists[2];

/* What save and apply list: the static entries. */
extern const brcm53115_arl_filter arl_statics;

/* What a printed listing writes before its first entry and after its last
 * (save: its first line and its end line), or NULL. */
struct arl_frame {
    void (*begin)(FILE *f);
    void (*end)(FILE *f, uint32_t n);
};

/* Lists the entries that pass f into arl_lists[0] and prints them to out
 * (NULL: nowhere) in the form given, within the frame.  `strict`: only
 * valid entries, and an unconfirmed static entry fails the listing (c->arl
 * says which) once three listings in a row have met one (the table changed
 * between their walk and their lookups).  A listing that fails prints
 * nothing. */
int arl_list_print(struct arl_cmd *c, const brcm53115_arl_filter *f, int strict, int form,
                   const struct arl_frame *frame, FILE *out);

/* While on, SIGINT and SIGTERM set arl_stopping and end a walk, a listing
 * or a flush within a slice (lib53115's stop flag); off puts the handlers
 * back. */
extern volatile sig_atomic_t arl_stopping;
void arl_stop_on_signals(int on);

#endif
