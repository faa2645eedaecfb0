/* The results of lib53115 in words. */
#include <stdio.h>
#include <string.h>

#include "arl_access.h"
#include "lib53115.h"

extern "C" const char *brcm53115_strerror(int rc)
{
    static char text[200];
    const brcm53115_access *f = &brcm53115_failed;
    switch (rc) {
    case 0:
        return "done";
    case BRCM53115_FOUND:
        return "found";
    case BRCM53115_ABSENT:
        return "no such entry: nothing to do";
    case BRCM53115_EXISTS:
        return "the entry is there already";
    case BRCM53115_ERR_FULL:
        return "no room: both entries of the bucket hold other addresses";
    case BRCM53115_ERR_UNCONFIRMED:
        return "a static entry whose VLAN id no lookup confirms";
    case BRCM53115_ERR_TIMEOUT:
        snprintf(text, sizeof text, "the switch did not finish the access within %d ms",
                 BRCM53115_WRITE_TIMEOUT_US / 1000);
        break;
    case BRCM53115_ERR_ACCESS:
        snprintf(text, sizeof text, "%s_register page 0x%02x offset 0x%02x length %d failed: %d",
                 f->write ? "set" : "get", f->page, f->offset, f->length, f->result);
        break;
    case BRCM53115_ERR_LOCK:
    case BRCM53115_ERR_LOCKFILE:
    case BRCM53115_ERR_WALK:
        snprintf(text, sizeof text, "cannot take the %s lock %s: %s",
                 strcmp(arl_lock_error_path(), brcm53115_arl_walk_lock_path()) == 0 ? "walk"
                                                                                    : "table",
                 arl_lock_error_path(), brcm53115_arl_lock_error());
        break;
    case BRCM53115_ERR_STOPPED:
        return "stopped by a signal";
    default:
        snprintf(text, sizeof text, "unknown result %d: no result of lib53115", rc);
        break;
    }
    return text;
}
