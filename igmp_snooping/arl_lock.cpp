/* One table operation at a time across every process that drives the ARL
 * access registers: the tool, the IGMP snooping code and anything else
 * linked with lib53115.  An operation that cannot have the lock fails; it
 * never goes on unlocked.
 *
 * The lock file belongs to the one user that drives the switch: root on the
 * router (/var/lock/sw53115.lock; /var/lock is /run/lock where that
 * exists), and on a machine with several users each user on a simulated
 * switch of their own (/tmp/sw53115-UID.lock).  It is created mode 0600
 * and must be a regular file owned by the effective user, of mode 0600 or
 * narrower, reached without a symbolic link, so that nobody else can open
 * it and hold the lock. */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "lib53115.h"

/* The lock is tried BRCM53115_LOCK_WAIT_MS times, this far apart: 5 s at
 * least, more on a loaded machine, and always an end. */
#define ARL_LOCK_RETRY_NS 1000000L /* 1 ms */

static const char root_lock[] = "/var/lock/sw53115.lock";
static char user_lock[32]; /* /tmp/sw53115-UID.lock */
static const char *lock_path;

extern "C" const char *brcm53115_arl_lock_path(void)
{
    if (!lock_path) {
        unsigned uid = (unsigned)geteuid();
        snprintf(user_lock, sizeof user_lock, "/tmp/sw53115-%u.lock", uid);
        lock_path = uid == 0 ? root_lock : user_lock;
    }
    return lock_path;
}

/* Opens the lock file: never blocking (a FIFO would), never through a
 * symbolic link; a file that is not this user's own, or that others may
 * open, is refused (EPERM). */
static int open_lock(void)
{
    const int flags = O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = open(brcm53115_arl_lock_path(), flags, 0600);
    if (fd < 0)
        return -1;
    struct stat sb;
    if (fstat(fd, &sb) != 0 || !S_ISREG(sb.st_mode) || sb.st_uid != geteuid() ||
        (sb.st_mode & 077)) {
        close(fd);
        errno = EPERM;
        return -1;
    }
    return fd;
}

extern "C" int brcm53115_arl_lock(void)
{
    int fd = open_lock();
    if (fd < 0)
        return BRCM53115_ERR_LOCKFILE;
    for (int tries = 0; flock(fd, LOCK_EX | LOCK_NB) != 0; tries++) {
        int err = errno;
        if ((err != EWOULDBLOCK && err != EINTR) || tries >= BRCM53115_LOCK_WAIT_MS) {
            close(fd);
            errno = err;
            return err == EWOULDBLOCK || err == EINTR ? BRCM53115_ERR_LOCK : BRCM53115_ERR_LOCKFILE;
        }
        struct timespec pause = {0, ARL_LOCK_RETRY_NS};
        nanosleep(&pause, NULL);
    }
    return fd;
}

extern "C" void brcm53115_arl_unlock(int lock)
{
    if (lock >= 0)
        close(lock);
}
