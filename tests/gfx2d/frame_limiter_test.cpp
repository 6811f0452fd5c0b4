// The frame limiter: its arithmetic, and the present wait on a fake clock.
#include <gtest/gtest.h>

#include <vector>

#include "gfx2d/frame_limiter.h"
#include "gfx2d/opengl_rainbows.h"
#include "tests/support/gl_context.h"

namespace {

TEST(FrameLimiter, NextFrameTime) {
  const double p = 1000.0 / 60.0;
  struct Case {
    double now, want;
  } cases[] = {
      {1000.5, 1000.0 + p},       // on time: one period on
      {1000.0 + p, 1000.0 + p},   // exactly one period late still counts as on time
      {1020.0, 1000.0 + 2 * p},   // one skipped period
      {1040.0, 1040.0 + p},       // more than two periods late: restart from now
  };
  for (const Case& c : cases) EXPECT_NEAR(qvl_frame_next_time(1000.0, c.now, p), c.want, 1e-9) << c.now;
  EXPECT_EQ(qvl_frame_next_time(1000.0, 5000.0, 0.0), 1000.0);
  EXPECT_EQ(qvl_frame_next_time(1000.0, 5000.0, -1.0), 1000.0);
}

TEST(FrameLimiter, WaitSteps) {
  struct Case {
    double left;
    int step;
  } cases[] = {{10.0, 7}, {7.5, 4}, {7.0, 0}, {1.5, 0}, {1.0, -1}, {-20.0, -1}};
  for (const Case& c : cases) EXPECT_EQ(qvl_frame_wait_step(c.left), c.step) << c.left;
}

// A fake clock: sleeping moves it on by the sleep, every reading by 0.25 ms.
double g_now;
std::vector<int> g_sleeps;
int g_reads;
double fake_now() {
  ++g_reads;
  g_now += 0.25;
  return g_now;
}
void fake_sleep(int ms) {
  g_sleeps.push_back(ms);
  g_now += ms;
}

using PresentWait = GlContextTest;

TEST_F(PresentWait, SleepsOnceThenSpinsToTheFrameTime) {
  QvlFrameClock saved = qvl_gfx_frame_clock;
  qvl_gfx_frame_clock = {fake_now, fake_sleep};
  OpenGLRainbows gfx;
  gfx.frame_period = 1000.0 / 60.0;
  gfx.next_frame_time = 1000.0;
  g_now = 989.75;  // the first reading is 990: 10 ms before the frame is due
  g_sleeps.clear();
  g_reads = 0;
  EXPECT_EQ(gfx.present(nullptr), 1);
  EXPECT_EQ(g_sleeps, std::vector<int>{7});
  EXPECT_GE(g_now, 999.0);
  EXPECT_NEAR(gfx.next_frame_time, 1000.0 + 1000.0 / 60.0, 1e-9);

  // A frame already late by more than two periods waits not at all.
  g_sleeps.clear();
  g_reads = 0;
  g_now = gfx.next_frame_time + 100.0;
  gfx.present(nullptr);
  EXPECT_TRUE(g_sleeps.empty());
  EXPECT_EQ(g_reads, 1);
  EXPECT_NEAR(gfx.next_frame_time, g_now + 1000.0 / 60.0, 1e-9);
  qvl_gfx_frame_clock = saved;
}

}  // namespace
