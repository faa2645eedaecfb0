/* The printer of ARL entries: columns aligned under their header, JSON,
 * save's batch lines and monitor's events. */
#include "arl_print.h"

#include <signal.h>
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

void arl_out_begin(struct arl_out *o, int form, const char *head)
{
    /* A reader that has gone is an output that failed, not a signal. */
    signal(SIGPIPE, SIG_IGN);
    o->form = form;
    o->n = 0;
    if (form == ARL_FORM_ROWS)
        printf("%smac               vid port static age valid tc\n", head);
    else if (form == ARL_FORM_JSON)
        putchar('[');
    else if (form == ARL_FORM_SAVE)
        puts(ARL_SAVE_HEADER);
}

void arl_out_entry(struct arl_out *o, const arl_data *r, const char *pre, const char *post)
{
    static const char *const flag[2][2] = {{"0", "1"}, {"false", "true"}};
    int json = o->form == ARL_FORM_JSON || o->form == ARL_FORM_LINES;
    const char *const *f = flag[json];
    char mac[ARL_MAC_TEXT_LEN];
    arl_mac_text(r->mac, mac);
    unsigned vid = (unsigned)r->vid, pid = (unsigned)r->pid, tc = (unsigned)r->tc;

    switch (o->form) {
    case ARL_FORM_SAVE:
    case ARL_FORM_BATCH:
        if (r->valid & 1)
            printf("arl write %u %s 1 1 %u %u %u\n", vid, mac, (unsigned)(r->age & 1), tc, pid);
        else
            printf("arl del %u %s\n", vid, mac);
        break;
    case ARL_FORM_EVENTS:
        printf("%s%s vid %u port %u%s %s", pre, mac, vid, pid, post,
               r->sbit & 1 ? "static" : "dynamic");
        printf(tc ? " tc %u\n" : "\n", tc);
        break;
    case ARL_FORM_ROWS:
        printf("%s%s %3u %4u %6s %3s %5s %2u\n", pre, mac, vid, pid, f[r->sbit & 1], f[r->age & 1],
               f[r->valid & 1], tc);
        break;
    default:
        if (o->form == ARL_FORM_JSON)
            printf("%s\n  ", o->n ? "," : "");
        printf("{%s\"mac\":\"%s\",\"vid\":%u,\"port\":%u,\"static\":%s,\"age\":%s,\"valid\":%s,"
               "\"tc\":%u%s}%s",
               pre, mac, vid, pid, f[r->sbit & 1], f[r->age & 1], f[r->valid & 1], tc, post,
               o->form == ARL_FORM_LINES ? "\n" : "");
        break;
    }
    o->n++;
}

int arl_out_flush(void)
{
    if (fflush(stdout) != 0 || ferror(stdout))
        return BRCM53115_ERR_OUTPUT;
    return 0;
}

int arl_out_end(struct arl_out *o)
{
    if (o->form == ARL_FORM_JSON)
        printf("%s]\n", o->n ? "\n" : "");
    else if (o->form == ARL_FORM_SAVE)
        printf(ARL_SAVE_END "\n", (unsigned)o->n);
    return arl_out_flush();
}
