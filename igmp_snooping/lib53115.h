/* lib53115: the BCM53115 ARL table, read, written and searched through the
 * switch's page 0x05 registers.  Shared with C firmware code, so everything
 * here has C linkage and the header compiles as C too. */
#ifndef LIB53115_H
#define LIB53115_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One ARL entry as the table operations take and fill it. */
typedef struct arl_data {
    int32_t entry;  /* entry slot 0 or 1; index of the matching search step */
    int32_t vid;    /* VLAN id */
    int32_t valid;  /* valid flag, 0/1 */
    int32_t sbit;   /* static flag, 0/1 */
    int32_t age;    /* age flag, 0/1 */
    int32_t tc;     /* traffic class; the entry holds its low 2 bits */
    int32_t pid;    /* port id, 0-15 */
    uint8_t mac[6]; /* MAC address, byte 0 first as written */
} arl_data;

/* Debug trace mask: bit 0 write traces, bit 1 read traces. */
extern int igmp_snoop_dbg;
#define IGMP_DBG_WRITE 0x1
#define IGMP_DBG_READ 0x2

/* Longest a table operation waits for the switch to finish an access, in
 * microseconds. */
#define BRCM53115_WRITE_TIMEOUT_US 100000

/* Longest a search or a walk of the whole table runs, in microseconds:
 * the walk takes about 1.2 s on the chip, and it must end well within the
 * time others wait for the table lock. */
#define BRCM53115_SEARCH_TIMEOUT_US 2000000

/* Results of the table operations: 0 when done, else one of these. */
#define BRCM53115_ERR_TIMEOUT (-1)  /* the switch did not finish an access in time */
#define BRCM53115_ERR_FULL (-2)     /* update: both bins of the bucket hold other entries */
#define BRCM53115_ERR_LOCK (-3)     /* the table lock was held past BRCM53115_LOCK_WAIT_MS */
#define BRCM53115_ERR_LOCKFILE (-4) /* unusable lock file: see brcm53115_arl_lock_error */
#define BRCM53115_ERR_ACCESS (-5)   /* a platform function failed: see brcm53115_failed */

/* Platform functions, provided by the firmware's libraries (or by a
 * simulated switch), one register of `length` bytes at page and offset
 * each.  Note the different argument orders.  Each returns a negative
 * number when the access failed, and 0 or more when it was made.
 *
 * set_register: `value` points to a uint64_t in the machine's byte order;
 * the register receives its low `length` bytes.
 * get_register: `buf` points to a 24-byte reply buffer; the register's
 * value stands from byte 14 on as 16-bit groups in the machine's byte
 * order, least significant group first (4 groups for length 8, 3 for 6,
 * 2 for 4, 1 for 1).  The other bytes are not read. */
int get_register(int page, int offset, int length, void *buf);
int set_register(int page, int offset, void *value, int length);

/* One register access.  brcm53115_read stores the value as two 32-bit
 * words, low word first (0 when the platform failed); both return 0, or
 * the platform's negative result. */
int brcm53115_read(int page, int offset, uint32_t *val, int length);
int brcm53115_write(int page, int offset, uint64_t value, int length);

/* The access that made the last operation return BRCM53115_ERR_ACCESS. */
typedef struct brcm53115_access {
    int write; /* 1 set_register, 0 get_register */
    int page, offset, length;
    int result; /* what the platform returned */
} brcm53115_access;
extern brcm53115_access brcm53115_failed;

/* One table operation at a time across every process that drives the ARL
 * access registers: an exclusive flock on brcm53115_arl_lock_path().
 * brcm53115_arl_lock returns a handle for brcm53115_arl_unlock, or
 * BRCM53115_ERR_LOCK / BRCM53115_ERR_LOCKFILE.  Each table operation takes
 * it and fails with that result, touching no register, when it cannot.
 *
 * How long an operation waits for the lock, in milliseconds.  The longest
 * legitimate holder is a walk of the whole table on the chip: about 12,300
 * register accesses at up to ~100 us each, 1.2 s; 5 s leaves room for that
 * and for a loaded machine. */
#define BRCM53115_LOCK_WAIT_MS 5000
const char *brcm53115_arl_lock_path(void);
int brcm53115_arl_lock(void);
void brcm53115_arl_unlock(int lock);
/* With keep 1, the lock file stays open from one hold to the next (one
 * system call less each, which a listing of the whole table feels), and is
 * checked at each hold to be the file its path names.  Only for a process
 * that does not fork and use lib53115 in the child: a lock belongs to the
 * open file, which parent and child would share.  Default 0: each hold
 * opens the file. */
void brcm53115_arl_lock_keep(int keep);
/* Why the lock could not be had, after BRCM53115_ERR_LOCK ("held by
 * another process"; a second hold before the release fails too) or
 * BRCM53115_ERR_LOCKFILE (what failed and what would be right, e.g.
 * "owned by uid 1001, not 0: remove it").  A lock file of the user's own
 * that others may open is narrowed to mode 0600 and used. */
const char *brcm53115_arl_lock_error(void);

/* Table operations, each one whole exchange with the switch under the
 * table lock.  Each returns 0 when done, or a BRCM53115_ERR_* result; a
 * failed operation touches no register after the failure.
 *
 * Read and search fill the record's out fields when a matching entry is
 * found.  Write puts the entry into the slot that `entry` names (1: slot 1,
 * else slot 0); the switch's write access stores both slots into the
 * bucket, so a caller reads the bucket first and writes the slot that the
 * read left `entry` at, as brcm53115_update_arl_tab does. */
int brcm53115_read_arl_tab(arl_data *arl);
int brcm53115_write_arl_tab(arl_data *arl);
int brcm53115_search_arl_tab(arl_data *arl);

/* Puts the record's entry into its bucket, keeping the bucket's other bin:
 * reads the bucket (waiting for the switch, within the write's bound), then
 * writes the bin that holds the same MAC and VLAN id, or, for a valid
 * entry, the first bin that holds no valid entry; `entry` says which.  A
 * delete (`valid` 0) of an entry that is not there writes nothing and
 * returns BRCM53115_ABSENT, which a caller that wants "delete if present"
 * takes as done; a valid entry whose bucket is full writes nothing and
 * returns BRCM53115_ERR_FULL. */
#define BRCM53115_ABSENT 1
int brcm53115_update_arl_tab(arl_data *arl);

/* Looks up the entry with the record's MAC and VLAN id exactly: reads the
 * bucket as the update does and fills `entry` (the bin), `valid`, `sbit`,
 * `age`, `tc` and `pid` from the bin whose valid entry has that key and
 * VLAN id.  Returns 1 when found, 0 when not (the record unchanged), or a
 * BRCM53115_ERR_* result. */
int brcm53115_lookup_arl_tab(arl_data *arl);

/* Hands every search result of the whole table to fn, in the switch's
 * order: `entry` is the step number, `mac` the key, the other fields as the
 * search decodes them (`vid` the low 4 bits, `pid` 5 bits).  At most
 * 4096 results, one per entry of the table.
 *
 * The search and the walk wait for a switch that is still searching (bit
 * 7 of the search control set, bit 0 clear) within the write's bound, and
 * fail with BRCM53115_ERR_TIMEOUT once the whole has run
 * BRCM53115_SEARCH_TIMEOUT_US. */
int brcm53115_walk_arl_tab(void (*fn)(const arl_data *arl, void *ctx), void *ctx);

#ifdef __cplusplus
}
#endif

#endif
