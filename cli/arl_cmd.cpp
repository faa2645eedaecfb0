/* The ARL commands: parse the words into one arl_data record, naming the
 * first word at fault, and run one table operation on it. */
#include <errno.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "arl_print.h"
#include "cli.h"

/* Largest value each numeric argument may take: the width of the field
 * that holds it. */
#define VID_MAX 255u /* the VLAN id registers are one byte wide */
#define FLAG_MAX 1u  /* valid, static, age */
#define TC_MAX 7u    /* as the usage promises; the entry keeps 2 bits */
#define PID_MAX 15u  /* 4-bit port field of an entry */
#define MWRITE_VID 6 /* VLAN of the mwrite and mdel commands */

void dump_arl_data(arl_data *arl)
{
    (void)arl;
}

/* The arguments: a code, the name the messages give, the largest value (0
 * for the MAC) and the record's field that takes it. */
static const struct arg_kind {
    char code;
    const char *name;
    uint32_t max;
    size_t field;
} kinds[] = {
    {'m', "MAC", 0, offsetof(arl_data, mac)},
    {'v', "VID", VID_MAX, offsetof(arl_data, vid)},
    {'a', "VALID", FLAG_MAX, offsetof(arl_data, valid)},
    {'s', "STATIC", FLAG_MAX, offsetof(arl_data, sbit)},
    {'g', "AGE", FLAG_MAX, offsetof(arl_data, age)},
    {'t', "TC", TC_MAX, offsetof(arl_data, tc)},
    {'p', "PORT", PID_MAX, offsetof(arl_data, pid)},
};

#define OPT_VID 1  /* a VID may come before the arguments */
#define OPT_JSON 2 /* --json may come after them */

/* The commands: their words, their arguments in order, and what the
 * messages say they take. */
static const struct form {
    const char *word;
    int op;
    const char *args;
    int opts;
    const char *usage;
} forms[] = {
    {"read", ARL_OP_READ, "m", OPT_VID, "[VID] MAC"},
    {"search", ARL_OP_SEARCH, "m", 0, "MAC or search port PORT [--json]"},
    {"get", ARL_OP_GET, "m", OPT_VID | OPT_JSON, "[VID] MAC [--json]"},
    {"write", ARL_OP_UPDATE, "vmasgtp", 0, "VID MAC VALID STATIC AGE TC PORT"},
    {"mwrite", ARL_OP_UPDATE, "spmg", 0, "STATIC PORT MAC AGE"},
    {"mdel", ARL_OP_UPDATE, "spmg", 0, "STATIC PORT MAC AGE"},
    {"show", ARL_OP_SHOW, "", OPT_JSON, "[--json]"},
    {"save", ARL_OP_SAVE, "", 0, "with nothing after it"},
};
static const struct form search_port = {"search", ARL_OP_SHOW, "p", OPT_JSON, "port PORT [--json]"};

static int malformed(char *err, const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(err, ARL_ERR_LEN, fmt, ap);
    va_end(ap);
    return -1;
}

int arl_parse(int argc, char **argv, struct arl_cmd *c, char *err)
{
    char w0[WORD_TEXT_LEN], w1[16];
    memset(c, 0, sizeof *c);
    c->port = -1;
    if (argc < 2 || strcmp(argv[1], "arl") != 0)
        return malformed(err, "unknown command '%s': expected arl",
                         word_text(argc < 2 ? "" : argv[1], w0));
    const char *cmds = "expected read, search, get, write, mwrite, mdel, show or save";
    if (argc < 3)
        return malformed(err, "arl: missing command: %s", cmds);

    const struct form *f = NULL;
    for (size_t i = 0; i < sizeof forms / sizeof forms[0] && !f; i++)
        if (strcmp(argv[2], forms[i].word) == 0)
            f = &forms[i];
    if (f && f->op == ARL_OP_SEARCH && argc > 3 && strcmp(argv[3], "port") == 0)
        f = &search_port;
    if (!f)
        return malformed(err, "arl: unknown command '%s': %s", word_text(argv[2], w0), cmds);
    c->op = f->op;
    c->word = f->word;

    char **w = argv + (f == &search_port ? 4 : 3);
    int n = argc - (int)(w - argv);
    if ((f->opts & OPT_JSON) && n > 0 && strcmp(w[n - 1], "--json") == 0) {
        c->json = 1;
        n--;
    }
    char args[10] = "v"; /* a VID, then the longest list of arguments */
    strcpy(args + 1, f->args);
    const char *a = (f->opts & OPT_VID) && n == (int)strlen(f->args) + 1 ? args : f->args;
    int i = 0;
    for (; a[i]; i++) {
        const struct arg_kind *k = kinds;
        while (k->code != a[i])
            k++;
        if (i >= n)
            return malformed(err, "arl %s: missing %s: expected %s %s", f->word, k->name, f->word,
                             f->usage);
        char *field = (char *)&c->arl + k->field;
        if (k->max == 0 ? str2mac(w[i], (uint8_t *)field) == 0
                        : str2uint(w[i], k->max, (int32_t *)field) == 0)
            continue;
        if (k->max == 0)
            return malformed(err,
                             "arl %s: bad MAC '%s': expected 12 hex digits or six colon-separated "
                             "pairs",
                             f->word, word_text(w[i], w0));
        snprintf(w1, sizeof w1, k->max == 1 ? "0 or 1" : "0 to %u", (unsigned)k->max);
        return malformed(err, "arl %s: bad %s '%s': expected %s", f->word, k->name,
                         word_text(w[i], w0), w1);
    }
    if (n > i)
        return malformed(err, "arl %s: unexpected '%s': expected %s %s", f->word,
                         word_text(w[i], w0), f->word, f->usage);

    if (f == &search_port) {
        c->port = c->arl.pid;
        c->arl.pid = 0;
    } else if (*f->word == 'm') { /* mwrite, mdel */
        c->arl.vid = MWRITE_VID;
        c->arl.valid = f->word[1] == 'w';
    }
    return 0;
}

/* One line on stderr for a command that failed. */
static void report(const char *name, const char *where, const char *cmd, int rc,
                   const arl_data *arl)
{
    const brcm53115_access *f = &brcm53115_failed;
    int err = errno;
    char mac[ARL_MAC_TEXT_LEN], what[160];
    arl_mac_text(arl->mac, mac);
    if (rc == ARL_ERR_OUTPUT && err == EPIPE)
        return; /* the reader has gone: nobody is there to tell */
    if (rc == BRCM53115_ERR_TIMEOUT)
        snprintf(what, sizeof what, "the switch did not finish the access within %d ms",
                 BRCM53115_WRITE_TIMEOUT_US / 1000);
    else if (rc == BRCM53115_ABSENT)
        snprintf(what, sizeof what, "no entry for %s on VLAN %d", mac, (int)arl->vid);
    else if (rc == BRCM53115_ERR_FULL)
        snprintf(what, sizeof what,
                 "no room for %s on VLAN %d: both entries of its bucket hold other addresses", mac,
                 (int)arl->vid);
    else if (rc == BRCM53115_ERR_ACCESS)
        snprintf(what, sizeof what, "%s_register page 0x%02x offset 0x%02x length %d failed: %d",
                 f->write ? "set" : "get", f->page, f->offset, f->length, f->result);
    else if (rc == ARL_ERR_OUTPUT)
        snprintf(what, sizeof what, "cannot write the output: %s", strerror(err));
    else if (rc == ARL_ERR_UNCONFIRMED)
        snprintf(what, sizeof what,
                 "static entry %s: no lookup confirms its VLAN id (%d + 16 n): nothing saved", mac,
                 (int)arl->vid);
    else /* the table lock */
        snprintf(what, sizeof what, "cannot take the table lock %s: %s", brcm53115_arl_lock_path(),
                 brcm53115_arl_lock_error());
    say("%s: %sarl %s: %s", name, where, cmd, what);
}

int arl_run(struct arl_cmd *c, const char *name, const char *where)
{
    arl_data *a = &c->arl;
    int rc;

    /* The write commands put the entry into the bin of its bucket that
     * belongs to it, keeping the bucket's other entry. */
    switch (c->op) {
    case ARL_OP_READ:
        rc = brcm53115_read_arl_tab(a);
        break;
    case ARL_OP_SEARCH:
        rc = brcm53115_search_arl_tab(a);
        break;
    case ARL_OP_UPDATE:
        rc = brcm53115_update_arl_tab(a);
        break;
    case ARL_OP_GET:
        rc = brcm53115_lookup_arl_tab(a);
        rc = rc == 1 ? arl_get_print(a, c->json) : rc == 0 ? BRCM53115_ABSENT : rc;
        break;
    default:
        rc = arl_show_func(c->port, c->json, c->op == ARL_OP_SAVE, a);
        break;
    }
    if (rc != 0) {
        report(name, where, c->word, rc, a);
        return ARL_CMD_FAILED;
    }
    dump_arl_data(a);
    return ARL_CMD_DONE;
}

int arl_func(int argc, char **argv)
{
    struct arl_cmd c;
    char err[ARL_ERR_LEN];

    if (arl_parse(argc, argv, &c, err) != 0) {
        say("%s: %s", argv[0], err);
        return ARL_CMD_MALFORMED;
    }
    return arl_run(&c, argv[0], "");
}
