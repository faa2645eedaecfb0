/* One command of sw53115 as the parser makes it and the commands run it,
 * and the results and exit statuses that only the command line knows. */
#ifndef SW53115_CMD_H
#define SW53115_CMD_H

#include <stdint.h>

#include "lib53115.h"

/* Exit statuses: done, failed (or not there), malformed. */
#define EXIT_DONE 0
#define EXIT_FAILED 1
#define EXIT_USAGE 2

/* Results of arl_func and arl_run */
#define ARL_CMD_DONE 0       /* the command ran */
#define ARL_CMD_MALFORMED -1 /* the words are no valid command; nothing ran */
#define ARL_CMD_FAILED 1     /* the command failed; reported on stderr */

/* Results of the commands besides lib53115's, said by arl_run but for the
 * last two, whose lines were said as they were met. */
#define ARL_ERR_OUTPUT (-64)    /* the output could not be written (errno says why) */
#define ARL_ERR_NOT_FILE (-66)  /* save FILE: FILE is there, not a regular file */
#define ARL_ERR_LINK (-67)      /* save FILE: a link fs.protected_symlinks would not follow */
#define ARL_ERR_PRUNE_ALL (-68) /* apply prune: FILE holds no entry; c->changes deletes */
#define ARL_ERR_FILE (-69)      /* apply: lines of FILE at fault */
#define ARL_ERR_POLLS (-70)     /* monitor count N: polls that failed */

/* One parsed command. */
struct arl_cmd {
    const struct arl_form *form;   /* its row of the table (forms.h) */
    int32_t json;                  /* --json */
    int32_t tally;                 /* show count */
    const char *topic;             /* help: the command, or NULL for all */
    brcm53115_arl_filter filter;   /* show, flush, monitor: which entries */
    const char *file;              /* save (NULL: standard output), apply */
    int32_t prune, check;          /* apply */
    int32_t interval, count;       /* monitor: ms between polls (0: paced); polls, 0: no end */
    int32_t flap_moves, flap_secs; /* monitor */
    arl_data arl;                  /* the record the operation takes */
    int vid_given;                 /* the words gave a VID for arl.vid */
    /* Set by arl_run: */
    const char *name;  /* the program's name, for failure lines */
    const char *where; /* "" or "FILE:LINE: " of a batch */
    int stats;         /* -s: say what was done */
    int rc;            /* 0 or the failure's result */
    arl_data bins[2];  /* a full bucket's occupants, for its failure */
    uint32_t changes;  /* apply: the changes planned, for its failure */
};

#endif
