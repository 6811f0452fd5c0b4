// The runtime's millisecond timer, read by the frame limiter, animations,
// the widget library and the game.
#pragma once

#include <cstdint>

struct SysTimerState {
  uint8_t have_counter;  // the high-resolution counter is in use
  uint8_t have_first;    // first_reading has been taken
  double frequency;      // counter ticks per second
  double first_reading;  // milliseconds at the first reading
  double startup_base;   // milliseconds, set by the start-up
};

extern SysTimerState qvl_sys_timer_state;

// Chooses the counter; called once by the start-up before anything reads the
// timer. Returns 1 when the high-resolution counter is available.
int qvl_sys_timer_init();

// Milliseconds since the first call (which returns 0), never going back.
double qvl_sys_timer_ms();

// qvl_sys_timer_ms less the start-up base.
double qvl_sys_timer_since_start();

// The start-up stores timer readings here at its fixed moments.
void qvl_sys_timer_set_base(double ms);

// The two steps of a reading, apart so that they can be checked alone:
// counter ticks as milliseconds (exact for any 64-bit counter), and the
// first-reading rule applied to a raw millisecond value.
double qvl_sys_timer_counter_to_ms(int64_t counter, int64_t frequency);
double qvl_sys_timer_from_raw(double raw_ms);
