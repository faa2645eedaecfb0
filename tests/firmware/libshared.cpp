// Stand-in for the router's libshared.so: a switch whose registers all read
// 0, and one line on stderr per access, so a test can see that sw53115 found
// its platform functions in this library.
#include <stdio.h>
#include <string.h>

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
