/* sw53115 [-force] -batch FILE: many commands in one process, all of them
 * checked before any runs. */
#ifndef SW53115_BATCH_H
#define SW53115_BATCH_H

#include <stdint.h>

/* Runs sw53115 [-force] -batch FILE: words 1 and later.  Returns the exit
 * status. */
int batch_func(int argc, char **argv);

/* Checks the whole batch text, then runs it (see batch_func); `file`
 * names it in messages.  Returns the exit status. */
int batch_run(const char *name, const char *file, const char *text, uint32_t len, int force);

#endif
