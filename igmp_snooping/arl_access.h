/* Inside lib53115: the register accesses of one table operation, and the
 * table lock around it.  Every access to the switch goes through here. */
#ifndef ARL_ACCESS_H
#define ARL_ACCESS_H

#include <stdint.h>

#include "arl_clock.h"
#include "lib53115.h"

/* One register of the ARL page.  *rc holds the operation's result: once an
 * access has failed (BRCM53115_ERR_ACCESS, the access in brcm53115_failed),
 * no further access is made and reads yield 0. */
uint64_t arl_read_reg(int *rc, int offset, int length);
void arl_write_reg(int *rc, int offset, uint64_t value, int length);

/* Polls the read/write control until the switch has finished the access,
 * within BRCM53115_WRITE_TIMEOUT_US (else BRCM53115_ERR_TIMEOUT). */
void arl_wait_done(int *rc);

/* Runs one table operation under the table lock (arl_lock.cpp): the lock's
 * failure (no register touched), the operation's failure, else what it
 * returned. */
int arl_locked(int (*op)(int *rc, void *arg), void *arg);

/* The walk lock, held for the whole of a search of the chip: 0, or
 * BRCM53115_ERR_WALK / BRCM53115_ERR_LOCKFILE. */
int arl_walk_lock(void);
void arl_walk_unlock(void);

/* The lock file that brcm53115_arl_lock_error is about. */
const char *arl_lock_error_path(void);

/* The delete of a flush: brcm53115_delete_arl_tab of the record's entry,
 * and in the same write every other entry of the bucket that passes the
 * filter, whether or not the record's was there (*others: a bit for each
 * bin of bins[] deleted besides arl->entry's). */
int arl_delete_all(arl_data *arl, const brcm53115_arl_filter *f, arl_data bins[2],
                   uint32_t *others);

/* Whether the caller's stop flag (brcm53115_arl_stop) is set. */
int arl_stopped(void);

#endif
