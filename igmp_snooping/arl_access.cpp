/* Register access over the platform functions: the accesses of a table
 * operation, stopped at the first that fails. */
#include "arl_access.h"

#include <string.h>

#include "brcm53115_regs.h"

extern "C" {

brcm53115_access brcm53115_failed;

int brcm53115_write(int page, int offset, uint64_t value, int length)
{
    uint64_t reg = value;
    int rc = set_register(page & 0xFF, offset & 0xFF, &reg, length);
    return rc < 0 ? rc : 0;
}

int brcm53115_read(int page, int offset, uint32_t *val, int length)
{
    uint8_t buf[ARL_REPLY_SIZE];
    uint16_t g[4];

    /* A failed platform read must not hand back stack garbage. */
    memset(buf, 0, sizeof buf);
    int rc = get_register(page & 0xFF, offset & 0xFF, length, buf);
    if (rc < 0)
        memset(buf, 0, sizeof buf);
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
    return rc < 0 ? rc : 0;
}

} /* extern "C" */

/* One access of the operation: none once one has failed; a failure kept
 * in *rc and brcm53115_failed. */
static void access(int *rc, int write, int offset, uint64_t *value, int length)
{
    uint32_t v[2] = {0, 0};
    if (*rc != 0)
        return;
    int r = write ? brcm53115_write(ARL_PAGE, offset, *value, length)
                  : brcm53115_read(ARL_PAGE, offset, v, length);
    if (!write)
        *value = (uint64_t)v[1] << 32 | v[0];
    if (r < 0) {
        brcm53115_failed.write = write;
        brcm53115_failed.page = ARL_PAGE;
        brcm53115_failed.offset = offset;
        brcm53115_failed.length = length;
        brcm53115_failed.result = r;
        *rc = BRCM53115_ERR_ACCESS;
    }
}

uint64_t arl_read_reg(int *rc, int offset, int length)
{
    uint64_t value = 0;
    access(rc, 0, offset, &value, length);
    return value;
}

void arl_write_reg(int *rc, int offset, uint64_t value, int length)
{
    access(rc, 1, offset, &value, length);
}

/* With no pause: the chip finishes in microseconds; one that does not
 * finish within the bound is not going to. */
void arl_wait_done(int *rc)
{
    uint32_t start = arl_clock(ARL_US);
    while (*rc == 0 && (arl_read_reg(rc, ARL_RW_CTRL, ARL_LEN_CTRL) & ARL_RW_START)) {
        if (arl_clock(ARL_US) - start > BRCM53115_WRITE_TIMEOUT_US)
            *rc = BRCM53115_ERR_TIMEOUT;
    }
}
