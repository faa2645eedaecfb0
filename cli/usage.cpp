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
    /* One text, as its lines have always read. */
    printf("\nARL read without VID: \n"
           "\n\t%s arl read [mac]\n"
           "\nARL read with VID: \n"
           "\n\t%s arl read [vid] [mac]\n"
           "\nARL search without VID: \n"
           "\n\t%s arl search [mac]\n"
           "\nARL search by port: \n"
           "\n\t%s arl search port [port_id]\n"
           "\nARL write with VID: \n"
           "\n\t%s arl write [vid] [mac] [valid] [static] [age] [tc] [port_id]\n"
           "\nARL arguments:\n"
           "\n\tmac: ex: 00:11:22:33:44:55 => 001122334455\n"
           "\n\tvalid, static, age: 0 or 1\n"
           "\n\ttc: 0 ~ 7\n"
           "\n\tport_id: port number start from 0. \n",
           name, name, name, name, name);
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
