/* lib53115: register access over the platform functions and the ARL table
 * operations of the BCM53115. */
#include "lib53115.h"

#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "brcm53115_regs.h"

extern "C" {

int igmp_snoop_dbg = 0;

int brcm53115_write(int page, int offset, uint64_t value, int length)
{
    uint64_t reg = value;
    return set_register(page & 0xFF, offset & 0xFF, &reg, length);
}

int brcm53115_read(int page, int offset, uint32_t *val, int length)
{
    uint8_t buf[ARL_REPLY_SIZE];
    uint16_t g[4];

    /* A failed platform read must not hand back stack garbage. */
    memset(buf, 0, sizeof buf);
    get_register(page & 0xFF, offset & 0xFF, length, buf);
    memcpy(g, buf + ARL_REPLY_VALUE, sizeof g);

    switch (length) {
    case 8:
        val[0] = (uint32_t)g[1] << 16 | g[0];
        val[1] = (uint32_t)g[3] << 16 | g[2];
        break;
    case 6:
        val[0] = (uint32_t)g[1] << 16 | g[0];
        val[1] = g[2];
        break;
    case 4:
        val[0] = (uint32_t)g[1] << 16 | g[0];
        val[1] = 0;
        break;
    default:
        val[0] = g[0];
        val[1] = 0;
        break;
    }
    return 0;
}

} /* extern "C" */

/* The 48-bit MAC key, byte 0 most significant. */
static uint64_t mac_key(const uint8_t *mac)
{
    uint32_t hi = (uint32_t)mac[0] << 8 | mac[1];
    uint32_t lo = (uint32_t)mac[2] << 24 | (uint32_t)mac[3] << 16 | (uint32_t)mac[4] << 8 | mac[5];
    return (uint64_t)hi << 32 | lo;
}

static uint64_t read_reg(int offset, int length)
{
    uint32_t v[2];
    brcm53115_read(ARL_PAGE, offset, v, length);
    return (uint64_t)v[1] << 32 | v[0];
}

static void write_reg(int offset, uint64_t value, int length)
{
    brcm53115_write(ARL_PAGE, offset, value, length);
}

/* A VLAN id as the index and slot VLAN registers take it. */
static uint64_t vid_value(int32_t vid)
{
    return (uint64_t)(int64_t)vid;
}

static uint32_t field(uint64_t value, int shift, uint32_t mask)
{
    return (uint32_t)(value >> shift) & mask;
}

static uint32_t now_us(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)ts.tv_sec * 1000000u + (uint32_t)ts.tv_nsec / 1000u;
}

extern "C" {

int brcm53115_read_arl_tab(arl_data *arl)
{
    uint64_t key = mac_key(arl->mac);
    int lock = brcm53115_arl_lock();

    write_reg(ARL_MAC_INDEX, key, ARL_LEN_MAC);
    write_reg(ARL_VID_INDEX, vid_value(arl->vid), ARL_LEN_CTRL);
    write_reg(ARL_RW_CTRL, ARL_RW_READ, ARL_LEN_CTRL);
    write_reg(ARL_RW_CTRL, ARL_RW_START | ARL_RW_READ, ARL_LEN_CTRL);
    usleep(2);

    for (int i = 0; i < 2; i++) {
        uint64_t val = read_reg(i == 0 ? ARL_ENTRY0 : ARL_ENTRY1, ARL_LEN_ENTRY);
        if (igmp_snoop_dbg & IGMP_DBG_READ)
            printf("file:%s,function:%s,Line:%d--->read_arl[i:%d],[val:%llx]\n", __FILE__, __func__,
                   __LINE__, i, (unsigned long long)val);
        if ((val & ARL_KEY_MASK) != key)
            continue;
        arl->tc = (int32_t)field(val, ARLA_TC_SHIFT, ARLA_TC_MASK);
        arl->entry = i;
        arl->valid = (int32_t)field(val, ARLA_VALID_SHIFT, ARL_FLAG_MASK);
        arl->sbit = (int32_t)field(val, ARLA_STATIC_SHIFT, ARL_FLAG_MASK);
        arl->age = (int32_t)field(val, ARLA_AGE_SHIFT, ARL_FLAG_MASK);
        arl->pid = (int32_t)field(val, ARLA_PID_SHIFT, ARLA_PID_MASK);
        if (igmp_snoop_dbg & IGMP_DBG_READ)
            printf("file:%s,function:%s,Line:%d--->read_arl_result: "
                   "entry[%d],vid[%d],valid[%d],sbit[%d],age[%d],pid[%d]\n",
                   __FILE__, __func__, __LINE__, (int)i, (int)arl->vid, (int)arl->valid,
                   (int)arl->sbit, (int)arl->age, (int)arl->pid);
    }
    brcm53115_arl_unlock(lock);
    return 0;
}

int brcm53115_write_arl_tab(arl_data *arl)
{
    uint64_t key = mac_key(arl->mac);
    int lock = brcm53115_arl_lock();

    if (igmp_snoop_dbg & IGMP_DBG_WRITE)
        printf("file:%s,function:%s,Line:%d--->write_arl_macid=[%llx]\n", __FILE__, __func__,
               __LINE__, (unsigned long long)key);
    write_reg(ARL_MAC_INDEX, key, ARL_LEN_MAC);
    write_reg(ARL_VID_INDEX, vid_value(arl->vid), ARL_LEN_CTRL);

    /* Every field is masked to its width, so none can spill into another. */
    uint64_t val = key;
    val |= (uint64_t)((uint32_t)arl->pid & ARLA_PID_MASK) << ARLA_PID_SHIFT;
    val |= (uint64_t)((uint32_t)arl->tc & ARLA_TC_MASK) << ARLA_TC_SHIFT;
    val |= (uint64_t)((uint32_t)arl->age & ARL_FLAG_MASK) << ARLA_AGE_SHIFT;
    val |= (uint64_t)((uint32_t)arl->sbit & ARL_FLAG_MASK) << ARLA_STATIC_SHIFT;
    val |= (uint64_t)((uint32_t)arl->valid & ARL_FLAG_MASK) << ARLA_VALID_SHIFT;

    if (igmp_snoop_dbg & IGMP_DBG_WRITE)
        printf("file:%s,function:%s,Line:%d--->write_arl: "
               "entry[%d],vid[%d], valid[%d],sbit[%d],age[%d],pid[%d]\n",
               __FILE__, __func__, __LINE__, (int)arl->entry, (int)arl->vid, (int)arl->valid,
               (int)arl->sbit, (int)arl->age, (int)arl->pid);

    if (arl->entry == 1) {
        write_reg(ARL_ENTRY1, val, ARL_LEN_ENTRY);
        write_reg(ARL_ENTRY1_VID, vid_value(arl->vid), ARL_LEN_CTRL);
    } else {
        write_reg(ARL_ENTRY0, val, ARL_LEN_ENTRY);
        write_reg(ARL_ENTRY0_VID, vid_value(arl->vid), ARL_LEN_CTRL);
    }
    write_reg(ARL_RW_CTRL, 0, ARL_LEN_CTRL);
    write_reg(ARL_RW_CTRL, ARL_RW_START, ARL_LEN_CTRL);

    /* The chip finishes in microseconds; one that does not finish within
     * the bound is not going to. */
    int rc = 0;
    uint32_t start = now_us();
    while (rc == 0 && (read_reg(ARL_RW_CTRL, ARL_LEN_CTRL) & ARL_RW_START)) {
        if (now_us() - start > BRCM53115_WRITE_TIMEOUT_US)
            rc = -1;
    }
    brcm53115_arl_unlock(lock);
    return rc;
}

int brcm53115_search_arl_tab(arl_data *arl)
{
    int lock = brcm53115_arl_lock();
    uint64_t ctrl = read_reg(ARL_SRCH_CTRL, ARL_LEN_CTRL);
    write_reg(ARL_SRCH_CTRL, ctrl | ARL_SRCH_START, ARL_LEN_CTRL);

    uint64_t key = mac_key(arl->mac);
    for (uint32_t step = 0; step < ARL_TABLE_ENTRIES; step++) {
        if (!(read_reg(ARL_SRCH_CTRL, ARL_LEN_CTRL) & ARL_SRCH_VALID))
            break;
        uint64_t extra = read_reg(ARL_SRCH_EXTRA, ARL_LEN_CTRL);
        uint64_t res = read_reg(ARL_SRCH_RESULT, ARL_LEN_ENTRY);
        if ((res & ARL_KEY_MASK) != key)
            continue;
        arl->vid = (int32_t)field(res, ARLB_VID_SHIFT, ARLB_VID_MASK);
        arl->sbit = (int32_t)field(res, ARLB_STATIC_SHIFT, ARL_FLAG_MASK);
        arl->age = (int32_t)field(res, ARLB_AGE_SHIFT, ARL_FLAG_MASK);
        arl->tc = (int32_t)((uint32_t)extra & ARL_SRCH_TC_MASK);
        arl->pid = (int32_t)field(res, ARLB_PID_SHIFT, ARLB_PID_MASK);
        arl->entry = (int32_t)step;
        arl->valid = (int32_t)field(res, ARLB_VALID_SHIFT, ARL_FLAG_MASK);
        if (arl->valid == 1)
            break;
    }
    brcm53115_arl_unlock(lock);
    return 0;
}

} /* extern "C" */
