/* The table of the ARL commands: a row a form of a command, with what it
 * takes, the function that runs it and its traits; the kinds of argument
 * and the keywords that may follow the arguments. */
#ifndef SW53115_FORMS_H
#define SW53115_FORMS_H

#include <stddef.h>
#include <stdint.h>

#include "cmd.h"

/* The fields of a command that an argument or a keyword sets. */
// clang-format off
enum arl_field {
    F_NONE, F_MAC, F_VID, F_VALID, F_STATIC, F_AGE, F_TC, F_PORT, F_FMAC, F_HAS_MAC, F_FVID,
    F_FPORT, F_KIND, F_MS, F_N, F_MOVES, F_SECS, F_FILE, F_TOPIC, F_TALLY, F_JSON, F_PRUNE, F_CHECK
};

/* The kinds of argument, indexing arl_kinds: the name the messages give,
 * what the value is, its smallest and largest value, and its field. */
enum arl_arg {
    A_END, A_MAC, A_VID, A_VALID, A_STATIC, A_AGE, A_TC, A_PORT, A_FMAC, A_FVID, A_FPORT, A_MS,
    A_N, A_MOVES, A_SECS, A_FILE, A_TC3 /* what an entry keeps */, A_TOPIC
};
// clang-format on
/* What a value is: a number, a MAC, a FILE (any word but an option, "-"
 * standard input), a command's word. */
enum { V_NUM, V_MAC, V_FILE, V_TOPIC };
struct arg_kind {
    const char *name;
    int value;
    uint32_t min, max;
    int field;
};
extern const struct arg_kind arl_kinds[];

/* Which forms take which words after their arguments. */
#define OPT_VID 1        /* a VID may come before the arguments */
#define OPT_JSON 2       /* --json may come after them */
#define OPT_FILTER 4     /* mac MAC, vid VID, port PORT, in any order */
#define OPT_KIND 8       /* static or dynamic */
#define OPT_KIND3 16     /* dynamic, static or all */
#define OPT_MONITOR 32   /* interval MS, count N, flap MOVES SECONDS */
#define OPT_APPLY 64     /* prune, check */
#define OPT_FILE 128     /* an optional FILE: a word that does not start with '-', or - */
#define OPT_JSON_ANY 256 /* --json among the keywords, in any place */
#define OPT_ENTRY 512    /* port PORT, vlan VID, static, tc TC, age: an entry's fields */
#define OPT_VLAN 1024    /* vlan VID after the arguments (del) */
#define OPT_COUNT 2048   /* count: the counts instead of the rows */
#define OPT_TOPIC 4096   /* an optional COMMAND (help) */

/* The words that may follow a command's arguments: which forms take them,
 * their arguments, and the field each sets to its value (F_NONE: the
 * arguments are all it gives).  A word of a choice is one of a set of
 * words of which a command takes at most one. */
#define CHOICE_KIND 1 /* static, dynamic, all */
struct keyword {
    const char *word;
    int opts;
    uint8_t args[3];
    int field;
    int32_t value, choice;
};
extern const struct keyword arl_keywords[];
extern const size_t arl_keywords_n;

/* What a command is besides its words. */
#define T_CHIP 1     /* the chip's own: a malformed one gives the usage scripts read */
#define T_NO_BATCH 2 /* waits for a person: never in a batch */
#define T_COUNTED 4  /* in a batch only with count N */
#define T_VID0 8     /* looks on VLAN 0 unless told: its "no entry" says where else */
#define T_CHANGES 16 /* a failed listing of it changed nothing (else: saved nothing) */

/* A form of a command: its word, what it takes and what it does (as the
 * help and the messages give them), the word that must follow the
 * command's (NULL: none), its arguments in order, the words it takes after
 * them, the VLAN id and valid flag it sets (-1: none), the function that
 * runs it, what runs after its failure is said (NULL: nothing), and its
 * traits.  A new command is a row here and its function. */
struct arl_form_text {
    const char *word, *usage, *help;
};
struct arl_form {
    struct arl_form_text text;
    const char *lead;
    uint8_t args[8];
    int opts;
    int32_t vid, valid;
    int (*run)(struct arl_cmd *c);
    void (*after)(struct arl_cmd *c);
    int traits;
};
extern const struct arl_form arl_forms[];
extern const size_t arl_forms_n;

#endif
