/* Preloaded into sw53115 by batch.sh: runs a command (SW53115_HOOK_CMD)
 * just before the process's Nth hold of the table lock (SW53115_HOOK_AT),
 * so that the table changes between two holds, as another process may
 * change it.  A walk counts as one hold, however many slices of the table
 * lock it takes (their number depends on the machine's speed).  With
 * SW53115_HOOK_COUNT=FILE, FILE holds the number of holds so far; with SW53115_HOOK_SIGNAL set, the process sends itself SIGTERM as
 * soon as mkstemp has made its file. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

/* Which of sw53115's lock files fd is: 't' the table's, 'w' the walk's,
 * 0 another (the simulator's state, the waiters' file). */
static int lock_kind(int fd)
{
    char path[64], target[256];
    snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(path, target, sizeof target - 1);
    target[n > 0 ? n : 0] = '\0';
    if (!strstr(target, "sw53115") || strstr(target, ".wait."))
        return 0;
    return strstr(target, ".walk.") ? 'w' : 't';
}

int flock(int fd, int op)
{
    static int (*real)(int, int);
    static int n, walking;
    const char *at = getenv("SW53115_HOOK_AT"), *cmd = getenv("SW53115_HOOK_CMD");
    const char *count = getenv("SW53115_HOOK_COUNT");
    if (!real)
        real = (int (*)(int, int))dlsym(RTLD_NEXT, "flock");
    int kind = lock_kind(fd), hold = (op & LOCK_EX) && kind && !walking;
    if (hold && count) {
        FILE *f = fopen(count, "w");
        if (!f || fprintf(f, "%d\n", ++n) < 0 || fclose(f) != 0)
            abort();
    }
    if (hold && at && cmd && ++n == atoi(at)) {
        /* once, and not in the command's own processes */
        unsetenv("LD_PRELOAD");
        unsetenv("SW53115_HOOK_AT");
        if (system(cmd) != 0)
            abort();
    }
    int rc = real(fd, op);
    if (kind == 'w' && rc == 0)
        walking = (op & LOCK_EX) != 0;
    return rc;
}

static int made(int fd)
{
    if (fd >= 0 && getenv("SW53115_HOOK_SIGNAL"))
        raise(SIGTERM);
    return fd;
}

int mkstemp(char *name)
{
    return made(((int (*)(char *))dlsym(RTLD_NEXT, "mkstemp"))(name));
}

int mkstemp64(char *name)
{
    return made(((int (*)(char *))dlsym(RTLD_NEXT, "mkstemp64"))(name));
}
