/* The monotonic clock that every bound and pace counts by: lib53115's, the
 * simulated switch's and sw53115's. */
#ifndef ARL_CLOCK_H
#define ARL_CLOCK_H

#include <stdint.h>
#include <time.h>

#define ARL_US 1000000u /* ticks a second: microseconds */
#define ARL_MS 1000u    /* milliseconds */

/* The clock in ticks of 1/per_sec s (ARL_US or ARL_MS), modulo 2^32. */
static inline uint32_t arl_clock(uint32_t per_sec)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)ts.tv_sec * per_sec + (uint32_t)ts.tv_nsec / (1000000000u / per_sec);
}

#endif
