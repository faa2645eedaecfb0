/* One table operation at a time across every process that drives the ARL
 * access registers: the tool, the IGMP snooping code and anything else
 * linked with lib53115.  An operation that cannot have the lock fails; it
 * never goes on unlocked.
 *
 * The lock file belongs to the one user that drives the switch: root on the
 * router (/var/lock/sw53115.lock; /var/lock is /run/lock where that
 * exists), and on a machine with several users each user on a simulated
 * switch of their own (/tmp/sw53115-UID.lock).  It must be a regular file
 * owned by the effective user, reached without a symbolic link; its mode
 * is set to 0600 whatever the umask or whoever made it (`flock FILE true`
 * makes it 0644), so that nobody else can open it from then on and hold
 * the lock. */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "lib53115.h"

/* The lock is tried once a millisecond, as many times as the wait allows
 * (BRCM53115_LOCK_WAIT_MS unless set): 5 s at least, more on a loaded
 * machine, and always an end. */
#define ARL_LOCK_RETRY_NS 1000000L /* 1 ms */

static const char root_lock[] = "/var/lock/sw53115.lock";
static char user_lock[32]; /* /tmp/sw53115-UID.lock */
static const char *lock_path;
static char lock_error[96];

/* The lock file is opened for each hold and closed at its release, unless
 * the process keeps it open (brcm53115_arl_lock_keep): a listing takes the
 * lock once per entry.  A kept file is checked at each hold to be the one
 * the path still names, since a lock on a file that was removed or
 * replaced would exclude nobody; it is opened anew then.  A hold taken
 * again before its release fails as a lock held elsewhere does: on a kept
 * file it would succeed, and the inner release would end the outer hold. */
static int lock_fd = -1;
static dev_t lock_dev;
static ino_t lock_ino;
static int lock_held, keep_open;
static int lock_wait_ms = BRCM53115_LOCK_WAIT_MS;

static void drop_lock_file(void)
{
    close(lock_fd);
    lock_fd = -1;
}

extern "C" void brcm53115_arl_lock_wait(int ms)
{
    lock_wait_ms = ms < 0 ? 0 : ms;
}

extern "C" void brcm53115_arl_lock_file(const char *path)
{
    if (lock_fd >= 0 && !lock_held)
        drop_lock_file();
    lock_path = path;
}

extern "C" const char *brcm53115_arl_lock_path(void)
{
    if (!lock_path) {
        unsigned uid = (unsigned)geteuid();
        snprintf(user_lock, sizeof user_lock, "/tmp/sw53115-%u.lock", uid);
        lock_path = uid == 0 ? root_lock : user_lock;
    }
    return lock_path;
}

extern "C" const char *brcm53115_arl_lock_error(void)
{
    return lock_error;
}

/* Opens the lock file: never blocking (a FIFO would), never through a
 * symbolic link.  A file that is not this user's own regular file is
 * refused, saying why in lock_error; else its device and inode are kept. */
static int open_lock(void)
{
    const char *path = brcm53115_arl_lock_path();
    const int flags = O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    struct stat sb;
    /* A file of the user's own is made 0600 before it is opened, so that
     * one its owner cannot read (made under umask 0777) is used too.  The
     * change by path after the lstat is safe because the lock directory is
     * root's (/var/lock) or sticky (/tmp): nobody else can put another file
     * in its place meanwhile. */
    if (lstat(path, &sb) == 0 && S_ISREG(sb.st_mode) && sb.st_uid == geteuid() &&
        (sb.st_mode & 07777) != 0600)
        chmod(path, 0600);
    int fd = open(path, flags, 0600);
    int err = errno;
    if (fd < 0 && err == EACCES && lstat(path, &sb) == 0 && sb.st_uid != geteuid()) {
        snprintf(lock_error, sizeof lock_error, "owned by uid %u, not %u: remove it",
                 (unsigned)sb.st_uid, (unsigned)geteuid());
    } else if (fd < 0) {
        if (err == ELOOP)
            snprintf(lock_error, sizeof lock_error, "a symbolic link: remove it");
        else if (err == ENOENT)
            snprintf(lock_error, sizeof lock_error, "no directory %.*s: create it",
                     (int)(strrchr(path, '/') - path), path);
        else
            snprintf(lock_error, sizeof lock_error, "%s", strerror(err));
    } else if (fstat(fd, &sb) != 0 || !S_ISREG(sb.st_mode)) {
        snprintf(lock_error, sizeof lock_error, "not a regular file: remove it");
    } else if (sb.st_uid != geteuid()) {
        snprintf(lock_error, sizeof lock_error, "owned by uid %u, not %u: remove it",
                 (unsigned)sb.st_uid, (unsigned)geteuid());
    } else if ((sb.st_mode & 07777) != 0600 && fchmod(fd, 0600) != 0) {
        err = errno;
        snprintf(lock_error, sizeof lock_error, "cannot make it mode 0600: %s", strerror(err));
    } else {
        lock_dev = sb.st_dev;
        lock_ino = sb.st_ino;
        return fd;
    }
    if (fd >= 0)
        close(fd);
    errno = err;
    return -1;
}

extern "C" void brcm53115_arl_lock_keep(int keep)
{
    keep_open = keep;
    if (!keep && lock_fd >= 0 && !lock_held)
        drop_lock_file();
}

extern "C" int brcm53115_arl_lock(void)
{
    struct stat sb;
    if (lock_held) {
        snprintf(lock_error, sizeof lock_error, "held by this process already");
        errno = EDEADLK;
        return BRCM53115_ERR_LOCK;
    }
    for (int tries = 0;; tries++) {
        if (lock_fd < 0) {
            lock_fd = open_lock();
            if (lock_fd < 0)
                return BRCM53115_ERR_LOCKFILE;
        }
        if (flock(lock_fd, LOCK_EX | LOCK_NB) == 0) {
            if (!keep_open || (lstat(brcm53115_arl_lock_path(), &sb) == 0 &&
                               sb.st_dev == lock_dev && sb.st_ino == lock_ino)) {
                lock_held = 1;
                return lock_fd;
            }
            drop_lock_file(); /* not the lock file any more */
            continue;
        }
        int err = errno;
        if ((err != EWOULDBLOCK && err != EINTR) || tries >= lock_wait_ms) {
            int held = err == EWOULDBLOCK || err == EINTR;
            drop_lock_file();
            snprintf(lock_error, sizeof lock_error, "%s",
                     held ? "held by another process" : strerror(err));
            errno = err;
            return held ? BRCM53115_ERR_LOCK : BRCM53115_ERR_LOCKFILE;
        }
        struct timespec pause = {0, ARL_LOCK_RETRY_NS};
        nanosleep(&pause, NULL);
    }
}

extern "C" void brcm53115_arl_unlock(int lock)
{
    if (lock < 0 || lock != lock_fd || !lock_held)
        return;
    lock_held = 0;
    if (keep_open)
        flock(lock, LOCK_UN);
    else
        drop_lock_file();
}
