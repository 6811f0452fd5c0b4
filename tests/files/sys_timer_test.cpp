#include "files/sys_timer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "files/sys_process.h"

TEST(SysTimer, FirstReadingIsZeroThenNeverBack) {
  ASSERT_EQ(qvl_sys_timer_init(), 1);
  EXPECT_EQ(qvl_sys_timer_ms(), 0.0);
  double last = 0;
  for (int i = 0; i < 10000; ++i) {
    double now = qvl_sys_timer_ms();
    ASSERT_GE(now, last);
    last = now;
  }
  qvl_sys_sleep(20);
  EXPECT_GE(qvl_sys_timer_ms() - last, 19.0);
}

TEST(SysTimer, FirstRawReadingOfZeroDoesNotRebaseLater) {
  EXPECT_EQ(qvl_sys_timer_from_raw(0.0), 0.0);
  EXPECT_EQ(qvl_sys_timer_from_raw(5.0), 5.0);
  EXPECT_EQ(qvl_sys_timer_from_raw(7.5), 7.5);
}

TEST(SysTimer, HugeCountersDoNotOverflow) {
  // counter * 1000 would overflow 64 bits here.
  int64_t counter = std::numeric_limits<int64_t>::max();
  long double exact = static_cast<long double>(counter) * 1000.0L / 10000000.0L;
  double ms = qvl_sys_timer_counter_to_ms(counter, 10000000);
  EXPECT_NEAR(ms, static_cast<double>(exact), static_cast<double>(exact) * 1e-12);
  EXPECT_DOUBLE_EQ(qvl_sys_timer_counter_to_ms(3500000, 1000000), 3500.0);
}

TEST(SysTimer, SinceStartCountsFromTheBase) {
  qvl_sys_timer_init();
  qvl_sys_timer_ms();
  qvl_sys_sleep(30);
  qvl_sys_timer_set_base(qvl_sys_timer_ms());
  double since = qvl_sys_timer_since_start();
  EXPECT_GE(since, 0.0);
  EXPECT_LT(since, 25.0);
}
