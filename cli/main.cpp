/* sw53115: look into and change the BCM53115 switch's ARL table. */
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

int main(int argc, char **argv)
{
    /* A process started with an empty argument list still gets a name. */
    const char *prog = argc > 0 && argv[0] ? argv[0] : "sw53115";
    const char *cmd = argc > 1 ? argv[1] : "";
    const char *json = NULL;
    char w[WORD_TEXT_LEN], line[ARL_ERR_LEN];

    /* One process, never forked: a listing takes the table lock per entry. */
    brcm53115_arl_lock_keep(1);

    if (argc < 2)
        return usage_only(prog, USAGE_SHORT);
    if (strcmp(cmd, "-h") == 0 || strcmp(cmd, "--help") == 0 || strcmp(cmd, "help") == 0) {
        if (argc > 3) {
            snprintf(line, sizeof line, "unexpected '%s': expected %s [COMMAND]",
                     word_text(argv[3], w), cmd);
            return usage_error(prog, USAGE_SHORT, line);
        }
        if (argc == 2) {
            arl_help_func();
        } else if (arl_help_cmd(argv[2]) != 0) {
            snprintf(line, sizeof line, "%s: unknown command '%s': expected a command of arl", cmd,
                     word_text(argv[2], w));
            return usage_error(prog, USAGE_SHORT, line);
        }
        return EXIT_DONE;
    }
    if (strcmp(cmd, "-V") == 0 || strcmp(cmd, "--version") == 0) {
        puts("sw53115 " SW53115_VERSION);
        return EXIT_DONE;
    }
    if (strcmp(cmd, "-batch") == 0 || strcmp(cmd, "-force") == 0)
        return batch_func(argc, argv);
    if (strcmp(cmd, "-j") == 0 || strcmp(cmd, "--json") == 0) {
        /* As ip and bridge take it: JSON for the command after arl. */
        json = cmd;
        argv[1] = argv[0];
        argv++;
        argc--;
        cmd = argc > 1 ? argv[1] : "";
        if (strcmp(cmd, "arl") != 0 || argc < 3) {
            snprintf(line, sizeof line, "%s: expected %s arl COMMAND", json, json);
            return usage_error(prog, USAGE_SHORT, line);
        }
    }
    if (strcmp(cmd, "arl") != 0) {
        snprintf(line, sizeof line, "unknown command '%s': expected arl or -batch",
                 word_text(cmd, w));
        return usage_error(prog, USAGE_SHORT, line);
    }
    if (argc == 2)
        return usage_only(prog, USAGE_ARL);
    int rc = arl_func(argc, argv, json);
    return rc < 0 ? EXIT_USAGE : rc > 0 ? EXIT_FAILED : EXIT_DONE;
}
