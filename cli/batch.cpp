/* sw53115 [-force] -batch FILE: many commands in one process.  The whole
 * input is read once into one buffer and every line checked; only then do
 * the commands run, from that same buffer, so that nothing runs unless all
 * of it parsed, and a file that changes meanwhile cannot split the check
 * from the run. */
#include "batch.h"

#include <stdio.h>
#include <string.h>

#include "args.h"
#include "arl_print.h"
#include "cmdfile.h"
#include "help.h"
#include "parse.h"
#include "run.h"
#include "say.h"

/* Parses one line into *c.  Returns 1 for a command, 0 for a blank line
 * or a comment, -1 for a malformed line (said when `say_errors`). */
static int parse_line(const char *name, const char *where, const char *line, uint32_t len,
                      struct arl_cmd *c, int say_errors)
{
    char copy[BATCH_LINE_MAX + 1], err[ARL_ERR_LEN];
    char *argv[LINE_WORDS];
    int argc = batch_words(name, line, len, copy, argv, err, sizeof err);

    if (argc == 1)
        return 0;
    if (argc > 1 && arl_parse(argc, argv, c, err) == 0) {
        /* What waits for a person, or runs without an end, is no line of
         * a batch. */
        if (c->form->traits & T_NO_BATCH)
            snprintf(err, sizeof err, "arl %s: not in a batch: run it as a command of its own",
                     c->form->text.word);
        else if ((c->form->traits & T_COUNTED) && c->count == 0)
            snprintf(err, sizeof err, "arl %s: in a batch only with count N", c->form->text.word);
        else
            return 1;
    }
    if (say_errors)
        say("%s: %s%s", name, where, err);
    return -1;
}

/* One pass over the text: the check (every malformed line said), or the
 * run (stopping at the first failure unless `force`).  Returns 1 when a
 * line was malformed or a command failed, else 0; *done and *all count
 * the commands that succeeded and every command line. */
static int pass(const char *name, const char *file, const char *text, uint32_t len, int run,
                int force, uint32_t *done, uint32_t *all)
{
    char where[NAME_TEXT_LEN + 16], f[NAME_TEXT_LEN];
    int failed = 0, newline;
    uint32_t lineno = 0, n;
    name_text(file, f);
    for (uint32_t pos = 0; pos < len;) {
        const char *line = batch_line(text, len, &pos, &n, &newline);
        snprintf(where, sizeof where, "%s:%u: ", f, (unsigned)++lineno);
        struct arl_cmd c;
        int r = parse_line(name, where, line, n, &c, !run);
        *all += r != 0;
        if (r < 0 || (failed && run && !force))
            failed |= r < 0;
        else if (r > 0 && run && arl_run(&c, name, where) != ARL_CMD_DONE)
            failed = 1;
        else
            *done += r > 0;
        /* Once a lock was held past its bound, the later commands try
         * each once rather than wait for it again. */
        if (r > 0 && run && (c.rc == BRCM53115_ERR_LOCK || c.rc == BRCM53115_ERR_WALK)) {
            brcm53115_arl_lock_wait(0);
            brcm53115_arl_walk_wait(0);
        }
    }
    return failed;
}

int batch_run(const char *name, const char *file, const char *text, uint32_t len, int force)
{
    uint32_t done = 0, all = 0;
    char f[NAME_TEXT_LEN];
    if (pass(name, file, text, len, 0, 0, &done, &all) || batch_cut_short(name, file, text, len))
        return EXIT_FAILED;
    done = all = 0;
    if (!pass(name, file, text, len, 1, force, &done, &all))
        return EXIT_DONE;
    say("%s: %s: %u of %u %s done", name, name_text(file, f), (unsigned)done, (unsigned)all,
        ARL_NOUN(all, "command", "commands"));
    return EXIT_FAILED;
}

/* A malformed -batch command line: the usage, then the line naming the
 * word. */
static int malformed(const char *prog, const char *fmt, const char *word)
{
    char w[WORD_TEXT_LEN], line[160];
    snprintf(line, sizeof line, fmt, word_text(word, w));
    return command_error(prog, "-batch", line);
}

int batch_func(int argc, char **argv)
{
    const char *prog = argv[0] ? argv[0] : "sw53115";
    char name[NAME_TEXT_LEN];
    int force = 0, i = 1;

    name_text(prog, name);
    /* -batch --help (or -h) as the whole line: its help; a file of that
     * name is ./--help. */
    if (argc == 3 && strcmp(argv[1], "-batch") == 0 &&
        (strcmp(argv[2], "--help") == 0 || strcmp(argv[2], "-h") == 0))
        return arl_help_cmd(stdout, "-batch") == 0 && fflush(stdout) == 0 ? EXIT_DONE : EXIT_FAILED;
    if (i < argc && strcmp(argv[i], "-force") == 0)
        force = i++;
    if (i >= argc)
        return malformed(prog, "nothing after '%s': expected -force -batch FILE", "-force");
    if (strcmp(argv[i], "-batch") != 0)
        return malformed(prog, "unexpected '%s': expected [-force] -batch FILE", argv[i]);
    if (++i >= argc)
        return malformed(prog,
                         "missing FILE after '%s': expected -batch FILE, or -batch - for standard "
                         "input",
                         "-batch");
    const char *file = argv[i++];
    if (i < argc && strcmp(argv[i], "-force") == 0) {
        if (force)
            return malformed(
                prog, "unexpected second '%s': expected it once, before or after -batch FILE",
                "-force");
        force = i++;
    }
    if (i < argc)
        return malformed(prog, "unexpected '%s': expected nothing after -batch FILE but -force",
                         argv[i]);
    long len = batch_read(name, file);
    if (len < 0)
        return EXIT_FAILED;
    return batch_run(name, file, batch_input, (uint32_t)len, force != 0);
}
