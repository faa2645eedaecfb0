/* The tables of the ARL command line. */
#include "forms.h"

/* Largest value each numeric argument may take: the width of the field
 * that holds it. */
#define VID_MAX 255u /* the VLAN id registers are one byte wide */
#define FLAG_MAX 1u  /* valid, static, age */
#define TC_MAX 7u    /* as the usage promises; the entry keeps 2 bits */
#define PID_MAX 15u  /* 4-bit port field of an entry */
#define MWRITE_VID 6 /* VLAN of the mwrite and mdel commands */

#define FIELD(f) offsetof(struct arl_cmd, f)

const struct arg_kind arl_kinds[] = {
    {*A_MAC, "MAC", V_MAC, 0, 0, FIELD(arl.mac)},
    {*A_VID, "VID", V_NUM, 0, VID_MAX, FIELD(arl.vid)},
    {*A_VALID, "VALID", V_NUM, 0, FLAG_MAX, FIELD(arl.valid)},
    {*A_STATIC, "STATIC", V_NUM, 0, FLAG_MAX, FIELD(arl.sbit)},
    {*A_AGE, "AGE", V_NUM, 0, FLAG_MAX, FIELD(arl.age)},
    {*A_TC, "TC", V_NUM, 0, TC_MAX, FIELD(arl.tc)},
    {*A_PORT, "PORT", V_NUM, 0, PID_MAX, FIELD(arl.pid)},
    {*A_FMAC, "MAC", V_MAC, 0, 0, FIELD(filter.mac)},
    {*A_FVID, "VID", V_NUM, 0, VID_MAX, FIELD(filter.vid)},
    {*A_FPORT, "PORT", V_NUM, 0, PID_MAX, FIELD(filter.pid)},
    {*A_MS, "MS", V_NUM, 100, 60000, FIELD(interval)},
    {*A_N, "N", V_NUM, 1, 1000000000, FIELD(count)},
    {*A_MOVES, "MOVES", V_NUM, 2, 16, FIELD(flap_moves)},
    {*A_SECS, "SECONDS", V_NUM, 1, 3600, FIELD(flap_secs)},
    {*A_FILE, "FILE", V_FILE, 0, 0, FIELD(file)},
    {*A_TC3, "TC", V_NUM, 0, BRCM53115_TC_MASK, FIELD(arl.tc)},
    {*A_TOPIC, "COMMAND", V_TOPIC, 0, 0, FIELD(topic)},
};

const struct keyword arl_keywords[] = {
    {"mac", OPT_FILTER, A_FMAC, FIELD(filter.has_mac), 1, 0},
    {"vid", OPT_FILTER, A_FVID, NO_FIELD, 0, 0},
    {"vlan", OPT_FILTER, A_FVID, NO_FIELD, 0, 0},
    {"port", OPT_FILTER, A_FPORT, NO_FIELD, 0, 0},
    {"port", OPT_ENTRY, A_PORT, NO_FIELD, 0, 0},
    {"vid", OPT_ENTRY | OPT_VLAN, A_VID, NO_FIELD, 0, 0},
    {"vlan", OPT_ENTRY | OPT_VLAN, A_VID, NO_FIELD, 0, 0},
    {"static", OPT_ENTRY, "", FIELD(arl.sbit), 1, CHOICE_KIND},
    {"permanent", OPT_ENTRY, "", FIELD(arl.sbit), 1, CHOICE_KIND},
    {"dynamic", OPT_ENTRY, "", FIELD(arl.sbit), 0, CHOICE_KIND},
    {"tc", OPT_ENTRY, A_TC3, NO_FIELD, 0, 0},
    {"age", OPT_ENTRY, "", FIELD(arl.age), 1, 0},
    {"count", OPT_COUNT, "", FIELD(tally), 1, 0},
    {"static", OPT_KIND | OPT_KIND3, "", FIELD(filter.kind), BRCM53115_KIND_STATIC, CHOICE_KIND},
    {"dynamic", OPT_KIND | OPT_KIND3, "", FIELD(filter.kind), BRCM53115_KIND_DYNAMIC, CHOICE_KIND},
    {"all", OPT_KIND3, "", FIELD(filter.kind), BRCM53115_KIND_ANY, CHOICE_KIND},
    {"--json", OPT_JSON_ANY, "", FIELD(json), 1, 0},
    {"interval", OPT_MONITOR, A_MS, NO_FIELD, 0, 0},
    {"count", OPT_MONITOR, A_N, NO_FIELD, 0, 0},
    {"flap", OPT_MONITOR, A_MOVES A_SECS, NO_FIELD, 0, 0},
    {"prune", OPT_APPLY, "", FIELD(prune), 1, 0},
    {"check", OPT_APPLY, "", FIELD(check), 1, 0},
};

const struct form arl_forms[] = {
    // clang-format off
    {{"read", "[VID] MAC", "load the bucket of MAC on VLAN VID (default 0); prints nothing"},
     NULL, A_MAC, ARL_OP_READ, OPT_VID, -1, -1},
    {{"search", "MAC", "search the table for MAC; prints nothing"},
     NULL, A_MAC, ARL_OP_SEARCH, 0, -1, -1},
    {{"search", "port PORT [--json]", "the same as show port PORT"},
     "port", A_FPORT, ARL_OP_SHOW, OPT_JSON, -1, -1},
    {{"get", "[VID] MAC [--json]",
      "the entry of MAC on VLAN VID (default 0) exactly; status 1 if none"},
     NULL, A_MAC, ARL_OP_GET, OPT_VID | OPT_JSON, -1, -1},
    {{"show", "[mac MAC] [vlan VID] [port PORT] [static|dynamic] [count] [--json]",
      "list the entries that pass every filter given, with whole VLAN ids; count: how many, "
      "on each port and in all"},
     NULL, "", ARL_OP_SHOW, OPT_FILTER | OPT_KIND | OPT_JSON_ANY | OPT_COUNT, -1, -1},
    {{"write", "VID MAC VALID STATIC AGE TC PORT",
      "put an entry into its bucket, keeping the bucket's other entry; VALID 0 deletes"},
     NULL, A_VID A_MAC A_VALID A_STATIC A_AGE A_TC A_PORT, ARL_OP_UPDATE, 0, -1, -1},
    {{"add", "MAC port PORT [vlan VID] [static|permanent|dynamic] [tc TC] [age]",
      "put a valid entry (static unless dynamic, tc 0, VLAN 0 unless given), keeping the "
      "bucket's other entry; a static one takes a learned entry's place in a full bucket, and "
      "says so; status 1 if MAC is on that VLAN already"},
     NULL, A_MAC, ARL_OP_ADD, OPT_ENTRY, -1, 1},
    {{"replace", "MAC port PORT [vlan VID] [static|permanent|dynamic] [tc TC] [age]",
      "the same, whether the entry is there or not"},
     NULL, A_MAC, ARL_OP_REPLACE, OPT_ENTRY, -1, 1},
    {{"mwrite", "STATIC PORT MAC AGE", "write a valid entry of MAC on VLAN 6, tc 0"},
     NULL, A_STATIC A_PORT A_MAC A_AGE, ARL_OP_UPDATE, 0, MWRITE_VID, 1},
    {{"mdel", "STATIC PORT MAC AGE", "delete the entry of MAC on VLAN 6"},
     NULL, A_STATIC A_PORT A_MAC A_AGE, ARL_OP_UPDATE, 0, MWRITE_VID, 0},
    {{"del", "[VID] MAC [vlan VID]",
      "delete the entry of MAC on VLAN VID (default 0; given before MAC or after it); status 1 "
      "if none"},
     NULL, A_MAC, ARL_OP_UPDATE, OPT_VID | OPT_VLAN, -1, -1},
    {{"flush", "[mac MAC] [vlan VID] [port PORT] [dynamic|static|all] [--json]",
      "delete the entries that pass: learned (dynamic) ones only, unless static or all"},
     NULL, "", ARL_OP_FLUSH, OPT_FILTER | OPT_KIND3 | OPT_JSON_ANY, -1, -1},
    {{"save", "[FILE]",
      "the static entries as a batch, to FILE (replaced whole, or left as it was) or stdout"},
     NULL, "", ARL_OP_SAVE, OPT_FILE, -1, -1},
    {{"apply", "FILE [prune] [check] [--json]",
      "make the static entries those of FILE (save's format), all or nothing; prune also "
      "deletes static entries FILE lacks; check prints the changes instead"},
     NULL, A_FILE, ARL_OP_APPLY, OPT_APPLY | OPT_JSON_ANY, -1, -1},
    {{"monitor", "[mac MAC] [vlan VID] [port PORT] [static|dynamic] [--json] [interval MS] "
      "[count N] [flap MOVES SECONDS]",
      "print entries that appear (new), go (gone), move, change and flap, polling MS after "
      "each poll's end (100 to 60000; default: four times the poll's length, 1 s at least); "
      "stop after N polls (status 1 if one failed); SIGINT or SIGTERM end it within 10 ms, "
      "mid-poll too; flap: MOVES (2 to 16, default 3) moves within SECONDS (default 10); "
      "failed polls are said, and end it once they have failed for 30 s"},
     NULL, "", ARL_OP_MONITOR, OPT_FILTER | OPT_KIND | OPT_JSON_ANY | OPT_MONITOR, -1, -1},
    {{"help", "[COMMAND]", "this help, or COMMAND's"}, NULL, "", ARL_OP_HELP, OPT_TOPIC, -1, -1},
    // clang-format on
};
const size_t arl_keywords_n = sizeof arl_keywords / sizeof arl_keywords[0];
const size_t arl_forms_n = sizeof arl_forms / sizeof arl_forms[0];
