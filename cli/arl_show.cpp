/* show, search port, save and get: the table as the switch's search hands
 * it out, each entry looked up in its bucket for its whole VLAN id, as
 * aligned columns, JSON, or a batch that puts the static entries back. */
#include <signal.h>
#include <stdio.h>
#include <string.h>

#include "arl_print.h"
#include "cli.h"

/* The search result carries the VLAN id's low 4 bits: an entry listed on
 * VLAN v lies on one of v, v + 16, ... up to the largest VLAN id. */
#define VID_STEP 16u
#define VID_LAST 255u
#define CANDIDATES 16u

/* The walk hands out at most one result per entry of the table. */
#define LIST_MAX 4096u

/* One listed entry, compact: a whole table of them is kept between the
 * walk and the printing. */
#define ROW_VALID 0x01u
#define ROW_STATIC 0x02u
#define ROW_AGE 0x04u
#define ROW_CONFIRMED 0x08u /* vid and the fields are the bucket's own */
#define ROW_DONE 0x10u      /* looked up */
struct row {
    uint8_t mac[6];
    uint8_t vid; /* the whole VLAN id once confirmed, else its low 4 bits */
    uint8_t pid;
    uint8_t tc;
    uint8_t flags;
    uint16_t next; /* 1 + the next row of its hash chain, 0: none */
};

/* In static storage: the tool runs with a small stack. */
static struct {
    uint32_t n;
    struct row rows[LIST_MAX];
    uint16_t head[LIST_MAX]; /* 1 + the first row of each hash chain */
} list;

static uint32_t hash(const uint8_t *mac, uint32_t vid)
{
    uint32_t h = vid & (VID_STEP - 1u);
    for (int i = 0; i < 6; i++)
        h = h * 33u ^ mac[i];
    return h % LIST_MAX;
}

static uint8_t row_flags(const arl_data *a)
{
    return (uint8_t)((a->valid & 1 ? ROW_VALID : 0) | (a->sbit & 1 ? ROW_STATIC : 0) |
                     (a->age & 1 ? ROW_AGE : 0));
}

static void keep(const arl_data *a, void *ctx)
{
    (void)ctx;
    if (list.n >= LIST_MAX)
        return;
    struct row *r = &list.rows[list.n++];
    memcpy(r->mac, a->mac, 6);
    r->vid = (uint8_t)a->vid;
    r->pid = (uint8_t)a->pid;
    r->tc = (uint8_t)a->tc;
    r->flags = row_flags(a);
}

static int same_key(const struct row *a, const struct row *b)
{
    return memcmp(a->mac, b->mac, 6) == 0 && ((a->vid ^ b->vid) & (VID_STEP - 1u)) == 0;
}

/* Looks up the rows that share row i's MAC and low VLAN bits, a group in
 * the walk's order, on the candidate VLAN ids in ascending order: the ids
 * found go to the group's rows in turn.  A row alone takes the first
 * found; a group looks up every candidate. */
static int confirm(uint32_t i)
{
    uint32_t group[CANDIDATES], k = 0, given = 0;
    for (uint32_t j = i + 1; j && k < CANDIDATES; j = list.rows[j - 1].next)
        if (same_key(&list.rows[j - 1], &list.rows[i]) && !(list.rows[j - 1].flags & ROW_DONE)) {
            list.rows[j - 1].flags |= ROW_DONE;
            group[k++] = j - 1;
        }
    arl_data a;
    memset(&a, 0, sizeof a);
    memcpy(a.mac, list.rows[i].mac, 6);
    for (uint32_t vid = list.rows[i].vid & (VID_STEP - 1u); vid <= VID_LAST; vid += VID_STEP) {
        a.vid = (int32_t)vid;
        int rc = brcm53115_lookup_arl_tab(&a);
        if (rc < 0)
            return rc;
        if (rc == 0 || given == k)
            continue;
        struct row *r = &list.rows[group[given++]];
        r->vid = (uint8_t)vid;
        r->pid = (uint8_t)a.pid;
        r->tc = (uint8_t)a.tc;
        r->flags = (uint8_t)(row_flags(&a) | ROW_CONFIRMED | ROW_DONE);
        if (k == 1)
            break;
    }
    return 0;
}

static void as_record(const struct row *r, arl_data *a)
{
    memset(a, 0, sizeof *a);
    memcpy(a->mac, r->mac, 6);
    a->vid = r->vid;
    a->pid = r->pid;
    a->tc = r->tc;
    a->valid = (r->flags & ROW_VALID) != 0;
    a->sbit = (r->flags & ROW_STATIC) != 0;
    a->age = (r->flags & ROW_AGE) != 0;
}

/* Output that cannot be written is a failure, a closed pipe too. */
static int output_done(void)
{
    if (fflush(stdout) != 0 || ferror(stdout))
        return ARL_ERR_OUTPUT;
    return 0;
}

int arl_get_print(const arl_data *arl, int json)
{
    signal(SIGPIPE, SIG_IGN);
    if (json)
        putchar('{');
    else
        arl_print_header();
    arl_print_row(arl, json);
    if (json)
        putchar('\n');
    return output_done();
}

int arl_show_func(int32_t port, int json, int save, arl_data *bad)
{
    /* The table is taken whole under the lock and printed after it, so
     * that a slow reader of the output never holds up the switch; each
     * lookup holds the lock on its own. */
    memset(&list, 0, sizeof list);
    int rc = brcm53115_walk_arl_tab(keep, NULL);
    for (uint32_t i = list.n; rc == 0 && i-- > 0;) {
        uint32_t h = hash(list.rows[i].mac, list.rows[i].vid);
        list.rows[i].next = list.head[h];
        list.head[h] = (uint16_t)(i + 1);
    }
    for (uint32_t i = 0; rc == 0 && i < list.n; i++)
        if (!(list.rows[i].flags & ROW_DONE))
            rc = confirm(i);
    if (rc < 0)
        return rc;

    /* A static entry saved on a VLAN id that nobody confirmed might be put
     * back on the wrong one: nothing is saved then. */
    arl_data a;
    char mac[ARL_MAC_TEXT_LEN];
    for (uint32_t i = 0; save && i < list.n; i++) {
        const struct row *r = &list.rows[i];
        if ((r->flags & (ROW_STATIC | ROW_CONFIRMED)) == ROW_STATIC) {
            as_record(r, bad);
            return ARL_ERR_UNCONFIRMED;
        }
    }

    signal(SIGPIPE, SIG_IGN);
    if (save)
        puts("# sw53115 arl save: the static entries; put them back with sw53115 -batch FILE");
    else if (json)
        arl_print_json_open();
    else
        arl_print_header();
    uint32_t shown = 0;
    for (uint32_t i = 0; i < list.n; i++) {
        const struct row *r = &list.rows[i];
        as_record(r, &a);
        if (port >= 0 && a.pid != port)
            continue;
        if (save) {
            if ((r->flags & (ROW_VALID | ROW_STATIC)) == (ROW_VALID | ROW_STATIC))
                printf("arl write %u %s 1 1 %u %u %u\n", (unsigned)a.vid, arl_mac_text(a.mac, mac),
                       (unsigned)a.age, (unsigned)a.tc, (unsigned)a.pid);
            continue;
        }
        if (json)
            printf("%s\n  {", shown ? "," : "");
        arl_print_row(&a, json);
        shown++;
    }
    if (json && !save)
        arl_print_json_close(shown);
    return output_done();
}
