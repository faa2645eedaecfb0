/* show and search port: the whole table as the switch's search hands it
 * out, as aligned columns or JSON. */
#include <signal.h>
#include <stdio.h>

#include "arl_print.h"
#include "cli.h"

struct show_list {
    int32_t port; /* only entries on this port; -1: all */
    uint32_t n;
    arl_data rows[4096]; /* one per entry of the table */
};

static void keep(const arl_data *a, void *ctx)
{
    struct show_list *l = (struct show_list *)ctx;
    if ((l->port < 0 || a->pid == l->port) && l->n < sizeof l->rows / sizeof l->rows[0])
        l->rows[l->n++] = *a;
}

int arl_show_func(int32_t port, int json)
{
    struct show_list l;
    l.port = port;
    l.n = 0;
    /* The table is taken whole under the lock and printed after it, so
     * that a slow reader of the output never holds up the switch. */
    int rc = brcm53115_walk_arl_tab(keep, &l);
    if (rc < 0)
        return rc;

    /* Output that cannot be written is a failure, a closed pipe too. */
    signal(SIGPIPE, SIG_IGN);
    if (json)
        arl_print_json_open();
    else
        arl_print_header();
    for (uint32_t i = 0; i < l.n; i++) {
        if (json)
            printf("%s\n  {", i ? "," : "");
        arl_print_row(&l.rows[i], json);
    }
    if (json)
        arl_print_json_close(l.n);
    if (fflush(stdout) != 0 || ferror(stdout))
        return ARL_ERR_OUTPUT;
    return 0;
}
