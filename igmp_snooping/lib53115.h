/* lib53115: the BCM53115 ARL table, read, written and searched through the
 * switch's page 0x05 registers.  Shared with C firmware code, so everything
 * here has C linkage and the header compiles as C too. */
#ifndef LIB53115_H
#define LIB53115_H

#include <signal.h>
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
    int32_t tc;     /* traffic class; the entry keeps tc & BRCM53115_TC_MASK */
    int32_t pid;    /* port id, 0-15 */
    uint8_t mac[6]; /* MAC address, byte 0 first as written */
} arl_data;

/* The table: its entries, in buckets of two bins each. */
#define BRCM53115_ARL_ENTRIES 4096
#define BRCM53115_ARL_BUCKETS (BRCM53115_ARL_ENTRIES / 2)

/* What an entry keeps of a traffic class: its low 2 bits. */
#define BRCM53115_TC_MASK 0x3u

/* Debug trace mask: bit 0 write traces, bit 1 read traces. */
extern int igmp_snoop_dbg;
#define IGMP_DBG_WRITE 0x1
#define IGMP_DBG_READ 0x2

/* Longest a table operation waits for the switch to finish an access, in
 * microseconds: a switch that does not answer within it is stuck.  It is
 * the only bound on time that a table operation has of its own; a search
 * or a walk is bounded by its steps, one per entry of the table. */
#define BRCM53115_WRITE_TIMEOUT_US 100000

/* No longer used: a walk is not bounded in time (on a management bus at
 * 1 ms an access a whole table takes about 12 s).  Kept for code that
 * names it. */
#define BRCM53115_SEARCH_TIMEOUT_US 2000000

/* Results of lib53115's operations, each of one meaning.  0: done.
 * Answers, not failures, are positive: BRCM53115_FOUND from a lookup (0
 * for an entry not there), BRCM53115_EXISTS from an add or an undo,
 * BRCM53115_ABSENT from an update, remove or undo with nothing to do.
 * Failures are negative (a timeout is the access's bound; each lock has
 * its own): */
#define BRCM53115_FOUND 1
#define BRCM53115_EXISTS 2          /* the entry is there already */
#define BRCM53115_ABSENT 3          /* nothing to do: the entry is not there */
#define BRCM53115_ERR_TIMEOUT (-1)  /* the switch did not finish an access in time */
#define BRCM53115_ERR_FULL (-2)     /* update: both bins of the bucket hold other entries */
#define BRCM53115_ERR_LOCK (-3)     /* the table lock was held past its bound */
#define BRCM53115_ERR_LOCKFILE (-4) /* unusable lock file: see brcm53115_arl_lock_error */
#define BRCM53115_ERR_ACCESS (-5)   /* a platform function failed: see brcm53115_failed */
/* A strict listing met a static entry whose VLAN id no lookup confirms. */
#define BRCM53115_ERR_UNCONFIRMED (-6)
#define BRCM53115_ERR_WALK (-7)    /* the walk lock was held past its bound */
#define BRCM53115_ERR_STOPPED (-8) /* the caller's stop flag ended it */

/* One line of text for a result, without a newline: for the failures the
 * same words sw53115 gives ("the switch did not finish the access within
 * 100 ms"), the lock's with its path and why, the failed access with its
 * register; a code that is no result of lib53115 is said to be unknown.
 * The text stays valid until the next call. */
const char *brcm53115_strerror(int rc);

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
 * How long a caller waits, for an access cost of A (100 to 300 us on a
 * management bus, 1 ms where it is bit-banged):
 *   for the table lock: a table operation holds it for at most 16 accesses
 *   plus the access bound (about 5 ms at 300 us), a walk for a slice of
 *   10 ms plus one result (3 accesses); a waiter sleeps until a release
 *   and takes the lock there, ahead of a walker taking it again.  So a
 *   wait is one operation or one slice: 5 s (BRCM53115_LOCK_WAIT_MS) is
 *   only reached when a holder is stuck.
 *   for the walk lock (brcm53115_arl_walk_lock_path(), held for the whole
 *   of a search of the chip, whose state the switch keeps between slices):
 *   another walk of the whole table, about 12,300 accesses, 3.7 s at
 *   300 us and 12.3 s at 1 ms, plus the operations between its slices;
 *   BRCM53115_WALK_WAIT_MS covers that at 1 ms an access.
 * A waiter is woken without a signal (it watches the lock file), so none
 * of the process's signals is taken. */
#define BRCM53115_LOCK_WAIT_MS 5000
#define BRCM53115_WALK_WAIT_MS 20000
const char *brcm53115_arl_lock_path(void);
const char *brcm53115_arl_walk_lock_path(void);
/* Sets the lock file (NULL: the default above), for a process that drives
 * a switch of its own (a test on a simulated one).  The path is kept, not
 * copied. */
void brcm53115_arl_lock_file(const char *path);
/* Sets how long each later hold waits, in milliseconds (0: one try): of
 * the table lock, of the walk lock. */
void brcm53115_arl_lock_wait(int ms);
void brcm53115_arl_walk_wait(int ms);
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
 * with another mode (one others may open, or one its owner cannot) is
 * made mode 0600 and used. */
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
int brcm53115_update_arl_tab(arl_data *arl);

/* The bin that an update of the record takes in a bucket that holds
 * bins[0] and bins[1] (as brcm53115_change_arl_tab gives them): the one
 * with a valid entry of its MAC and VLAN id, else, for a valid entry, the
 * first without a valid entry; -1 for none (a full bucket, or nothing to
 * delete). */
int brcm53115_arl_bin_of(const arl_data bins[2], const arl_data *arl);

/* The bin of a full bucket (bins[] as read) whose learned entry gives way
 * to a static one: bin 0's, else bin 1's; -1 when both hold static
 * entries.  The rule of brcm53115_pin_arl_tab, for a caller that plans. */
int brcm53115_arl_room_of(const arl_data bins[2]);

/* The update that says what the bucket held: bins[0] and bins[1] get its
 * two bins as read (`entry` the bin, `valid` 0 where it held no valid
 * entry), so that brcm53115_undo_arl_tab can put back bins[arl->entry],
 * and a full bucket can name its occupants.  Results as the update's. */
int brcm53115_change_arl_tab(arl_data *arl, arl_data bins[2]);

/* The change that only adds: where the bucket holds a valid entry with the
 * record's MAC and VLAN id, writes nothing and returns BRCM53115_EXISTS
 * (`entry` that bin, bins[] as read); else as the change. */
int brcm53115_add_arl_tab(arl_data *arl, arl_data bins[2]);

/* The change (with add 1, the add) of a static entry that, where its
 * bucket is full, takes the place of a learned entry there (bin 0's where
 * both are learned), never of a static one, in the same hold of the lock:
 * `entry` the bin written and bins[] as read, so that bins[entry] is the
 * learned entry it replaced where that one is valid and has another MAC or
 * VLAN id.  Results as the change's (the add's). */
int brcm53115_pin_arl_tab(arl_data *arl, arl_data bins[2], int add);

/* Undoes a change: where bin old->entry of the bucket still holds what the
 * change wrote (`now`; for a delete, no valid entry), writes back what it
 * held (`old`; a bin that held no valid entry holds none again).  Returns
 * 0, or BRCM53115_ABSENT when the bin holds something else now (someone
 * changed it since: it is left alone), BRCM53115_EXISTS when the other bin
 * holds `old`'s MAC and VLAN id now (learned again since: it is left, so
 * that no entry stands twice), or a failure.  One bucket read and at most
 * one write, under one hold of the lock. */
int brcm53115_undo_arl_tab(const arl_data *now, const arl_data *old);

/* Looks up the entry with the record's MAC and VLAN id exactly: reads the
 * bucket as the update does and fills `entry` (the bin), `valid`, `sbit`,
 * `age`, `tc` and `pid` from the bin whose valid entry has that key and
 * VLAN id.  Returns BRCM53115_FOUND, 0 when not found (the record
 * unchanged), or a failure.  9 register accesses. */
int brcm53115_lookup_arl_tab(arl_data *arl);

/* The lookup that says what the bucket holds: bins[0] and bins[1] get its
 * two bins as read (`entry` the bin, `valid` 0 where it holds no valid
 * entry), whether or not the entry is there.  Results as the lookup's. */
int brcm53115_bucket_arl_tab(arl_data *arl, arl_data bins[2]);

/* Which entries a listing, a flush or a remove takes: each field that is
 * set narrows it. */
#define BRCM53115_KIND_ANY 0
#define BRCM53115_KIND_STATIC 1
#define BRCM53115_KIND_DYNAMIC 2
typedef struct brcm53115_arl_filter {
    int32_t has_mac; /* 1: only entries of `mac` */
    uint8_t mac[6];
    int32_t vid;  /* only this VLAN id; -1: any */
    int32_t pid;  /* only this port; -1: any */
    int32_t kind; /* BRCM53115_KIND_* */
} brcm53115_arl_filter;

/* Deletes the entry with the record's MAC and VLAN id if the bucket holds
 * it valid and passing the filter (NULL: any) on the bin's own fields:
 * the bucket read, then the write that invalidates the bin, under one hold
 * of the lock.  Returns 0 when deleted, BRCM53115_ABSENT when there was
 * nothing that passes, or a failure. */
int brcm53115_remove_arl_tab(arl_data *arl, const brcm53115_arl_filter *f);

/* The remove that says what the bucket held: bins[0] and bins[1] as the
 * change gives them, `entry` the bin deleted, so that
 * brcm53115_undo_arl_tab can put it back.  Results as the remove's. */
int brcm53115_delete_arl_tab(arl_data *arl, const brcm53115_arl_filter *f, arl_data bins[2]);

/* Hands every search result of the whole table to fn, in the switch's
 * order: `entry` is the step number, `mac` the key, the other fields as the
 * search decodes them (`vid` the low 4 bits, `pid` 5 bits).  At most
 * BRCM53115_ARL_ENTRIES results, one per entry of the table.
 *
 * The search and the walk hold the walk lock throughout and the table lock
 * in slices of about 10 ms: others' table operations run between two
 * slices, so that an entry they move may be handed over twice or not at
 * all.  They wait for a switch that is still searching (bit 7 of the
 * search control set, bit 0 clear) within the access's bound
 * (BRCM53115_ERR_TIMEOUT), and end with BRCM53115_ERR_STOPPED between two
 * slices once the stop flag is set. */
int brcm53115_walk_arl_tab(void (*fn)(const arl_data *arl, void *ctx), void *ctx);

/* A flag (set by the caller's signal handler, say) that ends a walk
 * between two slices, and a listing or a flush between two lookups or
 * deletes, each whole, with BRCM53115_ERR_STOPPED; NULL: none. */
void brcm53115_arl_stop(volatile sig_atomic_t *flag);

/* Called between two slices of a walk with the results so far, and at its
 * end with done 1: for a caller that shows progress.  NULL: none. */
void brcm53115_arl_progress(void (*fn)(uint32_t walked, int done, void *ctx), void *ctx);

/* A listing: the walk's results, compact, in the switch's order, each with
 * its whole VLAN id and the bucket's own fields once a lookup confirmed
 * them.  The caller gives the storage (about 57 KB: keep it static); the
 * rows are the listing's own, read with brcm53115_arl_list_row. */
typedef struct brcm53115_arl_row {
    uint8_t mac[6];
    uint8_t vid, pid, tc, flags; /* flags: BRCM53115_ROW_*, and the listing's marks */
    uint16_t next;               /* 1 + the next row of its hash chain, or 0 */
} brcm53115_arl_row;
#define BRCM53115_ROW_VALID 0x01u
#define BRCM53115_ROW_STATIC 0x02u
#define BRCM53115_ROW_AGE 0x04u
typedef struct brcm53115_arl_list {
    uint32_t n;
    brcm53115_arl_row rows[BRCM53115_ARL_ENTRIES]; /* one result per entry of the table */
    uint16_t head[BRCM53115_ARL_ENTRIES];
    uint8_t seen[16][16]; /* VLAN ids confirmed, by low bits, the most often first */
    uint16_t seen_count[16][16];
    uint8_t seen_n[16];
} brcm53115_arl_list;

/* Row i (below n) of a listing as a record (`entry` 0): its whole VLAN id
 * and the bucket's fields once confirmed, else the walk's.  Returns 1 for
 * a confirmed row, 0 for one no lookup confirmed. */
int brcm53115_arl_list_row(const brcm53115_arl_list *list, uint32_t i, arl_data *arl);

/* A record as a row (unchained, unconfirmed), and a row as a record (as
 * brcm53115_arl_list_row): for a caller that keeps entries compact. */
void brcm53115_arl_row_pack(const arl_data *arl, brcm53115_arl_row *r);
int brcm53115_arl_row_unpack(const brcm53115_arl_row *r, arl_data *arl);

/* The listing's hash of a key, its MAC and the low 4 bits of its VLAN id,
 * below BRCM53115_ARL_ENTRIES: from tables drawn at random once a process,
 * so that no set of MACs chosen in advance shares one value. */
uint32_t brcm53115_arl_hash(const uint8_t *mac, uint32_t vid);

/* The confirmed row of a listing with this MAC and whole VLAN id: its
 * index + 1, or 0 when there is none. */
uint32_t brcm53115_arl_find_row(const brcm53115_arl_list *list, const uint8_t *mac, uint32_t vid);

/* Whether a row that no lookup confirmed may be entry *arl: one of its MAC
 * and low VLAN bits.  A look at one hash chain. */
int brcm53115_arl_list_unsure(const brcm53115_arl_list *list, const arl_data *arl);

/* After a strict listing failed with BRCM53115_ERR_UNCONFIRMED: 1, and the
 * unconfirmed static entry in *arl as the walk gave it (VLAN id's low
 * bits); 0 when there is none. */
int brcm53115_arl_list_unconfirmed(const brcm53115_arl_list *list, arl_data *arl);

/* Whether two entries share a MAC and the low 4 bits of their VLAN ids,
 * which is all the walk tells of a VLAN id: a group, told apart only by
 * lookups. */
int brcm53115_arl_same_group(const arl_data *a, const arl_data *b);

/* Whether an entry passes a filter (NULL: every entry) on its fields. */
int brcm53115_arl_filter_passes(const brcm53115_arl_filter *f, const arl_data *arl);

/* Lists the table into *list: the walk (in slices of the lock), then
 * lookups, each under a hold of its own, that turn the walk's 4 VLAN bits
 * into the whole VLAN id.  Rows of one MAC with the same low bits form a
 * group, looked up on its candidate VLAN ids (v, v + 16, ... 255) until
 * each of its rows is confirmed: first (with `prev`) where its rows were
 * in the poll before, then those that this listing has confirmed for rows
 * with those low bits, the most often confirmed first, then the rest in
 * ascending order, so that the listing learns the table's VLAN plan as it
 * goes.  A lookup's answer goes to the group's first open row that agrees
 * with it in the walk's own fields (static flag, the port's low 4 bits,
 * valid), never by order, so that an entry added or removed between the
 * walk and the lookups is not listed under another's name.  The other entry
 * that a lookup's bucket shows, with its whole VLAN id, confirms the first
 * open row of its MAC and low bits that agrees with it, without a lookup.
 * A row that no answer agrees with stays as the walk gave it, unconfirmed.
 * Rows are found by a hash of the whole key whose tables are drawn at
 * random once a process: no set of MACs chosen in advance makes the CPU
 * grow faster than the table.
 *
 * The filter (NULL: every entry) spares lookups: a group is looked up only
 * when one of its rows could pass on the walk's fields, and with `vid` on
 * that VLAN id alone.  A row passes on its looked-up fields; with `vid`,
 * only a confirmed row.  With `prev`, the listing of a poll before: the
 * rows of a group whose walk fields (all but age) come as often as they
 * did there keep the VLAN ids they had, without a lookup; the others are
 * looked up, first on the VLAN ids that no row kept.
 *
 * Then fn (if not NULL) is handed each row that passes, in the walk's
 * order, with `confirmed` 0 for a row no lookup confirmed; a negative
 * result of fn stops the listing and is returned.  With `strict`, a static
 * row that passes but is unconfirmed fails the listing with
 * BRCM53115_ERR_UNCONFIRMED before fn sees any row.
 *
 * Cost: the walk's register accesses (3 per entry + 3; 12,291 for a full
 * table) and 9 per lookup.  A row whose VLAN id no other row confirmed yet
 * costs up to 16 lookups; after that, on n VLAN ids of its low bits used
 * alike, (n + 1) / 2 on average whatever their order along the walk (16
 * ids in turn: 8.5), fewer where some dominate, and a group as many as its
 * rows.  A bucket read confirms the other entry it shows too, so a full
 * table costs about one lookup a bucket (half a lookup an entry; measured
 * by bench/run.sh on a full table on VLANs 0 and 1, on VLANs 1, 200 and
 * 250, on every MAC on VLANs 1 and 17, and on a random one).  With `prev`:
 * none for a table that did not change, about one for each row that
 * changed.  With `vid`: one per group that could pass. */
int brcm53115_list_arl_tab(brcm53115_arl_list *list, const brcm53115_arl_filter *f,
                           const brcm53115_arl_list *prev, int strict,
                           int (*fn)(const arl_data *arl, int confirmed, void *ctx), void *ctx);

/* Deletes every entry that passes the filter (NULL: every entry; its kind
 * as given, so a caller that spares static entries says
 * BRCM53115_KIND_DYNAMIC): the walk into *list, then for each group that
 * could pass, a checked delete on its candidate VLAN ids in the listing's
 * order (with `vid`, that one) until each of its rows is deleted; the
 * other entry that a delete's bucket read shows is deleted on its VLAN id
 * at once when its group comes.  Each delete is checked against the bucket
 * when it is made, so an entry that became static or moved meanwhile is
 * kept.  So a flush costs what a listing of the table does and a write (7
 * accesses) for each entry deleted.  Returns 0, or the first failure, the
 * deletes made so far kept. */
int brcm53115_flush_arl_tab(brcm53115_arl_list *list, const brcm53115_arl_filter *f);

/* The flush, saying how many entries it deleted (on a failure too). */
int brcm53115_flush_arl_count(brcm53115_arl_list *list, const brcm53115_arl_filter *f,
                              uint32_t *deleted);

#ifdef __cplusplus
}
#endif

#endif
