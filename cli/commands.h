/* The ARL commands, one family a file: each runs a parsed command and
 * returns 0, or its failure for arl_run to say (a result of lib53115 or
 * one of cmd.h). */
#ifndef SW53115_COMMANDS_H
#define SW53115_COMMANDS_H

#include "cmd.h"

/* show.cpp: read, search, get, show and search port. */
int arl_read_func(struct arl_cmd *c);
int arl_search_func(struct arl_cmd *c);
int arl_get_func(struct arl_cmd *c);
int arl_show_func(struct arl_cmd *c);

/* save.cpp: save [FILE]. */
int arl_save_func(struct arl_cmd *c);

/* change.cpp: write, replace, mwrite, mdel and del; add; flush. */
int arl_update_func(struct arl_cmd *c);
int arl_add_func(struct arl_cmd *c);
int arl_replace_func(struct arl_cmd *c);
int arl_flush_func(struct arl_cmd *c);

/* apply.cpp: apply FILE [prune] [check]; after its failure is said, the
 * undo of the changes it made. */
int arl_apply_func(struct arl_cmd *c);
void arl_apply_undo(struct arl_cmd *c);

/* monitor.cpp: monitor; while on, SIGINT and SIGTERM set arl_stopping
 * and end a walk, a listing or a flush within a slice (lib53115's stop
 * flag), off puts the handlers back. */
int arl_monitor_func(struct arl_cmd *c);

/* help.cpp: help [COMMAND] (arl COMMAND --help too). */
int arl_help_run(struct arl_cmd *c);
extern volatile sig_atomic_t arl_stopping;
void arl_stop_on_signals(int on);

#endif
