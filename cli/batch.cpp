/* sw53115 [-force] -batch FILE: many commands in one process.  The whole
 * input is read once into one buffer and every line checked; only then do
 * the commands run, from that same buffer, so that nothing runs unless all
 * of it parsed, and a file that changes meanwhile cannot split the check
 * from the run. */
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "arl_print.h"
#include "cli.h"

/* In static storage: the tool runs with a small stack. */
char batch_input[BATCH_MAX + 1];

int batch_words(const char *name, const char *line, uint32_t len, char *copy, char **argv,
                char *err)
{
    int argc = 1;
    if (len > BATCH_LINE_MAX) {
        snprintf(err, ARL_ERR_LEN, "line longer than %u bytes", BATCH_LINE_MAX);
        return -1;
    }
    if (memchr(line, '\0', len)) {
        snprintf(err, ARL_ERR_LEN, "a NUL byte at column %u",
                 (unsigned)((const char *)memchr(line, '\0', len) - line + 1));
        return -1;
    }
    memcpy(copy, line, len);
    copy[len] = '\0';
    argv[0] = (char *)name;
    for (char *p = copy; argc < LINE_WORDS;) {
        while (*p == ' ' || *p == '\t')
            p++;
        if (!*p || *p == '#') /* a word that starts with '#' ends the line */
            break;
        argv[argc++] = p;
        while (*p && *p != ' ' && *p != '\t')
            p++;
        if (*p)
            *p++ = '\0';
    }
    return argc;
}

const char *batch_line(const char *text, uint32_t len, uint32_t *pos, uint32_t *n, int *newline)
{
    const char *line = text + *pos;
    const char *nl = (const char *)memchr(line, '\n', len - *pos);
    *n = nl ? (uint32_t)(nl - line) : len - *pos;
    *newline = nl != NULL;
    *pos += *n + 1;
    if (*n > 0 && line[*n - 1] == '\r')
        --*n; /* a line ended as on another system */
    return line;
}

int batch_cut_short(const char *name, const char *file, const char *text, uint32_t len)
{
    char copy[BATCH_LINE_MAX + 1], err[ARL_ERR_LEN], *argv[LINE_WORDS], f[NAME_TEXT_LEN];
    const uint32_t head = (uint32_t)strlen(ARL_SAVE_HEADER);
    uint32_t pos = 0, n, writes = 0, lineno = 0;
    long end = -1; /* the count of the end line, while nothing but comments follow it */
    int newline;
    while (pos < len) {
        const char *line = batch_line(text, len, &pos, &n, &newline);
        if (++lineno == 1 && (n != head || memcmp(line, ARL_SAVE_HEADER, head) != 0))
            return 0; /* not save's: a batch as people write them */
        unsigned count;
        int used = -1;
        if (n <= BATCH_LINE_MAX) {
            memcpy(copy, line, n);
            copy[n] = '\0';
            if (sscanf(copy, ARL_SAVE_END "%n", &count, &used) == 1 && used == (int)n && newline) {
                end = count == writes ? (long)count : -1;
                continue;
            }
        }
        int argc = batch_words(name, line, n, copy, argv, err);
        if (argc > 1) {
            end = -1;
            writes += argc > 2 && strcmp(argv[1], "arl") == 0 && strcmp(argv[2], "write") == 0;
        }
    }
    if (end >= 0 || lineno == 0)
        return 0;
    say("%s: %s: cut short: it starts as sw53115 arl save's output but does not end with its "
        "end line counting its %u arl write lines; nothing run",
        name, name_text(file, f), (unsigned)writes);
    return 1;
}

/* Parses one line into *c.  Returns 1 for a command, 0 for a blank line
 * or a comment, -1 for a malformed line (said when `say_errors`). */
static int parse_line(const char *name, const char *where, const char *line, uint32_t len,
                      struct arl_cmd *c, int say_errors)
{
    char copy[BATCH_LINE_MAX + 1], err[ARL_ERR_LEN];
    char *argv[LINE_WORDS];
    int argc = batch_words(name, line, len, copy, argv, err);

    if (argc == 1)
        return 0;
    if (argc > 1 && arl_parse(argc, argv, c, err) == 0) {
        /* What waits for a person, or runs without an end, is no line of
         * a batch. */
        if (c->op == ARL_OP_APPLY)
            snprintf(err, sizeof err, "arl apply: not in a batch: run it as a command of its own");
        else if (c->op == ARL_OP_MONITOR && c->count == 0)
            snprintf(err, sizeof err, "arl monitor: in a batch only with count N");
        else
            return 1;
    }
    if (say_errors)
        say("%s: %s%s", name, where, err);
    return -1;
}

/* One pass over the text: the check (every malformed line said), or the
 * run (stopping at the first failure unless `force`).  Returns 1 when a
 * line was malformed or a command failed, else 0; *done and *all count
 * the commands that succeeded and every command line. */
static int pass(const char *name, const char *file, const char *text, uint32_t len, int run,
                int force, uint32_t *done, uint32_t *all)
{
    char where[NAME_TEXT_LEN + 16], f[NAME_TEXT_LEN];
    int failed = 0, newline;
    uint32_t lineno = 0, n;
    name_text(file, f);
    for (uint32_t pos = 0; pos < len;) {
        const char *line = batch_line(text, len, &pos, &n, &newline);
        snprintf(where, sizeof where, "%s:%u: ", f, (unsigned)++lineno);
        struct arl_cmd c;
        int r = parse_line(name, where, line, n, &c, !run);
        *all += r != 0;
        if (r < 0 || (failed && run && !force))
            failed |= r < 0;
        else if (r > 0 && run && arl_run(&c, name, where) != ARL_CMD_DONE)
            failed = 1;
        else
            *done += r > 0;
        /* Once the lock was held past its bound, the later commands try
         * it once each rather than wait for it again. */
        if (r > 0 && run && c.rc == BRCM53115_ERR_LOCK)
            brcm53115_arl_lock_wait(0);
    }
    return failed;
}

int batch_run(const char *name, const char *file, const char *text, uint32_t len, int force)
{
    uint32_t done = 0, all = 0;
    char f[NAME_TEXT_LEN];
    if (batch_cut_short(name, file, text, len) || pass(name, file, text, len, 0, 0, &done, &all))
        return EXIT_FAILED;
    done = all = 0;
    if (!pass(name, file, text, len, 1, force, &done, &all))
        return EXIT_DONE;
    say("%s: %s: %u of %u commands done", name, name_text(file, f), (unsigned)done, (unsigned)all);
    return EXIT_FAILED;
}

/* Reads a whole input: its length, or -1 (said).  What was opened is told
 * by the name: "-" is standard input, anything else must be a regular
 * file, whatever descriptor it opens as. */
long batch_read(const char *name, const char *file)
{
    const char *why = NULL;
    int std_in = strcmp(file, "-") == 0;
    int fd = std_in ? 0 : open(file, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat sb;
    char too_large[64], f[NAME_TEXT_LEN];
    long len = 0;
    snprintf(too_large, sizeof too_large, "larger than %u bytes: split it into several batches",
             BATCH_MAX);
    if (fd < 0)
        why = strerror(errno);
    else if (!std_in && fstat(fd, &sb) != 0)
        why = strerror(errno);
    else if (!std_in && S_ISDIR(sb.st_mode))
        why = strerror(EISDIR);
    else if (!std_in && !S_ISREG(sb.st_mode))
        why = "not a regular file: expected a file, or - for standard input";
    while (!why) {
        ssize_t n = read(fd, batch_input + len, BATCH_MAX + 1 - (size_t)len);
        if (n < 0 && errno == EAGAIN && std_in) {
            /* A standard input handed over non-blocking: wait as a
             * blocking read would. */
            struct pollfd p = {fd, POLLIN, 0};
            if (poll(&p, 1, -1) < 0 && errno != EINTR)
                why = strerror(errno);
        } else if (n < 0 && errno != EINTR) {
            why = strerror(errno);
        } else if (n == 0) {
            break;
        } else if (n > 0 && (len += n) > (long)BATCH_MAX) {
            why = too_large;
        }
    }
    if (fd > 0 && !std_in)
        close(fd);
    if (why) {
        say("%s: %s: %s", name, name_text(file, f), why);
        return -1;
    }
    return len;
}

int batch_func(int argc, char **argv)
{
    char name[NAME_TEXT_LEN];
    const char *file = NULL;
    int force = 0;
    char w[WORD_TEXT_LEN];

    name_text(argv[0] ? argv[0] : "sw53115", name);
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "-force") == 0) {
            force = 1;
        } else if (strcmp(argv[i], "-batch") == 0 && !file) {
            if (i + 1 >= argc) {
                say("%s: -batch: missing FILE: expected -batch FILE, or -batch - for standard "
                    "input",
                    name);
                return EXIT_FAILED;
            }
            file = argv[++i];
        } else {
            say("%s: unexpected '%s': expected [-force] -batch FILE [-force]", name,
                word_text(argv[i], w));
            return EXIT_FAILED;
        }
    }
    if (!file) {
        say("%s: -force: expected -batch FILE with it", name);
        return EXIT_FAILED;
    }
    long len = batch_read(name, file);
    if (len < 0)
        return EXIT_FAILED;
    return batch_run(name, file, batch_input, (uint32_t)len, force);
}
