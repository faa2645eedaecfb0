/* sw53115: look into and change the BCM53115 switch's ARL table. */
#include <stdio.h>
#include <string.h>

#include "args.h"
#include "batch.h"
#include "help.h"
#include "run.h"
#include "say.h"

#ifndef SW53115_VERSION
#define SW53115_VERSION "unknown"
#endif

int main(int argc, char **argv)
{
    /* A process started with an empty argument list still gets a name. */
    const char *prog = argc > 0 && argv[0] ? argv[0] : "sw53115";
    const char *cmd = argc > 1 ? argv[1] : "";
    char w[WORD_TEXT_LEN], name[NAME_TEXT_LEN];

    /* One process, never forked: a listing takes the table lock per entry. */
    brcm53115_arl_lock_keep(1);

    if (argc < 2) {
        usage_func(prog, USAGE_SHORT);
        return EXIT_DONE;
    }
    if (strcmp(cmd, "-h") == 0 || strcmp(cmd, "--help") == 0 || strcmp(cmd, "help") == 0) {
        arl_help_func();
        return EXIT_DONE;
    }
    if (strcmp(cmd, "-V") == 0 || strcmp(cmd, "--version") == 0) {
        puts("sw53115 " SW53115_VERSION);
        return EXIT_DONE;
    }
    if (strcmp(cmd, "-batch") == 0 || strcmp(cmd, "-force") == 0)
        return batch_func(argc, argv);
    if (strcmp(cmd, "arl") != 0) {
        usage_func(prog, USAGE_SHORT);
        fflush(stdout);
        say("%s: unknown command '%s': expected arl or -batch", name_text(prog, name),
            word_text(cmd, w));
        return EXIT_USAGE;
    }
    if (argc == 2) {
        usage_func(prog, USAGE_ARL);
        return EXIT_DONE;
    }
    int rc = arl_func(argc, argv);
    return rc < 0 ? EXIT_USAGE : rc > 0 ? EXIT_FAILED : EXIT_DONE;
}
