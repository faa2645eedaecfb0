// A recording stand-in for the platform's register functions: every call is
// kept with its arguments, and reads are answered by a scripted function.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct reg_call {
    char op; // 'g' get_register, 's' set_register
    int page, offset, length;
    uint64_t value; // written value (low `length` bytes), or the value answered

    bool operator==(const reg_call &o) const
    {
        return op == o.op && page == o.page && offset == o.offset && length == o.length &&
               value == o.value;
    }
};

std::string to_string(const reg_call &c);

// Answers a read of offset/length; n counts earlier reads of that offset.
using fake_reply = std::function<uint64_t(int offset, int length, int n)>;

struct fake_platform {
    std::vector<reg_call> calls;
    fake_reply reply;        // default: every register reads 0
    bool fail_reads = false; // get_register returns -1 and leaves the buffer alone
    long fail_at = -1;       // the call with this index (from 0) returns -1
};

extern fake_platform fake;
void fake_reset();

// Shorthands for expected conversations.
inline reg_call set(int offset, int length, uint64_t value)
{
    return {'s', 0x05, offset, length, value};
}
inline reg_call get(int offset, int length, uint64_t value)
{
    return {'g', 0x05, offset, length, value};
}
