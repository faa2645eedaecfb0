/* sw53115 [-force] -batch FILE: many commands in one process.  The whole
 * input is read once into one buffer and every line checked; only then do
 * the commands run, from that same buffer, so that nothing runs unless all
 * of it parsed, and a file that changes meanwhile cannot split the check
 * from the run. */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli.h"

/* Words kept of one line: more than any command has, so that the parser
 * finds a line's excess words among them. */
#define LINE_WORDS 12

/* In static storage: the tool runs with a small stack. */
static char input[BATCH_MAX + 1];

/* Parses one line into *c.  Returns 1 for a command, 0 for a blank line
 * or a comment, -1 for a malformed line (said when `say_errors`). */
static int parse_line(const char *name, const char *where, const char *line, uint32_t len,
                      struct arl_cmd *c, int say_errors)
{
    char copy[BATCH_LINE_MAX + 1], err[ARL_ERR_LEN];
    char *argv[LINE_WORDS];
    int argc = 1;

    if (len > BATCH_LINE_MAX)
        snprintf(err, sizeof err, "line longer than %u bytes", BATCH_LINE_MAX);
    else if (memchr(line, '\0', len))
        snprintf(err, sizeof err, "a NUL byte at column %u",
                 (unsigned)((const char *)memchr(line, '\0', len) - line + 1));
    else
        err[0] = '\0';
    if (!err[0]) {
        memcpy(copy, line, len);
        copy[len] = '\0';
        argv[0] = (char *)name;
        for (char *p = copy; argc < LINE_WORDS;) {
            while (*p == ' ' || *p == '\t')
                p++;
            if (!*p)
                break;
            argv[argc++] = p;
            while (*p && *p != ' ' && *p != '\t')
                p++;
            if (*p)
                *p++ = '\0';
        }
        if (argc == 1 || argv[1][0] == '#')
            return 0;
        if (arl_parse(argc, argv, c, err) == 0)
            return 1;
    }
    if (say_errors)
        say("%s: %s%s", name, where, err);
    return -1;
}

/* One pass over the text: the check (every malformed line said), or the
 * run (stopping at the first failure unless `force`).  Returns 1 when a
 * line was malformed or a command failed, else 0. */
static int pass(const char *name, const char *file, const char *text, uint32_t len, int run,
                int force)
{
    char where[300];
    int failed = 0;
    uint32_t lineno = 0;
    for (uint32_t pos = 0; pos < len && !(failed && run && !force);) {
        const char *line = text + pos;
        const char *nl = (const char *)memchr(line, '\n', len - pos);
        uint32_t n = nl ? (uint32_t)(nl - line) : len - pos;
        pos += n + 1;
        snprintf(where, sizeof where, "%.280s:%u: ", file, (unsigned)++lineno);
        struct arl_cmd c;
        int r = parse_line(name, where, line, n, &c, !run);
        if (r < 0 || (r > 0 && run && arl_run(&c, name, where) != ARL_CMD_DONE))
            failed = 1;
    }
    return failed;
}

int batch_run(const char *name, const char *file, const char *text, uint32_t len, int force)
{
    if (pass(name, file, text, len, 0, 0))
        return EXIT_FAILED;
    return pass(name, file, text, len, 1, force) ? EXIT_FAILED : EXIT_DONE;
}

/* Reads the whole input: its length, or -1 (said). */
static long read_input(const char *name, const char *file)
{
    const char *why = NULL;
    int fd = strcmp(file, "-") == 0 ? 0 : open(file, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat sb;
    char too_large[64];
    long len = 0;
    snprintf(too_large, sizeof too_large, "larger than %u bytes: split it into several batches",
             BATCH_MAX);
    if (fd < 0)
        why = strerror(errno);
    else if (fd > 0 && (fstat(fd, &sb) != 0 || !S_ISREG(sb.st_mode)))
        why = "not a regular file: expected a file, or - for standard input";
    while (!why) {
        ssize_t n = read(fd, input + len, sizeof input - (size_t)len);
        if (n < 0 && errno != EINTR)
            why = strerror(errno);
        else if (n == 0)
            break;
        else if (n > 0 && (len += n) > (long)BATCH_MAX)
            why = too_large;
    }
    if (fd > 0)
        close(fd);
    if (why) {
        say("%s: %.280s: %s", name, file, why);
        return -1;
    }
    return len;
}

int batch_func(int argc, char **argv)
{
    const char *name = argv[0] ? argv[0] : "sw53115";
    const char *file = NULL;
    int force = 0;
    char w[WORD_TEXT_LEN];

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
    long len = read_input(name, file);
    if (len < 0)
        return EXIT_FAILED;
    return batch_run(name, file, input, (uint32_t)len, force);
}
