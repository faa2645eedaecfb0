/* The simulator's state file: found, created safely, checked and mapped,
 * and the lock that each access holds on it. */
#include <errno.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "arl_clock.h"
#include "say.h"
#include "switchsim.h"

static_assert(sizeof(struct sim_state) == 312 + 16 * ARL_TABLE_ENTRIES,
              "the state file layout must be the same on every target");

/* Longest wait for the state lock or the file lock, in milliseconds: an
 * access holds the state lock for microseconds, a switchsim command for
 * less than a millisecond. */
#define SIM_LOCK_WAIT_MS 2000

static char path_buf[4096];
static uint32_t my_pid, my_start;

const char *sim_state_path(void)
{
    const char *env = getenv("SWITCHSIM_STATE");
    if (env && *env)
        return env;
    snprintf(path_buf, sizeof path_buf, "/tmp/switchsim-%u.state", (unsigned)geteuid());
    return path_buf;
}

/* A process as /proc/PID/stat shows it: its state letter and its start
 * time in clock ticks since boot.  Returns 0, or -1 when there is no such
 * process. */
static int proc_stat(uint32_t pid, char *state, uint32_t *start)
{
    char path[32], buf[1024];
    snprintf(path, sizeof path, "/proc/%u/stat", (unsigned)pid);
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    ssize_t n = read(fd, buf, sizeof buf - 1);
    close(fd);
    if (n <= 0)
        return -1;
    buf[n] = '\0';
    /* After the command name in parentheses: the state (field 3), then
     * fields 4 to 21, then the start time (field 22). */
    char *p = strrchr(buf, ')');
    if (!p || p[1] != ' ')
        return -1;
    *state = p[2];
    p += 3;
    for (int field = 4; field <= 22 && p; field++) {
        p = strchr(p, ' ');
        if (p)
            p++;
    }
    *start = p ? (uint32_t)strtoul(p, NULL, 10) : 0;
    return 0;
}

/* Whether the lock's holder is still there: a process with that pid, not
 * a zombie (a stopped one counts), that started no later than the start
 * time the holder wrote down, give or take two ticks of rounding.  A
 * process that started later has only been given a dead holder's pid. */
static int holder_alive(uint32_t pid, uint32_t start)
{
    char state;
    uint32_t kstart;
    if (pid == 0 || proc_stat(pid, &state, &kstart) != 0)
        return 0;
    return state != 'Z' && state != 'X' && kstart <= (uint64_t)start + 2u;
}

/* The state lock is a word in the mapping holding the holder's process
 * id, with its start time beside it: taken and released without a system
 * call, which matters when a search makes 12,000 accesses.  A waiter that
 * has not had it within SIM_LOCK_WAIT_MS says so on stderr, then takes it
 * over from a holder that is dead (or whose pid now names another
 * process), or gives up (-1) on a live one, such as a stopped process. */
static int take(struct sim_state *st, uint32_t *holder)
{
    if (!__atomic_compare_exchange_n(&st->hdr.lock, holder, my_pid, false, __ATOMIC_ACQUIRE,
                                     __ATOMIC_RELAXED))
        return 0;
    __atomic_store_n(&st->hdr.lock_start, my_start, __ATOMIC_RELAXED);
    return 1;
}

int sim_lock(struct sim_state *st)
{
    uint32_t start = 0;
    for (uint32_t tries = 1;; tries++) {
        uint32_t holder = 0;
        if (take(st, &holder))
            return 0;
        if (tries < 64) {
            sched_yield();
            continue;
        }
        if (tries == 64)
            start = arl_clock(ARL_MS);
        if (arl_clock(ARL_MS) - start < SIM_LOCK_WAIT_MS) {
            struct timespec pause = {0, 100000}; /* 0.1 ms */
            nanosleep(&pause, NULL);
            continue;
        }
        uint32_t since = __atomic_load_n(&st->hdr.lock_start, __ATOMIC_RELAXED);
        int alive = holder_alive(holder, since);
        say("switchsim: %s: the state lock has been held for %d s by process %u, %s",
            sim_state_path(), SIM_LOCK_WAIT_MS / 1000, (unsigned)holder,
            alive ? "which is still there; the access fails"
                  : "which is gone; the lock is taken over");
        if (alive)
            return -1;
        if (take(st, &holder))
            return 0;
        tries = 0; /* someone else took it over first: wait for them anew */
    }
}

void sim_unlock(struct sim_state *st)
{
    __atomic_store_n(&st->hdr.lock, 0u, __ATOMIC_RELEASE);
}

/* Creation and the check of a file happen under a file lock, taken
 * without blocking and waited for at most SIM_LOCK_WAIT_MS. */
static int file_lock(int fd)
{
    uint32_t start = arl_clock(ARL_MS);
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            arl_clock(ARL_MS) - start >= SIM_LOCK_WAIT_MS)
            return -1;
        struct timespec pause = {0, 1000000}; /* 1 ms */
        nanosleep(&pause, NULL);
    }
    return 0;
}

/* Checks what stands in the file; returns NULL or why it is no state. */
static const char *check_header(int fd, off_t size, char *why, int whylen)
{
    struct sim_header hdr;
    if (size != (off_t)sizeof(struct sim_state)) {
        snprintf(why, whylen, "size %lld bytes, a state has %u", (long long)size,
                 (unsigned)sizeof(struct sim_state));
        return why;
    }
    if (pread(fd, &hdr, sizeof hdr, 0) != (ssize_t)sizeof hdr ||
        memcmp(hdr.magic, SIM_MAGIC, 8) != 0)
        return "no simulator state (wrong magic)";
    if (hdr.version != SIM_VERSION) {
        snprintf(why, whylen, "state version %u, this simulator reads %u", hdr.version,
                 SIM_VERSION);
        return why;
    }
    if (hdr.size != sizeof(struct sim_state)) {
        snprintf(why, whylen, "the header gives the state %u bytes, this simulator's have %u",
                 hdr.size, (unsigned)sizeof(struct sim_state));
        return why;
    }
    return NULL;
}

/* A new state, whole, in a file of its own beside `path`, put into place
 * with link() so that it never replaces anything (or, to replace a damaged
 * one, rename()) and nobody ever sees it half written.  Returns NULL, or
 * why it could not be made (and then leaves nothing behind). */
static const char *create_state(const char *path, int replace)
{
    static char tmp[4200];
    snprintf(tmp, sizeof tmp, "%s.XXXXXX", path);
    int fd = mkstemp(tmp);
    if (fd < 0)
        return strerror(errno);

    /* Zeros are an idle switch with an empty table; every byte is written
     * so that the file's blocks exist before it is mapped. */
    static struct sim_state fresh;
    memset(&fresh, 0, sizeof fresh);
    memcpy(fresh.hdr.magic, SIM_MAGIC, 8);
    fresh.hdr.version = SIM_VERSION;
    fresh.hdr.size = sizeof(struct sim_state);
    const char *why = NULL;
    size_t done = 0;
    while (!why && done < sizeof fresh) {
        ssize_t n = write(fd, (const char *)&fresh + done, sizeof fresh - done);
        if (n < 0 && errno != EINTR)
            why = strerror(errno);
        else if (n > 0)
            done += (size_t)n;
    }
    if (!why && fchmod(fd, 0600) != 0)
        why = strerror(errno);
    close(fd);
    if (!why && replace && rename(tmp, path) != 0)
        why = strerror(errno);
    if (!why && !replace && link(tmp, path) != 0 && errno != EEXIST)
        why = strerror(errno); /* EEXIST: another process made it first */
    unlink(tmp);
    return why;
}

struct sim_state *sim_open(char *err, int errlen, int replace)
{
    const char *path = sim_state_path();
    const char *why = NULL;
    char whybuf[160];
    struct stat sb;
    void *map;
    int damaged = 0;
    const int flags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

    int fd = open(path, flags);
    if (fd < 0 && errno == ENOENT) {
        why = create_state(path, 0);
        if (!why)
            fd = open(path, flags);
    }
    if (fd < 0) {
        if (!why)
            why = errno == ELOOP ? "a symbolic link, which is never followed" : strerror(errno);
        goto fail;
    }
    if (fstat(fd, &sb) != 0 || !S_ISREG(sb.st_mode)) {
        why = "not a regular file";
        goto fail;
    }
    if (sb.st_uid != geteuid()) {
        snprintf(whybuf, sizeof whybuf, "owned by uid %u, not by you (uid %u)", (unsigned)sb.st_uid,
                 (unsigned)geteuid());
        why = whybuf;
        goto fail;
    }

    /* The size is checked under the file lock, so that a state is mapped
     * whole.  A state truncated after that cannot be caught: the next
     * access to the lost part ends the process with SIGBUS (reset it). */
    if (file_lock(fd) != 0) {
        why = "locked by another process for 2 s";
        goto fail;
    }
    if (fstat(fd, &sb) != 0)
        why = strerror(errno);
    else
        damaged = (why = check_header(fd, sb.st_size, whybuf, sizeof whybuf)) != NULL;
    if (damaged && replace) {
        /* A damaged state of the user's own: a new one in its place. */
        why = create_state(path, 1);
        flock(fd, LOCK_UN);
        close(fd);
        fd = -1;
        if (why)
            goto fail;
        return sim_open(err, errlen, 0);
    }
    if (!why) {
        map = mmap(NULL, sizeof(struct sim_state), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (map == MAP_FAILED)
            why = strerror(errno);
    }
    flock(fd, LOCK_UN);
    if (why)
        goto fail;
    close(fd); /* the mapping stays */

    my_pid = (uint32_t)getpid();
    char state;
    if (proc_stat(my_pid, &state, &my_start) != 0)
        my_start = 0xFFFFFFFFu; /* no /proc: a holder is judged by its pid alone */
    return (struct sim_state *)map;

fail:
    if (fd >= 0)
        close(fd);
    snprintf(err, errlen, "switchsim: %s: %s; remove it or set SWITCHSIM_STATE to another file",
             path, why);
    return NULL;
}
