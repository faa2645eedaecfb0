/* The table listings of sw53115 and switchsim: one entry per line under a
 * header, or one JSON array of objects. */
#ifndef SW53115_ARL_PRINT_H
#define SW53115_ARL_PRINT_H

#include <stdint.h>

#include "lib53115.h"

/* A MAC as the listings and messages write it, "00:11:22:33:44:55", in
 * out[ARL_MAC_TEXT_LEN]. */
#define ARL_MAC_TEXT_LEN 18
const char *arl_mac_text(const uint8_t *mac, char *out);

/* The header's columns, after whatever the caller put before them. */
void arl_print_header(void);

/* One entry (its mac, vid, pid, flags and tc): the columns, or the JSON
 * members from "mac" on and the object's closing brace; the caller opens
 * the object. */
void arl_print_row(const arl_data *r, int json);

/* The JSON array's opening and closing, for a listing of n entries. */
void arl_print_json_open(void);
void arl_print_json_close(uint32_t n);

#endif
