/* The table listings: columns aligned under their header, or JSON. */
#include "arl_print.h"

#include <stdio.h>

void arl_print_header(void)
{
    puts("mac               vid port static age valid tc");
}

void arl_print_row(const arl_data *r, int json)
{
    static const char *const flag[2][2] = {{"0", "1"}, {"false", "true"}};
    const char *const *f = flag[json != 0];
    const uint8_t *m = r->mac;
    printf(json ? "\"mac\":\"%02x:%02x:%02x:%02x:%02x:%02x\",\"vid\":%u,\"port\":%u,"
                  "\"static\":%s,\"age\":%s,\"valid\":%s,\"tc\":%u}"
                : "%02x:%02x:%02x:%02x:%02x:%02x %3u %4u %6s %3s %5s %2u\n",
           m[0], m[1], m[2], m[3], m[4], m[5], (unsigned)r->vid, (unsigned)r->pid, f[r->sbit & 1],
           f[r->age & 1], f[r->valid & 1], (unsigned)r->tc);
}

void arl_print_json_open(void)
{
    putchar('[');
}

void arl_print_json_close(uint32_t n)
{
    printf("%s]\n", n ? "\n" : "");
}
