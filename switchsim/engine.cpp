/* The simulated switch's ARL engine behind the page 0x05 registers.
 *
 * The table has ARL_BUCKETS buckets of ARL_BINS bins.  The bucket of a MAC
 * key and VLAN id is the 48-bit key folded into 11 bits by XOR (bits 0-10,
 * 11-21, 22-32, 33-43 and 44-47), XORed with the VLAN id.
 *
 * A read access loads the bucket's two bins into the entry slots and their
 * VLAN ids into the slot VLAN registers; a write access stores the slots
 * into the bins.  Under a busy fault an access finishes at the poll of the
 * control register that reads bit 7 clear, and each search result (the
 * search's end too) stands only after as many polls of the search control
 * that read "still searching"; under a stuck fault neither ever comes. */
#include <string.h>

#include "arl_codec.h"
#include "switchsim.h"

uint32_t sim_bucket(uint64_t key, uint32_t vid)
{
    uint64_t h = key ^ key >> 11 ^ key >> 22 ^ key >> 33 ^ key >> 44;
    return ((uint32_t)h ^ vid) & (ARL_BUCKETS - 1u);
}

uint64_t sim_reg_peek(const struct sim_state *st, int offset, int length)
{
    uint64_t v = 0;
    for (int i = length - 1; i >= 0; i--)
        v = v << 8 | st->regs[offset + i];
    return v;
}

static void reg_put(struct sim_state *st, int offset, uint64_t value, int length)
{
    for (int i = 0; i < length; i++)
        st->regs[offset + i] = (uint8_t)(value >> (8 * i));
}

void sim_reset(struct sim_state *st)
{
    /* All zeros after the header: idle registers, empty table, no fault. */
    memset((char *)st + sizeof st->hdr, 0, sizeof *st - sizeof st->hdr);
}

/* Carries out the access that the control register started. */
static void finish_access(struct sim_state *st)
{
    uint64_t key = sim_reg_peek(st, ARL_MAC_INDEX, ARL_LEN_MAC);
    uint32_t vid = (uint32_t)sim_reg_peek(st, ARL_VID_INDEX, ARL_LEN_CTRL);
    struct sim_bin *bins = st->table[sim_bucket(key, vid)];
    static const int slot[ARL_BINS] = {ARL_ENTRY0, ARL_ENTRY1};
    static const int slot_vid[ARL_BINS] = {ARL_ENTRY0_VID, ARL_ENTRY1_VID};
    uint8_t ctrl = st->regs[ARL_RW_CTRL];

    for (uint32_t b = 0; b < ARL_BINS; b++) {
        if (ctrl & ARL_RW_READ) {
            reg_put(st, slot[b], bins[b].val, ARL_LEN_ENTRY);
            reg_put(st, slot_vid[b], bins[b].vid, ARL_LEN_CTRL);
        } else {
            struct sim_bin was = bins[b];
            bins[b].val = sim_reg_peek(st, slot[b], ARL_LEN_ENTRY);
            bins[b].vid = (uint32_t)sim_reg_peek(st, slot_vid[b], ARL_LEN_CTRL);
            if ((st->relearn & SIM_RELEARN_ON) && sim_bin_valid(&was) &&
                !arl_field(was.val, ARLA_STATIC_SHIFT, ARL_FLAG_MASK) && !sim_bin_valid(&bins[b]) &&
                (st->relearn++ & 1u) == 0)
                bins[b] = was; /* learned again */
        }
    }
    st->regs[ARL_RW_CTRL] = (uint8_t)(ctrl & ~ARL_RW_START);
    st->pending = 0;
}

static void start_access(struct sim_state *st)
{
    st->pending = 1;
    st->busy_left = st->busy_polls;
    if (st->fault == SIM_FAULT_NONE || (st->fault == SIM_FAULT_BUSY && st->busy_polls == 0))
        finish_access(st);
}

int sim_bin_valid(const struct sim_bin *bin)
{
    return arl_valid_a(bin->val);
}

/* Moves the search to the first valid entry from index `from` on and
 * loads it into the result registers, or ends the search. */
static void search_from(struct sim_state *st, uint32_t from)
{
    const struct sim_bin *flat = &st->table[0][0];
    /* The cursor lives in the shared state: never past the table, whatever
     * stands there or whoever set the control's bits. */
    uint32_t i = from < ARL_TABLE_ENTRIES ? from : ARL_TABLE_ENTRIES;
    while (i < ARL_TABLE_ENTRIES && !sim_bin_valid(&flat[i]))
        i++;
    st->cursor = i;
    st->search_busy = st->fault == SIM_FAULT_STUCK  ? 1u
                      : st->fault == SIM_FAULT_BUSY ? st->busy_polls
                                                    : 0u;
    if (i == ARL_TABLE_ENTRIES) {
        st->regs[ARL_SRCH_CTRL] = 0;
        return;
    }
    arl_data e;
    arl_decode_a(flat[i].val, flat[i].vid, 0, &e);
    reg_put(st, ARL_SRCH_RESULT, arl_encode_b(&e), ARL_LEN_ENTRY);
    st->regs[ARL_SRCH_EXTRA] = (uint8_t)e.tc;
    st->regs[ARL_SRCH_CTRL] = ARL_SRCH_START | ARL_SRCH_VALID;
}

uint64_t sim_reg_read(struct sim_state *st, int offset, int length)
{
    uint64_t v = sim_reg_peek(st, offset, length);
    if (offset == ARL_RW_CTRL && st->pending && st->fault != SIM_FAULT_STUCK) {
        if (st->busy_left == 0) {
            finish_access(st);
            v = sim_reg_peek(st, offset, length);
        } else {
            st->busy_left--;
        }
    } else if (offset == ARL_SRCH_CTRL && st->search_busy) {
        if (st->fault != SIM_FAULT_STUCK)
            st->search_busy--;
        v = ARL_SRCH_START;
    } else if (offset == ARL_SRCH_RESULT && (st->regs[ARL_SRCH_CTRL] & ARL_SRCH_VALID)) {
        search_from(st, st->cursor + 1);
    }
    return v;
}

void sim_reg_write(struct sim_state *st, int offset, uint64_t value, int length)
{
    reg_put(st, offset, value, length);
    if (offset == ARL_RW_CTRL) {
        st->pending = 0;
        if (value & ARL_RW_START)
            start_access(st);
    } else if (offset == ARL_SRCH_CTRL && (value & ARL_SRCH_START)) {
        search_from(st, 0);
    }
}
