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

/* Results of the listings beside lib53115's BRCM53115_ERR_* results:
 * standard output cannot be written (errno says why); a static entry
 * whose VLAN id no lookup confirms, so that it cannot be saved. */
#define ARL_ERR_OUTPUT (-100)
#define ARL_ERR_UNCONFIRMED (-101)

/* What a command line names. */
#define ARL_OP_READ 0
#define ARL_OP_SEARCH 1
#define ARL_OP_GET 2
#define ARL_OP_UPDATE 3 /* write, mwrite, mdel */
#define ARL_OP_SHOW 4   /* show, search port */
#define ARL_OP_SAVE 5

/* One parsed command. */
struct arl_cmd {
    int op;           /* ARL_OP_* */
    const char *word; /* the command's word, for its messages */
    int32_t port;     /* show: only entries on this port; -1: all */
    int json;         /* --json */
    arl_data arl;     /* the record the operation takes */
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

/* Lists the table's entries (only those on `port`, unless it is -1) on
 * standard output, as columns or JSON, or (save) its static entries as a
 * batch that puts them back.  Returns 0, a BRCM53115_ERR_* result,
 * ARL_ERR_OUTPUT, or ARL_ERR_UNCONFIRMED with the entry in *bad. */
int arl_show_func(int32_t port, int json, int save, arl_data *bad);

/* Prints one looked-up entry as show prints it. */
int arl_get_print(const arl_data *arl, int json);

/* Runs sw53115 [-force] -batch FILE: words 1 and later.  Returns the exit
 * status. */
int batch_func(int argc, char **argv);

/* Checks the whole batch text, then runs it (see batch_func); `file`
 * names it in messages.  Returns the exit status. */
int batch_run(const char *name, const char *file, const char *text, uint32_t len, int force);

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

/* Converts plain decimal digits with a value of at most max into *out.
 * Returns 0, or -1 for any other text (out then unchanged). */
int str2uint(const char *text, uint32_t max, int32_t *out);

#endif
