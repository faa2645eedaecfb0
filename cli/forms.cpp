/* The tables of the ARL command line. */
#include "forms.h"

#include "commands.h"

/* Largest value each numeric argument may take: the width of the field
 * that holds it. */
#define VID_MAX 255u /* the VLAN id registers are one byte wide */
#define FLAG_MAX 1u  /* valid, static, age */
#define TC_MAX 7u    /* as the usage promises; the entry keeps 2 bits */
#define PID_MAX 15u  /* 4-bit port field of an entry */
#define MWRITE_VID 6 /* VLAN of the mwrite and mdel commands */

const struct arg_kind arl_kinds[] = {
    {NULL, 0, 0, 0, F_NONE}, /* A_END */
    {"MAC", V_MAC, 0, 0, F_MAC},
    {"VID", V_NUM, 0, VID_MAX, F_VID},
    {"VALID", V_NUM, 0, FLAG_MAX, F_VALID},
    {"STATIC", V_NUM, 0, FLAG_MAX, F_STATIC},
    {"AGE", V_NUM, 0, FLAG_MAX, F_AGE},
    {"TC", V_NUM, 0, TC_MAX, F_TC},
    {"PORT", V_NUM, 0, PID_MAX, F_PORT},
    {"MAC", V_MAC, 0, 0, F_FMAC},
    {"VID", V_NUM, 0, VID_MAX, F_FVID},
    {"PORT", V_NUM, 0, PID_MAX, F_FPORT},
    {"MS", V_NUM, 100, 60000, F_MS},
    {"N", V_NUM, 1, 1000000000, F_N},
    {"MOVES", V_NUM, 2, 16, F_MOVES},
    {"SECONDS", V_NUM, 1, 3600, F_SECS},
    {"FILE", V_FILE, 0, 0, F_FILE},
    {"TC", V_NUM, 0, BRCM53115_TC_MASK, F_TC},
    {"COMMAND", V_TOPIC, 0, 0, F_TOPIC},
};

const struct keyword arl_keywords[] = {
    {"mac", OPT_FILTER, {A_FMAC}, F_HAS_MAC, 1, 0},
    {"vid", OPT_FILTER, {A_FVID}, F_NONE, 0, 0},
    {"vlan", OPT_FILTER, {A_FVID}, F_NONE, 0, 0},
    {"port", OPT_FILTER, {A_FPORT}, F_NONE, 0, 0},
    {"port", OPT_ENTRY, {A_PORT}, F_NONE, 0, 0},
    {"vid", OPT_ENTRY | OPT_VLAN, {A_VID}, F_NONE, 0, 0},
    {"vlan", OPT_ENTRY | OPT_VLAN, {A_VID}, F_NONE, 0, 0},
    {"static", OPT_ENTRY, {A_END}, F_STATIC, 1, CHOICE_KIND},
    {"permanent", OPT_ENTRY, {A_END}, F_STATIC, 1, CHOICE_KIND},
    {"dynamic", OPT_ENTRY, {A_END}, F_STATIC, 0, CHOICE_KIND},
    {"tc", OPT_ENTRY, {A_TC3}, F_NONE, 0, 0},
    {"age", OPT_ENTRY, {A_END}, F_AGE, 1, 0},
    {"count", OPT_COUNT, {A_END}, F_TALLY, 1, 0},
    {"static", OPT_KIND | OPT_KIND3, {A_END}, F_KIND, BRCM53115_KIND_STATIC, CHOICE_KIND},
    {"dynamic", OPT_KIND | OPT_KIND3, {A_END}, F_KIND, BRCM53115_KIND_DYNAMIC, CHOICE_KIND},
    {"all", OPT_KIND3, {A_END}, F_KIND, BRCM53115_KIND_ANY, CHOICE_KIND},
    {"--json", OPT_JSON_ANY, {A_END}, F_JSON, 1, 0},
    {"interval", OPT_MONITOR, {A_MS}, F_NONE, 0, 0},
    {"count", OPT_MONITOR, {A_N}, F_NONE, 0, 0},
    {"flap", OPT_MONITOR, {A_MOVES, A_SECS}, F_NONE, 0, 0},
    {"prune", OPT_APPLY, {A_END}, F_PRUNE, 1, 0},
    {"check", OPT_APPLY, {A_END}, F_CHECK, 1, 0},
};

const struct arl_form arl_forms[] = {
    // clang-format off
    {{"read", "[VID] MAC", "load the bucket of MAC on VLAN VID (default 0); prints nothing"},
     NULL, {A_MAC}, OPT_VID, -1, -1, arl_read_func, NULL, T_CHIP},
    {{"search", "MAC", "search the table for MAC; prints nothing"},
     NULL, {A_MAC}, 0, -1, -1, arl_search_func, NULL, T_CHIP},
    {{"search", "port PORT [--json]", "the same as show port PORT"},
     "port", {A_FPORT}, OPT_JSON, -1, -1, arl_show_func, NULL, T_CHIP},
    {{"get", "[VID] MAC [--json]",
      "the entry of MAC on VLAN VID (default 0) exactly; status 1 if none"},
     NULL, {A_MAC}, OPT_VID | OPT_JSON, -1, -1, arl_get_func, NULL, T_VID0},
    {{"show", "[mac MAC] [vlan VID] [port PORT] [static|dynamic] [count] [--json]",
      "list the entries that pass every filter given, with whole VLAN ids; count: how many, on "
      "each port and in all"},
     NULL, {A_END}, OPT_FILTER | OPT_KIND | OPT_JSON_ANY | OPT_COUNT, -1, -1, arl_show_func,
     NULL, 0},
    {{"write", "VID MAC VALID STATIC AGE TC PORT",
      "put an entry into its bucket, keeping the bucket's other entry; VALID 0 deletes"},
     NULL, {A_VID, A_MAC, A_VALID, A_STATIC, A_AGE, A_TC, A_PORT}, 0, -1, -1, arl_update_func,
     NULL, T_CHIP},
    {{"add", "MAC port PORT [vlan VID] [static|permanent|dynamic] [tc TC] [age]",
      "put a valid entry (static unless dynamic, tc 0, VLAN 0 unless given), keeping the "
      "bucket's other entry; a static one takes a learned entry's place in a full bucket, and "
      "says so; status 1 if MAC is on that VLAN already"},
     NULL, {A_MAC}, OPT_ENTRY, -1, 1, arl_add_func, NULL, 0},
    {{"replace", "MAC port PORT [vlan VID] [static|permanent|dynamic] [tc TC] [age]",
      "the same, whether the entry is there or not"},
     NULL, {A_MAC}, OPT_ENTRY, -1, 1, arl_replace_func, NULL, 0},
    {{"mwrite", "STATIC PORT MAC AGE", "write a valid entry of MAC on VLAN 6, tc 0"},
     NULL, {A_STATIC, A_PORT, A_MAC, A_AGE}, 0, MWRITE_VID, 1, arl_update_func, NULL, T_CHIP},
    {{"mdel", "STATIC PORT MAC AGE", "delete the entry of MAC on VLAN 6"},
     NULL, {A_STATIC, A_PORT, A_MAC, A_AGE}, 0, MWRITE_VID, 0, arl_update_func, NULL, T_CHIP},
    {{"del", "[VID] MAC [vlan VID]",
      "delete the entry of MAC on VLAN VID (default 0; given before MAC or after it); status 1 "
      "if none"},
     NULL, {A_MAC}, OPT_VID | OPT_VLAN, -1, 0, arl_update_func, NULL, T_VID0},
    {{"flush", "[mac MAC] [vlan VID] [port PORT] [dynamic|static|all] [--json]",
      "delete the entries that pass: learned (dynamic) ones only, unless static or all"},
     NULL, {A_END}, OPT_FILTER | OPT_KIND3 | OPT_JSON_ANY, -1, -1, arl_flush_func, NULL, 0},
    {{"save", "[FILE]",
      "the static entries as a batch, to FILE (replaced whole, or left as it was) or stdout"},
     NULL, {A_END}, OPT_FILE, -1, -1, arl_save_func, NULL, 0},
    {{"apply", "FILE [prune] [check] [--json]",
      "make the static entries those of FILE (save's format), all or nothing; prune also "
      "deletes static entries FILE lacks; check prints the changes instead"},
     NULL, {A_FILE}, OPT_APPLY | OPT_JSON_ANY, -1, -1, arl_apply_func, arl_apply_undo,
     T_NO_BATCH | T_CHANGES},
    {{"monitor", "[mac MAC] [vlan VID] [port PORT] [static|dynamic] [--json] [interval MS] "
      "[count N] [flap MOVES SECONDS]",
      "print entries that appear (new), go (gone), move, change and flap, polling MS after "
      "each poll's end (100 to 60000; default: four times the poll's length, 1 s at least); "
      "stop after N polls (status 1 if one failed); SIGINT or SIGTERM end it within 10 ms, "
      "mid-poll too; flap: MOVES (2 to 16, default 3) moves within SECONDS (default 10); "
      "failed polls are said, and end it once they have failed for 30 s"},
     NULL, {A_END}, OPT_FILTER | OPT_KIND | OPT_JSON_ANY | OPT_MONITOR, -1, -1,
     arl_monitor_func, NULL, T_COUNTED},
    {{"help", "[COMMAND]", "this help, or COMMAND's"},
     NULL, {A_END}, OPT_TOPIC, -1, -1, arl_help_run, NULL, 0},
    // clang-format on
};
const size_t arl_keywords_n = sizeof arl_keywords / sizeof arl_keywords[0];
const size_t arl_forms_n = sizeof arl_forms / sizeof arl_forms[0];
