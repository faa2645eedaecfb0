/* The ARL commands' words into one arl_cmd record, naming the first word at
 * fault.  Every form, keyword and argument is a row of a table of forms.cpp
 * that names the field it sets. */
#include "parse.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "args.h"

static int malformed(char *err, const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(err, ARL_ERR_LEN, fmt, ap);
    va_end(ap);
    return -1;
}

/* The field of the command that a kind or a keyword sets to a number. */
static int32_t *num_field(struct arl_cmd *c, int field)
{
    // clang-format off
    int32_t *const at[] = {
        NULL, NULL, &c->arl.vid, &c->arl.valid, &c->arl.sbit, &c->arl.age, &c->arl.tc,
        &c->arl.pid, NULL, &c->filter.has_mac, &c->filter.vid, &c->filter.pid, &c->filter.kind,
        &c->interval, &c->count, &c->flap_moves, &c->flap_secs, NULL, NULL, &c->tally, &c->json,
        &c->prune, &c->check};
    // clang-format on
    return at[field];
}

const struct arl_form *arl_form_named(const char *word)
{
    for (size_t i = 0; i < arl_forms_n; i++)
        if (strcmp(word, arl_forms[i].text.word) == 0)
            return &arl_forms[i];
    return NULL;
}

int arl_help_word(const char *word)
{
    return strcmp(word, "help") == 0 || strcmp(word, "-h") == 0 || strcmp(word, "--help") == 0;
}

int arl_help_topic(const char *word)
{
    return arl_form_named(word) != NULL || strcmp(word, "arl") == 0 || strcmp(word, "batch") == 0 ||
           strcmp(word, "-batch") == 0;
}

/* "expected WORD USAGE" of a form, for its messages. */
#define USAGE_OF(f) (f)->text.word, (f)->text.usage

/* A parse under way: its form, the command it fills, where a failure is
 * said, and the arguments given so far (a bit for each kind). */
struct parse {
    const struct arl_form *f;
    struct arl_cmd *c;
    char *err;
    uint32_t given;
};

/* The commands as messages list them, from the table, into
 * out[LIST_LEN]: each word once, "a, b or c"; with `json`, the forms that
 * take --json. */
#define LIST_LEN 128
static const char *command_list(char *out, int json)
{
    size_t n = 0, last = 0;
    for (size_t i = 0; i < arl_forms_n; i++) {
        const struct arl_form *f = &arl_forms[i];
        if (json ? !(f->opts & (OPT_JSON | OPT_JSON_ANY)) : arl_form_named(f->text.word) != f)
            continue;
        last = n;
        n += (size_t)snprintf(out + n, LIST_LEN - n, "%s%s%s%s", n ? ", " : "", f->text.word,
                              f->lead ? " " : "", f->lead ? f->lead : "");
    }
    memmove(out + last + 4, out + last + 2, n - last - 1); /* the last ", " is " or " */
    memcpy(out + last, " or ", 4);
    return out;
}

/* The bit of an argument's kind in a parse's `given`. */
#define GIVEN(kind) (1u << (kind))

/* Converts one word into its field; 0, or -1 with err said. */
static int take(struct parse *p, const struct arg_kind *k, char *word)
{
    const struct arl_form *f = p->f;
    struct arl_cmd *c = p->c;
    char *err = p->err, w0[WORD_TEXT_LEN], range[32], list[LIST_LEN];
    p->given |= GIVEN(k - arl_kinds);
    if (k->value == V_FILE || k->value == V_TOPIC) {
        if (k->value == V_TOPIC && !arl_help_topic(word))
            return malformed(err, "arl %s: unknown command '%s': expected %s", f->text.word,
                             word_text(word, w0), command_list(list, 0));
        if (word[0] == '-' && word[1] != '\0')
            return malformed(err, "arl %s: unexpected '%s': expected %s %s", f->text.word,
                             word_text(word, w0), USAGE_OF(f));
        *(k->field == F_FILE ? &c->file : &c->topic) = word;
        return 0;
    }
    if (k->value == V_MAC) {
        if (str2mac(word, k->field == F_FMAC ? c->filter.mac : c->arl.mac) == 0)
            return 0;
        return malformed(err,
                         "arl %s: bad MAC '%s': expected 12 hex digits or six colon-separated "
                         "pairs",
                         f->text.word, word_text(word, w0));
    }
    int32_t v;
    if (str2uint(word, k->max, &v) == 0 && (uint32_t)v >= k->min) {
        *num_field(c, k->field) = v;
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
    const struct arl_form *f = p->f;
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
                if (take(p, &arl_kinds[f->opts & OPT_FILE ? A_FILE : A_TOPIC], w[i]) != 0)
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
                             arl_kinds[*kw->args].name, word_text(w[i], w0), USAGE_OF(f));
        seen |= 1u << k;
        if (kw->choice)
            chosen = kw;
        if (kw->field != F_NONE)
            *num_field(p->c, kw->field) = kw->value;
        for (const uint8_t *a = kw->args; *a; a++) {
            const struct arg_kind *ak = &arl_kinds[*a];
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
    if ((f->opts & OPT_ENTRY) && !(p->given & GIVEN(A_PORT)))
        return malformed(err, "arl %s: missing port PORT: expected %s %s", f->text.word,
                         USAGE_OF(f));
    return 0;
}

/* The form that the words name: the command's word, and the word after
 * it where a form asks for one. */
static const struct arl_form *form_of(int argc, char **argv)
{
    const struct arl_form *f = NULL;
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
    char w0[WORD_TEXT_LEN], list[LIST_LEN];
    memset(c, 0, sizeof *c);
    c->filter.vid = c->filter.pid = -1;
    c->interval = 0; /* monitor: paced by its polls' own length */
    c->flap_moves = 3;
    c->flap_secs = 10;
    if (argc < 2 || strcmp(argv[1], "arl") != 0)
        return malformed(err, "unknown command '%s': expected arl",
                         word_text(argc < 2 ? "" : argv[1], w0));
    if (argc < 3)
        return malformed(err, "arl: missing command: expected %s", command_list(list, 0));

    /* arl --help, and arl COMMAND --help (or help, or -h, always the word
     * right after the command): the help, or COMMAND's. */
    int help = argc > 3 && arl_help_word(argv[3]) && arl_form_named(argv[2]);
    if (strcmp(argv[2], "--help") == 0 || strcmp(argv[2], "-h") == 0 || help) {
        c->form = arl_form_named("help");
        c->topic = help ? argv[2] : NULL;
        if (argc > 3 + help)
            return malformed(err, "arl: unexpected '%s': expected arl COMMAND --help",
                             word_text(argv[3 + help], w0));
        return 0;
    }
    struct parse p = {form_of(argc, argv), c, err, 0};
    const struct arl_form *f = p.f;
    if (!f)
        return malformed(err, "arl: unknown command '%s': expected %s", word_text(argv[2], w0),
                         command_list(list, 0));
    c->form = f;

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
    int args = (int)strlen((const char *)f->args);
    if ((f->opts & OPT_VID) && n > args &&
        (str2uint(w[0], arl_kinds[A_VID].max, &v) == 0 || str2mac(w[0], mac) != 0)) {
        if (take(&p, &arl_kinds[A_VID], w[0]) != 0)
            return -1;
        w++;
        n--;
    }
    int i = 0;
    for (; f->args[i]; i++) {
        const struct arg_kind *k = &arl_kinds[f->args[i]];
        if (i >= n)
            return malformed(err, "arl %s: missing %s: expected %s %s", f->text.word, k->name,
                             USAGE_OF(f));
        if (take(&p, k, w[i]) != 0)
            return -1;
    }
    if (keywords_of(&p, w + i, n - i) != 0)
        return -1;
    c->vid_given = (p.given & GIVEN(A_VID)) != 0;
    if (f->vid >= 0)
        c->arl.vid = f->vid;
    if (f->valid >= 0)
        c->arl.valid = f->valid;
    return 0;
}

int arl_parse_json_first(struct arl_cmd *c, const char *word, char *err)
{
    char w0[WORD_TEXT_LEN], list[LIST_LEN];
    if (!(c->form->opts & (OPT_JSON | OPT_JSON_ANY)))
        return malformed(err, "arl %s: unexpected '%s': expected it only before arl %s",
                         c->form->text.word, word_text(word, w0), command_list(list, 1));
    if (c->json)
        return malformed(err,
                         "arl %s: second '%s': expected it before arl or --json after the "
                         "command, not both",
                         c->form->text.word, word_text(word, w0));
    c->json = 1;
    return 0;
}
