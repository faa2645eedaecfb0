/* arl monitor: the table polled, and each difference from the poll before
 * printed as an event: new, gone, move, change, and flap for an entry that
 * keeps moving.  Each poll is a walk under the table lock, and lookups only
 * for the rows whose walk fields changed; the two listings (this poll and
 * the one before) and the flap records are in static storage. */
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/time.h>
#include <time.h>

#include "arl_clock.h"
#include "arl_print.h"
#include "commands.h"
#include "listing.h"
#include "report.h"

/* Failed polls end the watch only when they have failed, without a
 * success between them, for FAIL_MS from the start of the first and at
 * least FAILS_MIN polls; after a failed poll the next comes within
 * RETRY_MS.  Without an interval, the next poll starts PACE times the last
 * poll's length after its end, and PAUSE_MIN_MS at least: polling takes a
 * fifth of the time at most, however slow the switch. */
#define FAIL_MS 30000u
#define FAILS_MIN 5
#define RETRY_MS 5000u
#define PACE 4u
#define PAUSE_MIN_MS 1000u
#define FLAP_SLOTS 256u
#define FLAP_MOVES_MAX 16u

/* The recent moves of an entry that moved: the times of the last ones, in
 * milliseconds of the monotonic clock, oldest first; of one that flaps,
 * when its last flap line was said and the moves since. */
struct flap {
    uint8_t mac[6];
    uint8_t vid, used, flapping, n;
    uint32_t last; /* the last move */
    uint32_t said, since;
    uint32_t at[FLAP_MOVES_MAX];
};

static struct flap flaps[FLAP_SLOTS];
struct monitor {
    struct arl_cmd *c;
    struct arl_out out;
};

/* One event line, flushed: `old`, where given, is what the entry was (a
 * change says its fields that differ with `was`); `moves` those of a flap
 * since its last line.  Returns 0, or ARL_ERR_OUTPUT. */
static int event(struct monitor *m, const char *what, const arl_data *old, const arl_data *now,
                 int was, uint32_t moves)
{
    const brcm53115_arl_filter *f = &m->c->filter;
    if (!(old && brcm53115_arl_filter_passes(f, old)) &&
        !(now && brcm53115_arl_filter_passes(f, now)))
        return 0;
    struct timeval tv;
    gettimeofday(&tv, NULL);
    arl_out_event(&m->out, what, &tv, now ? now : old, now ? old : NULL, was, moves);
    return arl_out_flush(&m->out) ? ARL_ERR_OUTPUT : 0;
}

/* A line of the watch itself (JSON only: text has its stderr). */
static int note(struct monitor *m, const char *what, const char *error)
{
    struct timeval tv;
    if (!m->c->json)
        return 0;
    gettimeofday(&tv, NULL);
    arl_out_note(&m->out, what, &tv, error);
    return arl_out_flush(&m->out) ? ARL_ERR_OUTPUT : 0;
}

/* The flap record of an entry, made for its first move (the oldest record
 * given up when all are taken). */
static struct flap *flap_of(const arl_data *a)
{
    struct flap *free_slot = NULL, *oldest = &flaps[0];
    for (uint32_t i = 0; i < FLAP_SLOTS; i++) {
        struct flap *s = &flaps[i];
        if (s->used && s->vid == a->vid && memcmp(s->mac, a->mac, 6) == 0)
            return s;
        if (!s->used && !free_slot)
            free_slot = s;
        if (s->used && s->last < oldest->last)
            oldest = s;
    }
    struct flap *s = free_slot ? free_slot : oldest;
    memset(s, 0, sizeof *s);
    memcpy(s->mac, a->mac, 6);
    s->vid = (uint8_t)a->vid;
    s->used = 1;
    return s;
}

/* A move: a flap when it makes MOVES within SECONDS; said again, with the
 * moves since, at the first move SECONDS or more after its last line, until
 * the entry has stayed on one port for SECONDS (then settled). */
static int moved(struct monitor *m, const arl_data *old, const arl_data *now, uint32_t t)
{
    uint32_t window = (uint32_t)m->c->flap_secs * 1000u, moves = (uint32_t)m->c->flap_moves;
    struct flap *s = flap_of(now);
    if (s->n == moves) {
        memmove(s->at, s->at + 1, (moves - 1) * sizeof s->at[0]);
        s->n--;
    }
    s->at[s->n++] = s->last = t;
    if (s->flapping) {
        s->since++;
        if (t - s->said < window)
            return 0;
        uint32_t since = s->since;
        s->said = t;
        s->since = 0;
        return event(m, "flap", old, now, 0, since);
    }
    if (s->n < moves || t - s->at[0] > window)
        return 0;
    s->flapping = 1;
    s->said = t;
    s->since = 0;
    return event(m, "flap", old, now, 0, 0);
}

/* The events between the poll before (prev) and this one (cur). */
static int differences(struct monitor *m, const brcm53115_arl_list *prev,
                       const brcm53115_arl_list *cur, uint32_t t)
{
    arl_data a, b;
    int rc = 0;
    for (uint32_t i = 0; rc == 0 && i < cur->n; i++) {
        if (!brcm53115_arl_list_row(cur, i, &a))
            continue; /* looked up when it has settled */
        uint32_t j = brcm53115_arl_find_row(prev, a.mac, (uint32_t)a.vid);
        if (!j) {
            rc = event(m, "new", NULL, &a, 0, 0);
            continue;
        }
        brcm53115_arl_list_row(prev, j - 1, &b);
        if (a.pid != b.pid) {
            rc = event(m, "move", &b, &a, 1, 0);
            if (rc == 0)
                rc = moved(m, &b, &a, t);
        } else if (a.sbit != b.sbit || a.tc != b.tc) {
            rc = event(m, "change", &b, &a, 1, 0);
        }
    }
    for (uint32_t i = 0; rc == 0 && i < prev->n; i++) {
        if (!brcm53115_arl_list_row(prev, i, &b) ||
            brcm53115_arl_find_row(cur, b.mac, (uint32_t)b.vid))
            continue;
        /* A row of this poll that no lookup confirmed may be this entry. */
        if (!brcm53115_arl_list_unsure(cur, &b))
            rc = event(m, "gone", &b, NULL, 0, 0);
    }
    /* An entry that stayed on one port for SECONDS may flap again; one that
     * flapped has settled, where it is still there. */
    for (uint32_t i = 0; rc == 0 && i < FLAP_SLOTS; i++) {
        struct flap *s = &flaps[i];
        if (!s->used || t - s->last < (uint32_t)m->c->flap_secs * 1000u)
            continue;
        uint32_t j = s->flapping ? brcm53115_arl_find_row(cur, s->mac, s->vid) : 0;
        s->used = 0;
        if (j && brcm53115_arl_list_row(cur, j - 1, &a))
            rc = event(m, "settled", NULL, &a, 0, 0);
    }
    return rc;
}

int arl_monitor_func(struct arl_cmd *c)
{
    struct monitor m;
    m.c = c;
    arl_out_begin(&m.out, c->json ? ARL_FORM_LINES : ARL_FORM_EVENTS, stdout);
    memset(flaps, 0, sizeof flaps);
    arl_stop_on_signals(1);

    /* Only the MAC narrows the listing: an event is shown when the entry's
     * old or its new state passes, so every other entry is followed. */
    brcm53115_arl_filter mac_only = c->filter;
    mac_only.vid = mac_only.pid = -1;
    mac_only.kind = BRCM53115_KIND_ANY;

    brcm53115_arl_list *prev = &arl_lists[1], *cur = &arl_lists[0];
    int base = 0, fails = 0, failed = 0, said = 0, rc = 0;
    uint32_t failing_since = 0;
    for (int32_t polls = 0; !arl_stopping && (c->count == 0 || polls < c->count); polls++) {
        uint32_t start = arl_clock(ARL_MS);
        said = 0;
        rc = brcm53115_list_arl_tab(cur, &mac_only, base ? prev : NULL, 0, NULL, NULL);
        if (rc == 0 && base)
            rc = differences(&m, prev, cur, start);
        if (rc == 0 && fails > 0)
            rc = note(&m, "recovered", NULL);
        else if (rc < 0 && rc != ARL_ERR_OUTPUT && rc != BRCM53115_ERR_STOPPED &&
                 note(&m, "fault", brcm53115_strerror(rc)) != 0)
            rc = ARL_ERR_OUTPUT;
        if (rc == ARL_ERR_OUTPUT || rc == BRCM53115_ERR_STOPPED)
            break;
        uint32_t end = arl_clock(ARL_MS), interval = (uint32_t)c->interval;
        if (interval == 0)
            interval = PACE * (end - start) > PAUSE_MIN_MS ? PACE * (end - start) : PAUSE_MIN_MS;
        if (rc == 0) {
            brcm53115_arl_list *t = prev;
            prev = cur;
            cur = t;
            base = 1;
            fails = 0;
        } else {
            failed = 1;
            if (fails++ == 0)
                failing_since = start;
            /* The failure that ends the watch is said as its result. */
            if ((fails >= FAILS_MIN && arl_clock(ARL_MS) - failing_since >= FAIL_MS) ||
                polls + 1 == c->count)
                break;
            arl_report(c, rc);
            said = 1;
            if (interval > RETRY_MS)
                interval = RETRY_MS;
        }
        /* From the end of one poll to the start of the next. */
        uint32_t spent = arl_clock(ARL_MS) - end;
        if (spent < interval && (c->count == 0 || polls + 1 < c->count)) {
            uint32_t left = interval - spent;
            struct timespec ts = {(time_t)(left / 1000u), (long)(left % 1000u) * 1000000L};
            while (!arl_stopping && nanosleep(&ts, &ts) != 0 && errno == EINTR) {
            }
        }
    }
    arl_stop_on_signals(0);
    if (rc == BRCM53115_ERR_STOPPED || said)
        rc = 0;
    /* A watch of count polls tells of any that failed. */
    return rc == 0 && failed && c->count != 0 ? ARL_ERR_POLLS : rc;
}
