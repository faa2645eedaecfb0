/* The tables of the ARL command line: every argument, keyword and form of
 * a command, and the field of the command that each sets. */
#ifndef SW53115_FORMS_H
#define SW53115_FORMS_H

#include <stddef.h>
#include <stdint.h>

#include "cmd.h"
#include "parse.h"

#define NO_FIELD ((size_t)-1) /* a keyword that sets no field of its own */

/* The arguments: the code that the forms and keywords name them by, the
 * name the messages give, what the value is, its smallest and largest
 * value, and the field of the command it goes to. */
#define A_MAC "m"
#define A_VID "v"
#define A_VALID "a"
#define A_STATIC "s"
#define A_AGE "g"
#define A_TC "t"
#define A_PORT "p"
#define A_FMAC "M"
#define A_FVID "V"
#define A_FPORT "P"
#define A_MS "i"
#define A_N "n"
#define A_MOVES "f"
#define A_SECS "S"
#define A_FILE "F"
#define A_TC3 "T" /* what an entry keeps */
#define A_TOPIC "H"

#define V_NUM 0
#define V_MAC 1
#define V_FILE 2  /* any word but an option; "-" is standard input */
#define V_TOPIC 3 /* a command's word */

struct arg_kind {
    char code;
    const char *name;
    int value;
    uint32_t min, max;
    size_t field;
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
 * their arguments, and the field each sets to its value (NO_FIELD: the
 * arguments are all it gives).  A word of a choice is one of a set of
 * words of which a command takes at most one. */
#define CHOICE_KIND 1 /* static, dynamic, all */
struct keyword {
    const char *word;
    int opts;
    const char *args;
    size_t field;
    int32_t value, choice;
};
extern const struct keyword arl_keywords[];
extern const size_t arl_keywords_n;

/* The commands: their word and the word that must follow it (NULL: none),
 * their arguments in order, what they do, the VLAN id and valid flag they
 * set (-1: none), what the help and the messages say they take, and what
 * the help says they do. */
struct form {
    struct arl_form_text text;
    const char *lead, *args;
    int op, opts;
    int32_t vid, valid;
};
extern const struct form arl_forms[];
extern const size_t arl_forms_n;

#endif
