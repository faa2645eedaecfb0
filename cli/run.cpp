/* One ARL command run: the function of its row of the table, its failure
 * said, and the result hook after it. */
#include "run.h"

#include <stdio.h>
#include <unistd.h>

#include "args.h"
#include "arl_clock.h"
#include "help.h"
#include "parse.h"
#include "report.h"

int arl_stats;

void dump_arl_data(arl_data *arl)
{
    (void)arl;
}

/* A walk's progress on a terminal: once it has run PROGRESS_AFTER_MS, a
 * line on standard error, said again at most every PROGRESS_EVERY_MS and
 * erased at the walk's end. */
#define PROGRESS_AFTER_MS 1000u
#define PROGRESS_EVERY_MS 250u

static struct {
    uint32_t begun, said;
    int shown;
} progress;

static void show_progress(uint32_t walked, int done, void *ctx)
{
    (void)ctx;
    uint32_t now = arl_clock(ARL_MS);
    if (walked == 0 && !done) {
        progress.begun = now;
        progress.shown = 0;
    } else if (done && progress.shown) {
        fputs("\r\033[K", stderr);
        progress.shown = 0;
    } else if (!done && now - progress.begun >= PROGRESS_AFTER_MS &&
               (!progress.shown || now - progress.said >= PROGRESS_EVERY_MS)) {
        fprintf(stderr, "\rwalking the table: %u of %u entries", (unsigned)walked,
                (unsigned)BRCM53115_ARL_ENTRIES);
        progress.said = now;
        progress.shown = 1;
    }
}

int arl_run(struct arl_cmd *c, const char *name, const char *where)
{
    c->name = name;
    c->where = where;
    c->stats = arl_stats;
    brcm53115_arl_progress(!c->json && isatty(2) ? show_progress : NULL, NULL);
    int rc = c->rc = c->form->run(c);
    if (rc != 0) {
        arl_report(c, rc);
        if (c->form->after)
            c->form->after(c);
        return ARL_CMD_FAILED;
    }
    dump_arl_data(&c->arl);
    return ARL_CMD_DONE;
}

int arl_func(int argc, char **argv, const char *json)
{
    struct arl_cmd c;
    char err[ARL_ERR_LEN], name[NAME_TEXT_LEN];

    name_text(argv[0], name);
    if (arl_parse(argc, argv, &c, err) != 0 || (json && arl_parse_json_first(&c, json, err) != 0)) {
        /* The chip's commands and unknown words give the usage scripts
         * have always read; every other command its own help, on stderr. */
        const char *word = argc > 2 ? argv[2] : "";
        const struct arl_form *f = arl_form_named(word);
        if (!f || (f->traits & T_CHIP))
            usage_error(argv[0], USAGE_ARL, err, json != NULL);
        else
            command_error(argv[0], word, err);
        return ARL_CMD_MALFORMED;
    }
    return arl_run(&c, name, "");
}
