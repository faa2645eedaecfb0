/* The filter of the listing, the flush and the remove. */
#include "arl_filter.h"

#include <string.h>

int arl_filter_test(const brcm53115_arl_filter *f, const uint8_t *mac, uint32_t vid, uint32_t pid,
                    int is_static, uint32_t vid_mask, uint32_t pid_mask)
{
    if (!f)
        return 1;
    if (f->has_mac && memcmp(f->mac, mac, 6) != 0)
        return 0;
    if (f->vid >= 0 && (((uint32_t)f->vid ^ vid) & vid_mask) != 0)
        return 0;
    if (f->pid >= 0 && (((uint32_t)f->pid ^ pid) & pid_mask) != 0)
        return 0;
    return f->kind == BRCM53115_KIND_ANY || (f->kind == BRCM53115_KIND_STATIC) == (is_static != 0);
}

extern "C" int brcm53115_arl_filter_passes(const brcm53115_arl_filter *f, const arl_data *a)
{
    return arl_filter_test(f, a->mac, (uint32_t)a->vid, (uint32_t)a->pid, a->sbit, ARL_WHOLE,
                           ARL_WHOLE);
}
