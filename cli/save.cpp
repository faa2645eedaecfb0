/* save [FILE]: the static entries as a batch that apply puts back, to
 * standard output or to FILE, written whole or not at all: into a new
 * file beside FILE, flushed to the disk, then renamed over it.  Only a
 * regular file is replaced (a symbolic link is followed to the file it
 * names, and stays, as the kernel's fs.protected_symlinks would follow
 * it); a device, a FIFO or a directory is refused.  A name of one of the
 * process's streams (/dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N)
 * is written as that stream, as save - writes standard output. */
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "arl_print.h"
#include "cmdfile.h"
#include "commands.h"
#include "listing.h"

#define LINKS_MAX 40 /* symbolic links followed, as the kernel does */
#define TMP_NAME ".sw53115-save.XXXXXX"

/* save's file: its first line and its end line around the entries. */
static const struct arl_frame saved = {save_header, save_end};

/* The new file, removed by the signals that end a save. */
static char tmp[PATH_MAX + sizeof TMP_NAME];
static volatile sig_atomic_t tmp_made;

static void on_signal(int sig)
{
    if (tmp_made)
        unlink(tmp);
    signal(sig, SIG_DFL);
    raise(sig);
}

/* The descriptor that a name of one of this process's streams names, or
 * -1. */
static int stream_fd(const char *path)
{
    char self[32];
    const char *n = NULL;
    size_t k = (size_t)snprintf(self, sizeof self, "/proc/%ld/fd/", (long)getpid());
    if (strcmp(path, "/dev/stdout") == 0)
        return 1;
    if (strcmp(path, "/dev/stderr") == 0)
        return 2;
    if (strncmp(path, "/dev/fd/", 8) == 0)
        n = path + 8;
    else if (strncmp(path, "/proc/self/fd/", 14) == 0)
        n = path + 14;
    else if (strncmp(path, self, k) == 0)
        n = path + k;
    if (!n || !*n || strlen(n) > 9 || strspn(n, "0123456789") != strlen(n))
        return -1;
    return atoi(n);
}

/* Whether the kernel's fs.protected_symlinks would follow the link `sb`
 * at `path`: anywhere but in a sticky directory that others may write,
 * only one owned by the follower or by the directory's owner. */
static int may_follow(const char *path, const struct stat *sb)
{
    char dir[PATH_MAX];
    struct stat db;
    const char *slash = strrchr(path, '/');
    size_t len = !slash ? 0 : slash == path ? 1 : (size_t)(slash - path);
    memcpy(dir, slash ? path : ".", slash ? len : 1);
    dir[slash ? len : 1] = '\0';
    if (stat(dir, &db) != 0 || !(db.st_mode & S_ISVTX) || !(db.st_mode & S_IWOTH))
        return 1;
    return sb->st_uid == geteuid() || sb->st_uid == db.st_uid;
}

/* What `file` finally names, its symbolic links followed: a stream (its
 * descriptor in *fd, 1), or a path into out[PATH_MAX] (0); -1 with errno
 * set; SAVE_REFUSED for a link that is not to be followed (out its name). */
#define SAVE_STREAM 1
#define SAVE_REFUSED 2
static int resolve(const char *file, char *out, int *fd)
{
    char link[PATH_MAX];
    if (strlen(file) >= PATH_MAX) {
        errno = ENAMETOOLONG;
        return -1;
    }
    strcpy(out, file);
    for (int hops = 0;; hops++) {
        struct stat sb;
        if ((*fd = stream_fd(out)) >= 0)
            return SAVE_STREAM;
        if (lstat(out, &sb) != 0 || !S_ISLNK(sb.st_mode))
            return 0;
        if (!may_follow(out, &sb))
            return SAVE_REFUSED;
        ssize_t n = hops < LINKS_MAX ? readlink(out, link, sizeof link - 1) : -1;
        if (hops == LINKS_MAX)
            errno = ELOOP;
        if (n < 0)
            return -1;
        link[n] = '\0';
        /* A relative target is read from the link's own directory. */
        char *slash = strrchr(out, '/');
        size_t dir = link[0] == '/' || !slash ? 0 : (size_t)(slash - out) + 1;
        if (dir + (size_t)n >= PATH_MAX) {
            errno = ENAMETOOLONG;
            return -1;
        }
        memcpy(out + dir, link, (size_t)n + 1);
    }
}

/* The new file's name: TMP_NAME in the directory of `path`. */
static void tmp_beside(const char *path)
{
    const char *slash = strrchr(path, '/');
    size_t dir = slash ? (size_t)(slash - path) + 1 : 0;
    memcpy(tmp, path, dir);
    strcpy(tmp + dir, TMP_NAME);
}

/* The batch written through fd (closed here), flushed to the disk with
 * `sync` (the new file; not a stream). */
static int write_to(struct arl_cmd *c, int fd, int sync)
{
    static char buf[BUFSIZ]; /* the stream's buffer */
    FILE *f = fd < 0 ? NULL : fdopen(fd, "w");
    if (!f) {
        if (fd >= 0)
            close(fd);
        return ARL_ERR_OUTPUT;
    }
    setvbuf(f, buf, _IOFBF, sizeof buf);
    int rc = arl_list_print(c, &arl_statics, 1, ARL_FORM_BATCH, &saved, f);
    if (rc == 0 && sync && fsync(fileno(f)) != 0)
        rc = ARL_ERR_OUTPUT;
    int err = errno;
    if (fclose(f) != 0 && rc == 0) {
        rc = ARL_ERR_OUTPUT;
        err = errno;
    }
    errno = err;
    return rc;
}

int arl_save_func(struct arl_cmd *c)
{
    static char path[PATH_MAX]; /* named by a failure */
    struct stat sb;
    int fd = 1,
        r = !c->file || strcmp(c->file, "-") == 0 ? SAVE_STREAM : resolve(c->file, path, &fd);
    if (r == SAVE_STREAM && fd == 1) {
        c->file = NULL;
        return arl_list_print(c, &arl_statics, 1, ARL_FORM_BATCH, &saved, stdout);
    }
    if (r == SAVE_STREAM)
        return write_to(c, dup(fd), 0); /* a stream other than standard output */
    if (r == SAVE_REFUSED) {
        c->file = path;
        return ARL_ERR_LINK;
    }
    if (r != 0)
        return ARL_ERR_OUTPUT;
    int exists = stat(path, &sb) == 0;
    if (exists && !S_ISREG(sb.st_mode)) {
        errno = S_ISDIR(sb.st_mode) ? EISDIR : EINVAL;
        return ARL_ERR_NOT_FILE;
    }
    /* A replaced file keeps its mode, owner and group; a new one is 0644
     * less the umask. */
    mode_t mask = umask(0);
    umask(mask);
    tmp_beside(path);
    struct sigaction sa, old[3];
    static const int sigs[3] = {SIGINT, SIGTERM, SIGHUP};
    sigset_t block, was;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_signal;
    sigemptyset(&block);
    for (int i = 0; i < 3; i++) {
        sigaction(sigs[i], &sa, &old[i]);
        sigaddset(&block, sigs[i]);
    }
    /* The new file exists only where tmp_made says so: a signal waits
     * while it is made, and while it is renamed. */
    sigprocmask(SIG_BLOCK, &block, &was);
    fd = mkstemp(tmp);
    tmp_made = fd >= 0;
    sigprocmask(SIG_SETMASK, &was, NULL);
    int rc = fd < 0 ? ARL_ERR_OUTPUT : 0;
    if (rc == 0 && exists)
        (void)!fchown(fd, sb.st_uid, sb.st_gid); /* where the process may */
    if (rc == 0 && fchmod(fd, exists ? sb.st_mode & 07777 : 0644 & ~mask) != 0) {
        rc = ARL_ERR_OUTPUT;
        close(fd);
    }
    if (rc == 0)
        rc = write_to(c, fd, 1);
    int err = errno;
    sigprocmask(SIG_BLOCK, &block, &was);
    if (rc == 0 && rename(tmp, path) != 0) {
        rc = ARL_ERR_OUTPUT;
        err = errno;
    }
    if (rc != 0 && tmp_made)
        unlink(tmp);
    tmp_made = 0;
    sigprocmask(SIG_SETMASK, &was, NULL);
    for (int i = 0; i < 3; i++)
        sigaction(sigs[i], &old[i], NULL);
    if (rc != 0) {
        errno = err;
        return rc;
    }
    /* The rename itself to the disk: the directory flushed too, where the
     * file system can (the new content is on the disk already, and FILE
     * holds either the old or the new whole). */
    char *slash = strrchr(tmp, '/');
    if (slash)
        slash[slash == tmp] = '\0';
    int dir = open(slash ? tmp : ".", O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return 0;
}
