// The simulated switch's search, driven directly through its platform
// functions: a caller that sets the result bit of the search control by hand
// after the search has ended gets an ended search, not entries read from past
// the table.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "lib53115.h"

static uint64_t get(int offset, int length)
{
    uint8_t buf[24];
    uint16_t g[4];
    if (get_register(5, offset, length, buf) != 0) {
        fprintf(stderr, "get_register(5, 0x%02x) failed\n", offset);
        return ~0ull;
    }
    memcpy(g, buf + 14, sizeof g);
    return (uint64_t)g[3] << 48 | (uint64_t)g[2] << 32 | (uint64_t)g[1] << 16 | g[0];
}

static void set(int offset, uint64_t value)
{
    set_register(5, offset, &value, 1);
}

int main()
{
    set(0x20, 0x80); // start a search, and take its results to the end
    for (int n = 0; n < 5000 && (get(0x20, 1) & 1); n++)
        get(0x24, 8);
    int failed = get(0x20, 1) != 0;
    for (int i = 0; i < 100 && !failed; i++) {
        set(0x20, 0x01); // "a result is pending", by hand
        get(0x24, 8);
        failed = get(0x20, 1) != 0;
    }
    if (failed)
        fprintf(stderr, "the search control still flags a result past the end of the table\n");
    return failed;
}
