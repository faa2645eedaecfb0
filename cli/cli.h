/* The sw53115 command line: usage texts, the ARL command parser and the
 * conversion of its arguments. */
#ifndef SW53115_CLI_H
#define SW53115_CLI_H

#include <stdint.h>

#include "lib53115.h"

/* Usage kinds of usage_func */
#define USAGE_SHORT 0
#define USAGE_ARL 2

/* Results of arl_func */
#define ARL_CMD_DONE 0       /* the command ran */
#define ARL_CMD_MALFORMED -1 /* the words are no valid command; nothing ran */
#define ARL_CMD_FAILED 1     /* the command failed; reported on stderr */

/* arl_show_func's result when standard output cannot be written (errno
 * says why), beside lib53115's BRCM53115_ERR_* results. */
#define ARL_ERR_OUTPUT (-100)

void usage_func(const char *name, int kind);
void arl_usage_func(const char *name, int detail);
int arl_func(int argc, char **argv);
void dump_arl_data(arl_data *arl);

/* Lists the table's entries (only those on `port`, unless it is -1) on
 * standard output, as columns or JSON.  Returns 0, a BRCM53115_ERR_*
 * result, or ARL_ERR_OUTPUT. */
int arl_show_func(int32_t port, int json);

/* Converts 12 hex digits ("001122334455") or six colon-separated pairs
 * ("00:11:22:33:44:55"), either case, into mac[0..5].  Returns 0, or -1
 * for any other text (mac then unchanged). */
int str2mac(const char *text, uint8_t *mac);

/* Converts plain decimal digits with a value of at most max into *out.
 * Returns 0, or -1 for any other text (out then unchanged). */
int str2uint(const char *text, uint32_t max, int32_t *out);

#endif
