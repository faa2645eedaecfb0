/* The one printer of ARL entries, for sw53115 and switchsim: each output
 * form is written here and nowhere else, every bracket, brace and comma of
 * its JSON included, to the stream the caller gives. */
#ifndef SW53115_ARL_PRINT_H
#define SW53115_ARL_PRINT_H

#include <stdint.h>
#include <stdio.h>
#include <sys/time.h>

#include "lib53115.h"

/* A MAC as the listings and messages write it, "00:11:22:33:44:55", in
 * out[ARL_MAC_TEXT_LEN]. */
/* A count's noun in words: "1 entry", "2 entries". */
#define ARL_NOUN(n, one, many) ((n) == 1 ? (one) : (many))

#define ARL_MAC_TEXT_LEN 18
const char *arl_mac_text(const uint8_t *mac, char *out);

/* The forms of an entry: aligned columns under a header; one JSON array
 * of objects; one JSON object a line, no header; text event lines ("MAC
 * vid V port P ..."); batch lines, a write of a valid static entry or a
 * del of one that is not valid.  ARL_FORM_PLACED with the columns or the
 * array: each entry's bucket and bin before it (arl_out_placed). */
#define ARL_FORM_ROWS 0
#define ARL_FORM_JSON 1
#define ARL_FORM_LINES 2
#define ARL_FORM_EVENTS 4
#define ARL_FORM_BATCH 5
#define ARL_FORM_PLACED 0x10

/* One output: its form, stream, the entries written so far and the
 * members of the JSON object or array being written. */
struct arl_out {
    int form;
    FILE *f;
    uint32_t n, members;
};

/* Begins the output on f: the header of the columns, "[", or nothing. */
void arl_out_begin(struct arl_out *o, int form, FILE *f);

/* One entry: its mac, vid, pid, flags and tc. */
void arl_out_entry(struct arl_out *o, const arl_data *r);

/* One entry with the bucket and bin that hold it. */
void arl_out_placed(struct arl_out *o, uint32_t bucket, uint32_t bin, const arl_data *r);

/* One event of a watch: `what` (new, gone, move, change, flap, settled)
 * at time t, the entry as it is now (`e`).  With `old`, what it was: a
 * port that differs is said as "from"; with `was` also, the static flag
 * and the tc that differ, as "was"; `moves`, where not 0, the moves since
 * the last line of a flap.  Text: "YYYY-MM-DD HH:MM:SS what MAC vid V port
 * P [from F] static|dynamic [tc T] [was ...] [moves N]"; JSON: one object a
 * line. */
void arl_out_event(struct arl_out *o, const char *what, const struct timeval *t, const arl_data *e,
                   const arl_data *old, int was, uint32_t moves);

/* A watch's line of its own (fault, recovered), with an error's text where
 * given. */
void arl_out_note(struct arl_out *o, const char *what, const struct timeval *t, const char *error);

/* The counts of a table: entries and static ones on each port (ports with
 * none left out), and in all of a table of `capacity`. */
struct arl_counts {
    uint32_t entries[16], statics[16];
    uint32_t total, total_static, capacity;
};
void arl_out_counts(struct arl_out *o, const struct arl_counts *c);

/* One line of what a command did (flush -s, apply -s) on f, flushed: each
 * count with its JSON key and its text (a format with the count as %s);
 * with `json`, one object.  0, or -1 as arl_out_end. */
struct arl_count {
    const char *key, *text;
    uint32_t n;
};
int arl_out_tally(FILE *f, int json, const struct arl_count *c, uint32_t k);

/* Ends the output ("]") and flushes it.  Returns 0, or -1 when the stream
 * could not be written (a closed pipe too; errno says why). */
int arl_out_end(struct arl_out *o);

/* Flushes what was written: 0, or -1. */
int arl_out_flush(struct arl_out *o);

#endif
