/* The simulated BCM53115 switch: its state file and its ARL engine.
 *
 * The state (page 0x05 registers, the 4096-entry ARL table and the fault
 * settings) lives in one file shared by every process, mapped into memory;
 * each register access and each switchsim command holds the state's lock
 * while it runs. */
#ifndef SWITCHSIM_H
#define SWITCHSIM_H

#include <stdint.h>

#include "brcm53115_regs.h"
#include "lib53115.h"

#define SIM_MAGIC "SW53SIM" /* 8 bytes with the terminating NUL */
#define SIM_VERSION 1u

/* Faults: none, accesses finish at once; busy, bit 7 of the control reads 1
 * for busy_polls polls, and each search result is held back as long;
 * stuck, accesses never finish and a search yields nothing. */
#define SIM_FAULT_NONE 0u
#define SIM_FAULT_BUSY 1u
#define SIM_FAULT_STUCK 2u
/* Beside those: relearn, every other delete of a learned entry is learned
 * again at once (the host sends again before the delete lands), and slow,
 * every access takes slow_us microseconds, as on a management bus. */
#define SIM_RELEARN_ON 0x80000000u

/* One bin of a bucket: an entry slot value (layout A) and its VLAN id. */
struct sim_bin {
    uint64_t val;
    uint32_t vid;
    uint32_t pad;
};

struct sim_header {
    char magic[8];
    uint32_t version;
    uint32_t size;       /* sizeof(struct sim_state) */
    uint32_t lock;       /* process id of the lock's holder, 0 when free */
    uint32_t lock_start; /* its start time, clock ticks since boot */
};

struct sim_state {
    struct sim_header hdr;
    uint8_t regs[256];    /* page 0x05, each register little-endian at its offset */
    uint32_t fault;       /* SIM_FAULT_* */
    uint32_t busy_polls;  /* polls an access stays busy under SIM_FAULT_BUSY */
    uint32_t busy_left;   /* polls left before the running access finishes */
    uint32_t pending;     /* an access has started and not finished */
    uint32_t cursor;      /* search: entry index of the pending result, while
                             bit 0 of the search control is set */
    uint32_t search_busy; /* polls of the search control that still read
                             "searching" (bit 7 set, bit 0 clear) */
    uint32_t slow_us;     /* each access takes this long; 0: at once */
    uint32_t relearn;     /* SIM_RELEARN_ON, and deletes of learned entries seen */
    struct sim_bin table[ARL_BUCKETS][ARL_BINS];
};

extern "C" {

/* Opens (creating if need be) and maps the state file named by
 * SWITCHSIM_STATE, or the per-user default.  With `replace`, a regular
 * file of the user's own that holds no state of this simulator's is
 * replaced by a new state, atomically.  On failure returns NULL and puts
 * one line naming the file and what to do into err. */
struct sim_state *sim_open(char *err, int errlen, int replace);
const char *sim_state_path(void);
/* Takes the state's lock: 0, or -1 (said on stderr) when a live process
 * has held it too long. */
int sim_lock(struct sim_state *st);
void sim_unlock(struct sim_state *st);

/* The ARL engine, on a locked state. */
uint32_t sim_bucket(uint64_t key, uint32_t vid);
int sim_bin_valid(const struct sim_bin *bin);
void sim_reset(struct sim_state *st);
uint64_t sim_reg_peek(const struct sim_state *st, int offset, int length);
uint64_t sim_reg_read(struct sim_state *st, int offset, int length);
void sim_reg_write(struct sim_state *st, int offset, uint64_t value, int length);
}

#endif
