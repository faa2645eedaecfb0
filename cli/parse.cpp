/* The ARL commands' words into one arl_cmd record, naming the first word at
 * fault.  Every form, keyword and argument is a row of a table of forms.cpp
 * that names the field it sets. */
#include "parse.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "args.h"
#include "forms.h"

const struct arl_form_text *arl_form(size_t i)
{
    return i < arl_forms_n ? &arl_forms[i].text : NULL;
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
    const struct arg_kind *k = arl_kinds;
    while (k->code != code)
        k++;
    return k;
}

int arl_form_named(const char *word)
{
    for (size_t i = 0; i < arl_forms_n; i++)
        if (strcmp(word, arl_forms[i].text.word) == 0)
            return 1;
    return 0;
}

int arl_help_word(const char *word)
{
    return strcmp(word, "help") == 0 || strcmp(word, "-h") == 0 || strcmp(word, "--help") == 0;
}

int arl_help_topic(const char *word)
{
    return arl_form_named(word) || strcmp(word, "arl") == 0 || strcmp(word, "batch") == 0 ||
           strcmp(word, "-batch") == 0;
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
#define GIVEN(code) (1u << (kind_of(code) - arl_kinds))

/* Converts one word into its field; 0, or -1 with err said. */
static int take(struct parse *p, const struct arg_kind *k, char *word)
{
    const struct form *f = p->f;
    char *field = (char *)p->c + k->field, *err = p->err;
    char w0[WORD_TEXT_LEN], range[32];
    p->given |= GIVEN(k->code);
    if (k->value == V_FILE || k->value == V_TOPIC) {
        if (k->value == V_TOPIC && !arl_help_topic(word))
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
        while (k < arl_keywords_n &&
               !((arl_keywords[k].opts & f->opts) && strcmp(w[i], arl_keywords[k].word) == 0))
            k++;
        if (k == arl_keywords_n) {
            if ((f->opts & (OPT_FILE | OPT_TOPIC)) && i == 0) {
                if (take(p, kind_of(f->opts & OPT_FILE ? *A_FILE : *A_TOPIC), w[i]) != 0)
                    return -1;
                continue;
            }
            return malformed(err, "arl %s: unexpected '%s': expected %s %s", f->text.word,
                             word_text(w[i], w0), USAGE_OF(f));
        }
        const struct keyword *kw = &arl_keywords[k];
        if (kw->choice && chosen)
            return malformed(err, "arl %s: '%s' after '%s': expected one of %s", f->text.word,
                             word_text(w[i], w0), chosen->word,
                             f->opts & OPT_KIND3   ? "dynamic, static or all"
                             : f->opts & OPT_ENTRY ? "static (or permanent) or dynamic"
                                                   : "static or dynamic");
        if (seen & 1u << k)
            return malformed(err, "arl %s: second '%s': expected each word at most once",
                             f->text.word, word_text(w[i], w0));
        /* vid and vlan are one word, and a VID before MAC is one too. */
        if (*kw->args && (p->given & GIVEN(*kw->args)))
            return malformed(err, "arl %s: second %s at '%s': expected %s %s", f->text.word,
                             kind_of(*kw->args)->name, word_text(w[i], w0), USAGE_OF(f));
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
    /* Without a kind, flush spares the static entries: "all" takes both;
     * add and replace pin, as bridge fdb add does. */
    if ((f->opts & OPT_KIND3) && !chosen)
        p->c->filter.kind = BRCM53115_KIND_DYNAMIC;
    if ((f->opts & OPT_ENTRY) && !chosen)
        p->c->arl.sbit = 1;
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
    for (size_t i = 0; i < arl_forms_n; i++) {
        if (strcmp(argv[2], arl_forms[i].text.word) != 0)
            continue;
        if (!arl_forms[i].lead && !f)
            f = &arl_forms[i];
        else if (arl_forms[i].lead && argc > 3 && strcmp(argv[3], arl_forms[i].lead) == 0)
            return &arl_forms[i];
    }
    return f;
}

int arl_parse(int argc, char **argv, struct arl_cmd *c, char *err)
{
    char w0[WORD_TEXT_LEN];
    memset(c, 0, sizeof *c);
    c->filter.vid = c->filter.pid = -1;
    c->interval = 0; /* monitor: paced by its polls' own length */
    c->flap_moves = 3;
    c->flap_secs = 10;
    if (argc < 2 || strcmp(argv[1], "arl") != 0)
        return malformed(err, "unknown command '%s': expected arl",
                         word_text(argc < 2 ? "" : argv[1], w0));
    if (argc < 3)
        return malformed(err, "arl: missing command: expected %s", commands);

    /* arl --help, and arl COMMAND --help (or help, or -h, always the word
     * right after the command): the help, or COMMAND's. */
    int help = argc > 3 && arl_help_word(argv[3]) && arl_form_named(argv[2]);
    if (strcmp(argv[2], "--help") == 0 || strcmp(argv[2], "-h") == 0 || help) {
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
        (str2uint(w[0], kind_of(*A_VID)->max, &v) == 0 || str2mac(w[0], mac) != 0)) {
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
    c->vid_given = (p.given & GIVEN(*A_VID)) != 0;
    if (f->vid >= 0)
        c->arl.vid = f->vid;
    if (f->valid >= 0)
        c->arl.valid = f->valid;
    return 0;
}

int arl_parse_json_first(struct arl_cmd *c, const char *word, char *err)
{
    char w0[WORD_TEXT_LEN];
    const char *why = !c->json_ok
                          ? "expected it only before arl show, get, search port, monitor, flush or "
                            "apply"
                      : c->json ? "expected it before arl or --json after the command, not both"
                                : NULL;
    if (why)
        return malformed(err, "arl %s: %s '%s': %s", c->word, c->json ? "second" : "unexpected",
                         word_text(word, w0), why);
    c->json = 1;
    return 0;
}
