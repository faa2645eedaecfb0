/* Files of commands, as -batch and apply read them and save writes them:
 * the reading of a whole file, its lines and words, and the saved file's
 * format (its first and end lines, and the arl write lines the end line
 * counts).  Parses no command: that is the parser's. */
#ifndef SW53115_CMDFILE_H
#define SW53115_CMDFILE_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

/* Batch limits: the whole input, and one line without its newline. */
#define BATCH_MAX (256u * 1024u)
#define BATCH_LINE_MAX 1024u

/* Reads a whole file (FILE, or - for standard input), which must be a
 * regular file or standard input, into batch_input.  Returns its length,
 * or -1 (said, `name` first). */
extern char batch_input[];
long batch_read(const char *name, const char *file);

/* The line of a text that starts at *pos, which moves past it: its start,
 * and in *n its length without the newline and a carriage return before
 * it; *newline whether it had one. */
const char *batch_line(const char *text, uint32_t len, uint32_t *pos, uint32_t *n, int *newline);

/* One line's words into argv (argv[0] `name`), in `copy`
 * (BATCH_LINE_MAX + 1 bytes); a word that starts with '#' and all after
 * it left out.  Returns the word count (1 for a blank line or a comment),
 * or -1 with the reason in err[errlen]. */
#define LINE_WORDS 12
int batch_words(const char *name, const char *line, uint32_t len, char *copy, char **argv,
                char *err, size_t errlen);

/* save's first line (and the one it wrote before apply was the way
 * back), and its last without the count, and for no entries */
#define ARL_SAVE_HEADER                                                                            \
    "# sw53115 arl save: the static entries; put them back with sw53115 arl apply FILE"
#define ARL_SAVE_HEADER_OLD                                                                        \
    "# sw53115 arl save: the static entries; put them back with sw53115 -batch FILE"
#define ARL_SAVE_END "# end: %u static entries"
#define ARL_SAVE_END_NONE "# end: 0 static entries"

/* Writes save's first line, or its end line for n entries. */
void save_header(FILE *f);
void save_end(FILE *f, uint32_t n);

/* Whether a text that starts with save's first line fails its end line: 1
 * (said, naming the file and the line), else 0.  Cut short: no end line,
 * or a last line without its newline; else a command after the end line,
 * or an end line that counts other than the arl write lines before it.  A
 * text that does not start with save's header is a hand-written list, and
 * passes.  Called once every line has parsed, so that a line that is no
 * command is said as that. */
int batch_cut_short(const char *name, const char *file, const char *text, uint32_t len);

#endif
