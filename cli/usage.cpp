/* The usage texts. */
#include <stdio.h>

#include "cli.h"

void arl_usage_func(const char *name, int detail)
{
    puts("\nARL Usage:");
    if (!detail) {
        printf("\n\t%s arl\n", name);
        return;
    }
    puts("\nARL read without VID: ");
    printf("\n\t%s arl read [mac]\n", name);
    puts("\nARL read with VID: ");
    printf("\n\t%s arl read [vid] [mac]\n", name);
    puts("\nARL search without VID: ");
    printf("\n\t%s arl search [mac]\n", name);
    puts("\nARL search by port: ");
    printf("\n\t%s arl search port [port_id]\n", name);
    puts("\nARL write with VID: ");
    printf("\n\t%s arl write [vid] [mac] [valid] [static] [age] [tc] [port_id]\n", name);
    puts("\nARL arguments:");
    puts("\n\tmac: ex: 00:11:22:33:44:55 => 001122334455");
    puts("\n\tvalid, static, age: 0 or 1");
    puts("\n\ttc: 0 ~ 7");
    puts("\n\tport_id: port number start from 0. ");
}

void usage_func(const char *name, int kind)
{
    puts("\nUsage:");
    if (kind == USAGE_SHORT)
        arl_usage_func(name, 0);
    else if (kind == USAGE_ARL)
        arl_usage_func(name, 1);
    putchar('\n');
}
