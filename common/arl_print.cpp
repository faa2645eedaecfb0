/* The printer of ARL entries: columns aligned under their header, JSON,
 * batch lines and a watch's events. */
#include "arl_print.h"

#include <time.h>

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

static int is_json(const struct arl_out *o)
{
    int form = o->form & ~ARL_FORM_PLACED;
    return form == ARL_FORM_JSON || form == ARL_FORM_LINES;
}

void arl_out_begin(struct arl_out *o, int form, FILE *f)
{
    o->form = form;
    o->f = f;
    o->n = 0;
    if (form == (ARL_FORM_ROWS | ARL_FORM_PLACED))
        fputs("bucket bin ", f);
    if ((form & ~ARL_FORM_PLACED) == ARL_FORM_ROWS)
        fputs("mac               vid port static age valid tc\n", f);
    else if ((form & ~ARL_FORM_PLACED) == ARL_FORM_JSON)
        putc('[', f);
}

/* Where an entry of a JSON array or of JSON lines begins. */
static void json_open(struct arl_out *o)
{
    if ((o->form & ~ARL_FORM_PLACED) == ARL_FORM_JSON)
        fprintf(o->f, "%s\n  ", o->n ? "," : "");
    putc('{', o->f);
}

static void json_close(struct arl_out *o)
{
    fputs(o->form == ARL_FORM_LINES ? "}\n" : "}", o->f);
    o->n++;
}

/* The entry's members or columns, without what comes before or after. */
static void fields(struct arl_out *o, const arl_data *r)
{
    static const char *const flag[2][2] = {{"0", "1"}, {"false", "true"}};
    const char *const *fl = flag[is_json(o)];
    char mac[ARL_MAC_TEXT_LEN];
    arl_mac_text(r->mac, mac);
    unsigned vid = (unsigned)r->vid, pid = (unsigned)r->pid, tc = (unsigned)r->tc;
    if (is_json(o))
        fprintf(o->f,
                "\"mac\":\"%s\",\"vid\":%u,\"port\":%u,\"static\":%s,\"age\":%s,\"valid\":%s,"
                "\"tc\":%u",
                mac, vid, pid, fl[r->sbit & 1], fl[r->age & 1], fl[r->valid & 1], tc);
    else
        fprintf(o->f, "%s %3u %4u %6s %3s %5s %2u\n", mac, vid, pid, fl[r->sbit & 1],
                fl[r->age & 1], fl[r->valid & 1], tc);
}

void arl_out_entry(struct arl_out *o, const arl_data *r)
{
    char mac[ARL_MAC_TEXT_LEN];
    if (o->form == ARL_FORM_BATCH) {
        arl_mac_text(r->mac, mac);
        if (r->valid & 1)
            fprintf(o->f, "arl write %u %s 1 1 %u %u %u\n", (unsigned)r->vid, mac,
                    (unsigned)(r->age & 1), (unsigned)r->tc, (unsigned)r->pid);
        else
            fprintf(o->f, "arl del %u %s\n", (unsigned)r->vid, mac);
        o->n++;
        return;
    }
    arl_out_placed(o, 0, 0, r);
}

void arl_out_placed(struct arl_out *o, uint32_t bucket, uint32_t bin, const arl_data *r)
{
    int placed = (o->form & ARL_FORM_PLACED) != 0;
    if (!is_json(o)) {
        if (placed)
            fprintf(o->f, "%6u %3u ", (unsigned)bucket, (unsigned)bin);
        fields(o, r);
        o->n++;
        return;
    }
    json_open(o);
    if (placed)
        fprintf(o->f, "\"bucket\":%u,\"bin\":%u,", (unsigned)bucket, (unsigned)bin);
    fields(o, r);
    json_close(o);
}

/* A watch's line begins: its time, and what happened. */
static void event_head(struct arl_out *o, const char *what, const struct timeval *t)
{
    if (is_json(o)) {
        json_open(o);
        fprintf(o->f, "\"time\":%lu.%03u,\"event\":\"%s\"", (unsigned long)t->tv_sec,
                (unsigned)(t->tv_usec / 1000), what);
        return;
    }
    struct tm tm;
    time_t sec = t->tv_sec;
    localtime_r(&sec, &tm);
    fprintf(o->f, "%04d-%02d-%02d %02d:%02d:%02d %s", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
            tm.tm_hour, tm.tm_min, tm.tm_sec, what);
}

void arl_out_note(struct arl_out *o, const char *what, const struct timeval *t, const char *error)
{
    event_head(o, what, t);
    if (error && is_json(o)) {
        fputs(",\"error\":\"", o->f);
        for (const char *p = error; *p; p++) {
            if (*p == '"' || *p == '\\')
                putc('\\', o->f);
            putc((unsigned char)*p < 0x20 ? '?' : *p, o->f);
        }
        putc('"', o->f);
    } else if (error) {
        fprintf(o->f, " %s", error);
    }
    if (is_json(o)) {
        json_close(o);
    } else {
        putc('\n', o->f);
        o->n++;
    }
}

void arl_out_event(struct arl_out *o, const char *what, const struct timeval *t, const arl_data *e,
                   const arl_data *old, int was, uint32_t moves)
{
    static const char *const kind[2] = {"dynamic", "static"};
    static const char *const truth[2] = {"false", "true"};
    int from = old && old->pid != e->pid;
    int was_static = was && old && (old->sbit & 1) != (e->sbit & 1);
    int was_tc = was && old && old->tc != e->tc;
    char mac[ARL_MAC_TEXT_LEN];
    event_head(o, what, t);
    if (is_json(o)) {
        putc(',', o->f);
        fields(o, e);
        if (from)
            fprintf(o->f, ",\"from\":%d", (int)old->pid);
        if (moves)
            fprintf(o->f, ",\"moves\":%u", (unsigned)moves);
        if (was_static || was_tc) {
            fputs(",\"was\":{", o->f);
            if (was_static)
                fprintf(o->f, "\"static\":%s%s", truth[old->sbit & 1], was_tc ? "," : "");
            if (was_tc)
                fprintf(o->f, "\"tc\":%u", (unsigned)old->tc);
            putc('}', o->f);
        }
        json_close(o);
        return;
    }
    fprintf(o->f, " %s vid %u port %u", arl_mac_text(e->mac, mac), (unsigned)e->vid,
            (unsigned)e->pid);
    if (from)
        fprintf(o->f, " from %d", (int)old->pid);
    fprintf(o->f, " %s", kind[e->sbit & 1]);
    if (e->tc)
        fprintf(o->f, " tc %u", (unsigned)e->tc);
    if (was_static || was_tc)
        fputs(" was", o->f);
    if (was_static)
        fprintf(o->f, " %s", kind[old->sbit & 1]);
    if (was_tc)
        fprintf(o->f, " tc %u", (unsigned)old->tc);
    if (moves)
        fprintf(o->f, " moves %u", (unsigned)moves);
    putc('\n', o->f);
    o->n++;
}

void arl_out_counts(struct arl_out *o, const struct arl_counts *c)
{
    int json = is_json(o);
    const char *sep = "";
    if (json)
        fprintf(o->f, "{\"total\":%u,\"static\":%u,\"dynamic\":%u,\"capacity\":%u,\"ports\":[",
                (unsigned)c->total, (unsigned)c->total_static,
                (unsigned)(c->total - c->total_static), (unsigned)c->capacity);
    for (unsigned p = 0; p < 16; p++) {
        if (!c->entries[p])
            continue;
        if (json)
            fprintf(o->f, "%s{\"port\":%u,\"entries\":%u,\"static\":%u}", sep, p,
                    (unsigned)c->entries[p], (unsigned)c->statics[p]);
        else
            fprintf(o->f, "port %u: %u %s, %u static\n", p, (unsigned)c->entries[p],
                    ARL_NOUN(c->entries[p], "entry", "entries"), (unsigned)c->statics[p]);
        sep = ",";
    }
    if (json)
        fputs("]}\n", o->f);
    else
        fprintf(o->f, "total: %u %s, %u static, of %u\n", (unsigned)c->total,
                ARL_NOUN(c->total, "entry", "entries"), (unsigned)c->total_static,
                (unsigned)c->capacity);
}

int arl_out_flush(struct arl_out *o)
{
    return fflush(o->f) != 0 || ferror(o->f) ? -1 : 0;
}

int arl_out_end(struct arl_out *o)
{
    if ((o->form & ~ARL_FORM_PLACED) == ARL_FORM_JSON)
        fprintf(o->f, "%s]\n", o->n ? "\n" : "");
    return arl_out_flush(o);
}
