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
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include "arl_access.h"
#include "lib53115.h"

/* The lock is tried once a millisecond until the wait (BRCM53115_LOCK_WAIT_MS
 * unless set) has passed on the monotonic clock. */
#define ARL_LOCK_RETRY_NS 1000000L /* 1 ms */

static const char root_lock[] = "/var/lock/sw53115.lock";
static char user_lock[32]; /* /tmp/sw53115-UID.lock */
static const char *lock_path;
static char lock_error[128];

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

/* Reads at most len - 1 bytes of a file into buf: its length, or -1. */
static int read_some(const char *path, char *buf, int len)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC), n = 0, r = 0;
    if (fd < 0)
        return -1;
    while (n < len - 1 &&
           ((r = (int)read(fd, buf + n, (size_t)(len - 1 - n))) > 0 || (r < 0 && errno == EINTR)))
        n += r > 0 ? r : 0;
    close(fd);
    buf[n] = '\0';
    return r < 0 ? -1 : n;
}

/* The holder that one whole line of /proc/locks names, if it is a flock
 * on the file sb: its pid, else 0. */
static int holder_in(const char *line, const struct stat *sb)
{
    char type[8];
    int pid;
    unsigned maj, min;
    unsigned long ino;
    if (strstr(line, "->") ||
        sscanf(line, "%*u: %7s %*s %*s %d %x:%x:%lu", type, &pid, &maj, &min, &ino) != 5 ||
        strcmp(type, "FLOCK") != 0 || ino != (unsigned long)sb->st_ino ||
        maj != major(sb->st_dev) || min != minor(sb->st_dev))
        return 0;
    return pid > 0 && (kill(pid, 0) == 0 || errno != ESRCH) ? pid : 0;
}

/* The process that holds a flock on the lock file, as /proc/locks lists
 * it, read to its end a block at a time, each line taken only whole: its
 * pid, or 0 where none is listed or the one listed is gone (a child may
 * hold the lock it took). */
static int lock_holder(void)
{
    char buf[1024];
    struct stat sb;
    int fd = fstat(lock_fd, &sb) != 0 ? -1 : open("/proc/locks", O_RDONLY | O_CLOEXEC);
    int pid = 0, skip = 0; /* skip: the rest of a line longer than buf */
    size_t have = 0;
    while (fd >= 0 && !pid) {
        ssize_t r = read(fd, buf + have, sizeof buf - 1 - have);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        have += (size_t)r;
        buf[have] = '\0';
        char *line = buf, *end;
        while (!pid && (end = strchr(line, '\n')) != NULL) {
            *end = '\0';
            pid = skip ? 0 : holder_in(line, &sb);
            skip = 0;
            line = end + 1;
        }
        have -= (size_t)(line - buf);
        memmove(buf, line, have);
        if (have == sizeof buf - 1) {
            skip = 1;
            have = 0;
        }
    }
    if (fd >= 0)
        close(fd);
    return pid;
}

/* The length of the UTF-8 character at s (n bytes there), 1 for a byte
 * that begins none; *shown whether a terminal shows it as text (not a
 * control character, C0, DEL or C1, nor a bidirectional format one). */
static int utf8_char(const unsigned char *s, int n, int *shown)
{
    *shown = s[0] >= 0x20 && s[0] != 0x7f;
    if (s[0] < 0x80)
        return 1;
    *shown = 0;
    int len = s[0] >= 0xc2 && s[0] <= 0xdf ? 2 : s[0] >= 0xe0 && s[0] <= 0xef ? 3
                                                : s[0] >= 0xf0 && s[0] <= 0xf4 ? 4
                                                                               : 1;
    if (len > n)
        return 1;
    uint32_t cp = s[0] & (0x7fu >> len);
    for (int i = 1; i < len; i++) {
        if ((s[i] & 0xc0) != 0x80)
            return 1;
        cp = cp << 6 | (s[i] & 0x3fu);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10ffff)) ||
        (cp >= 0xd800 && cp <= 0xdfff))
        return 1; /* overlong, or no character */
    *shown = cp >= 0xa0 && !(cp >= 0x202a && cp <= 0x202e) && !(cp >= 0x2066 && cp <= 0x2069);
    return len;
}

/* A command line (its arguments separated by NULs) as text of at most
 * `max` bytes: the arguments joined by spaces, whole characters only,
 * each that a terminal would not show as text a '?'. */
static void cmdline_text(const char *in, int n, char *out, int max)
{
    int o = 0, shown = 0;
    while (n > 0 && in[n - 1] == '\0')
        n--;
    for (int i = 0, len; i < n; i += len) {
        len = in[i] == '\0' ? 1 : utf8_char((const unsigned char *)in + i, n - i, &shown);
        int put = in[i] != '\0' && shown ? len : 1;
        if (o + put > max)
            break;
        if (shown && in[i] != '\0')
            memcpy(out + o, in + i, (size_t)len);
        else
            out[o] = in[i] == '\0' ? ' ' : '?';
        o += put;
    }
    out[o] = '\0';
}

/* Why the lock is held, in lock_error: by whom, where the system tells. */
static void say_held(void)
{
    char path[32], cmd[256], text[61];
    int pid = lock_holder();
    snprintf(path, sizeof path, "/proc/%d/cmdline", pid);
    int n = pid ? read_some(path, cmd, sizeof cmd) : -1;
    cmdline_text(cmd, n, text, (int)sizeof text - 1);
    if (text[0])
        snprintf(lock_error, sizeof lock_error, "held by process %d (%s)", pid, text);
    else if (pid)
        snprintf(lock_error, sizeof lock_error, "held by process %d", pid);
    else
        snprintf(lock_error, sizeof lock_error, "held by another process");
}

extern "C" int brcm53115_arl_lock(void)
{
    struct stat sb;
    if (lock_held) {
        snprintf(lock_error, sizeof lock_error, "held by this process already");
        errno = EDEADLK;
        return BRCM53115_ERR_LOCK;
    }
    uint32_t start = arl_now_us();
    for (;;) {
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
        int held = err == EWOULDBLOCK || err == EINTR;
        if (!held || (arl_now_us() - start) / 1000u >= (uint32_t)lock_wait_ms) {
            if (held)
                say_held();
            else
                snprintf(lock_error, sizeof lock_error, "%s", strerror(err));
            drop_lock_file();
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

int arl_locked(int (*op)(int *rc, void *arg), void *arg)
{
    int lock = brcm53115_arl_lock();
    if (lock < 0)
        return lock;
    int rc = 0;
    int res = op(&rc, arg);
    brcm53115_arl_unlock(lock);
    return rc ? rc : res;
}
