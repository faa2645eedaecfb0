/* The simulator's state file: found, created safely, checked and mapped. */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "switchsim.h"

static_assert(sizeof(struct sim_state) == 304 + 16 * ARL_TABLE_ENTRIES,
              "the state file layout must be the same on every target");

static int state_fd = -1;
static char path_buf[4096];

const char *sim_state_path(void)
{
    const char *env = getenv("SWITCHSIM_STATE");
    if (env && *env)
        return env;
    snprintf(path_buf, sizeof path_buf, "/tmp/switchsim-%u.state", (unsigned)geteuid());
    return path_buf;
}

void sim_lock(void)
{
    while (flock(state_fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

void sim_unlock(void)
{
    flock(state_fd, LOCK_UN);
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

    state_fd = fd;
    sim_lock();
    if (fstat(fd, &sb) == 0 && sb.st_size == 0) {
        /* A new file: zeros are an idle switch with an empty table; the
         * header goes in last. */
        struct sim_header hdr;
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
    sim_unlock();
    if (why)
        goto fail;

    map = mmap(NULL, sizeof(struct sim_state), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) {
        why = strerror(errno);
        goto fail;
    }
    return (struct sim_state *)map;

fail:
    if (fd >= 0)
        close(fd);
    state_fd = -1;
    snprintf(err, errlen, "switchsim: %s: %s; remove it or set SWITCHSIM_STATE to another file",
             path, why);
    return NULL;
}
