/* Running one parsed ARL command, and one command line. */
#ifndef SW53115_RUN_H
#define SW53115_RUN_H

#include "cmd.h"

/* The result hook: called with the record after every command that ran;
 * does nothing. */
void dump_arl_data(arl_data *arl);

/* -s or --stats before arl or -batch: flush and apply say what they did. */
extern int arl_stats;

/* Runs a parsed command.  A failure is one line on stderr,
 * "NAME: WHERE" and what failed (WHERE is "" or "FILE:LINE: ").  Returns
 * ARL_CMD_DONE or ARL_CMD_FAILED. */
int arl_run(struct arl_cmd *c, const char *name, const char *where);

/* Parses and runs one command line (words 1 and later); a malformed one is
 * said on stderr after the usage.  `json`: the -j or --json that came
 * before "arl", or NULL.  Returns an ARL_CMD_* result. */
int arl_func(int argc, char **argv, const char *json);

#endif
