/* What sw53115 says of its own use: the usage texts as they have always
 * read, and the help of every command. */
#ifndef SW53115_HELP_H
#define SW53115_HELP_H

/* Usage kinds of usage_func */
#define USAGE_SHORT 0
#define USAGE_ARL 2

void usage_func(const char *name, int kind);

#include <stdio.h>

/* A malformed chip command (read, search, write, mwrite, mdel) or an
 * unknown word: the usage of that kind on standard output (standard error
 * with `json`, whose output is for a program), then, last on a terminal,
 * one line on standard error, "NAME: LINE".  Returns EXIT_USAGE. */
int usage_error(const char *prog, int kind, const char *line, int json);
void arl_usage_func(const char *name, int detail);

/* Any other malformed command (`word`, -batch and help too): nothing on
 * standard output; on standard error "NAME: LINE", then the lines of the
 * help for that command.  Returns EXIT_USAGE. */
int command_error(const char *prog, const char *word, const char *line);

/* A malformed word before any command: "NAME: LINE" and the help's
 * synopsis on standard error.  Returns EXIT_USAGE. */
int synopsis_error(const char *prog, const char *line);

/* Prints the whole help, the command lines from the parser's forms. */
void arl_help_func(void);

/* Prints to out the lines of the help for the command `word` (batch or
 * -batch: -batch's; arl: the whole help, to standard output): 0, or -1
 * when no command has that word (nothing printed). */
int arl_help_cmd(FILE *out, const char *word);

#endif
