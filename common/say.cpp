/* One line on standard error, written whole. */
#include "say.h"

#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <unistd.h>

void say(const char *fmt, ...)
{
    char line[512];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(line, sizeof line - 1, fmt, ap);
    va_end(ap);
    if (n < 0)
        return;
    if (n > (int)sizeof line - 2)
        n = (int)sizeof line - 2;
    line[n++] = '\n';
    while (write(2, line, (size_t)n) < 0 && errno == EINTR) {
    }
}
