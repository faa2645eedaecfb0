/* A firmware component written in C that puts one entry into the table
 * through lib53115 as installed: its header and lib53115.a. */
#include <stdio.h>
#include <string.h>

#include <lib53115.h>

int main(void)
{
    arl_data a;
    memset(&a, 0, sizeof a);
    a.vid = 1;
    a.valid = 1;
    a.pid = 3;
    memcpy(a.mac, "\x00\x11\x22\x33\x44\x55", 6);
    int rc = brcm53115_update_arl_tab(&a);
    printf("update %d entry %d\n", rc, (int)a.entry);
    return rc != 0;
}
