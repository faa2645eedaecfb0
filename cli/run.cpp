/* One ARL command run: the table from what the words name to the command
 * that does it, and the result hook after it. */
#include "run.h"

#include <stdio.h>

#include "args.h"
#include "commands.h"
#include "help.h"
#include "parse.h"
#include "report.h"

void dump_arl_data(arl_data *arl)
{
    (void)arl;
}

static int help_func(struct arl_cmd *c)
{
    if (c->topic)
        arl_help_cmd(c->topic);
    else
        arl_help_func();
    return fflush(stdout) != 0 || ferror(stdout) ? ARL_ERR_OUTPUT : 0;
}

/* Indexed by ARL_OP_*. */
static int (*const cmds[])(struct arl_cmd *c) = {
    arl_read_func,    arl_search_func, arl_get_func,   arl_update_func,
    arl_show_func,    arl_save_func,   arl_flush_func, arl_apply_func,
    arl_monitor_func, help_func,       arl_add_func,
};

int arl_run(struct arl_cmd *c, const char *name, const char *where)
{
    c->name = name;
    c->where = where;
    int rc = cmds[c->op](c);
    if (rc != ARL_ERR_SAID) /* else the command kept its cause there */
        c->rc = rc;
    if (rc != 0) {
        arl_report(c, rc);
        return ARL_CMD_FAILED;
    }
    dump_arl_data(&c->arl);
    return ARL_CMD_DONE;
}

int arl_func(int argc, char **argv, const char *json)
{
    struct arl_cmd c;
    char err[ARL_ERR_LEN], name[NAME_TEXT_LEN];

    name_text(argv[0], name);
    if (arl_parse(argc, argv, &c, err) != 0 || (json && arl_parse_json_first(&c, json, err) != 0)) {
        usage_error(argv[0], USAGE_ARL, err);
        return ARL_CMD_MALFORMED;
    }
    return arl_run(&c, name, "");
}
