// Stand-in for the router's libshared.so: a switch whose registers all read
// 0, and one line on stderr per access, so a test can see that sw53115 found
// its platform functions in this library.  With LIBSHARED_TRACE=MASK it sets
// the tool's exported trace mask by name, as a debugging library would.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

extern "C" int igmp_snoop_dbg __attribute__((weak));

__attribute__((constructor)) static void set_trace_mask()
{
    const char *mask = getenv("LIBSHARED_TRACE");
    if (mask && &igmp_snoop_dbg)
        igmp_snoop_dbg = atoi(mask);
}

extern "C" int get_register(int page, int offset, int length, void *buf)
{
    memset(buf, 0, 24);
    fprintf(stderr, "libshared: get %d %d %d\n", page, offset, length);
    return 0;
}

extern "C" int set_register(int page, int offset, void *value, int length)
{
    (void)value;
    fprintf(stderr, "libshared: set %d %d %d\n", page, offset, length);
    return 0;
}
