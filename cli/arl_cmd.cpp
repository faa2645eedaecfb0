/* The ARL commands: parse the words into one arl_cmd record, naming the
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

/* The arguments: a code, the name the messages give, the smallest and
 * largest value (0 for the MAC, FILE) and where the value goes. */
static const struct arg_kind {
    char code;
    const char *name;
    uint32_t min, max;
    int in_cmd; /* the field is the command's, not the record's */
    size_t field;
} kinds[] = {
    {'m', "MAC", 0, 0, 0, offsetof(arl_data, mac)},
    {'v', "VID", 0, VID_MAX, 0, offsetof(arl_data, vid)},
    {'a', "VALID", 0, FLAG_MAX, 0, offsetof(arl_data, valid)},
    {'s', "STATIC", 0, FLAG_MAX, 0, offsetof(arl_data, sbit)},
    {'g', "AGE", 0, FLAG_MAX, 0, offsetof(arl_data, age)},
    {'t', "TC", 0, TC_MAX, 0, offsetof(arl_data, tc)},
    {'p', "PORT", 0, PID_MAX, 0, offsetof(arl_data, pid)},
    {'M', "MAC", 0, 0, 1, offsetof(struct arl_cmd, filter.mac)},
    {'V', "VID", 0, VID_MAX, 1, offsetof(struct arl_cmd, filter.vid)},
    {'P', "PORT", 0, PID_MAX, 1, offsetof(struct arl_cmd, filter.pid)},
    {'i', "MS", 100, 60000, 1, offsetof(struct arl_cmd, interval)},
    {'n', "N", 1, 1000000000, 1, offsetof(struct arl_cmd, count)},
    {'f', "MOVES", 2, 16, 1, offsetof(struct arl_cmd, flap_moves)},
    {'S', "SECONDS", 1, 3600, 1, offsetof(struct arl_cmd, flap_secs)},
    {'F', "FILE", 0, 0, 1, offsetof(struct arl_cmd, file)},
};

#define OPT_VID 1        /* a VID may come before the arguments */
#define OPT_JSON 2       /* --json may come after them */
#define OPT_FILTER 4     /* mac MAC, vid VID, port PORT, --json, in any order */
#define OPT_KIND 8       /* static or dynamic */
#define OPT_KIND3 16     /* dynamic, static or all */
#define OPT_MONITOR 32   /* interval MS, count N, flap MOVES SECONDS */
#define OPT_APPLY 64     /* prune, check */
#define OPT_FILE 128     /* an optional FILE: a word that does not start with '-', or - */
#define OPT_JSON_ANY 256 /* --json among the keywords, in any place */

/* The words that may follow a command's arguments: which commands take
 * them, and the arguments of each. */
static const struct keyword {
    const char *word;
    int opts;
    const char *args;
    int32_t kind; /* static, dynamic, all: the filter's kind */
} keywords[] = {
    {"mac", OPT_FILTER, "M", 0},
    {"vid", OPT_FILTER, "V", 0},
    {"port", OPT_FILTER, "P", 0},
    {"static", OPT_KIND | OPT_KIND3, "", BRCM53115_KIND_STATIC},
    {"dynamic", OPT_KIND | OPT_KIND3, "", BRCM53115_KIND_DYNAMIC},
    {"all", OPT_KIND3, "", BRCM53115_KIND_ANY},
    {"--json", OPT_JSON_ANY, "", 0},
    {"interval", OPT_MONITOR, "i", 0},
    {"count", OPT_MONITOR, "n", 0},
    {"flap", OPT_MONITOR, "fS", 0},
    {"prune", OPT_APPLY, "", 0},
    {"check", OPT_APPLY, "", 0},
};
#define KW_KIND_FIRST 3 /* static, dynamic, all */
#define KW_KIND_LAST 5
#define KW_JSON 6
#define KW_PRUNE 10

/* The commands: their words, their arguments in order, what the help and
 * the messages say they take, and what the help says they do. */
static const struct form {
    const char *word;
    int op;
    const char *args;
    int opts;
    const char *usage;
    const char *help;
} forms[] = {
    {"read", ARL_OP_READ, "m", OPT_VID, "[VID] MAC",
     "load the bucket of MAC on VLAN VID (default 0); prints nothing"},
    {"search", ARL_OP_SEARCH, "m", 0, "MAC", "search the table for MAC; prints nothing"},
    {"search", ARL_OP_SHOW, "P", OPT_JSON, "port PORT [--json]", "the same as show port PORT"},
    {"get", ARL_OP_GET, "m", OPT_VID | OPT_JSON, "[VID] MAC [--json]",
     "the entry of MAC on VLAN VID (default 0) exactly; status 1 if none"},
    {"show", ARL_OP_SHOW, "", OPT_FILTER | OPT_KIND | OPT_JSON_ANY,
     "[mac MAC] [vid VID] [port PORT] [static|dynamic] [--json]",
     "list the entries that pass every filter given, with whole VLAN ids"},
    {"write", ARL_OP_UPDATE, "vmasgtp", 0, "VID MAC VALID STATIC AGE TC PORT",
     "put an entry into its bucket, keeping the bucket's other entry; VALID 0 deletes"},
    {"mwrite", ARL_OP_UPDATE, "spmg", 0, "STATIC PORT MAC AGE",
     "write a valid entry of MAC on VLAN 6, tc 0"},
    {"mdel", ARL_OP_UPDATE, "spmg", 0, "STATIC PORT MAC AGE", "delete the entry of MAC on VLAN 6"},
    {"del", ARL_OP_UPDATE, "m", OPT_VID, "[VID] MAC",
     "delete the entry of MAC on VLAN VID (default 0); status 1 if none"},
    {"flush", ARL_OP_FLUSH, "", OPT_FILTER | OPT_KIND3,
     "[mac MAC] [vid VID] [port PORT] [dynamic|static|all]",
     "delete the entries that pass: learned (dynamic) ones only, unless static or all"},
    {"save", ARL_OP_SAVE, "", OPT_FILE, "[FILE]",
     "the static entries as a batch, to FILE (replaced whole, or left as it was) or stdout"},
    {"apply", ARL_OP_APPLY, "F", OPT_APPLY, "FILE [prune] [check]",
     "make the static entries those of FILE (save's format), all or nothing; prune also "
     "deletes static entries FILE lacks; check prints the changes instead"},
    {"monitor", ARL_OP_MONITOR, "", OPT_FILTER | OPT_KIND | OPT_JSON_ANY | OPT_MONITOR,
     "[mac MAC] [vid VID] [port PORT] [static|dynamic] [--json] [interval MS] [count N] "
     "[flap MOVES SECONDS]",
     "print entries that appear (new), go (gone), move, change and flap, polling every MS "
     "(default 1000, 100 to 60000); stop after N polls; flap: MOVES (2 to 16, default 3) "
     "moves within SECONDS (default 10)"},
    {"help", ARL_OP_HELP, "", 0, "", "this help"},
};
#define FORMS (sizeof forms / sizeof forms[0])
#define SEARCH_PORT 2 /* forms[2], search port PORT */

static int malformed(char *err, const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(err, ARL_ERR_LEN, fmt, ap);
    va_end(ap);
    return -1;
}

static const struct arg_kind *kind_of(char code)
{
    const struct arg_kind *k = kinds;
    while (k->code != code)
        k++;
    return k;
}

/* Converts one word into its field; 0, or -1 with err said. */
static int take(const struct form *f, struct arl_cmd *c, const struct arg_kind *k, char *word,
                char *err)
{
    char *field = (k->in_cmd ? (char *)c : (char *)&c->arl) + k->field;
    char w0[WORD_TEXT_LEN], range[32];
    if (k->code == 'F') {
        /* A FILE is any word but an option; "-" is standard input. */
        if (word[0] == '-' && word[1] != '\0')
            return malformed(err, "arl %s: unexpected '%s': expected %s %s", f->word,
                             word_text(word, w0), f->word, f->usage);
        *(const char **)field = word;
        return 0;
    }
    if (k->max == 0) {
        if (str2mac(word, (uint8_t *)field) == 0) {
            c->filter.has_mac |= k->in_cmd;
            return 0;
        }
        return malformed(err,
                         "arl %s: bad MAC '%s': expected 12 hex digits or six colon-separated "
                         "pairs",
                         f->word, word_text(word, w0));
    }
    int32_t v;
    if (str2uint(word, k->max, &v) == 0 && (uint32_t)v >= k->min) {
        *(int32_t *)field = v;
        return 0;
    }
    snprintf(range, sizeof range, k->max == 1 ? "0 or 1" : "%u to %u", (unsigned)k->min,
             (unsigned)k->max);
    return malformed(err, "arl %s: bad %s '%s': expected %s", f->word, k->name, word_text(word, w0),
                     range);
}

/* The words after the arguments: keywords, or save's FILE. */
static int keywords_of(const struct form *f, struct arl_cmd *c, char **w, int n, char *err)
{
    char w0[WORD_TEXT_LEN], w1[WORD_TEXT_LEN];
    unsigned seen = 0;
    int kind = -1;
    for (int i = 0; i < n; i++) {
        size_t k = 0;
        while (k < sizeof keywords / sizeof keywords[0] &&
               !((keywords[k].opts & f->opts) && strcmp(w[i], keywords[k].word) == 0))
            k++;
        if (k == sizeof keywords / sizeof keywords[0]) {
            if ((f->opts & OPT_FILE) && i == 0) {
                if (take(f, c, kind_of('F'), w[i], err) != 0)
                    return -1;
                continue;
            }
            return malformed(err, "arl %s: unexpected '%s': expected %s %s", f->word,
                             word_text(w[i], w0), f->word, f->usage);
        }
        const struct keyword *kw = &keywords[k];
        if (k >= KW_KIND_FIRST && k <= KW_KIND_LAST) {
            if (kind >= 0)
                return malformed(err, "arl %s: '%s' after '%s': expected one of %s", f->word,
                                 word_text(w[i], w0), keywords[kind].word,
                                 f->opts & OPT_KIND3 ? "dynamic, static or all"
                                                     : "static or dynamic");
            kind = (int)k;
            c->filter.kind = kw->kind;
        } else if (seen & 1u << k) {
            return malformed(err, "arl %s: second '%s': expected each word at most once", f->word,
                             word_text(w[i], w0));
        }
        seen |= 1u << k;
        c->json |= k == KW_JSON;
        c->prune |= k == KW_PRUNE;
        c->check |= k == KW_PRUNE + 1;
        for (const char *a = kw->args; *a; a++) {
            const struct arg_kind *ak = kind_of(*a);
            if (++i >= n)
                return malformed(err, "arl %s: missing %s after '%s': expected %s %s", f->word,
                                 ak->name, word_text(kw->word, w1), f->word, f->usage);
            if (take(f, c, ak, w[i], err) != 0)
                return -1;
        }
    }
    /* Without a kind, flush spares the static entries: "all" takes both. */
    if ((f->opts & OPT_KIND3) && kind < 0)
        c->filter.kind = BRCM53115_KIND_DYNAMIC;
    return 0;
}

int arl_parse(int argc, char **argv, struct arl_cmd *c, char *err)
{
    char w0[WORD_TEXT_LEN];
    memset(c, 0, sizeof *c);
    c->filter.vid = c->filter.pid = -1;
    c->interval = 1000;
    c->flap_moves = 3;
    c->flap_secs = 10;
    if (argc < 2 || strcmp(argv[1], "arl") != 0)
        return malformed(err, "unknown command '%s': expected arl",
                         word_text(argc < 2 ? "" : argv[1], w0));
    const char *cmds = "expected read, search, get, show, write, mwrite, mdel, del, flush, save, "
                       "apply, monitor or help";
    if (argc < 3)
        return malformed(err, "arl: missing command: %s", cmds);

    const struct form *f = NULL;
    for (size_t i = 0; i < FORMS && !f; i++)
        if (strcmp(argv[2], forms[i].word) == 0)
            f = &forms[i];
    if (f && f->op == ARL_OP_SEARCH && argc > 3 && strcmp(argv[3], "port") == 0)
        f = &forms[SEARCH_PORT];
    if (!f)
        return malformed(err, "arl: unknown command '%s': %s", word_text(argv[2], w0), cmds);
    c->op = f->op;
    c->word = f->word;

    char **w = argv + (f == &forms[SEARCH_PORT] ? 4 : 3);
    int n = argc - (int)(w - argv);
    if ((f->opts & OPT_JSON) && n > 0 && strcmp(w[n - 1], "--json") == 0) {
        c->json = 1;
        n--;
    }
    /* A leading VID where the words are more than the arguments, unless
     * the first word is plainly the MAC: then the words after it are the
     * ones too many. */
    char args[10] = "v";
    strcpy(args + 1, f->args);
    int32_t v;
    uint8_t mac[6];
    int with_vid = (f->opts & OPT_VID) && n > (int)strlen(f->args) &&
                   (str2uint(w[0], VID_MAX, &v) == 0 || str2mac(w[0], mac) != 0);
    const char *a = with_vid ? args : f->args;
    int i = 0;
    for (; a[i]; i++) {
        const struct arg_kind *k = kind_of(a[i]);
        if (i >= n)
            return malformed(err, "arl %s: missing %s: expected %s %s", f->word, k->name, f->word,
                             f->usage);
        if (take(f, c, k, w[i], err) != 0)
            return -1;
    }
    if (keywords_of(f, c, w + i, n - i, err) != 0)
        return -1;

    if (*f->word == 'm' && f->op == ARL_OP_UPDATE) { /* mwrite, mdel */
        c->arl.vid = MWRITE_VID;
        c->arl.valid = f->word[1] == 'w';
    }
    return 0;
}

void arl_help_func(void)
{
    static const char head[] = "Usage: sw53115 arl COMMAND [ARGUMENTS]\n"
                               "       sw53115 [-force] -batch FILE\n"
                               "       sw53115 { -h | --help | help | -V | --version }\n"
                               "Commands:\n";
    fputs(head, stdout);
    for (size_t i = 0; i < FORMS; i++) {
        /* The command line, then what it does, each wrapped at 79. */
        char line[240];
        const char *indent[2] = {"  arl ", "      "};
        for (int part = 0; part < 2; part++) {
            if (part == 0)
                snprintf(line, sizeof line, "%s%s%s", forms[i].word, *forms[i].usage ? " " : "",
                         forms[i].usage);
            else
                snprintf(line, sizeof line, "%s", forms[i].help);
            const char *p = line;
            const char *lead = indent[part];
            while (*p) {
                size_t room = 79 - strlen(lead), len = strlen(p);
                if (len > room) {
                    len = room;
                    while (len > 0 && p[len] != ' ')
                        len--;
                }
                printf("%s%.*s\n", lead, (int)len, p);
                p += len;
                while (*p == ' ')
                    p++;
                lead = "        ";
            }
        }
    }
    static const char tail[] =
        "Arguments:\n"
        "  MAC   001122334455 or 00:11:22:33:44:55    VID   VLAN id, 0 to 255\n"
        "  PORT  0 to 15    TC  0 to 7 (the entry keeps 2 bits)\n"
        "  VALID, STATIC, AGE  0 or 1    FILE  a path, or - for standard input\n"
        "  --json  JSON output: show and search port an array, get and monitor one\n"
        "          object a line\n"
        "Batch: FILE holds one command a line without the word sw53115, # comments;\n"
        "  all of it is checked before any runs; it stops at the first failure\n"
        "  unless -force.\n"
        "Exit status: 0 done; 1 failed (the switch, the lock, no such entry; one\n"
        "  line on stderr); 2 malformed command (usage, then one line naming the word).\n"
        "See sw53115(8).\n";
    fputs(tail, stdout);
}

/* One entry's text for a failure line: "MAC on VLAN VID (dynamic, port P)". */
static void entry_text(char *out, size_t len, const arl_data *a)
{
    char mac[ARL_MAC_TEXT_LEN];
    snprintf(out, len, "%s on VLAN %d (%s, port %d)", arl_mac_text(a->mac, mac), (int)a->vid,
             a->sbit & 1 ? "static" : "dynamic", (int)a->pid);
}

void arl_report(const char *name, const char *where, const struct arl_cmd *c, int rc,
                const arl_data *bins)
{
    const brcm53115_access *f = &brcm53115_failed;
    const arl_data *arl = &c->arl;
    int err = errno;
    char mac[ARL_MAC_TEXT_LEN], what[320], b0[64], b1[64], file[NAME_TEXT_LEN];
    arl_mac_text(arl->mac, mac);
    if (rc == BRCM53115_ERR_OUTPUT && err == EPIPE && !c->file)
        return; /* the reader has gone: nobody is there to tell */
    if (rc == BRCM53115_ERR_TIMEOUT) {
        snprintf(what, sizeof what, "the switch did not finish the access within %d ms",
                 BRCM53115_WRITE_TIMEOUT_US / 1000);
    } else if (rc == BRCM53115_ABSENT) {
        snprintf(what, sizeof what, "no entry for %s on VLAN %d", mac, (int)arl->vid);
    } else if (rc == BRCM53115_ERR_FULL && bins) {
        entry_text(b0, sizeof b0, &bins[0]);
        entry_text(b1, sizeof b1, &bins[1]);
        snprintf(what, sizeof what, "no room for %s on VLAN %d: its bucket holds %s and %s", mac,
                 (int)arl->vid, b0, b1);
    } else if (rc == BRCM53115_ERR_FULL) {
        snprintf(what, sizeof what,
                 "no room for %s on VLAN %d: both entries of its bucket hold other addresses", mac,
                 (int)arl->vid);
    } else if (rc == BRCM53115_ERR_ACCESS) {
        snprintf(what, sizeof what, "%s_register page 0x%02x offset 0x%02x length %d failed: %d",
                 f->write ? "set" : "get", f->page, f->offset, f->length, f->result);
    } else if (rc == BRCM53115_ERR_OUTPUT && c->file) {
        snprintf(what, sizeof what, "cannot write %s: %s; it is left as it was",
                 name_text(c->file, file), strerror(err));
    } else if (rc == BRCM53115_ERR_OUTPUT) {
        snprintf(what, sizeof what, "cannot write the output: %s", strerror(err));
    } else if (rc == BRCM53115_ERR_UNCONFIRMED) {
        snprintf(what, sizeof what,
                 "static entry %s: no lookup confirms its VLAN id (%d + 16 n): nothing %s", mac,
                 (int)arl->vid, c->op == ARL_OP_APPLY ? "changed" : "saved");
    } else { /* the table lock */
        snprintf(what, sizeof what, "cannot take the table lock %s: %s", brcm53115_arl_lock_path(),
                 brcm53115_arl_lock_error());
    }
    say("%s: %sarl %s: %s", name, where, c->word, what);
}

int arl_run(struct arl_cmd *c, const char *name, const char *where)
{
    arl_data *a = &c->arl, bins[2];
    int rc;

    switch (c->op) {
    case ARL_OP_READ:
        rc = brcm53115_read_arl_tab(a);
        break;
    case ARL_OP_SEARCH:
        rc = brcm53115_search_arl_tab(a);
        break;
    case ARL_OP_UPDATE:
        /* The write commands put the entry into the bin of its bucket that
         * belongs to it, keeping the bucket's other entry. */
        rc = brcm53115_change_arl_tab(a, bins);
        break;
    case ARL_OP_GET:
        rc = arl_get_func(c);
        break;
    case ARL_OP_SHOW:
        rc = arl_show_func(c);
        break;
    case ARL_OP_SAVE:
        rc = arl_save_func(c);
        break;
    case ARL_OP_FLUSH:
        rc = brcm53115_flush_arl_tab(&arl_lists[0], &c->filter);
        break;
    case ARL_OP_APPLY:
        return arl_apply_func(c, name);
    case ARL_OP_MONITOR:
        return arl_monitor_func(c, name, where);
    default:
        arl_help_func();
        rc = arl_out_flush();
        break;
    }
    c->rc = rc;
    if (rc != 0) {
        arl_report(name, where, c, rc, bins);
        return ARL_CMD_FAILED;
    }
    dump_arl_data(a);
    return ARL_CMD_DONE;
}

int arl_func(int argc, char **argv)
{
    struct arl_cmd c;
    char err[ARL_ERR_LEN], name[NAME_TEXT_LEN];

    name_text(argv[0], name);
    if (arl_parse(argc, argv, &c, err) != 0) {
        /* After the usage that main prints, so that it is the last line
         * on a terminal. */
        usage_func(argv[0], USAGE_ARL);
        fflush(stdout);
        say("%s: %s", name, err);
        return ARL_CMD_MALFORMED;
    }
    return arl_run(&c, name, "");
}
