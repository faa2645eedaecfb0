/* sw53115: look into and change the BCM53115 switch's ARL table. */
#include <string.h>

#include "cli.h"

int main(int argc, char **argv)
{
    /* A process started with an empty argument list still gets a name. */
    const char *name = argc > 0 && argv[0] ? argv[0] : "sw53115";
    const char *cmd = argc > 1 ? argv[1] : "-h";
    char w[WORD_TEXT_LEN];

    /* One process, never forked: a listing takes the table lock per entry. */
    brcm53115_arl_lock_keep(1);

    if (strcmp(cmd, "-h") == 0 || strcmp(cmd, "--help") == 0) {
        usage_func(name, USAGE_SHORT);
        return EXIT_DONE;
    }
    if (strcmp(cmd, "-batch") == 0 || strcmp(cmd, "-force") == 0)
        return batch_func(argc, argv);
    if (strcmp(cmd, "arl") != 0) {
        say("%s: unknown command '%s': expected arl or -batch", name, word_text(cmd, w));
        usage_func(name, USAGE_SHORT);
        return EXIT_USAGE;
    }
    if (argc == 2) {
        usage_func(name, USAGE_ARL);
        return EXIT_DONE;
    }
    int rc = arl_func(argc, argv);
    if (rc < 0)
        usage_func(name, USAGE_ARL);
    return rc < 0 ? EXIT_USAGE : rc > 0 ? EXIT_FAILED : EXIT_DONE;
}
