/* One table operation at a time across every process that drives the ARL
 * access registers: the tool, the IGMP snooping code and anything else
 * linked with lib53115.  The lock is advisory and best effort: where it
 * cannot be had within ARL_LOCK_WAIT_US, the operation goes on unlocked
 * rather than hang, since a holder never needs that long (a write gives up
 * after BRCM53115_WRITE_TIMEOUT_US). */
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "lib53115.h"

#define ARL_LOCK_PATH "/run/lock/sw53115.lock"
#define ARL_LOCK_FALLBACK "/tmp/sw53115.lock"
#define ARL_LOCK_WAIT_US 1000000 /* sleep between tries adds up to this, then give up */
#define ARL_LOCK_RETRY_US 1000   /* pause between tries */

static int open_lock(const char *path)
{
    /* Read-only is enough for flock, and lets every user share the file
     * whoever created it. */
    return open(path, O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
}

extern "C" int brcm53115_arl_lock(void)
{
    int fd = open_lock(ARL_LOCK_PATH);
    if (fd < 0)
        fd = open_lock(ARL_LOCK_FALLBACK);
    if (fd < 0)
        return -1;
    for (int waited = 0; flock(fd, LOCK_EX | LOCK_NB) != 0; waited += ARL_LOCK_RETRY_US) {
        if (waited >= ARL_LOCK_WAIT_US) {
            close(fd);
            return -1;
        }
        usleep(ARL_LOCK_RETRY_US);
    }
    return fd;
}

extern "C" void brcm53115_arl_unlock(int lock)
{
    if (lock >= 0)
        close(lock);
}
