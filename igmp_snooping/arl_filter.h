/* Inside lib53115: the one test of an entry against a filter, for the
 * remove, the flush and the listing. */
#ifndef ARL_FILTER_H
#define ARL_FILTER_H

#include <stdint.h>

#include "lib53115.h"

/* The walk's results carry the VLAN id's low 4 bits and the port's 5 (of
 * which the bucket keeps 4): fields compared under these masks. */
#define ARL_VID_LOW 0xFu
#define ARL_PID_LOW 0xFu
#define ARL_WHOLE 0xFFFFFFFFu /* the whole field */

/* Whether an entry passes the filter (NULL: every entry), its VLAN id and
 * port compared under vid_mask and pid_mask: ARL_WHOLE for an entry's whole
 * fields, ARL_VID_LOW and ARL_PID_LOW for a walk's result, which could
 * then pass once its whole VLAN id is known. */
int arl_filter_test(const brcm53115_arl_filter *f, const uint8_t *mac, uint32_t vid, uint32_t pid,
                    int is_static, uint32_t vid_mask, uint32_t pid_mask);

#endif
