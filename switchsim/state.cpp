/* The simulator's state file: found, created safely, checked and mapped. */
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
#include <unistd.h>

#include "switchsim.h"

static_assert(sizeof(struct sim_state) == 312 + 16 * ARL_TABLE_ENTRIES,
              "the state file layout must be the same on every target");

static char path_buf[4096];
static uint32_t my_pid;

const char *sim_state_path(void)
{
    const char *env = getenv("SWITCHSIM_STATE");
    if (env && *env)
        return env;
    snprintf(path_buf, sizeof path_buf, "/tmp/switchsim-%u.state", (unsigned)geteuid());
    return path_buf;
}

/* The state lock is a word in the mapping holding the holder's process
 * id: taken and released without a system call, which matters when a
 * search makes 12,000 accesses.  A holder that died holding it is found
 * out and the lock taken over. */
void sim_lock(struct sim_state *st)
{
    for (uint32_t tries = 1;; tries++) {
        uint32_t holder = 0;
        if (__atomic_compare_exchange_n(&st->hdr.lock, &holder, my_pid, false, __ATOMIC_ACQUIRE,
                                        __ATOMIC_RELAXED))
            return;
        if (tries % 256 == 0 && kill((pid_t)holder, 0) != 0 && errno == ESRCH &&
            __atomic_compare_exchange_n(&st->hdr.lock, &holder, my_pid, false, __ATOMIC_ACQUIRE,
                                        __ATOMIC_RELAXED))
            return;
        sched_yield();
    }
}

void sim_unlock(struct sim_state *st)
{
    __atomic_store_n(&st->hdr.lock, 0u, __ATOMIC_RELEASE);
}

/* Creation and the check of a file happen under a file lock: the state
 * lock is not to be trusted before the file is known to be a state. */
static void file_lock(int fd, int op)
{
    while (flock(fd, op) != 0 && errno == EINTR) {
    }
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
    if (hdr.version != SIM_VERSION || hdr.size != sizeof(struct sim_state)) {
        snprintf(why, whylen, "state version %u, this simulator reads %u", hdr.version,
                 SIM_VERSION);
        return why;
    }
    return NULL;
}

struct sim_state *sim_open(char *err, int errlen)
{
    const char *path = sim_state_path();
    const char *why = NULL;
    char whybuf[128];
    struct stat sb;
    void *map;

    int fd = open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
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

    file_lock(fd, LOCK_EX);
    if (fstat(fd, &sb) == 0 && sb.st_size == 0) {
        /* A new file: zeros are an idle switch with an empty table; the
         * header goes in last. */
        struct sim_header hdr = {};
        memcpy(hdr.magic, SIM_MAGIC, 8);
        hdr.version = SIM_VERSION;
        hdr.size = sizeof(struct sim_state);
        if (ftruncate(fd, sizeof(struct sim_state)) != 0 ||
            pwrite(fd, &hdr, sizeof hdr, 0) != (ssize_t)sizeof hdr)
            why = strerror(errno);
        sb.st_size = why ? 0 : (off_t)sizeof(struct sim_state);
    }
    if (!why)
        why = check_header(fd, sb.st_size, whybuf, sizeof whybuf);
    file_lock(fd, LOCK_UN);
    if (why)
        goto fail;

    map = mmap(NULL, sizeof(struct sim_state), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) {
        why = strerror(errno);
        goto fail;
    }
    close(fd); /* the mapping stays */
    my_pid = (uint32_t)getpid();
    return (struct sim_state *)map;

fail:
    if (fd >= 0)
        close(fd);
    snprintf(err, errlen, "switchsim: %s: %s; remove it or set SWITCHSIM_STATE to another file",
             path, why);
    return NULL;
}
