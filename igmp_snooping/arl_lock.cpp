/* One table operation at a time across every process that drives the ARL
 * access registers: the tool, the IGMP snooping code and anything else
 * linked with lib53115.  An operation that cannot have the lock fails; it
 * never goes on unlocked.
 *
 * Three files in the lock's directory, under the same rules:
 *   the table lock (sw53115.lock), held for each table operation and for
 *     each slice of a walk;
 *   the walk lock (sw53115.walk.lock), held for the whole of a search of the
 *     chip, whose state the switch keeps between slices: taken before the
 *     table lock, never waited for while holding it;
 *   the waiters' file (sw53115.wait.lock), on which a process waiting for
 *     the table lock holds a shared lock: a holder that sees one there wakes
 *     it at its release, and a process about to take the table lock again
 *     lets it go first.
 * A waiter sleeps until a lock file's attributes change or it is closed
 * (inotify; the releaser touches the file), within its deadline, and never
 * with a signal: lib53115 is linked into firmware daemons whose signals are
 * their own.
 *
 * The files belong to the one user that drives the switch: root on the
 * router (/var/lock/sw53115.lock; /var/lock is /run/lock where that
 * exists), and on a machine with several users each user on a simulated
 * switch of their own (/tmp/sw53115-UID.lock).  Each must be a regular file
 * owned by the effective user, reached without a symbolic link; its mode
 * is set to 0600 whatever the umask or whoever made it (`flock FILE true`
 * makes it 0644), so that nobody else can open it from then on and hold
 * the lock. */
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include "arl_access.h"
#include "lib53115.h"

/* A waiter looks again at least this often, should a release not wake it
 * (a holder linked with an older lib53115 that does not touch the file). */
#define RECHECK_MS 50
/* A process about to take the table lock lets announced waiters take it
 * first, waiting at most this long; where they do not (a waiter stopped in
 * its wait), it does not wait for them again within POLITE_PAUSE_US. */
#define LET_IN_MS 20
#define POLITE_PAUSE_US 100000u
#define LOCK_PATH_LEN 96

static const char root_lock[] = "/var/lock/sw53115.lock";
static char user_lock[32]; /* /tmp/sw53115-UID.lock */
static const char *lock_path;
static char lock_error[128];
static const char *error_path; /* the file lock_error is about */

/* One lock file.  It is opened for each hold and closed at its release,
 * unless the process keeps it open (brcm53115_arl_lock_keep): a listing
 * takes the lock once per entry.  A kept file is checked at each hold to
 * be the one the path still names, since a lock on a file that was removed
 * or replaced would exclude nobody; it is opened anew then.  A hold taken
 * again before its release fails as a lock held elsewhere does: on a kept
 * file it would succeed, and the inner release would end the outer hold. */
struct lock_file {
    char path[LOCK_PATH_LEN];
    int fd;
    int held;
    dev_t dev;
    ino_t ino;
};

static struct lock_file table_lf = {"", -1, 0, 0, 0};
static struct lock_file walk_lf = {"", -1, 0, 0, 0};
static struct lock_file wait_lf = {"", -1, 0, 0, 0};
static struct lock_file *const lock_files[3] = {&table_lf, &walk_lf, &wait_lf};
static int keep_open;
static int lock_wait_ms = BRCM53115_LOCK_WAIT_MS;
static int walk_wait_ms = BRCM53115_WALK_WAIT_MS;
static uint32_t impolite_since;
static int impolite;

static void drop_lock_file(struct lock_file *lf)
{
    if (lf->fd >= 0)
        close(lf->fd);
    lf->fd = -1;
}

extern "C" void brcm53115_arl_lock_wait(int ms)
{
    lock_wait_ms = ms < 0 ? 0 : ms;
}

extern "C" void brcm53115_arl_walk_wait(int ms)
{
    walk_wait_ms = ms < 0 ? 0 : ms;
}

/* The file beside the table lock: its name with `what` before ".lock". */
static void beside(struct lock_file *lf, const char *what)
{
    const char *p = brcm53115_arl_lock_path();
    size_t n = strlen(p);
    if (n > 5 && strcmp(p + n - 5, ".lock") == 0)
        n -= 5;
    snprintf(lf->path, sizeof lf->path, "%.*s.%s.lock", (int)n, p, what);
}

extern "C" void brcm53115_arl_lock_file(const char *path)
{
    for (int i = 0; i < 3; i++) {
        if (!lock_files[i]->held)
            drop_lock_file(lock_files[i]);
        lock_files[i]->path[0] = '\0';
    }
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

extern "C" const char *brcm53115_arl_walk_lock_path(void)
{
    if (!walk_lf.path[0])
        beside(&walk_lf, "walk");
    return walk_lf.path;
}

static const char *wait_path(void)
{
    if (!wait_lf.path[0])
        beside(&wait_lf, "wait");
    return wait_lf.path;
}

extern "C" const char *brcm53115_arl_lock_error(void)
{
    return lock_error;
}

const char *arl_lock_error_path(void)
{
    return error_path ? error_path : brcm53115_arl_lock_path();
}

/* Opens a lock file: never blocking (a FIFO would), never through a
 * symbolic link.  A file that is not this user's own regular file is
 * refused, saying why in lock_error; else its device and inode are kept. */
static int open_lock(struct lock_file *lf, const char *path)
{
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
    error_path = path;
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
        lf->dev = sb.st_dev;
        lf->ino = sb.st_ino;
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
    for (int i = 0; i < 3 && !keep; i++)
        if (!lock_files[i]->held)
            drop_lock_file(lock_files[i]);
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

/* The process that holds a flock on the file fd, as /proc/locks lists it,
 * read to its end a block at a time, each line taken only whole: its pid,
 * or 0 where none is listed or the one listed is gone (a child may hold
 * the lock it took). */
static int lock_holder(int lock)
{
    char buf[1024];
    struct stat sb;
    int fd = fstat(lock, &sb) != 0 ? -1 : open("/proc/locks", O_RDONLY | O_CLOEXEC);
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
    int len = s[0] >= 0xc2 && s[0] <= 0xdf   ? 2
              : s[0] >= 0xe0 && s[0] <= 0xef ? 3
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

/* Why the lock on fd is held, in lock_error: by whom, where the system
 * tells. */
static void say_held(int fd)
{
    char path[32], cmd[256], text[61];
    int pid = lock_holder(fd);
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

/* Waits for a change of the watched files (ifd), or a short time where
 * there is no watch, within `ms`. */
static void sleep_until_touched(int ifd, uint32_t ms)
{
    char events[256];
    if (ms > RECHECK_MS)
        ms = RECHECK_MS;
    if (ifd < 0) {
        struct timespec pause = {0, 1000000L}; /* 1 ms */
        nanosleep(&pause, NULL);
        return;
    }
    struct pollfd p = {ifd, POLLIN, 0};
    if (poll(&p, 1, (int)ms) > 0)
        while (read(ifd, events, sizeof events) > 0) {
        }
}

/* A watch for the releases of a lock file: an inotify descriptor, or -1. */
static int watch(const char *path)
{
    int ifd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (ifd >= 0 && inotify_add_watch(ifd, path, IN_ATTRIB | IN_CLOSE) < 0) {
        close(ifd);
        ifd = -1;
    }
    return ifd;
}

/* Wakes the waiters of a lock file: its attributes touched. */
static void touch(int fd)
{
    (void)!fchmod(fd, 0600);
}

/* Opens a lock file as needed and tries its lock once (`how` LOCK_EX or
 * LOCK_SH): 0 held, 1 held elsewhere, -1 an unusable file. */
static int try_lock(struct lock_file *lf, const char *path, int how)
{
    struct stat sb;
    for (;;) {
        if (lf->fd < 0 && (lf->fd = open_lock(lf, path)) < 0)
            return -1;
        if (flock(lf->fd, how | LOCK_NB) != 0) {
            int err = errno;
            if (err == EWOULDBLOCK || err == EINTR)
                return 1;
            error_path = path;
            snprintf(lock_error, sizeof lock_error, "%s", strerror(err));
            drop_lock_file(lf);
            errno = err;
            return -1;
        }
        if (!keep_open || (lstat(path, &sb) == 0 && sb.st_dev == lf->dev && sb.st_ino == lf->ino))
            return 0;
        drop_lock_file(lf); /* not the lock file any more */
    }
}

/* Lets go of a lock file's lock and wakes whoever waits for it: nobody,
 * everybody, or the table lock's waiters where the waiters' file has some
 * (looked at once the lock is free: one who says so later finds it free at
 * the try after saying so). */
#define WAKE_NONE 0
#define WAKE_ALL 1
#define WAKE_WAITERS 2
static int waiters(void);
static void let_go(struct lock_file *lf, int wake)
{
    lf->held = 0;
    flock(lf->fd, LOCK_UN);
    if (wake == WAKE_ALL || (wake == WAKE_WAITERS && waiters()))
        touch(lf->fd);
    if (!keep_open)
        drop_lock_file(lf);
}

/* Whether processes wait for the table lock (the waiters' file has shared
 * holders). */
static int waiters(void)
{
    int r = try_lock(&wait_lf, wait_path(), LOCK_EX);
    if (r == 0)
        let_go(&wait_lf, WAKE_NONE);
    return r == 1;
}

/* Before taking the table lock: the waiters there take it first, within
 * LET_IN_MS (then not again for a while: a waiter may be stopped). */
static void let_waiters_in(void)
{
    if (impolite && arl_clock(ARL_US) - impolite_since < POLITE_PAUSE_US)
        return;
    impolite = 0;
    if (!waiters())
        return;
    int ifd = watch(wait_path());
    uint32_t start = arl_clock(ARL_US);
    while (waiters()) {
        uint32_t spent = (arl_clock(ARL_US) - start) / 1000u;
        if (spent >= LET_IN_MS) {
            impolite = 1;
            impolite_since = arl_clock(ARL_US);
            break;
        }
        sleep_until_touched(ifd, LET_IN_MS - spent);
    }
    if (ifd >= 0)
        close(ifd);
}

/* Takes a lock file's lock, waiting up to `wait_ms` for its release; a
 * waiter for the table lock says so on the waiters' file.  0, or
 * BRCM53115_ERR_LOCK (or `held_rc`) / BRCM53115_ERR_LOCKFILE. */
static int take(struct lock_file *lf, const char *path, int wait_ms, int held_rc)
{
    if (lf->held) {
        error_path = path;
        snprintf(lock_error, sizeof lock_error, "held by this process already");
        errno = EDEADLK;
        return held_rc;
    }
    int table = lf == &table_lf, announced = 0, step = table ? 0 : 1, ifd = -1, rc = 0;
    if (table)
        let_waiters_in();
    uint32_t start = arl_clock(ARL_US);
    for (;;) {
        int r = try_lock(lf, path, LOCK_EX);
        if (r <= 0) {
            rc = r == 0 ? 0 : BRCM53115_ERR_LOCKFILE;
            break;
        }
        uint32_t spent = (arl_clock(ARL_US) - start) / 1000u;
        if (spent >= (uint32_t)wait_ms) {
            error_path = path;
            say_held(lf->fd);
            drop_lock_file(lf);
            errno = EWOULDBLOCK;
            rc = held_rc;
            break;
        }
        /* First said, then watched, each followed by another try: a
         * release between the try and the sleep is not missed. */
        if (step == 0)
            announced = try_lock(&wait_lf, wait_path(), LOCK_SH) == 0;
        else if (step == 1)
            ifd = watch(path);
        else
            sleep_until_touched(ifd, (uint32_t)wait_ms - spent);
        step += step < 2;
    }
    if (ifd >= 0)
        close(ifd);
    if (announced)
        let_go(&wait_lf, WAKE_ALL); /* wakes a process letting its waiters in */
    if (rc == 0)
        lf->held = 1;
    return rc;
}

extern "C" int brcm53115_arl_lock(void)
{
    int rc = take(&table_lf, brcm53115_arl_lock_path(), lock_wait_ms, BRCM53115_ERR_LOCK);
    return rc < 0 ? rc : table_lf.fd;
}

extern "C" void brcm53115_arl_unlock(int lock)
{
    if (lock < 0 || lock != table_lf.fd || !table_lf.held)
        return;
    let_go(&table_lf, WAKE_WAITERS);
}

int arl_walk_lock(void)
{
    return take(&walk_lf, brcm53115_arl_walk_lock_path(), walk_wait_ms, BRCM53115_ERR_WALK);
}

void arl_walk_unlock(void)
{
    if (walk_lf.held)
        let_go(&walk_lf, WAKE_ALL);
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
