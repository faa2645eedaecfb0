#include "fake_platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <unistd.h>

#include "lib53115.h"

fake_platform fake;
static std::map<int, int> read_count;

void fake_reset()
{
    fake = fake_platform();
    read_count.clear();
    igmp_snoop_dbg = 0;
}

std::string to_string(const reg_call &c)
{
    char buf[96];
    snprintf(buf, sizeof buf, "%s(page 0x%02x, 0x%02x, len %d, 0x%llx)",
             c.op == 's' ? "set" : "get", c.page, c.offset, c.length, (unsigned long long)c.value);
    return buf;
}

extern "C" int get_register(int page, int offset, int length, void *buf)
{
    uint64_t v = fake.reply ? fake.reply(offset, length, read_count[offset]++) : 0;
    fake.calls.push_back({'g', page, offset, length, v});
    if (fake.fail_reads || (long)fake.calls.size() - 1 == fake.fail_at)
        return -1;
    // The reply stands at byte 14 as 16-bit groups, least significant first;
    // the rest of the buffer carries noise that a reader must not take.
    uint8_t *b = static_cast<uint8_t *>(buf);
    memset(b, 0xA5, 24);
    for (int i = 0; i < 4; i++) {
        uint16_t g = (uint16_t)(v >> (16 * i));
        memcpy(b + 14 + 2 * i, &g, 2);
    }
    return 0;
}

extern "C" int set_register(int page, int offset, void *value, int length)
{
    uint64_t v;
    memcpy(&v, value, sizeof v);
    if (length < 8)
        v &= (1ull << (8 * length)) - 1;
    fake.calls.push_back({'s', page, offset, length, v});
    return (long)fake.calls.size() - 1 == fake.fail_at ? -1 : 0;
}

// The fake switch is this process's own: so is its table lock, which a
// monitor or another suite on the machine then cannot hold up.
static const bool private_lock = [] {
    static char path[64];
    snprintf(path, sizeof path, "/tmp/sw53115-fake-%d.lock", (int)getpid());
    brcm53115_arl_lock_file(path);
    atexit([] { unlink(path); });
    return true;
}();
