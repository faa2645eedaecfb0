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

/* The fields, one call each, as iproute2's print_*(PRINT_ANY, ...): in
 * JSON the member "key" and its value, in text `fmt` with its value; a
 * field without a key is text only, one without fmt JSON only. */
static void member(struct arl_out *o, const char *key)
{
    fprintf(o->f, "%s\"%s\":", o->members++ ? "," : "", key);
}

/* A string; `raw`: its JSON value as it is (a number), else quoted. */
static void put_s(struct arl_out *o, const char *key, const char *fmt, const char *v, int raw)
{
    if (!is_json(o) && fmt)
        fprintf(o->f, fmt, v);
    if (!is_json(o) || !key)
        return;
    member(o, key);
    fputs(raw ? "" : "\"", o->f);
    for (const char *p = v; *p; p++) {
        if (!raw && (*p == '"' || *p == '\\'))
            putc('\\', o->f);
        putc((unsigned char)*p < 0x20 ? '?' : *p, o->f);
    }
    fputs(raw ? "" : "\"", o->f);
}

static void put_u(struct arl_out *o, const char *key, const char *fmt, unsigned v)
{
    char n[12];
    snprintf(n, sizeof n, "%u", v);
    put_s(o, key, fmt, n, 1);
}

/* A flag: true or false in JSON, words[0] or words[1] in text. */
static const char *const digits[2] = {"0", "1"};
static const char *const kinds[2] = {"dynamic", "static"};
static void put_flag(struct arl_out *o, const char *key, const char *fmt, int32_t v,
                     const char *const *words)
{
    static const char *const truth[2] = {"false", "true"};
    put_s(o, key, fmt, (is_json(o) ? truth : words)[v & 1], 1);
}

/* A JSON object or array opens: the member `key`, or (key NULL) an
 * element of the array it is in.  And closes. */
static void nest(struct arl_out *o, const char *key, const char *bracket)
{
    if (!is_json(o))
        return;
    if (key)
        member(o, key);
    else if (o->members)
        putc(',', o->f);
    fputs(bracket, o->f);
    o->members = 0;
}

static void unnest(struct arl_out *o, const char *bracket)
{
    if (is_json(o))
        fputs(bracket, o->f);
    o->members = 1;
}

/* A line of its own begins (an element of the array, an object a line)
 * and ends. */
static void line_open(struct arl_out *o)
{
    if ((o->form & ~ARL_FORM_PLACED) == ARL_FORM_JSON)
        fprintf(o->f, "%s\n  ", o->n ? "," : "");
    o->members = 0;
    nest(o, NULL, "{");
}

static void line_close(struct arl_out *o)
{
    fputs(!is_json(o) ? "\n" : o->form == ARL_FORM_LINES ? "}\n" : "}", o->f);
    o->n++;
}

/* The entry's columns or members. */
static void fields(struct arl_out *o, const arl_data *r)
{
    char mac[ARL_MAC_TEXT_LEN];
    put_s(o, "mac", "%s ", arl_mac_text(r->mac, mac), 0);
    put_u(o, "vid", "%3s ", (unsigned)r->vid);
    put_u(o, "port", "%4s ", (unsigned)r->pid);
    put_flag(o, "static", "%6s ", r->sbit, digits);
    put_flag(o, "age", "%3s ", r->age, digits);
    put_flag(o, "valid", "%5s ", r->valid, digits);
    put_u(o, "tc", "%2s", (unsigned)r->tc);
}

void arl_out_entry(struct arl_out *o, const arl_data *r)
{
    char mac[ARL_MAC_TEXT_LEN];
    if (o->form != ARL_FORM_BATCH) {
        arl_out_placed(o, 0, 0, r);
        return;
    }
    arl_mac_text(r->mac, mac);
    put_u(o, NULL, r->valid & 1 ? "arl write %s" : "arl del %s", (unsigned)r->vid);
    put_s(o, NULL, r->valid & 1 ? " %s 1 1" : " %s\n", mac, 0);
    if (r->valid & 1) {
        put_u(o, NULL, " %s", (unsigned)(r->age & 1));
        put_u(o, NULL, " %s", (unsigned)r->tc);
        put_u(o, NULL, " %s\n", (unsigned)r->pid);
    }
    o->n++;
}

void arl_out_placed(struct arl_out *o, uint32_t bucket, uint32_t bin, const arl_data *r)
{
    line_open(o);
    if (o->form & ARL_FORM_PLACED) {
        put_u(o, "bucket", "%6s ", (unsigned)bucket);
        put_u(o, "bin", "%3s ", (unsigned)bin);
    }
    fields(o, r);
    line_close(o);
}

/* A watch's line begins: its time, and what happened. */
static void event_head(struct arl_out *o, const char *what, const struct timeval *t)
{
    char when[64];
    struct tm tm;
    time_t sec = t->tv_sec;
    localtime_r(&sec, &tm);
    if (is_json(o))
        snprintf(when, sizeof when, "%lu.%03u", (unsigned long)t->tv_sec,
                 (unsigned)(t->tv_usec / 1000));
    else
        snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900,
                 tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    line_open(o);
    put_s(o, "time", "%s", when, 1);
    put_s(o, "event", " %s", what, 0);
}

void arl_out_note(struct arl_out *o, const char *what, const struct timeval *t, const char *error)
{
    event_head(o, what, t);
    if (error)
        put_s(o, "error", " %s", error, 0);
    line_close(o);
}

void arl_out_event(struct arl_out *o, const char *what, const struct timeval *t, const arl_data *e,
                   const arl_data *old, int was, uint32_t moves)
{
    int from = old && old->pid != e->pid;
    int was_static = was && old && (old->sbit & 1) != (e->sbit & 1);
    int was_tc = was && old && old->tc != e->tc;
    char mac[ARL_MAC_TEXT_LEN];
    event_head(o, what, t);
    put_s(o, "mac", " %s", arl_mac_text(e->mac, mac), 0);
    put_u(o, "vid", " vid %s", (unsigned)e->vid);
    put_u(o, "port", " port %s", (unsigned)e->pid);
    if (from)
        put_u(o, NULL, " from %s", (unsigned)old->pid);
    put_flag(o, "static", " %s", e->sbit, kinds);
    put_flag(o, "age", NULL, e->age, digits);
    put_flag(o, "valid", NULL, e->valid, digits);
    put_u(o, "tc", e->tc ? " tc %s" : NULL, (unsigned)e->tc);
    if (from)
        put_u(o, "from", NULL, (unsigned)old->pid);
    if (moves) /* a flap's: never with was */
        put_u(o, "moves", " moves %s", (unsigned)moves);
    if (was_static || was_tc) {
        put_s(o, NULL, " was", "", 0);
        nest(o, "was", "{");
        if (was_static)
            put_flag(o, "static", " %s", old->sbit, kinds);
        if (was_tc)
            put_u(o, "tc", " tc %s", (unsigned)old->tc);
        unnest(o, "}");
    }
    line_close(o);
}

void arl_out_counts(struct arl_out *o, const struct arl_counts *c)
{
    line_open(o);
    put_u(o, "total", NULL, (unsigned)c->total);
    put_u(o, "static", NULL, (unsigned)c->total_static);
    put_u(o, "dynamic", NULL, (unsigned)(c->total - c->total_static));
    put_u(o, "capacity", NULL, (unsigned)c->capacity);
    nest(o, "ports", "[");
    for (unsigned p = 0; p < 16; p++) {
        if (!c->entries[p])
            continue;
        nest(o, NULL, "{");
        put_u(o, "port", "port %s: ", p);
        put_u(o, "entries", "%s", (unsigned)c->entries[p]);
        put_s(o, NULL, " %s, ", ARL_NOUN(c->entries[p], "entry", "entries"), 0);
        put_u(o, "static", "%s static\n", (unsigned)c->statics[p]);
        unnest(o, "}");
    }
    unnest(o, "]");
    put_u(o, NULL, "total: %s", (unsigned)c->total);
    put_s(o, NULL, " %s, ", ARL_NOUN(c->total, "entry", "entries"), 0);
    put_u(o, NULL, "%s static, ", (unsigned)c->total_static);
    put_u(o, NULL, "of %s", (unsigned)c->capacity);
    line_close(o);
}

int arl_out_tally(FILE *f, int json, const struct arl_count *c, uint32_t k)
{
    struct arl_out o;
    arl_out_begin(&o, json ? ARL_FORM_LINES : ARL_FORM_EVENTS, f);
    line_open(&o);
    for (uint32_t i = 0; i < k; i++)
        put_u(&o, c[i].key, c[i].text, c[i].n);
    line_close(&o);
    return arl_out_end(&o);
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
