/* Lines on standard error, for sw53115 and the simulated switch alike. */
#ifndef SW53115_SAY_H
#define SW53115_SAY_H

/* Formats one line (the newline is added) and writes it with a single
 * write(), so that the lines of processes sharing one standard error
 * never interleave.  A line longer than 511 bytes is cut. */
void say(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

#endif
