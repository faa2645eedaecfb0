/* The ARL command parser: the words of one command line into an arl_cmd,
 * by the table of forms that the help prints as well. */
#ifndef SW53115_PARSE_H
#define SW53115_PARSE_H

#include <stddef.h>

#include "forms.h"

/* The longest message arl_parse writes, with its terminating NUL. */
#define ARL_ERR_LEN 160

/* Parses words 1 and later ("arl", the command, its arguments) into *c.
 * Returns 0, or -1 with the first word at fault and what would be right
 * in err ("arl write: bad VID '256': expected 0 to 255"), nothing run. */
int arl_parse(int argc, char **argv, struct arl_cmd *c, char *err);

/* After arl_parse: -j or --json (`word`) before "arl", for a command that
 * takes --json and has none after it.  0, or -1 with err said. */
int arl_parse_json_first(struct arl_cmd *c, const char *word, char *err);

/* The first form of the command `word` (NULL: no command of arl has
 * it); whether a word asks for the help (help, -h or --help); whether the
 * help has lines for it (a command, arl for the whole help, batch or
 * -batch). */
const struct arl_form *arl_form_named(const char *word);
int arl_help_word(const char *word);
int arl_help_topic(const char *word);

#endif
