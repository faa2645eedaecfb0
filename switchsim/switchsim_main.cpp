/* switchsim: look into and set up the simulated switch that sw53115 and
 * libswitchsim.so work on. */
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>

#include "args.h"
#include "arl_codec.h"
#include "arl_print.h"
#include "lib53115.h"
#include "say.h"
#include "switchsim.h"

#define EXIT_BAD_ARG 2
#define EXIT_REFUSED 1

static const char usage_text[] =
    "usage: switchsim COMMAND [ARGS]\n"
    "Works on the simulated switch state in $SWITCHSIM_STATE (default /tmp/switchsim-UID.state).\n"
    "\n"
    "  show [--all] [--json]                       list the valid ARL entries (--all: every bin)\n"
    "  add MAC VID PORT [--static] [--age] [--tc N] put a valid entry into the table\n"
    "  del MAC VID                                 remove an entry\n"
    "  move MAC VID PORT                           put an entry on another port, in its bin\n"
    "  reset                                       empty the table, idle registers, no fault\n"
    "  fault busy N | fault stuck | fault none     make accesses take N polls, or never finish\n"
    "  fault slow US | fault relearn               each access takes US microseconds; every\n"
    "                                              other delete of a learned entry is learned "
    "again\n"
    "  regs                                        print the page 0x05 registers\n"
    "\n"
    "MAC: 001122334455 or 00:11:22:33:44:55; VID 0-255; PORT 0-15; N for --tc 0-7.\n"
    "Set SWITCHSIM_LOG=FILE (or -) to log every register access of sw53115.\n"
    "See switchsim(1).\n";

static int bad_arg(const char *arg, const char *expected)
{
    say("switchsim: bad argument '%s': expected %s (see switchsim --help)", arg, expected);
    return EXIT_BAD_ARG;
}

static int missing(const char *what, const char *usage)
{
    say("switchsim: missing %s: expected %s (see switchsim --help)", what, usage);
    return EXIT_BAD_ARG;
}

static int cmd_show(struct sim_state *st, int argc, char **argv)
{
    int all = 0, json = 0;
    for (int i = 2; i < argc; i++) {
        if (strcmp(argv[i], "--all") == 0)
            all = 1;
        else if (strcmp(argv[i], "--json") == 0)
            json = 1;
        else
            return bad_arg(argv[i], "--all or --json");
    }
    struct arl_out o;
    arl_out_begin(&o, (json ? ARL_FORM_JSON : ARL_FORM_ROWS) | ARL_FORM_PLACED, stdout);
    for (uint32_t b = 0; b < ARL_BUCKETS; b++) {
        for (uint32_t k = 0; k < ARL_BINS; k++) {
            arl_data e;
            arl_decode_a(st->table[b][k].val, st->table[b][k].vid, k, &e);
            if (all || e.valid)
                arl_out_placed(&o, b, k, &e);
        }
    }
    return arl_out_end(&o) == 0 ? 0 : EXIT_REFUSED;
}

/* MAC and VID of add and del, checked as sw53115 checks them. */
static int parse_key(char **argv, uint64_t *key, int32_t *vid)
{
    uint8_t mac[6];
    if (str2mac(argv[0], mac))
        return bad_arg(argv[0], "a MAC address as 001122334455 or 00:11:22:33:44:55");
    if (str2uint(argv[1], 255, vid))
        return bad_arg(argv[1], "a VLAN id from 0 to 255");
    *key = arl_mac_key(mac);
    return 0;
}

static struct sim_bin *find(struct sim_state *st, uint64_t key, uint32_t vid)
{
    struct sim_bin *bins = st->table[sim_bucket(key, vid)];
    for (uint32_t k = 0; k < ARL_BINS; k++)
        if (sim_bin_valid(&bins[k]) && arl_key(bins[k].val) == key && bins[k].vid == vid)
            return &bins[k];
    return NULL;
}

/* The bin of an entry that must be there (del, move), or NULL, said. */
static struct sim_bin *existing(struct sim_state *st, uint64_t key, int32_t vid, const char *mac)
{
    struct sim_bin *bin = find(st, key, (uint32_t)vid);
    if (!bin)
        say("switchsim: no valid entry for %s on VLAN %d", mac, (int)vid);
    return bin;
}

/* MAC, VID and PORT of add, the port into e->pid. */
static int parse_entry(int argc, char **argv, const char *usage, uint64_t *key, int32_t *vid,
                       arl_data *e)
{
    static const char *const need[] = {"MAC", "VID", "PORT"};
    if (argc < 5)
        return missing(need[argc - 2], usage);
    int rc = parse_key(argv + 2, key, vid);
    if (rc == 0 && str2uint(argv[4], 15, &e->pid))
        rc = bad_arg(argv[4], "a port from 0 to 15");
    return rc;
}

/* An entry into its bin. */
static int put(struct sim_bin *bin, const arl_data *e)
{
    bin->val = arl_encode_a(e);
    return 0;
}

static int cmd_add(struct sim_state *st, int argc, char **argv)
{
    uint64_t key;
    int32_t vid;
    arl_data e;
    memset(&e, 0, sizeof e);
    e.valid = 1;

    int rc =
        parse_entry(argc, argv, "add MAC VID PORT [--static] [--age] [--tc N]", &key, &vid, &e);
    if (rc)
        return rc;
    for (int i = 5; i < argc; i++) {
        if (strcmp(argv[i], "--static") == 0)
            e.sbit = 1;
        else if (strcmp(argv[i], "--age") == 0)
            e.age = 1;
        else if (strcmp(argv[i], "--tc") == 0 && i + 1 < argc)
            rc =
                str2uint(argv[++i], 7, &e.tc) ? bad_arg(argv[i], "a traffic class from 0 to 7") : 0;
        else
            rc = bad_arg(argv[i], "--static, --age or --tc N");
        if (rc)
            return rc;
    }

    struct sim_bin *bin = find(st, key, (uint32_t)vid);
    struct sim_bin *bins = st->table[sim_bucket(key, (uint32_t)vid)];
    for (uint32_t k = 0; !bin && k < ARL_BINS; k++)
        if (!sim_bin_valid(&bins[k]))
            bin = &bins[k];
    if (!bin) {
        say("switchsim: bucket %u is full: both bins hold valid entries; del one first",
            sim_bucket(key, (uint32_t)vid));
        return EXIT_REFUSED;
    }
    arl_key_mac(key, e.mac);
    bin->vid = (uint32_t)vid;
    return put(bin, &e);
}

/* move MAC VID PORT and del MAC VID: an entry that must be there, put on
 * another port in its bin, or removed. */
static int cmd_change(struct sim_state *st, int argc, char **argv)
{
    int move = strcmp(argv[1], "move") == 0, words = move ? 5 : 4;
    const char *usage = move ? "move MAC VID PORT" : "del MAC VID";
    static const char *const need[] = {"MAC", "VID", "PORT"};
    char nothing[40];
    uint64_t key;
    int32_t vid;
    arl_data to, e;

    if (argc < words)
        return missing(need[argc - 2], usage);
    snprintf(nothing, sizeof nothing, "nothing after %s", usage);
    int rc = argc > words ? bad_arg(argv[words], nothing) : parse_key(argv + 2, &key, &vid);
    if (rc == 0 && move && str2uint(argv[4], 15, &to.pid))
        rc = bad_arg(argv[4], "a port from 0 to 15");
    if (rc)
        return rc;
    struct sim_bin *bin = existing(st, key, vid, argv[2]);
    if (!bin)
        return EXIT_REFUSED;
    if (!move) {
        memset(bin, 0, sizeof *bin);
        return 0;
    }
    arl_decode_a(bin->val, bin->vid, 0, &e);
    e.pid = to.pid;
    return put(bin, &e);
}

static int cmd_fault(struct sim_state *st, int argc, char **argv)
{
    const char *usage = "fault busy N, fault slow US, fault relearn, fault stuck or fault none";
    int32_t n = 0;
    if (argc < 3)
        return missing("the fault", usage);
    const char *kind = argv[2];
    int busy = strcmp(kind, "busy") == 0, slow = strcmp(kind, "slow") == 0;
    int relearn = strcmp(kind, "relearn") == 0;
    if (!busy && !slow && !relearn && strcmp(kind, "stuck") != 0 && strcmp(kind, "none") != 0)
        return bad_arg(kind, usage);
    int takes_n = busy || slow;
    const char *range = busy ? "a number of polls from 0 to 1000000000"
                             : "microseconds an access from 0 to 1000000";
    if (takes_n && argc < 4)
        return missing(busy ? "N" : "US", range);
    if (argc > 3 + takes_n)
        return bad_arg(argv[3 + takes_n], busy   ? "nothing after fault busy N"
                                          : slow ? "nothing after fault slow US"
                                                 : "nothing after the fault");
    if (takes_n && str2uint(argv[3], busy ? 1000000000u : 1000000u, &n))
        return bad_arg(argv[3], range);
    if (slow) {
        st->slow_us = (uint32_t)n;
    } else if (relearn) {
        st->relearn = SIM_RELEARN_ON;
    } else {
        st->fault = busy                         ? SIM_FAULT_BUSY
                    : strcmp(kind, "stuck") == 0 ? SIM_FAULT_STUCK
                                                 : SIM_FAULT_NONE;
        if (busy)
            st->busy_polls = (uint32_t)n;
        if (st->fault == SIM_FAULT_NONE)
            st->slow_us = st->relearn = 0;
    }
    return 0;
}

static int cmd_regs(struct sim_state *st)
{
    static const struct {
        int offset, length;
        const char *name;
        // clang-format off
    } regs[] = {
        {ARL_RW_CTRL, 1, "rw_ctrl"}, {ARL_MAC_INDEX, 6, "mac_index"},
        {ARL_VID_INDEX, 1, "vid_index"}, {ARL_ENTRY0, 8, "entry0"}, {ARL_ENTRY1, 8, "entry1"},
        {ARL_SRCH_CTRL, 1, "search_ctrl"}, {ARL_SRCH_RESULT, 8, "search_result"},
        {ARL_SRCH_EXTRA, 1, "search_extra"}, {ARL_ENTRY0_VID, 1, "entry0_vid"},
        {ARL_ENTRY1_VID, 1, "entry1_vid"}};
    // clang-format on
    for (const auto &r : regs)
        printf("0x%02x %-13s 0x%0*llx\n", r.offset, r.name, 2 * r.length,
               (unsigned long long)sim_reg_peek(st, r.offset, r.length));
    static const char *const faults[] = {"none", "busy", "stuck"};
    printf("fault: %s", faults[st->fault < 3 ? st->fault : 0]);
    if (st->fault == SIM_FAULT_BUSY)
        printf(" %u polls", st->busy_polls);
    if (st->slow_us)
        printf(", slow %u us", st->slow_us);
    if (st->relearn)
        printf(", relearn");
    printf("%s\n", st->pending ? ", an access is running" : "");
    return 0;
}

/* The status, once everything printed has reached standard output. */
static int output_done(int rc)
{
    if (fflush(stdout) != 0 || ferror(stdout)) {
        say("switchsim: cannot write the output: %s", strerror(errno));
        return EXIT_REFUSED;
    }
    return rc;
}

static int cmd_reset(struct sim_state *st, int argc, char **argv)
{
    (void)argc;
    (void)argv;
    sim_reset(st);
    return 0;
}

static int cmd_regs_of(struct sim_state *st, int argc, char **argv)
{
    (void)argc;
    (void)argv;
    return cmd_regs(st);
}

/* The commands: whether they change the table (and hold the table lock
 * that every operation of lib53115 holds, so that a change never lands
 * inside one, between a write's read of the bucket and its write of both
 * bins, and is lost to it), whether they print a snapshot of the state
 * (so that no access waits on output), and whether they take arguments. */
static const struct command {
    const char *word;
    int (*run)(struct sim_state *st, int argc, char **argv);
    int changes, snapshot, args;
} commands[] = {
    {"show", cmd_show, 0, 1, 1},    {"add", cmd_add, 1, 0, 1},     {"del", cmd_change, 1, 0, 1},
    {"move", cmd_change, 1, 0, 1},  {"reset", cmd_reset, 1, 0, 0}, {"fault", cmd_fault, 0, 0, 1},
    {"regs", cmd_regs_of, 0, 1, 0},
};
static const char command_words[] = "one of show, add, del, move, reset, fault, regs";

int main(int argc, char **argv)
{
    if (argc < 2) {
        say("switchsim: missing command: expected %s (see switchsim --help)", command_words);
        return EXIT_BAD_ARG;
    }
    const char *cmd = argv[1];
    signal(SIGPIPE, SIG_IGN); /* a closed pipe is an output that failed */
    if (strcmp(cmd, "-h") == 0 || strcmp(cmd, "--help") == 0) {
        fputs(usage_text, stdout);
        return output_done(0);
    }
    if (strcmp(cmd, "-V") == 0 || strcmp(cmd, "--version") == 0) {
        puts("switchsim " SW53115_VERSION);
        return output_done(0);
    }
    const struct command *c = NULL;
    for (size_t i = 0; i < sizeof commands / sizeof commands[0] && !c; i++)
        if (strcmp(cmd, commands[i].word) == 0)
            c = &commands[i];
    if (!c)
        return bad_arg(cmd, command_words);
    if (!c->args && argc > 2)
        return bad_arg(argv[2], "no argument after reset or regs");

    int table_lock = c->changes ? brcm53115_arl_lock() : 0;
    if (table_lock < 0) {
        say("switchsim: %s", brcm53115_strerror(table_lock));
        return EXIT_REFUSED;
    }
    char err[4200];
    struct sim_state *st = sim_open(err, sizeof err, c->run == cmd_reset);
    if (!st) {
        say("%s", err);
        return EXIT_BAD_ARG;
    }
    static struct sim_state snap;
    int rc = 0;
    if (sim_lock(st) != 0)
        return EXIT_REFUSED;
    if (c->snapshot)
        snap = *st;
    else
        rc = c->run(st, argc, argv);
    sim_unlock(st);
    if (c->changes)
        brcm53115_arl_unlock(table_lock);
    if (c->snapshot)
        rc = c->run(&snap, argc, argv);
    return output_done(rc);
}
