/* sw53115: look into and change the BCM53115 switch's ARL table. */
#include <string.h>

#include "cli.h"

int main(int argc, char **argv)
{
    /* A process started with an empty argument list still gets a name. */
    const char *name = argc > 0 && argv[0] ? argv[0] : "sw53115";

    if (argc < 2 || strcmp(argv[1], "arl") != 0) {
        usage_func(name, USAGE_SHORT);
    } else if (argc == 2) {
        usage_func(name, USAGE_ARL);
    } else {
        int rc = arl_func(argc, argv);
        if (rc < 0)
            usage_func(name, USAGE_ARL);
        if (rc > 0)
            return 1;
    }
    return 0;
}
