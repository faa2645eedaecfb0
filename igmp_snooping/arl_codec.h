/* The entry layouts of the ARL registers, packed and unpacked in this one
 * place: the MAC key, layout A (entry slots) and layout B (search result).
 * For lib53115 and the simulated switch alike; nothing else shifts or masks
 * an entry's fields. */
#ifndef ARL_CODEC_H
#define ARL_CODEC_H

#include <stdint.h>

#include "brcm53115_regs.h"
#include "lib53115.h"

/* The 48-bit MAC key, byte 0 most significant. */
static inline uint64_t arl_mac_key(const uint8_t *mac)
{
    uint32_t hi = (uint32_t)mac[0] << 8 | mac[1];
    uint32_t lo = (uint32_t)mac[2] << 24 | (uint32_t)mac[3] << 16 | (uint32_t)mac[4] << 8 | mac[5];
    return (uint64_t)hi << 32 | lo;
}

static inline void arl_key_mac(uint64_t value, uint8_t *mac)
{
    for (int i = 0; i < 6; i++)
        mac[i] = (uint8_t)(value >> (40 - 8 * i));
}

static inline uint64_t arl_key(uint64_t value)
{
    return value & ARL_KEY_MASK;
}

static inline uint32_t arl_field(uint64_t value, int shift, uint32_t mask)
{
    return (uint32_t)(value >> shift) & mask;
}

static inline uint64_t arl_put(int32_t field, uint32_t mask, int shift)
{
    return (uint64_t)((uint32_t)field & mask) << shift;
}

/* Layout A from the record: every field masked to its width, so that none
 * spills into another. */
static inline uint64_t arl_encode_a(const arl_data *a)
{
    return arl_mac_key(a->mac) | arl_put(a->pid, ARLA_PID_MASK, ARLA_PID_SHIFT) |
           arl_put(a->tc, ARLA_TC_MASK, ARLA_TC_SHIFT) |
           arl_put(a->age, ARL_FLAG_MASK, ARLA_AGE_SHIFT) |
           arl_put(a->sbit, ARL_FLAG_MASK, ARLA_STATIC_SHIFT) |
           arl_put(a->valid, ARL_FLAG_MASK, ARLA_VALID_SHIFT);
}

/* A layout A value without its age flag, which the switch changes as it
 * pleases. */
static inline uint64_t arl_ageless_a(uint64_t value)
{
    return value & ~((uint64_t)1 << ARLA_AGE_SHIFT);
}

/* The valid flag of a layout A value. */
static inline int arl_valid_a(uint64_t value)
{
    return (int)arl_field(value, ARLA_VALID_SHIFT, ARL_FLAG_MASK);
}

/* Layout A into the record's flags, tc and pid (mac, vid and entry are
 * left alone). */
static inline void arl_decode_a_fields(uint64_t value, arl_data *a)
{
    a->valid = arl_valid_a(value);
    a->sbit = (int32_t)arl_field(value, ARLA_STATIC_SHIFT, ARL_FLAG_MASK);
    a->age = (int32_t)arl_field(value, ARLA_AGE_SHIFT, ARL_FLAG_MASK);
    a->tc = (int32_t)arl_field(value, ARLA_TC_SHIFT, ARLA_TC_MASK);
    a->pid = (int32_t)arl_field(value, ARLA_PID_SHIFT, ARLA_PID_MASK);
}

/* Layout A and its VLAN id into the whole record; `entry` the bin. */
static inline void arl_decode_a(uint64_t value, uint32_t vid, uint32_t bin, arl_data *a)
{
    arl_decode_a_fields(value, a);
    arl_key_mac(value, a->mac);
    a->vid = (int32_t)vid;
    a->entry = (int32_t)bin;
}

/* Layout B with the extra register (the traffic class); `entry` the
 * search step, `vid` the VLAN id's low 4 bits, `pid` 5 bits. */
static inline void arl_decode_b(uint64_t value, uint64_t extra, uint32_t step, arl_data *a)
{
    a->entry = (int32_t)step;
    a->vid = (int32_t)arl_field(value, ARLB_VID_SHIFT, ARLB_VID_MASK);
    a->valid = (int32_t)arl_field(value, ARLB_VALID_SHIFT, ARL_FLAG_MASK);
    a->sbit = (int32_t)arl_field(value, ARLB_STATIC_SHIFT, ARL_FLAG_MASK);
    a->age = (int32_t)arl_field(value, ARLB_AGE_SHIFT, ARL_FLAG_MASK);
    a->tc = (int32_t)((uint32_t)extra & ARL_SRCH_TC_MASK);
    a->pid = (int32_t)arl_field(value, ARLB_PID_SHIFT, ARLB_PID_MASK);
    arl_key_mac(value, a->mac);
}

/* Layout B of a table entry as the search reports it (always valid). */
static inline uint64_t arl_encode_b(const arl_data *a)
{
    return arl_mac_key(a->mac) | arl_put(a->pid, ARLB_PID_MASK, ARLB_PID_SHIFT) |
           arl_put(a->vid, ARLB_VID_MASK, ARLB_VID_SHIFT) |
           arl_put(a->age, ARL_FLAG_MASK, ARLB_AGE_SHIFT) |
           arl_put(a->sbit, ARL_FLAG_MASK, ARLB_STATIC_SHIFT) |
           arl_put(1, ARL_FLAG_MASK, ARLB_VALID_SHIFT);
}

#endif
