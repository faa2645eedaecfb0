/* The ARL commands' words into one arl_cmd record, naming the first word at
 * fault.  Every form, keyword and argument is a row of a table below that
 * names the field it sets. */
#include "parse.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "args.h"

/* Largest value each numeric argument may take: the width of the field
 * that holds it. */
#define VID_MAX 255u /* the VLAN id registers are one byte wide */
#define FLAG_MAX 1u  /* valid, static, age */
#define TC_MAX 7u    /* as the usage promises; the entry keeps 2 bits */
#define PID_MAX 15u  /* 4-bit port field of an entry */
#define MWRITE_VID 6 /* VLAN of the mwrite and mdel commands */

#define NO_FIELD ((size_t)-1)
#define FIELD(f) offsetof(struct arl_cmd, f)

/* The arguments: the code that the forms and keywords name them by, the
 * name the messages give, what the value is, its smallest and largest
 * value, and the field of the command it goes to. */
#define A_MAC "m"
#define A_VID "v"
#define A_VALID "a"
#define A_STATIC "s"
#define A_AGE "g"
#define A_TC "t"
#define A_PORT "p"
#define A_FMAC "M"
#define A_FVID "V"
#define A_FPORT "P"
#define A_MS "i"
#define A_N "n"
#define A_MOVES "f"
#define A_SECS "S"
#define A_FILE "F"
#define A_TC3 "T" /* what an entry keeps */
#define A_TOPIC "H"

#define V_NUM 0
#define V_MAC 1
#define V_FILE 2  /* any word but an option; "-" is standard input */
#define V_TOPIC 3 /* a command's word */

static const struct arg_kind {
    char code;
    const char *name;
    int value;
    uint32_t min, max;
    size_t field;
} kinds[] = {
    {*A_MAC, "MAC", V_MAC, 0, 0, FIELD(arl.mac)},
    {*A_VID, "VID", V_NUM, 0, VID_MAX, FIELD(arl.vid)},
    {*A_VALID, "VALID", V_NUM, 0, FLAG_MAX, FIELD(arl.valid)},
    {*A_STATIC, "STATIC", V_NUM, 0, FLAG_MAX, FIELD(arl.sbit)},
    {*A_AGE, "AGE", V_NUM, 0, FLAG_MAX, FIELD(arl.age)},
    {*A_TC, "TC", V_NUM, 0, TC_MAX, FIELD(arl.tc)},
    {*A_PORT, "PORT", V_NUM, 0, PID_MAX, FIELD(arl.pid)},
    {*A_FMAC, "MAC", V_MAC, 0, 0, FIELD(filter.mac)},
    {*A_FVID, "VID", V_NUM, 0, VID_MAX, FIELD(filter.vid)},
    {*A_FPORT, "PORT", V_NUM, 0, PID_MAX, FIELD(filter.pid)},
    {*A_MS, "MS", V_NUM, 100, 60000, FIELD(interval)},
    {*A_N, "N", V_NUM, 1, 1000000000, FIELD(count)},
    {*A_MOVES, "MOVES", V_NUM, 2, 16, FIELD(flap_moves)},
    {*A_SECS, "SECONDS", V_NUM, 1, 3600, FIELD(flap_secs)},
    {*A_FILE, "FILE", V_FILE, 0, 0, FIELD(file)},
    {*A_TC3, "TC", V_NUM, 0, BRCM53115_TC_MASK, FIELD(arl.tc)},
    {*A_TOPIC, "COMMAND", V_TOPIC, 0, 0, FIELD(topic)},
};

/* Which forms take which words after their arguments. */
#define OPT_VID 1        /* a VID may come before the arguments */
#define OPT_JSON 2       /* --json may come after them */
#define OPT_FILTER 4     /* mac MAC, vid VID, port PORT, in any order */
#define OPT_KIND 8       /* static or dynamic */
#define OPT_KIND3 16     /* dynamic, static or all */
#define OPT_MONITOR 32   /* interval MS, count N, flap MOVES SECONDS */
#define OPT_APPLY 64     /* prune, check */
#define OPT_FILE 128     /* an optional FILE: a word that does not start with '-', or - */
#define OPT_JSON_ANY 256 /* --json among the keywords, in any place */
#define OPT_ENTRY 512    /* port PORT, vlan VID, static, tc TC, age: an entry's fields */
#define OPT_VLAN 1024    /* vlan VID after the arguments (del) */
#define OPT_COUNT 2048   /* count: the counts instead of the rows */
#define OPT_TOPIC 4096   /* an optional COMMAND (help) */

/* The words that may follow a command's arguments: which forms take them,
 * their arguments, and the field each sets to its value (NO_FIELD: the
 * arguments are all it gives).  A word of a choice is one of a set of
 * words of which a command takes at most one. */
#define CHOICE_KIND 1 /* static, dynamic, all */
static const struct keyword {
    const char *word;
    int opts;
    const char *args;
    size_t field;
    int32_t value, choice;
} keywords[] = {
    {"mac", OPT_FILTER, A_FMAC, FIELD(filter.has_mac), 1, 0},
    {"vid", OPT_FILTER, A_FVID, NO_FIELD, 0, 0},
    {"vlan", OPT_FILTER, A_FVID, NO_FIELD, 0, 0},
    {"port", OPT_FILTER, A_FPORT, NO_FIELD, 0, 0},
    {"port", OPT_ENTRY, A_PORT, NO_FIELD, 0, 0},
    {"vid", OPT_ENTRY | OPT_VLAN, A_VID, NO_FIELD, 0, 0},
    {"vlan", OPT_ENTRY | OPT_VLAN, A_VID, NO_FIELD, 0, 0},
    {"static", OPT_ENTRY, "", FIELD(arl.sbit), 1, 0},
    {"tc", OPT_ENTRY, A_TC3, NO_FIELD, 0, 0},
    {"age", OPT_ENTRY, "", FIELD(arl.age), 1, 0},
    {"count", OPT_COUNT, "", FIELD(tally), 1, 0},
    {"static", OPT_KIND | OPT_KIND3, "", FIELD(filter.kind), BRCM53115_KIND_STATIC, CHOICE_KIND},
    {"dynamic", OPT_KIND | OPT_KIND3, "", FIELD(filter.kind), BRCM53115_KIND_DYNAMIC, CHOICE_KIND},
    {"all", OPT_KIND3, "", FIELD(filter.kind), BRCM53115_KIND_ANY, CHOICE_KIND},
    {"--json", OPT_JSON_ANY, "", FIELD(json), 1, 0},
    {"interval", OPT_MONITOR, A_MS, NO_FIELD, 0, 0},
    {"count", OPT_MONITOR, A_N, NO_FIELD, 0, 0},
    {"flap", OPT_MONITOR, A_MOVES A_SECS, NO_FIELD, 0, 0},
    {"prune", OPT_APPLY, "", FIELD(prune), 1, 0},
    {"check", OPT_APPLY, "", FIELD(check), 1, 0},
};
#define KEYWORDS (sizeof keywords / sizeof keywords[0])

/* The commands: their word and the word that must follow it (NULL: none),
 * their arguments in order, what they do, the VLAN id and valid flag they
 * set (-1: none), what the help and the messages say they take, and what the help
 * says they do. */
static const struct form {
    struct arl_form_text text;
    const char *lead, *args;
    int op, opts;
    int32_t vid, valid;
} forms[] = {
    // clang-format off
    {{"read", "[VID] MAC", "load the bucket of MAC on VLAN VID (default 0); prints nothing"},
     NULL, A_MAC, ARL_OP_READ, OPT_VID, -1, -1},
    {{"search", "MAC", "search the table for MAC; prints nothing"},
     NULL, A_MAC, ARL_OP_SEARCH, 0, -1, -1},
    {{"search", "port PORT [--json]", "the same as show port PORT"},
     "port", A_FPORT, ARL_OP_SHOW, OPT_JSON, -1, -1},
    {{"get", "[VID] MAC [--json]",
      "the entry of MAC on VLAN VID (default 0) exactly; status 1 if none"},
     NULL, A_MAC, ARL_OP_GET, OPT_VID | OPT_JSON, -1, -1},
    {{"show", "[mac MAC] [vlan VID] [port PORT] [static|dynamic] [count] [--json]",
      "list the entries that pass every filter given, with whole VLAN ids; count: how many, "
      "on each port and in all"},
     NULL, "", ARL_OP_SHOW, OPT_FILTER | OPT_KIND | OPT_JSON_ANY | OPT_COUNT, -1, -1},
    {{"write", "VID MAC VALID STATIC AGE TC PORT",
      "put an entry into its bucket, keeping the bucket's other entry; VALID 0 deletes"},
     NULL, A_VID A_MAC A_VALID A_STATIC A_AGE A_TC A_PORT, ARL_OP_UPDATE, 0, -1, -1},
    {{"add", "MAC port PORT [vlan VID] [static] [tc TC] [age]",
      "put a valid entry (dynamic, tc 0, VLAN 0 unless given), keeping the bucket's other "
      "entry; status 1 if MAC is on that VLAN already"},
     NULL, A_MAC, ARL_OP_ADD, OPT_ENTRY, -1, 1},
    {{"replace", "MAC port PORT [vlan VID] [static] [tc TC] [age]",
      "the same, whether the entry is there or not"},
     NULL, A_MAC, ARL_OP_UPDATE, OPT_ENTRY, -1, 1},
    {{"mwrite", "STATIC PORT MAC AGE", "write a valid entry of MAC on VLAN 6, tc 0"},
     NULL, A_STATIC A_PORT A_MAC A_AGE, ARL_OP_UPDATE, 0, MWRITE_VID, 1},
    {{"mdel", "STATIC PORT MAC AGE", "delete the entry of MAC on VLAN 6"},
     NULL, A_STATIC A_PORT A_MAC A_AGE, ARL_OP_UPDATE, 0, MWRITE_VID, 0},
    {{"del", "[VID] MAC [vlan VID]",
      "delete the entry of MAC on VLAN VID (default 0; given before MAC or after it); status 1 "
      "if none"},
     NULL, A_MAC, ARL_OP_UPDATE, OPT_VID | OPT_VLAN, -1, -1},
    {{"flush", "[mac MAC] [vlan VID] [port PORT] [dynamic|static|all]",
      "delete the entries that pass: learned (dynamic) ones only, unless static or all"},
     NULL, "", ARL_OP_FLUSH, OPT_FILTER | OPT_KIND3, -1, -1},
    {{"save", "[FILE]",
      "the static entries as a batch, to FILE (replaced whole, or left as it was) or stdout"},
     NULL, "", ARL_OP_SAVE, OPT_FILE, -1, -1},
    {{"apply", "FILE [prune] [check]",
      "make the static entries those of FILE (save's format), all or nothing; prune also "
      "deletes static entries FILE lacks; check prints the changes instead"},
     NULL, A_FILE, ARL_OP_APPLY, OPT_APPLY, -1, -1},
    {{"monitor", "[mac MAC] [vlan VID] [port PORT] [static|dynamic] [--json] [interval MS] "
      "[count N] [flap MOVES SECONDS]",
      "print entries that appear (new), go (gone), move, change and flap, polling every MS "
      "(default 1000, 100 to 60000); stop after N polls; flap: MOVES (2 to 16, default 3) "
      "moves within SECONDS (default 10); failed polls are said, and end it once they have "
      "failed for 30 s"},
     NULL, "", ARL_OP_MONITOR, OPT_FILTER | OPT_KIND | OPT_JSON_ANY | OPT_MONITOR, -1, -1},
    {{"help", "[COMMAND]", "this help, or COMMAND's"}, NULL, "", ARL_OP_HELP, OPT_TOPIC, -1, -1},
    // clang-format on
};
#define FORMS (sizeof forms / sizeof forms[0])

const struct arl_form_text *arl_form(size_t i)
{
    return i < FORMS ? &forms[i].text : NULL;
}

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

/* Whether a word names a command. */
static int form_named(const char *word)
{
    for (size_t i = 0; i < FORMS; i++)
        if (strcmp(word, forms[i].text.word) == 0)
            return 1;
    return 0;
}

/* "expected WORD USAGE" of a form, for its messages. */
#define USAGE_OF(f) (f)->text.word, (f)->text.usage

/* A parse under way: its form, the command it fills, where a failure is
 * said, and the arguments given so far (a bit for each kind). */
struct parse {
    const struct form *f;
    struct arl_cmd *c;
    char *err;
    uint32_t given;
};

/* The commands as messages list them. */
static const char commands[] = "read, search, get, show, write, add, replace, mwrite, mdel, del, "
                               "flush, save, apply, monitor or help";

/* The bit of an argument's kind in a parse's `given`. */
#define GIVEN(code) (1u << (kind_of(code) - kinds))

/* Converts one word into its field; 0, or -1 with err said. */
static int take(struct parse *p, const struct arg_kind *k, char *word)
{
    const struct form *f = p->f;
    char *field = (char *)p->c + k->field, *err = p->err;
    char w0[WORD_TEXT_LEN], range[32];
    p->given |= GIVEN(k->code);
    if (k->value == V_FILE || k->value == V_TOPIC) {
        if (k->value == V_TOPIC && !form_named(word))
            return malformed(err, "arl %s: unknown command '%s': expected %s", f->text.word,
                             word_text(word, w0), commands);
        if (word[0] == '-' && word[1] != '\0')
            return malformed(err, "arl %s: unexpected '%s': expected %s %s", f->text.word,
                             word_text(word, w0), USAGE_OF(f));
        *(const char **)field = word;
        return 0;
    }
    if (k->value == V_MAC) {
        if (str2mac(word, (uint8_t *)field) == 0)
            return 0;
        return malformed(err,
                         "arl %s: bad MAC '%s': expected 12 hex digits or six colon-separated "
                         "pairs",
                         f->text.word, word_text(word, w0));
    }
    int32_t v;
    if (str2uint(word, k->max, &v) == 0 && (uint32_t)v >= k->min) {
        *(int32_t *)field = v;
        return 0;
    }
    snprintf(range, sizeof range, k->max == 1 ? "0 or 1" : "%u to %u", (unsigned)k->min,
             (unsigned)k->max);
    return malformed(err, "arl %s: bad %s '%s': expected %s", f->text.word, k->name,
                     word_text(word, w0), range);
}

/* The words after the arguments: keywords, or the optional FILE or
 * COMMAND. */
static int keywords_of(struct parse *p, char **w, int n)
{
    const struct form *f = p->f;
    char w0[WORD_TEXT_LEN], w1[WORD_TEXT_LEN], *err = p->err;
    unsigned seen = 0;
    const struct keyword *chosen = NULL;
    for (int i = 0; i < n; i++) {
        size_t k = 0;
        while (k < KEYWORDS &&
               !((keywords[k].opts & f->opts) && strcmp(w[i], keywords[k].word) == 0))
            k++;
        if (k == KEYWORDS) {
            if ((f->opts & (OPT_FILE | OPT_TOPIC)) && i == 0) {
                if (take(p, kind_of(f->opts & OPT_FILE ? *A_FILE : *A_TOPIC), w[i]) != 0)
                    return -1;
                continue;
            }
            return malformed(err, "arl %s: unexpected '%s': expected %s %s", f->text.word,
                             word_text(w[i], w0), USAGE_OF(f));
        }
        const struct keyword *kw = &keywords[k];
        if (kw->choice && chosen)
            return malformed(err, "arl %s: '%s' after '%s': expected one of %s", f->text.word,
                             word_text(w[i], w0), chosen->word,
                             f->opts & OPT_KIND3 ? "dynamic, static or all" : "static or dynamic");
        if (seen & 1u << k)
            return malformed(err, "arl %s: second '%s': expected each word at most once",
                             f->text.word, word_text(w[i], w0));
        /* vid and vlan are one word, and a VID before MAC is one too. */
        if (*kw->args && (p->given & GIVEN(*kw->args)))
            return malformed(err, "arl %s: second VID at '%s': expected %s %s", f->text.word,
                             word_text(w[i], w0), USAGE_OF(f));
        seen |= 1u << k;
        if (kw->choice)
            chosen = kw;
        if (kw->field != NO_FIELD)
            *(int32_t *)((char *)p->c + kw->field) = kw->value;
        for (const char *a = kw->args; *a; a++) {
            const struct arg_kind *ak = kind_of(*a);
            if (++i >= n)
                return malformed(err, "arl %s: missing %s after '%s': expected %s %s", f->text.word,
                                 ak->name, word_text(kw->word, w1), USAGE_OF(f));
            if (take(p, ak, w[i]) != 0)
                return -1;
        }
    }
    /* Without a kind, flush spares the static entries: "all" takes both. */
    if ((f->opts & OPT_KIND3) && !chosen)
        p->c->filter.kind = BRCM53115_KIND_DYNAMIC;
    /* An entry's fields need its port. */
    if ((f->opts & OPT_ENTRY) && !(p->given & GIVEN(*A_PORT)))
        return malformed(err, "arl %s: missing port PORT: expected %s %s", f->text.word,
                         USAGE_OF(f));
    return 0;
}

/* The form that the words name: the command's word, and the word after
 * it where a form asks for one. */
static const struct form *form_of(int argc, char **argv)
{
    const struct form *f = NULL;
    for (size_t i = 0; i < FORMS; i++) {
        if (strcmp(argv[2], forms[i].text.word) != 0)
            continue;
        if (!forms[i].lead && !f)
            f = &forms[i];
        else if (forms[i].lead && argc > 3 && strcmp(argv[3], forms[i].lead) == 0)
            return &forms[i];
    }
    return f;
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
    if (argc < 3)
        return malformed(err, "arl: missing command: expected %s", commands);

    /* arl --help, and arl COMMAND --help: the help, or COMMAND's. */
    int help = argc > 3 && strcmp(argv[3], "--help") == 0 && form_named(argv[2]);
    if (strcmp(argv[2], "--help") == 0 || help) {
        c->op = ARL_OP_HELP;
        c->word = "help";
        c->topic = help ? argv[2] : NULL;
        if (argc > 3 + help)
            return malformed(err, "arl: unexpected '%s': expected arl COMMAND --help",
                             word_text(argv[3 + help], w0));
        return 0;
    }
    struct parse p = {form_of(argc, argv), c, err, 0};
    const struct form *f = p.f;
    if (!f)
        return malformed(err, "arl: unknown command '%s': expected %s", word_text(argv[2], w0),
                         commands);
    c->op = f->op;
    c->word = f->text.word;
    c->json_ok = (f->opts & (OPT_JSON | OPT_JSON_ANY)) != 0;

    char **w = argv + (f->lead ? 4 : 3);
    int n = argc - (int)(w - argv);
    if ((f->opts & OPT_JSON) && n > 0 && strcmp(w[n - 1], "--json") == 0) {
        c->json = 1;
        n--;
    }
    /* A leading VID where the words are more than the arguments, unless
     * the first word is plainly the MAC: then the words after it are the
     * ones too many. */
    int32_t v;
    uint8_t mac[6];
    if ((f->opts & OPT_VID) && n > (int)strlen(f->args) &&
        (str2uint(w[0], VID_MAX, &v) == 0 || str2mac(w[0], mac) != 0)) {
        if (take(&p, kind_of(*A_VID), w[0]) != 0)
            return -1;
        w++;
        n--;
    }
    int i = 0;
    for (; f->args[i]; i++) {
        const struct arg_kind *k = kind_of(f->args[i]);
        if (i >= n)
            return malformed(err, "arl %s: missing %s: expected %s %s", f->text.word, k->name,
                             USAGE_OF(f));
        if (take(&p, k, w[i]) != 0)
            return -1;
    }
    if (keywords_of(&p, w + i, n - i) != 0)
        return -1;
    if (f->vid >= 0)
        c->arl.vid = f->vid;
    if (f->valid >= 0)
        c->arl.valid = f->valid;
    return 0;
}

int arl_parse_json_first(struct arl_cmd *c, const char *word, char *err)
{
    char w0[WORD_TEXT_LEN];
    if (!c->json_ok)
        return malformed(err,
                         "arl %s: unexpected '%s': expected it only before arl show, get, "
                         "search port or monitor",
                         c->word, word_text(word, w0));
    if (c->json)
        return malformed(err,
                         "arl %s: second '%s': expected it before arl or --json after the "
                         "command, not both",
                         c->word, word_text(word, w0));
    c->json = 1;
    return 0;
}
