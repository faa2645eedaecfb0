/* The MAC and number arguments of sw53115 and switchsim, and words and
 * names quoted safely in their failure lines. */
#ifndef SW53115_ARGS_H
#define SW53115_ARGS_H

#include <stdint.h>

/* Converts 12 hex digits ("001122334455") or six colon-separated pairs
 * ("00:11:22:33:44:55"), either case, into mac[0..5].  Returns 0, or -1
 * for any other text (mac then unchanged). */
int str2mac(const char *text, uint8_t *mac);

/* Converts plain decimal digits with a value of at most max into *out.
 * Returns 0, or -1 for any other text (out then unchanged). */
int str2uint(const char *text, uint32_t max, int32_t *out);

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

#endif
