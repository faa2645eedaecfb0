/* arl apply FILE [prune] [check]: the static entries that FILE holds, in
 * save's format, made the switch's.  The changes are computed from one
 * listing, then made one by one (deletes first, then writes); the first
 * that fails undoes those made before it, where nobody has changed their
 * bins since. */
#include <stdio.h>
#include <string.h>

#include "args.h"
#include "arl_print.h"
#include "cmdfile.h"
#include "commands.h"
#include "parse.h"
#include "report.h"
#include "say.h"

#define WANT_MAX 4096u /* the entries the table can hold */

/* One desired entry, compact; and one change with what its bin held. */
struct want {
    uint8_t mac[6];
    uint8_t vid, pid, tc, age;
    uint16_t line; /* of FILE, for its messages */
    uint16_t next; /* 1 + the next entry of its hash chain */
    uint8_t same;  /* the switch holds it as it is */
};
struct change {
    uint16_t index; /* the desired entry (write), or the listing's row (delete) */
    uint8_t del;    /* 1: a delete */
    uint8_t made;   /* 1: made; 3: left, changed since; 4: left, the undo failed */
    uint8_t bin;    /* what the bin held: its bin and fields */
    uint8_t valid, sbit, age, pid, tc;
};

/* In static storage: the tool runs with a small stack. */
static struct {
    uint32_t n, changes;
    struct want want[WANT_MAX];
    uint16_t head[WANT_MAX];
    struct change change[2 * WANT_MAX];
} ap;

static uint32_t want_hash(const uint8_t *mac, uint32_t vid)
{
    uint32_t h = vid;
    for (int i = 0; i < 6; i++)
        h = h * 31u ^ mac[i];
    return h % WANT_MAX;
}

static struct want *find_want(const uint8_t *mac, uint32_t vid)
{
    for (uint32_t j = ap.head[want_hash(mac, vid)]; j; j = ap.want[j - 1].next)
        if (ap.want[j - 1].vid == vid && memcmp(ap.want[j - 1].mac, mac, 6) == 0)
            return &ap.want[j - 1];
    return NULL;
}

/* Reads FILE's lines into ap.want; every line at fault said.  0, or -1. */
static int read_file(const char *name, const char *file, const char *text, uint32_t len)
{
    char copy[BATCH_LINE_MAX + 1], err[ARL_ERR_LEN], f[NAME_TEXT_LEN], mac[ARL_MAC_TEXT_LEN];
    char *argv[LINE_WORDS];
    struct arl_cmd c;
    int bad = 0;
    uint32_t lineno = 0;
    name_text(file, f);
    memset(&ap, 0, sizeof ap);
    for (uint32_t pos = 0, n; pos < len;) {
        int newline;
        const char *line = batch_line(text, len, &pos, &n, &newline);
        lineno++;
        int argc = batch_words(name, line, n, copy, argv, err, sizeof err);
        if (argc == 1)
            continue;
        const struct want *first;
        if (argc > 1 && arl_parse(argc, argv, &c, err) == 0) {
            if (strcmp(c.word, "write") != 0 || !(c.arl.valid & c.arl.sbit))
                snprintf(err, sizeof err,
                         "expected arl write VID MAC 1 1 AGE TC PORT, a valid "
                         "static entry, as save writes them");
            else if ((first = find_want(c.arl.mac, (uint32_t)c.arl.vid)) != NULL)
                snprintf(err, sizeof err, "%s on VLAN %d again (first on line %u)",
                         arl_mac_text(c.arl.mac, mac), (int)c.arl.vid, (unsigned)first->line);
            else if (ap.n == WANT_MAX)
                snprintf(err, sizeof err, "more than the %u entries the table holds", WANT_MAX);
            else
                err[0] = '\0';
        }
        if (err[0]) {
            say("%s: %s:%u: %s", name, f, (unsigned)lineno, err);
            bad = 1;
            continue;
        }
        struct want *w = &ap.want[ap.n++];
        memcpy(w->mac, c.arl.mac, 6);
        w->vid = (uint8_t)c.arl.vid;
        w->pid = (uint8_t)c.arl.pid;
        w->tc = (uint8_t)c.arl.tc;
        w->age = (uint8_t)c.arl.age;
        w->line = (uint16_t)lineno;
        uint32_t h = want_hash(w->mac, w->vid);
        w->next = ap.head[h];
        ap.head[h] = (uint16_t)ap.n;
    }
    return bad ? -1 : 0;
}

/* The record that change i writes. */
static void change_data(const struct change *ch, arl_data *a)
{
    if (ch->del) {
        brcm53115_arl_list_row(&arl_lists[0], ch->index, a);
        a->valid = a->sbit = a->age = a->tc = a->pid = 0;
        return;
    }
    const struct want *w = &ap.want[ch->index];
    arl_data want = {0, w->vid, 1, 1, w->age, w->tc, w->pid, {0, 0, 0, 0, 0, 0}};
    memcpy(want.mac, w->mac, 6);
    *a = want;
}

static void add_change(uint32_t index, int del)
{
    struct change *ch = &ap.change[ap.changes++];
    ch->index = (uint16_t)index;
    ch->del = (uint8_t)del;
}

/* The changes, in the order they run: the deletes (with prune) in the
 * table's order, then the writes in FILE's order. */
static void plan(int prune)
{
    arl_data r;
    for (uint32_t i = 0; i < arl_lists[0].n; i++) {
        if (!brcm53115_arl_list_row(&arl_lists[0], i, &r) || !r.valid)
            continue;
        struct want *w = find_want(r.mac, (uint32_t)r.vid);
        if (w) /* the age flag is the switch's to change: not compared */
            w->same = r.sbit && w->pid == r.pid &&
                      (w->tc & BRCM53115_TC_MASK) == ((uint32_t)r.tc & BRCM53115_TC_MASK);
        else if (prune && r.sbit)
            add_change(i, 1);
    }
    for (uint32_t i = 0; i < ap.n; i++)
        if (!ap.want[i].same)
            add_change(i, 0);
}

/* Undoes the changes made, in reverse order; says how it went. */
static void undo(const char *name)
{
    char mac[ARL_MAC_TEXT_LEN];
    uint32_t made = 0, undone = 0;
    arl_data now, before;
    for (uint32_t i = ap.changes; i-- > 0;) {
        struct change *ch = &ap.change[i];
        if (ch->made != 1)
            continue;
        made++;
        change_data(ch, &now);
        before = now;
        before.entry = ch->bin;
        before.valid = ch->valid;
        before.sbit = ch->sbit;
        before.age = ch->age;
        before.pid = ch->pid;
        before.tc = ch->tc;
        int rc = brcm53115_undo_arl_tab(&now, &before);
        if (rc == 0)
            undone++;
        else
            ch->made = rc == BRCM53115_ABSENT ? 3 : 4;
    }
    say("%s: arl apply: %u of %u changes undone", name, (unsigned)undone, (unsigned)made);
    for (uint32_t i = 0; i < ap.changes; i++) {
        if (ap.change[i].made < 3)
            continue;
        change_data(&ap.change[i], &now);
        say("%s: arl apply: left changed: %s on VLAN %d (%s)", name, arl_mac_text(now.mac, mac),
            (int)now.vid,
            ap.change[i].made == 3 ? "changed by another since" : "the undo failed too");
    }
}

int arl_apply_func(struct arl_cmd *c)
{
    const char *name = c->name;
    long len = batch_read(name, c->file);
    if (len < 0 || batch_cut_short(name, c->file, batch_input, (uint32_t)len) ||
        read_file(name, c->file, batch_input, (uint32_t)len) != 0)
        return ARL_ERR_SAID;

    int rc = arl_list_strict(c);
    if (rc == 0)
        plan(c->prune);

    arl_data *bins = c->bins;
    if (rc == 0 && c->check) {
        struct arl_out o;
        arl_out_begin(&o, ARL_FORM_BATCH, stdout);
        for (uint32_t i = 0; i < ap.changes; i++) {
            change_data(&ap.change[i], &c->arl);
            arl_out_entry(&o, &c->arl);
        }
        rc = arl_out_end(&o) ? ARL_ERR_OUTPUT : 0;
    }
    int running = rc == 0 && !c->check;
    for (uint32_t i = 0; running && rc == 0 && i < ap.changes; i++) {
        struct change *ch = &ap.change[i];
        change_data(ch, &c->arl);
        rc = brcm53115_change_arl_tab(&c->arl, bins);
        if (rc != 0) {
            if (rc == BRCM53115_ABSENT && ch->del)
                rc = 0; /* gone meanwhile: as good as deleted */
            continue;
        }
        const arl_data *b = &bins[c->arl.entry == 1];
        ch->made = 1;
        ch->bin = (uint8_t)(c->arl.entry == 1);
        ch->valid = (uint8_t)(b->valid & 1);
        ch->sbit = (uint8_t)(b->sbit & 1);
        ch->age = (uint8_t)(b->age & 1);
        ch->pid = (uint8_t)b->pid;
        ch->tc = (uint8_t)b->tc;
    }
    c->rc = rc;
    if (rc == 0)
        return 0;
    arl_report(c, rc);
    if (running)
        undo(name);
    return ARL_ERR_SAID;
}
