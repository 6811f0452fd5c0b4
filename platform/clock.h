// The monotonic clock behind the runtime's timers.
#pragma once

#include <cstdint>

// A monotonic counter and its ticks per second. The counter counts
// microseconds, so that counter * 1000 stays inside 64 bits for centuries
// of uptime.
int64_t qvl_os_clock_counter();
int64_t qvl_os_clock_frequency();

// Milliseconds on the monotonic clock, with sub-millisecond fraction.
double qvl_os_clock_ms();

// Milliseconds on the monotonic clock, wrapping at 2^32 (about 49.7 days).
uint32_t qvl_os_clock_tick_ms();

// Sleeps for ms milliseconds, going on after a signal; nothing for ms <= 0.
void qvl_os_sleep_ms(int ms);
