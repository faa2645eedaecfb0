/* What sw53115 says of its own use: the usage texts as they have always
 * read, and the help of every command. */
#ifndef SW53115_HELP_H
#define SW53115_HELP_H

/* Usage kinds of usage_func */
#define USAGE_SHORT 0
#define USAGE_ARL 2

void usage_func(const char *name, int kind);

/* A malformed command: the usage of that kind, then, last on a terminal,
 * one line on standard error, "NAME: LINE".  Returns EXIT_USAGE. */
int usage_error(const char *prog, int kind, const char *line);
void arl_usage_func(const char *name, int detail);

/* Prints the whole help, the command lines from the parser's forms. */
void arl_help_func(void);

/* Prints the lines of the help for the command `word`: 0, or -1 when no
 * command has that word (nothing printed). */
int arl_help_cmd(const char *word);

#endif
