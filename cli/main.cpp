/* sw53115: look into and change the BCM53115 switch's ARL table. */
#include <signal.h>
#include <stdio.h>
#include <string.h>

#include "args.h"
#include "batch.h"
#include "help.h"
#include "parse.h"
#include "run.h"
#include "say.h"

#ifndef SW53115_VERSION
#define SW53115_VERSION "unknown"
#endif

/* A usage text for words that name no command yet: status 0, and where
 * to look next on stderr. */
static int usage_only(const char *prog, int kind)
{
    usage_func(prog, kind);
    fflush(stdout);
    say("Try '%s --help' for every command.", prog);
    return EXIT_DONE;
}

static int is(const char *word, const char *a, const char *b)
{
    return strcmp(word, a) == 0 || (b && strcmp(word, b) == 0);
}

/* -w SECONDS: 0 to 3600 in seconds, with at most three decimals, into
 * milliseconds.  0, or -1. */
static int wait_ms(const char *text, int *ms)
{
    int32_t whole, frac = 0;
    char w[8];
    const char *dot = strchr(text, '.');
    size_t n = dot ? (size_t)(dot - text) : strlen(text), d = dot ? strlen(dot + 1) : 0;
    if (n == 0 || n >= sizeof w || d > 3 || (dot && d == 0))
        return -1;
    memcpy(w, text, n);
    w[n] = '\0';
    if (str2uint(w, 3600, &whole) != 0 || (dot && str2uint(dot + 1, 999, &frac) != 0))
        return -1;
    for (; d < 3; d++)
        frac *= 10;
    if (whole == 3600 && frac > 0)
        return -1;
    *ms = whole * 1000 + frac;
    return 0;
}

int main(int argc, char **argv)
{
    /* A process started with an empty argument list still gets a name. */
    const char *prog = argc > 0 && argv[0] ? argv[0] : "sw53115";
    const char *json = NULL;
    char w[WORD_TEXT_LEN], line[ARL_ERR_LEN];
    int ms;

    /* A reader that has gone is an output that failed, not a signal. */
    signal(SIGPIPE, SIG_IGN);
    /* One process, never forked: a listing takes the table lock per entry. */
    brcm53115_arl_lock_keep(1);

    if (argc < 2)
        return usage_only(prog, USAGE_SHORT);
    const char *cmd = argv[1];
    if (arl_help_word(cmd)) {
        if (argc > 3) {
            snprintf(line, sizeof line, "unexpected '%s': expected %s [COMMAND]",
                     word_text(argv[3], w), cmd);
            return command_error(prog, "help", line);
        }
        if (argc == 2) {
            arl_help_func();
        } else if (arl_help_cmd(stdout, argv[2]) != 0) {
            snprintf(line, sizeof line, "%s: unknown command '%s': expected a command of arl", cmd,
                     word_text(argv[2], w));
            return command_error(prog, "help", line);
        }
        return EXIT_DONE;
    }
    if (is(cmd, "-V", "--version")) {
        puts("sw53115 " SW53115_VERSION);
        return EXIT_DONE;
    }
    /* The options before arl or -batch, each once: moved out of the way,
     * so that argv[1] is the command. */
    int i = 1, seen_w = 0;
    for (; i < argc; i++) {
        const char *o = argv[i];
        const char *dup = NULL;
        if (is(o, "-j", "--json")) {
            dup = json;
            json = o;
        } else if (is(o, "-s", "--stats")) {
            dup = arl_stats ? o : NULL;
            arl_stats = 1;
        } else if (is(o, "-w", "--wait")) {
            dup = seen_w ? o : NULL;
            seen_w = 1;
            if (i + 1 >= argc || wait_ms(argv[i + 1], &ms) != 0) {
                snprintf(line, sizeof line,
                         "%s: %s '%s': expected SECONDS from 0 to 3600, as 2 or 0.5", o,
                         i + 1 >= argc ? "missing SECONDS after" : "bad SECONDS",
                         word_text(i + 1 >= argc ? o : argv[i + 1], w));
                return synopsis_error(prog, line);
            }
            brcm53115_arl_lock_wait(ms);
            brcm53115_arl_walk_wait(ms);
            i++;
        } else {
            break;
        }
        if (dup) {
            snprintf(line, sizeof line, "second '%s': expected each option once", word_text(o, w));
            return synopsis_error(prog, line);
        }
    }
    const char *last = argv[i - 1];
    argv[i - 1] = argv[0];
    argv += i - 1;
    argc -= i - 1;
    cmd = argc > 1 ? argv[1] : "";
    if (!json && (is(cmd, "-batch", "-force")))
        return batch_func(argc, argv);
    if (json && (strcmp(cmd, "arl") != 0 || argc < 3)) {
        snprintf(line, sizeof line, "%s: expected %s arl COMMAND", json, json);
        return synopsis_error(prog, line);
    }
    if (argc < 2 || (i > 1 && strcmp(cmd, "arl") != 0)) {
        snprintf(line, sizeof line, "%s '%s': expected arl or -batch after the options",
                 argc < 2 ? "nothing after" : "unexpected", word_text(argc < 2 ? last : cmd, w));
        return synopsis_error(prog, line);
    }
    if (strcmp(cmd, "arl") != 0) {
        snprintf(line, sizeof line, "unknown command '%s': expected arl or -batch",
                 word_text(cmd, w));
        return usage_error(prog, USAGE_SHORT, line, 0);
    }
    if (argc == 2)
        return usage_only(prog, USAGE_ARL);
    int rc = arl_func(argc, argv, json);
    return rc < 0 ? EXIT_USAGE : rc > 0 ? EXIT_FAILED : EXIT_DONE;
}
