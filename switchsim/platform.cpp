/* get_register and set_register of the simulated switch: each access
 * locks the shared state, runs the ARL engine and, with SWITCHSIM_LOG set,
 * appends one line to the access log. */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "lib53115.h"
#include "say.h"
#include "switchsim.h"

static struct sim_state *state;
static int attached;
static int log_fd = -1;

/* The access log: standard error for "-", else a regular file, opened
 * without blocking or following a symbolic link.  A log that cannot be
 * used is said once on stderr and not used. */
static void open_log(const char *log)
{
    if (strcmp(log, "-") == 0) {
        log_fd = 2;
        return;
    }
    const char *why = NULL;
    int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    struct stat sb;
    if (fd < 0)
        why = strerror(errno);
    else if (fstat(fd, &sb) != 0 || !S_ISREG(sb.st_mode))
        why = "not a regular file";
    if (why) {
        if (fd >= 0)
            close(fd);
        say("switchsim: SWITCHSIM_LOG %s: %s; not logging", log, why);
        return;
    }
    log_fd = fd;
}

/* The state, opened on the first access.  A file that cannot be used is
 * reported once, and every access then fails. */
static struct sim_state *attach(void)
{
    if (!attached) {
        char err[4200];
        attached = 1;
        state = sim_open(err, sizeof err, 0);
        if (!state)
            say("%s", err);

        const char *log = getenv("SWITCHSIM_LOG");
        if (log && *log)
            open_log(log);
        /* A slow switch's accesses take their time to the microsecond. */
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    }
    return state;
}

/* The time an access takes on a slow switch, outside the state's lock. */
static void take_time(uint32_t us)
{
    struct timespec ts = {(time_t)(us / 1000000u), (long)(us % 1000000u) * 1000L};
    while (us && nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

static void log_access(const char *op, int page, int offset, int length, uint64_t value)
{
    if (log_fd < 0)
        return;
    char line[96];
    int digits = length >= 1 && length <= 8 ? 2 * length : 2;
    int n = snprintf(line, sizeof line, "%s page=0x%02x offset=0x%02x length=%d value=0x%0*llx\n",
                     op, page, offset, length, digits, (unsigned long long)value);
    if (n >= (int)sizeof line)
        n = (int)sizeof line - 1;
    if (write(log_fd, line, (size_t)n) < 0) {
        /* a log that cannot be written is not the switch's concern */
    }
}

/* Accesses within page 0x05 of 1 to 8 bytes reach the engine; the
 * switch has nothing else, so other pages read zeros and ignore writes. */
static int modelled(int page, int offset, int length)
{
    return page == ARL_PAGE && length >= 1 && length <= 8 && offset >= 0 && offset + length <= 256;
}

static uint64_t low_bytes(uint64_t value, int length)
{
    return length >= 8 ? value : value & ((1ull << (8 * length)) - 1u);
}

/* One access of the platform's: the state's lock held for it alone, its
 * slowness taken outside, logged. */
static int one_access(int write, int page, int offset, int length, uint64_t *v)
{
    struct sim_state *st = attach();
    uint32_t us = 0;
    int rc = -1;
    if (st && modelled(page, offset, length) && sim_lock(st) == 0) {
        if (write)
            sim_reg_write(st, offset, *v, length);
        else
            *v = sim_reg_read(st, offset, length);
        us = st->slow_us;
        sim_unlock(st);
        rc = 0;
    }
    take_time(us);
    log_access(write ? "set" : "get", page, offset, length, *v);
    return rc;
}

extern "C" int get_register(int page, int offset, int length, void *buf)
{
    uint64_t v = 0;
    int rc = one_access(0, page, offset, length, &v);
    uint16_t g[4];
    for (int i = 0; i < 4; i++)
        g[i] = (uint16_t)(v >> (16 * i));
    memcpy((uint8_t *)buf + ARL_REPLY_VALUE, g, sizeof g);
    return rc;
}

extern "C" int set_register(int page, int offset, void *value, int length)
{
    uint64_t v;
    memcpy(&v, value, sizeof v);
    v = length > 0 ? low_bytes(v, length) : 0;
    return one_access(1, page, offset, length, &v);
}
