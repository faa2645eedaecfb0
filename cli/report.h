/* The failure lines of the ARL commands: one line on standard error,
 * "NAME: WHERE" and what failed. */
#ifndef SW53115_REPORT_H
#define SW53115_REPORT_H

#include "cmd.h"

/* Says a failed command: c->name, c->where, "arl WORD: " and what failed
 * (rc: a result of lib53115 or of the command line); the entry it concerns
 * is c->arl, a full bucket's occupants c->bins.  Nothing for a reader of
 * standard output that has gone, nor for ARL_ERR_FILE and ARL_ERR_POLLS,
 * whose lines were said as they were met. */
void arl_report(const struct arl_cmd *c, int rc);

/* One entry's text for a failure line: "MAC on VLAN VID (dynamic, port P)",
 * in out[ARL_ENTRY_TEXT_LEN]. */
#define ARL_ENTRY_TEXT_LEN 64
const char *arl_entry_text(const arl_data *a, char *out);

#endif
