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

/* Results of the commands besides lib53115's: the output could not be
 * written (errno says why); the failure has been said already. */
#define ARL_ERR_OUTPUT (-64)
#define ARL_ERR_SAID (-65)
/* save FILE: FILE is there and is not a regular file. */
#define ARL_ERR_NOT_FILE (-66)
/* save FILE: a symbolic link (c->file) that fs.protected_symlinks would not
 * follow. */
#define ARL_ERR_LINK (-67)

/* What a command line names. */
#define ARL_OP_READ 0
#define ARL_OP_SEARCH 1
#define ARL_OP_GET 2
#define ARL_OP_UPDATE 3 /* write, replace, mwrite, mdel, del */
#define ARL_OP_SHOW 4   /* show, search port */
#define ARL_OP_SAVE 5
#define ARL_OP_FLUSH 6
#define ARL_OP_APPLY 7
#define ARL_OP_MONITOR 8
#define ARL_OP_HELP 9
#define ARL_OP_ADD 10     /* add: nothing where the entry is there */
#define ARL_OP_REPLACE 11 /* replace: a static one takes a learned entry's place */

/* One parsed command. */
struct arl_cmd {
    int op;                        /* ARL_OP_* */
    const char *word;              /* the command's word, for its messages */
    int json;                      /* --json */
    int json_ok;                   /* the command takes --json */
    int tally;                     /* show count */
    const char *topic;             /* help: the command, or NULL for all */
    brcm53115_arl_filter filter;   /* show, flush, monitor: which entries */
    const char *file;              /* save (NULL: standard output), apply */
    int prune, check;              /* apply */
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
};

#endif
