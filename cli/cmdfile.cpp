/* Files of commands: a whole file read into one buffer, its lines and
 * words, and the format of the file that save writes. */
#include "cmdfile.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "args.h"
#include "arl_print.h"
#include "say.h"

/* In static storage: the tool runs with a small stack. */
char batch_input[BATCH_MAX + 1];

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

int batch_words(const char *name, const char *line, uint32_t len, char *copy, char **argv,
                char *err, size_t errlen)
{
    int argc = 1;
    if (len > BATCH_LINE_MAX) {
        snprintf(err, errlen, "line longer than %u bytes", BATCH_LINE_MAX);
        return -1;
    }
    if (memchr(line, '\0', len)) {
        snprintf(err, errlen, "a NUL byte at column %u",
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

void save_header(FILE *f)
{
    fputs(ARL_SAVE_HEADER "\n", f);
}

void save_end(FILE *f, uint32_t n)
{
    fprintf(f, ARL_SAVE_END "\n", (unsigned)n);
}

int batch_cut_short(const char *name, const char *file, const char *text, uint32_t len)
{
    char copy[BATCH_LINE_MAX + 1], err[80], *argv[LINE_WORDS], f[NAME_TEXT_LEN];
    const uint32_t head = (uint32_t)strlen(ARL_SAVE_HEADER);
    const uint32_t old = (uint32_t)strlen(ARL_SAVE_HEADER_OLD);
    uint32_t pos = 0, n, writes = 0, lineno = 0, count = 0, end = 0, after = 0, counted = 0;
    int newline = 1;
    while (pos < len) {
        const char *line = batch_line(text, len, &pos, &n, &newline);
        if (++lineno == 1 && !((n == head && memcmp(line, ARL_SAVE_HEADER, head) == 0) ||
                               (n == old && memcmp(line, ARL_SAVE_HEADER_OLD, old) == 0)))
            return 0; /* not save's: a batch as people write them */
        unsigned k;
        int used = -1;
        if (n <= BATCH_LINE_MAX) {
            memcpy(copy, line, n);
            copy[n] = '\0';
            if (sscanf(copy, ARL_SAVE_END "%n", &k, &used) == 1 && used == (int)n) {
                end = lineno; /* the last end line, and what it counts */
                count = k;
                counted = writes;
                after = 0;
                continue;
            }
        }
        int argc = batch_words(name, line, n, copy, argv, err, sizeof err);
        if (argc > 1 && end && !after)
            after = lineno;
        writes += argc > 2 && strcmp(argv[1], "arl") == 0 && strcmp(argv[2], "write") == 0;
    }
    name_text(file, f);
    if (lineno == 0)
        return 0;
    if (!end || !newline)
        say("%s: %s: cut short: it starts as sw53115 arl save's output but %s; nothing run", name,
            f, !end ? "has no end line" : "its last line has no newline");
    else if (after)
        say("%s: %s:%u: a command after the end line (line %u): expected nothing after it but "
            "comments; nothing run",
            name, f, (unsigned)after, (unsigned)end);
    else if (count != counted)
        say("%s: %s:%u: the end line counts %u arl write %s, the file has %u: set the count to "
            "%u, or delete the first line to take the file as a hand-written list; nothing run",
            name, f, (unsigned)end, count, ARL_NOUN(count, "line", "lines"), (unsigned)counted,
            (unsigned)counted);
    else
        return 0;
    return 1;
}
