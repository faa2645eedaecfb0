/* The table listings: columns aligned under their header, or JSON. */
#include "arl_print.h"

#include <stdio.h>

const char *arl_mac_text(const uint8_t *mac, char *out)
{
    static const char hex[] = "0123456789abcdef";
    for (int i = 0; i < 6; i++) {
        out[3 * i] = hex[mac[i] >> 4];
        out[3 * i + 1] = hex[mac[i] & 15];
        out[3 * i + 2] = i < 5 ? ':' : '\0';
    }
    return out;
}

void arl_print_header(void)
{
    puts("mac               vid port static age valid tc");
}

void arl_print_row(const arl_data *r, int json)
{
    static const char *const flag[2][2] = {{"0", "1"}, {"false", "true"}};
    const char *const *f = flag[json != 0];
    char mac[ARL_MAC_TEXT_LEN];
    printf(json ? "\"mac\":\"%s\",\"vid\":%u,\"port\":%u,\"static\":%s,\"age\":%s,\"valid\":%s,"
                  "\"tc\":%u}"
                : "%s %3u %4u %6s %3s %5s %2u\n",
           arl_mac_text(r->mac, mac), (unsigned)r->vid, (unsigned)r->pid, f[r->sbit & 1],
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
