/* arl apply FILE [prune] [check]: the static entries that FILE holds, in
 * save's format, made the switch's.  The changes are planned from one
 * listing and a read of each desired entry's bucket: where a bucket has
 * no room, a learned (dynamic) entry of another address is deleted to make
 * it, never a static one.  Then they are made one by one (deletes first,
 * then writes, each taking the same rule on what its bucket holds then);
 * the first that fails undoes those made before it, where nobody has
 * changed their bins since. */
#include <stdio.h>
#include <string.h>

#include "args.h"
#include "arl_print.h"
#include "cmdfile.h"
#include "commands.h"
#include "listing.h"
#include "parse.h"
#include "say.h"

#define WANT_MAX ((uint32_t)BRCM53115_ARL_ENTRIES)

/* One desired entry. */
struct want {
    brcm53115_arl_row e;
    uint16_t line; /* of FILE, for its messages */
    uint16_t next; /* 1 + the next entry of its hash chain */
    uint8_t same;  /* the switch holds it as it is */
};

/* A change: a write of a desired entry, a delete of a static entry FILE
 * lacks (a row of the listing), or of a learned entry for room (planned:
 * an index into room; made at run time: NO_INDEX, the entry in its log
 * record). */
#define CH_WRITE 0
#define CH_PRUNE 1
#define CH_ROOM 2
#define NO_INDEX 0xFFFFu
struct change {
    uint16_t index;
    uint8_t kind;
};

/* A change made, with what its bin held, for the undo. */
#define MADE 1
#define LEFT_CHANGED 3 /* someone changed the bin since */
#define LEFT_FAILED 4  /* the undo failed too */
#define LEFT_TWICE 5   /* the entry stands in the other bin now */
struct made {
    struct change ch;
    uint8_t state;
    uint8_t bin;
    brcm53115_arl_row held;
};

/* A bucket as the plan sees it: as read, and as the changes planned so far
 * leave it; found again through its valid entries as read (chained by
 * bin: node 2 k + b + 1 is bin b of bucket k). */
struct slot {
    brcm53115_arl_row read[2], now[2];
    uint16_t next[2];
};

/* A write that finds its bucket full at run time deletes a learned entry
 * there and tries again, this many times at most. */
#define RUN_ROOMS 2u

/* In static storage: the tool runs with a small stack.  Every array is
 * sized for the most that FILE and the table can ask of it: a change per
 * desired entry, a planned room per desired entry, a prune per row of the
 * listing, RUN_ROOMS deletes per write at run time, a bucket per desired
 * entry. */
static struct {
    uint32_t n, changes, rooms, made, slots;
    int end_zero; /* FILE's last line is save's end line for no entries */
    int running;  /* the changes have begun: a failure undoes them */
    struct want want[WANT_MAX];
    uint16_t head[WANT_MAX];
    brcm53115_arl_row room[WANT_MAX];
    struct change change[3 * WANT_MAX];
    struct made log[(3 + RUN_ROOMS) * WANT_MAX];
    struct slot slot[WANT_MAX];
    uint16_t slot_head[WANT_MAX];
} ap;

static int same_key(const brcm53115_arl_row *a, const brcm53115_arl_row *b)
{
    return a->vid == b->vid && memcmp(a->mac, b->mac, 6) == 0;
}

static struct want *find_want(const uint8_t *mac, uint32_t vid)
{
    for (uint32_t j = ap.head[brcm53115_arl_hash(mac, vid)]; j; j = ap.want[j - 1].next)
        if (ap.want[j - 1].e.vid == vid && memcmp(ap.want[j - 1].e.mac, mac, 6) == 0)
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
    /* Only what is read before it is written: the rest of ap stays
     * untouched, and so unmapped, as far as a small file leaves it. */
    ap.n = ap.changes = ap.rooms = ap.made = ap.slots = 0;
    ap.end_zero = 0;
    memset(ap.head, 0, sizeof ap.head);
    memset(ap.slot_head, 0, sizeof ap.slot_head);
    for (uint32_t pos = 0, n; pos < len;) {
        int newline;
        const char *line = batch_line(text, len, &pos, &n, &newline);
        lineno++;
        int argc = batch_words(name, line, n, copy, argv, err, sizeof err);
        if (argc == 1) {
            /* save's end line for no entries, the last line that is not
             * blank: a saved empty configuration */
            if (n > 0)
                ap.end_zero =
                    n == strlen(ARL_SAVE_END_NONE) && memcmp(line, ARL_SAVE_END_NONE, n) == 0;
            continue;
        }
        ap.end_zero = 0;
        const struct want *first;
        if (argc > 1 && arl_parse(argc, argv, &c, err) == 0) {
            if (strcmp(c.form->text.word, "write") != 0 || !(c.arl.valid & c.arl.sbit))
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
        brcm53115_arl_row_pack(&c.arl, &w->e);
        w->line = (uint16_t)lineno;
        w->same = 0;
        uint32_t h = brcm53115_arl_hash(w->e.mac, w->e.vid);
        w->next = ap.head[h];
        ap.head[h] = (uint16_t)ap.n;
    }
    return bad ? -1 : 0;
}

/* The entry that a change writes, or (a delete) the entry it expects to
 * delete; `held`: what a room made at run time deleted. */
static void change_entry(const struct change *ch, const brcm53115_arl_row *held, arl_data *a)
{
    if (ch->kind == CH_WRITE)
        brcm53115_arl_row_unpack(&ap.want[ch->index].e, a);
    else if (ch->kind == CH_PRUNE)
        brcm53115_arl_list_row(&arl_lists[0], ch->index, a);
    else
        brcm53115_arl_row_unpack(ch->index == NO_INDEX ? held : &ap.room[ch->index], a);
}

/* The record that a change writes: a delete's is its key, invalid. */
static void change_data(const struct change *ch, const brcm53115_arl_row *held, arl_data *a)
{
    change_entry(ch, held, a);
    if (ch->kind != CH_WRITE)
        a->valid = a->sbit = a->age = a->tc = a->pid = 0;
}

static void add_change(uint32_t index, int kind)
{
    struct change *ch = &ap.change[ap.changes++];
    ch->index = (uint16_t)index;
    ch->kind = (uint8_t)kind;
}

/* The plan's bucket that a read shows: one whose read showed a valid entry
 * that this one shows too, or NULL (a bucket that reads empty cannot be
 * told from another). */
static struct slot *slot_of(const brcm53115_arl_row *read)
{
    for (int x = 0; x < 2; x++) {
        if (!(read[x].flags & BRCM53115_ROW_VALID))
            continue;
        for (uint32_t j = ap.slot_head[brcm53115_arl_hash(read[x].mac, read[x].vid)]; j;) {
            struct slot *s = &ap.slot[(j - 1) / 2];
            const brcm53115_arl_row *a = &s->read[(j - 1) % 2];
            if ((a->flags & BRCM53115_ROW_VALID) && same_key(a, &read[x]))
                return s;
            j = s->next[(j - 1) % 2];
        }
    }
    return NULL;
}

/* A new bucket of the plan, found again by its valid entries. */
static struct slot *new_slot(const brcm53115_arl_row *read)
{
    uint32_t k = ap.slots++;
    struct slot *s = &ap.slot[k];
    memcpy(s->read, read, sizeof s->read);
    memcpy(s->now, read, sizeof s->now);
    for (uint32_t b = 0; b < 2; b++) {
        s->next[b] = 0;
        if (!(read[b].flags & BRCM53115_ROW_VALID))
            continue;
        uint32_t h = brcm53115_arl_hash(read[b].mac, read[b].vid);
        s->next[b] = ap.slot_head[h];
        ap.slot_head[h] = (uint16_t)(2 * k + b + 1);
    }
    return s;
}

/* The changes, in the order they run: the deletes (with prune) in the
 * table's order, then the writes in FILE's order, each after the delete
 * that makes its room.  Returns 0, or the first result that stops it: a
 * bucket the plan finds without room (c->arl the entry, c->bins what the
 * bucket will hold), or a failure of a bucket read. */
static int plan(struct arl_cmd *c)
{
    arl_data r, bins[2];
    for (uint32_t i = 0; i < arl_lists[0].n; i++) {
        if (!brcm53115_arl_list_row(&arl_lists[0], i, &r) || !r.valid)
            continue;
        struct want *w = find_want(r.mac, (uint32_t)r.vid);
        if (w) /* the age flag is the switch's to change: not compared */
            w->same = r.sbit && w->e.pid == r.pid &&
                      (w->e.tc & BRCM53115_TC_MASK) == ((uint32_t)r.tc & BRCM53115_TC_MASK);
        else if (c->prune && r.sbit)
            add_change(i, CH_PRUNE);
    }
    for (uint32_t i = 0; i < ap.n; i++) {
        if (ap.want[i].same)
            continue;
        const brcm53115_arl_row *w = &ap.want[i].e;
        brcm53115_arl_row_unpack(w, &c->arl);
        int rc = brcm53115_bucket_arl_tab(&c->arl, bins);
        if (rc < 0)
            return rc;
        brcm53115_arl_row read[2];
        brcm53115_arl_row_pack(&bins[0], &read[0]);
        brcm53115_arl_row_pack(&bins[1], &read[1]);
        struct slot *s = slot_of(read);
        if (!s) { /* one a desired entry at most */
            s = new_slot(read);
            /* The deletes run first: a static entry FILE lacks is gone. */
            for (int b = 0; b < 2 && c->prune; b++)
                if ((s->now[b].flags & BRCM53115_ROW_STATIC) &&
                    !find_want(s->now[b].mac, s->now[b].vid))
                    s->now[b].flags = 0;
        }
        brcm53115_arl_row_unpack(&s->now[0], &c->bins[0]);
        brcm53115_arl_row_unpack(&s->now[1], &c->bins[1]);
        int b = brcm53115_arl_bin_of(c->bins, &c->arl);
        if (b < 0 && (b = brcm53115_arl_room_of(c->bins)) >= 0) {
            ap.room[ap.rooms] = s->now[b];
            add_change(ap.rooms++, CH_ROOM);
        }
        if (b < 0)
            return BRCM53115_ERR_FULL;
        s->now[b] = *w;
        add_change(i, CH_WRITE);
    }
    return 0;
}

/* Makes one change, logged with what its bin held (`held`: the entry of a
 * room made at run time).  A delete names what it expects, checked in the
 * same hold of the lock: a room only a learned entry, a prune only a static
 * entry on the port the listing showed.  The result of the change or the
 * delete; c->arl the change's record, c->bins what the bucket held. */
static int make(struct arl_cmd *c, const struct change *ch, const brcm53115_arl_row *held)
{
    brcm53115_arl_filter f;
    arl_data e;
    int rc;
    change_data(ch, held, &c->arl);
    if (ch->kind == CH_WRITE) {
        rc = brcm53115_change_arl_tab(&c->arl, c->bins);
    } else {
        change_entry(ch, held, &e);
        memset(&f, 0, sizeof f);
        f.vid = -1;
        f.pid = ch->kind == CH_PRUNE ? e.pid : -1;
        f.kind = ch->kind == CH_PRUNE ? BRCM53115_KIND_STATIC : BRCM53115_KIND_DYNAMIC;
        rc = brcm53115_delete_arl_tab(&c->arl, &f, c->bins);
    }
    if (rc != 0)
        return rc;
    struct made *m = &ap.log[ap.made++];
    m->ch = *ch;
    m->state = MADE;
    m->bin = (uint8_t)(c->arl.entry == 1);
    brcm53115_arl_row_pack(&c->bins[m->bin], &m->held);
    return 0;
}

/* Makes the planned changes; a write whose bucket has no room deletes a
 * learned entry there first, as the plan does (at most RUN_ROOMS times).
 * A delete that finds its entry gone or changed (a room turned static, a
 * prune turned learned or moved) leaves it.  Returns 0, or the first
 * failure (c->arl the entry, c->bins its bucket). */
static int run(struct arl_cmd *c)
{
    static const struct change room = {NO_INDEX, CH_ROOM};
    int rc = 0;
    for (uint32_t i = 0; rc == 0 && i < ap.changes; i++) {
        const struct change *ch = &ap.change[i];
        rc = make(c, ch, NULL);
        if (ch->kind != CH_WRITE && rc == BRCM53115_ABSENT)
            rc = 0;
        /* A host learned since the plan, or one the plan made room over
         * that came back, or a room refused: the rule again, on what the
         * bucket holds now. */
        for (uint32_t k = 0; rc == BRCM53115_ERR_FULL && k < RUN_ROOMS; k++) {
            int b = brcm53115_arl_room_of(c->bins);
            if (b < 0)
                break;
            brcm53115_arl_row learned;
            brcm53115_arl_row_pack(&c->bins[b], &learned);
            rc = make(c, &room, &learned);
            if (rc == 0 || rc == BRCM53115_ABSENT)
                rc = make(c, ch, NULL);
        }
    }
    return rc;
}

/* -s: what was done, one line. */
static int stats(const struct arl_cmd *c)
{
    struct arl_count n[4] = {{"written", "%s written, ", 0},
                             {"pruned", "%s pruned, ", 0},
                             {"room", "%s learned deleted for room, ", 0},
                             {"unchanged", "%s unchanged", 0}};
    for (uint32_t i = 0; i < ap.made; i++)
        n[ap.log[i].ch.kind].n++;
    for (uint32_t i = 0; i < ap.n; i++)
        n[3].n += ap.want[i].same;
    return arl_out_tally(stdout, c->json, n, 4) ? ARL_ERR_OUTPUT : 0;
}

int arl_apply_func(struct arl_cmd *c)
{
    ap.running = 0;
    long len = batch_read(c->name, c->file);
    if (len < 0 || read_file(c->name, c->file, batch_input, (uint32_t)len) != 0 ||
        batch_cut_short(c->name, c->file, batch_input, (uint32_t)len))
        return ARL_ERR_FILE;

    int rc = arl_list_print(c, &arl_statics, 1, 0, NULL, NULL);
    if (rc == 0)
        rc = plan(c);
    if (rc == 0 && c->prune && ap.n == 0 && !ap.end_zero && ap.changes > 0) {
        c->changes = ap.changes;
        return ARL_ERR_PRUNE_ALL;
    }
    if (rc == 0 && c->check) {
        struct arl_out o;
        arl_out_begin(&o, ARL_FORM_BATCH, stdout);
        for (uint32_t i = 0; i < ap.changes; i++) {
            change_data(&ap.change[i], NULL, &c->arl);
            arl_out_entry(&o, &c->arl);
        }
        return arl_out_end(&o) ? ARL_ERR_OUTPUT : 0;
    }
    ap.running = rc == 0;
    if (ap.running)
        rc = run(c);
    if (rc != 0)
        return rc;
    ap.running = 0; /* done: nothing to undo */
    return c->stats ? stats(c) : 0;
}

/* Undoes the changes made, in reverse order, once the failure is said;
 * says how it went. */
void arl_apply_undo(struct arl_cmd *c)
{
    static const char *const why[] = {"changed by another since", "the undo failed too",
                                      "there again in the other bin of its bucket"};
    char mac[ARL_MAC_TEXT_LEN];
    uint32_t undone = 0;
    arl_data now, before;
    if (!ap.running)
        return;
    for (uint32_t i = ap.made; i-- > 0;) {
        struct made *m = &ap.log[i];
        change_data(&m->ch, &m->held, &now);
        brcm53115_arl_row_unpack(&m->held, &before);
        before.entry = m->bin;
        int rc = brcm53115_undo_arl_tab(&now, &before);
        if (rc == 0)
            undone++;
        else
            m->state = rc == BRCM53115_ABSENT   ? LEFT_CHANGED
                       : rc == BRCM53115_EXISTS ? LEFT_TWICE
                                                : LEFT_FAILED;
    }
    say("%s: arl apply: %u of %u %s undone", c->name, (unsigned)undone, (unsigned)ap.made,
        ARL_NOUN(ap.made, "change", "changes"));
    for (uint32_t i = 0; i < ap.made; i++) {
        const struct made *m = &ap.log[i];
        if (m->state == MADE)
            continue;
        change_data(&m->ch, &m->held, &now);
        say("%s: arl apply: left changed: %s on VLAN %d (%s)", c->name, arl_mac_text(now.mac, mac),
            (int)now.vid, why[m->state - LEFT_CHANGED]);
    }
}
