/* The one printer of ARL entries, for sw53115 and switchsim: each output
 * form is written here and nowhere else, its punctuation included. */
#ifndef SW53115_ARL_PRINT_H
#define SW53115_ARL_PRINT_H

#include <stdint.h>

#include "lib53115.h"

/* A MAC as the listings and messages write it, "00:11:22:33:44:55", in
 * out[ARL_MAC_TEXT_LEN]. */
#define ARL_MAC_TEXT_LEN 18
const char *arl_mac_text(const uint8_t *mac, char *out);

/* The forms of an entry: aligned columns under a header; one JSON array
 * of objects; one JSON object a line, no header; the batch that puts
 * static entries back, between save's header line and its end line; text
 * event lines ("MAC vid V port P ..."); batch lines, a write of a valid
 * static entry or a del of one that is not valid. */
#define ARL_FORM_ROWS 0
#define ARL_FORM_JSON 1
#define ARL_FORM_LINES 2
#define ARL_FORM_SAVE 3
#define ARL_FORM_EVENTS 4
#define ARL_FORM_BATCH 5

/* save's first line, and its last without the count */
#define ARL_SAVE_HEADER                                                                            \
    "# sw53115 arl save: the static entries; put them back with sw53115 -batch FILE"
#define ARL_SAVE_END "# end: %u static entries"

/* One output: its form and the entries written so far. */
struct arl_out {
    int form;
    uint32_t n;
};

/* Begins the output: the header (after `head`, text of the caller's own
 * columns), "[", save's header line, or nothing. */
void arl_out_begin(struct arl_out *o, int form, const char *head);

/* One entry: its mac, vid, pid, flags and tc.  `pre` comes first: text
 * before the columns or the event, JSON members before "mac"; `post` after
 * the port of an event, or JSON members after "tc".  Either may be "". */
void arl_out_entry(struct arl_out *o, const arl_data *r, const char *pre, const char *post);

/* Ends the output ("]", save's end line) and flushes it.  Returns 0, or
 * BRCM53115_ERR_OUTPUT when standard output could not be written (a
 * closed pipe too; errno says why). */
int arl_out_end(struct arl_out *o);

/* Flushes what was written: 0, or BRCM53115_ERR_OUTPUT. */
int arl_out_flush(void);

#endif
