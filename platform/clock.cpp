#include "platform/clock.h"

#include <time.h>

#include <cerrno>

namespace {

int64_t monotonic_ns() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace

int64_t qvl_os_clock_counter() { return monotonic_ns() / 1000; }

int64_t qvl_os_clock_frequency() { return 1000000; }

double qvl_os_clock_ms() { return static_cast<double>(monotonic_ns()) / 1.0e6; }

uint32_t qvl_os_clock_tick_ms() { return static_cast<uint32_t>(monotonic_ns() / 1000000); }

void qvl_os_sleep_ms(int ms) {
  if (ms <= 0) return;
  timespec left{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}
