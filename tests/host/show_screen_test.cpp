// Show-screen's small commands: frame time, frame rate, the ESC switch.
#include <gtest/gtest.h>

#include "gfx2d/opengl_rainbows.h"
#include "host/show_screen.h"

namespace {

TEST(ShowScreen, FrameTimeIsNeverZeroOrLess) {
  struct Case {
    double previous, current, want;
  } cases[] = {{100.0, 100.0, 1.0}, {100.0, 100.5, 0.5}, {100.0, 90.0, 1.0}, {0.0, 16.7, 16.7}};
  for (const Case& c : cases) {
    qvl_win_frame_time_previous = c.previous;
    qvl_win_frame_time_current = c.current;
    EXPECT_DOUBLE_EQ(qvl_gfx_frame_time(), c.want);
  }
}

TEST(ShowScreen, FrameRateIsTruncatedToWholeFrames) {
  OpenGLRainbows gfx;
  qvl_gfx_rainbows = &gfx;
  qvl_gfx_set_frame_rate(59.9, 1);
  EXPECT_DOUBLE_EQ(gfx.frame_period, 1000.0 / 59);
  qvl_gfx_set_frame_rate(0.5, 0);
  EXPECT_DOUBLE_EQ(gfx.frame_period, 2.0);
  qvl_gfx_rainbows = nullptr;
}

TEST(ShowScreen, EscapeSwitch) {
  EXPECT_EQ(qvl_win_escape_allowed(), 1);
  qvl_win_allow_escape(0);
  EXPECT_EQ(qvl_win_escape_allowed(), 0);
  qvl_win_allow_escape(-7);
  EXPECT_EQ(qvl_win_escape_allowed(), 1);
}

}  // namespace
