/* The ARL commands, one family a file: each runs a parsed command and
 * returns 0, or its failure for arl_run to say (a result of lib53115,
 * ARL_ERR_OUTPUT), or ARL_ERR_SAID when it said it itself. */
#ifndef SW53115_COMMANDS_H
#define SW53115_COMMANDS_H

#include <stdio.h>

#include "cmd.h"

/* show.cpp: read, search, get, show and search port. */
int arl_read_func(struct arl_cmd *c);
int arl_search_func(struct arl_cmd *c);
int arl_get_func(struct arl_cmd *c);
int arl_show_func(struct arl_cmd *c);

/* The storage of a listing, shared by the commands of one process: a
 * monitor takes both, a poll and the poll before. */
extern brcm53115_arl_list arl_lists[2];

/* Lists the entries that pass f into arl_lists[0] and prints them to out
 * in the form given; `save`: the valid static entries between save's
 * first and end lines, and an unconfirmed static entry fails the listing
 * (c->arl says which) once three listings in a row have met one (the
 * table changed between their walk and their lookups).  A listing that
 * fails prints nothing. */
int arl_list_print(struct arl_cmd *c, const brcm53115_arl_filter *f, int form, int save, FILE *out);

/* The listing of every entry into arl_lists[0], as arl_list_print takes
 * it for save: 0, or its failure (an unconfirmed entry in c->arl). */
int arl_list_strict(struct arl_cmd *c);

/* save.cpp: save [FILE]. */
int arl_save_func(struct arl_cmd *c);

/* change.cpp: write, replace, mwrite, mdel and del; add; flush. */
int arl_update_func(struct arl_cmd *c);
int arl_add_func(struct arl_cmd *c);
int arl_replace_func(struct arl_cmd *c);
int arl_flush_func(struct arl_cmd *c);

/* apply.cpp: apply FILE [prune] [check]. */
int arl_apply_func(struct arl_cmd *c);

/* monitor.cpp: monitor; milliseconds of the monotonic clock; while on,
 * SIGINT and SIGTERM set arl_stopping and end a walk, a listing or a flush
 * within a slice (lib53115's stop flag), off puts the handlers back. */
int arl_monitor_func(struct arl_cmd *c);
uint32_t arl_ms_now(void);
extern volatile sig_atomic_t arl_stopping;
void arl_stop_on_signals(int on);

#endif
