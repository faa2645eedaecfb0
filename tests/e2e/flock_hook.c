/* Preloaded into sw53115 by batch.sh: runs a command (SW53115_HOOK_CMD)
 * just before the process's Nth hold of the table lock (SW53115_HOOK_AT),
 * so that the table changes between two holds, as another process may
 * change it. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <unistd.h>

/* Whether fd is the table lock's file (not the simulator's state). */
static int table_lock(int fd)
{
    char path[64], target[256];
    snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(path, target, sizeof target - 1);
    target[n > 0 ? n : 0] = '\0';
    return strstr(target, "sw53115") != NULL;
}

int flock(int fd, int op)
{
    static int (*real)(int, int);
    static int n;
    const char *at = getenv("SW53115_HOOK_AT"), *cmd = getenv("SW53115_HOOK_CMD");
    if (!real)
        real = (int (*)(int, int))dlsym(RTLD_NEXT, "flock");
    if ((op & LOCK_EX) && at && cmd && table_lock(fd) && ++n == atoi(at)) {
        /* once, and not in the command's own processes */
        unsetenv("LD_PRELOAD");
        unsetenv("SW53115_HOOK_AT");
        if (system(cmd) != 0)
            abort();
    }
    return real(fd, op);
}
