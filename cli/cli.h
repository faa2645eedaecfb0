/* The sw53115 command line: usage texts, the ARL command parser, the
 * conversion of its arguments and batches of commands. */
#ifndef SW53115_CLI_H
#define SW53115_CLI_H

#include <stdint.h>

#include "lib53115.h"
#include "say.h"

/* Usage kinds of usage_func */
#define USAGE_SHORT 0
#define USAGE_ARL 2

/* Results of arl_func */
#define ARL_CMD_DONE 0       /* the command ran */
#define ARL_CMD_MALFORMED -1 /* the words are no valid command; nothing ran */
#define ARL_CMD_FAILED 1     /* the command failed; reported on stderr */

/* Exit statuses: done, failed (or not there), malformed. */
#define EXIT_DONE 0
#define EXIT_FAILED 1
#define EXIT_USAGE 2

/* What a command line names. */
#define ARL_OP_READ 0
#define ARL_OP_SEARCH 1
#define ARL_OP_GET 2
#define ARL_OP_UPDATE 3 /* write, mwrite, mdel, del */
#define ARL_OP_SHOW 4   /* show, search port */
#define ARL_OP_SAVE 5
#define ARL_OP_FLUSH 6
#define ARL_OP_APPLY 7
#define ARL_OP_MONITOR 8
#define ARL_OP_HELP 9

/* One parsed command. */
struct arl_cmd {
    int op;                        /* ARL_OP_* */
    const char *word;              /* the command's word, for its messages */
    int json;                      /* --json */
    brcm53115_arl_filter filter;   /* show, flush, monitor: which entries */
    const char *file;              /* save (NULL: standard output), apply */
    int prune, check;              /* apply */
    int32_t interval, count;       /* monitor: ms between polls; polls, 0: no end */
    int32_t flap_moves, flap_secs; /* monitor */
    arl_data arl;                  /* the record the operation takes */
    int rc;                        /* after arl_run: 0 or the failure's result */
};

/* The longest message arl_parse writes, with its terminating NUL. */
#define ARL_ERR_LEN 160

void usage_func(const char *name, int kind);
void arl_usage_func(const char *name, int detail);
void dump_arl_data(arl_data *arl);

/* Parses words 1 and later ("arl", the command, its arguments) into *c.
 * Returns 0, or -1 with the first word at fault and what would be right
 * in err ("arl write: bad VID '256': expected 0 to 255"), nothing run. */
int arl_parse(int argc, char **argv, struct arl_cmd *c, char *err);

/* Runs a parsed command.  A failure is one line on stderr,
 * "NAME: WHERE" and what failed (WHERE is "" or "FILE:LINE: ").  Returns
 * ARL_CMD_DONE or ARL_CMD_FAILED. */
int arl_run(struct arl_cmd *c, const char *name, const char *where);

/* Parses and runs one command line; a malformed one is said on stderr. */
int arl_func(int argc, char **argv);

/* The listings: show (the entries that pass c->filter, as columns or
 * JSON), get (c->arl looked up) and save (the static entries as a batch,
 * to c->file atomically or to standard output).  Return 0 or a result of
 * lib53115.h; an unconfirmed entry, or the file's failure, in c->arl and
 * errno. */
int arl_show_func(struct arl_cmd *c);
int arl_get_func(struct arl_cmd *c);
int arl_save_func(struct arl_cmd *c);

/* After a strict listing failed with BRCM53115_ERR_UNCONFIRMED: the
 * unconfirmed static entry of arl_lists[0], in *bad. */
void arl_unconfirmed(arl_data *bad);

/* The storage of a listing, shared by the commands of one process: a
 * monitor takes both, a poll and the poll before. */
extern brcm53115_arl_list arl_lists[2];

/* arl apply FILE [prune] [check] and arl monitor: each says its own
 * failures.  Return ARL_CMD_DONE or ARL_CMD_FAILED. */
int arl_apply_func(struct arl_cmd *c, const char *name);
int arl_monitor_func(struct arl_cmd *c, const char *name, const char *where);

/* Reports a failed command: "NAME: WHERE" and what failed, one line; the
 * entry it concerns is c->arl, a full bucket's occupants bins[0..1]. */
void arl_report(const char *name, const char *where, const struct arl_cmd *c, int rc,
                const arl_data *bins);

/* Prints the whole help, the command lines from the parser's forms. */
void arl_help_func(void);

/* Runs sw53115 [-force] -batch FILE: words 1 and later.  Returns the exit
 * status. */
int batch_func(int argc, char **argv);

/* Checks the whole batch text, then runs it (see batch_func); `file`
 * names it in messages.  Returns the exit status. */
int batch_run(const char *name, const char *file, const char *text, uint32_t len, int force);

/* Reads a whole file (FILE, or - for standard input), which must be a
 * regular file or standard input, into batch_input.  Returns its length,
 * or -1 (said). */
extern char batch_input[];
long batch_read(const char *name, const char *file);

/* Whether a text is a file that save wrote and was cut short: 1 (said,
 * naming the file), else 0.  A text that does not start with save's
 * header is never cut. */
int batch_cut_short(const char *name, const char *file, const char *text, uint32_t len);

/* The line of a batch text that starts at *pos, which moves past it: its
 * start, and in *n its length without the newline and a carriage return
 * before it; *newline whether it had one. */
const char *batch_line(const char *text, uint32_t len, uint32_t *pos, uint32_t *n, int *newline);

/* One line of a batch text: its words (argv[0] `name`), a comment after a
 * word that starts with '#' left out.  Returns the word count (1 for a
 * blank line or a comment), or -1 with the reason in err. */
#define LINE_WORDS 12
int batch_words(const char *name, const char *line, uint32_t len, char *copy, char **argv,
                char *err);

/* Batch limits: the whole input, and one line without its newline. */
#define BATCH_MAX (256u * 1024u)
#define BATCH_LINE_MAX 1024u

/* Converts 12 hex digits ("001122334455") or six colon-separated pairs
 * ("00:11:22:33:44:55"), either case, into mac[0..5].  Returns 0, or -1
 * for any other text (mac then unchanged). */
int str2mac(const char *text, uint8_t *mac);

/* A word as messages quote it, in out[WORD_TEXT_LEN]: at most 40
 * characters, each that is not printable ASCII as '?'. */
#define WORD_TEXT_LEN 44
const char *word_text(const char *word, char *out);

/* A file or program name as failure lines give it, in out[NAME_TEXT_LEN]:
 * at most 100 characters, marked "..." when cut, each that is not
 * printable ASCII as '?', so that the line stays one line and keeps its
 * cause. */
#define NAME_TEXT_LEN 104
const char *name_text(const char *name, char *out);

/* Converts plain decimal digits with a value of at most max into *out.
 * Returns 0, or -1 for any other text (out then unchanged). */
int str2uint(const char *text, uint32_t max, int32_t *out);

#endif
