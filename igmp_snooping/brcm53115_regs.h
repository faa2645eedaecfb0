/* BCM53115 ARL access registers (page 0x05) and the layouts of the values
 * they hold.  Everything that names a register, a bit or a field position
 * lives here, for lib53115 and for the simulated switch alike. */
#ifndef BRCM53115_REGS_H
#define BRCM53115_REGS_H

#include <stdint.h>

#define ARL_PAGE 0x05 /* page of the ARL access registers */

/* Offsets within ARL_PAGE, with the access length used on each. */
#define ARL_RW_CTRL 0x00     /* 1 byte: read/write control */
#define ARL_MAC_INDEX 0x02   /* 6 bytes: MAC key of the entry to access */
#define ARL_VID_INDEX 0x08   /* 1 byte: VLAN id of the entry to access */
#define ARL_ENTRY0 0x10      /* 8 bytes: entry slot 0, layout A */
#define ARL_ENTRY1 0x18      /* 8 bytes: entry slot 1, layout A */
#define ARL_SRCH_CTRL 0x20   /* 1 byte: search control */
#define ARL_SRCH_RESULT 0x24 /* 8 bytes: search result, layout B */
#define ARL_SRCH_EXTRA 0x2C  /* 1 byte: search result extra (traffic class) */
#define ARL_ENTRY0_VID 0x30  /* 1 byte: VLAN id of entry slot 0 */
#define ARL_ENTRY1_VID 0x32  /* 1 byte: VLAN id of entry slot 1 */

#define ARL_LEN_CTRL 1  /* length of the control and VLAN id registers */
#define ARL_LEN_MAC 6   /* length of the MAC index */
#define ARL_LEN_ENTRY 8 /* length of an entry slot and the search result */

/* ARL_RW_CTRL bits */
#define ARL_RW_START 0x80u /* bit 7: start an access; reads 0 once done */
#define ARL_RW_READ 0x01u  /* bit 0: 1 = read access, 0 = write access */

/* ARL_SRCH_CTRL bits */
#define ARL_SRCH_START 0x80u /* bit 7: start a search; reads 1 while it runs */
#define ARL_SRCH_VALID 0x01u /* bit 0: a search result is pending */

/* ARL_SRCH_EXTRA: bits 0-1 hold the result's traffic class */
#define ARL_SRCH_TC_MASK 0x3u

/* Entries and buckets of the table: lib53115.h's figure, where it is
 * used. */
#define ARL_TABLE_ENTRIES ((uint32_t)BRCM53115_ARL_ENTRIES)
#define ARL_BINS 2u /* bins (entry slots) per bucket */
#define ARL_BUCKETS (ARL_TABLE_ENTRIES / ARL_BINS)

/* Fields of a 64-bit entry value as a shift and a mask of the field's
 * width (the mask applies after the shift right). */
#define ARL_KEY_MASK 0xFFFFFFFFFFFFull /* bits 0-47: MAC key (both layouts) */

/* Layout A: entry slots 0x10 and 0x18 */
#define ARLA_PID_SHIFT 48 /* bits 48-51: port id */
#define ARLA_PID_MASK 0xFu
#define ARLA_TC_SHIFT 59 /* bits 59-60: traffic class */
#define ARLA_TC_MASK 0x3u
#define ARLA_AGE_SHIFT 61    /* bit 61: age */
#define ARLA_STATIC_SHIFT 62 /* bit 62: static */
#define ARLA_VALID_SHIFT 63  /* bit 63: valid */
#define ARL_FLAG_MASK 0x1u

/* Layout B: search result 0x24 */
#define ARLB_PID_SHIFT 48 /* bits 48-52: port id */
#define ARLB_PID_MASK 0x1Fu
#define ARLB_VID_SHIFT 53 /* bits 53-56: low 4 bits of the VLAN id */
#define ARLB_VID_MASK 0xFu
#define ARLB_AGE_SHIFT 61    /* bit 61: age */
#define ARLB_STATIC_SHIFT 62 /* bit 62: static */
#define ARLB_VALID_SHIFT 63  /* bit 63: valid */

/* Read reply buffer of get_register: the value stands as 16-bit groups in
 * the machine's byte order from byte ARL_REPLY_VALUE on, least significant
 * group first. */
#define ARL_REPLY_SIZE 24
#define ARL_REPLY_VALUE 14

#endif
