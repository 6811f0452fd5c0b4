#include "files/sys_timer.h"

#include "platform/clock.h"

SysTimerState qvl_sys_timer_state{};

int qvl_sys_timer_init() {
  SysTimerState& t = qvl_sys_timer_state;
  t.have_counter = 0;
  int64_t frequency = qvl_os_clock_frequency();
  if (frequency > 0) {
    t.have_counter = 1;
    t.frequency = static_cast<double>(frequency);
  }
  return frequency > 0 ? 1 : 0;
}

// Whole seconds and the remainder are converted apart, so no product can
// overflow however long the machine has been up.
double qvl_sys_timer_counter_to_ms(int64_t counter, int64_t frequency) {
  int64_t seconds = counter / frequency;
  int64_t rest = counter % frequency;
  return static_cast<double>(seconds) * 1000.0 +
         static_cast<double>(rest) * 1000.0 / static_cast<double>(frequency);
}

double qvl_sys_timer_from_raw(double value) {
  SysTimerState& t = qvl_sys_timer_state;
  // A flag, not the value 0, marks the first reading: a clock that reads 0
  // at first must not re-base on every later call.
  if (!t.have_first) {
    t.have_first = 1;
    t.first_reading = value;
    return 0.0;
  }
  return value - t.first_reading;
}

double qvl_sys_timer_ms() {
  const SysTimerState& t = qvl_sys_timer_state;
  double raw = t.have_counter ? qvl_sys_timer_counter_to_ms(qvl_os_clock_counter(),
                                                            static_cast<int64_t>(t.frequency))
                              : static_cast<double>(qvl_os_clock_tick_ms());
  return qvl_sys_timer_from_raw(raw);
}

double qvl_sys_timer_since_start() { return qvl_sys_timer_ms() - qvl_sys_timer_state.startup_base; }

void qvl_sys_timer_set_base(double ms) { qvl_sys_timer_state.startup_base = ms; }
