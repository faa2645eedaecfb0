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

/* Longest a write waits for the switch to finish, in microseconds. */
#define BRCM53115_WRITE_TIMEOUT_US 100000

/* Platform functions, provided by the firmware's libraries (or by a
 * simulated switch).  Note the different argument orders. */
int get_register(int page, int offset, int length, void *buf);
int set_register(int page, int offset, void *value, int length);

/* One register access.  brcm53115_read stores the value as two 32-bit
 * words, low word first, and returns 0; brcm53115_write returns what the
 * platform returned. */
int brcm53115_read(int page, int offset, uint32_t *val, int length);
int brcm53115_write(int page, int offset, uint64_t value, int length);

/* Serialise the table operations across processes: brcm53115_arl_lock
 * returns a handle for brcm53115_arl_unlock, or -1 where no lock could be
 * had (the caller then goes on unlocked).  Each table operation takes it. */
int brcm53115_arl_lock(void);
void brcm53115_arl_unlock(int lock);

/* Table operations.  Read and search fill the record's out fields when a
 * matching entry is found and return 0.  Write returns 0 once the switch
 * has taken the entry and -1 when it did not finish within
 * BRCM53115_WRITE_TIMEOUT_US. */
int brcm53115_read_arl_tab(arl_data *arl);
int brcm53115_write_arl_tab(arl_data *arl);
int brcm53115_search_arl_tab(arl_data *arl);

#ifdef __cplusplus
}
#endif

#endif
