/* Preloaded into sw53115 by batch.sh: runs a command (SW53115_HOOK_CMD)
 * just before the process's Nth hold of the table lock (SW53115_HOOK_AT),
 * so that the table changes between two holds, as another process may
 * change it.  With SW53115_HOOK_COUNT=FILE, FILE holds the number of holds
 * so far; with SW53115_HOOK_SIGNAL set, the process sends itself SIGTERM as
 * soon as mkstemp has made its file. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

/* Whether fd is the table lock's file (not the simulator's state). */
static int table_lock(int fd)
{
    char path[64], target[256];
    snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(path, target, sizeof target - 1);
    target[n > 0 ? n : 0] = '\0';
    return strstr(target, "sw53115") != NULL && !strstr(target, ".walk.") && !strstr(target, ".wait.");
}

int flock(int fd, int op)
{
    static int (*real)(int, int);
    static int n;
    const char *at = getenv("SW53115_HOOK_AT"), *cmd = getenv("SW53115_HOOK_CMD");
    const char *count = getenv("SW53115_HOOK_COUNT");
    if (!real)
        real = (int (*)(int, int))dlsym(RTLD_NEXT, "flock");
    if ((op & LOCK_EX) && count && table_lock(fd)) {
        FILE *f = fopen(count, "w");
        if (!f || fprintf(f, "%d\n", ++n) < 0 || fclose(f) != 0)
            abort();
    }
    if ((op & LOCK_EX) && at && cmd && table_lock(fd) && ++n == atoi(at)) {
        /* once, and not in the command's own processes */
        unsetenv("LD_PRELOAD");
        unsetenv("SW53115_HOOK_AT");
        if (system(cmd) != 0)
            abort();
    }
    return real(fd, op);
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
