// The busy overlay: one frame per frame period over a dimmed copy of the
// screen as it was, with five bars moving like a wave.
#include <gtest/gtest.h>

#include "gfx2d/draw_commands.h"
#include "tests/kvgui/kvgui_fixture.h"

namespace {

using Busy = kvgui_test::KvguiTest;
using kvgui_test::host;

TEST_F(Busy, BarsRunFromElevenToThirtyNinePixelsInAWave) {
  struct Case {
    int bar;
    double ms;
    int level, height;
  } const cases[] = {
      {0, 0, 30, 11},       // |sin 0| = 0
      {0, 900, 255, 39},    // |sin 90|
      {0, 1800, 30, 11},    // the wave repeats every 1.8 s
      {2, 0, 162, 28},      // |sin 36| x 225 + 30
  };
  for (const Case& c : cases) {
    const KvguiBusyBar b = kvgui_busy_bar(c.bar, c.ms);
    EXPECT_EQ(b.level, c.level) << c.bar << " at " << c.ms;
    EXPECT_EQ(b.height, c.height) << c.bar << " at " << c.ms;
  }
  // Neighbouring bars are 18 degrees (180 ms) apart.
  for (double t : {0.0, 333.0, 1234.0})
    EXPECT_EQ(kvgui_busy_bar(1, t).level, kvgui_busy_bar(0, t + 180).level) << t;
}

TEST_F(Busy, DrawsOncePerFramePeriodOverTheDimmedScreen) {
  qvl_gfx_draw_rect(0, 0, 1024, 768, 0x0000FE);
  kvgui_show_busy(1, -1);
  EXPECT_EQ(host().screens, 1);
  ASSERT_GE(kvgui_busy_sprite, 0);
  EXPECT_EQ(rgb(100, 100), 0x00007Fu) << "the screen at half brightness";
  const KvguiBusyBar middle = kvgui_busy_bar(2, host().now);
  EXPECT_EQ(rgb(512, 384), uint32_t(middle.level) * 0x010101u);
  EXPECT_EQ(rgb(512 - 8, 384), uint32_t(middle.level) * 0x010101u);
  EXPECT_NE(rgb(512 - 9, 384), uint32_t(middle.level) * 0x010101u);
  const KvguiBusyBar left = kvgui_busy_bar(0, host().now);
  EXPECT_EQ(rgb(512 - 48 - 8, 384), uint32_t(left.level) * 0x010101u);

  host().now += 5;
  kvgui_show_busy(1, -1);
  EXPECT_EQ(host().screens, 1) << "5 ms later: nothing drawn";
  host().now += 12;
  // The work drew over the screen meanwhile: the overlay keeps the first picture.
  qvl_gfx_draw_rect(0, 0, 1024, 768, 0x00FE00);
  kvgui_show_busy(1, -1);
  EXPECT_EQ(host().screens, 2);
  EXPECT_EQ(rgb(100, 100), 0x00007Fu);

  // After the end the next busy call grabs the screen anew.
  const int sprite = kvgui_busy_sprite;
  kvgui_show_busy(0, -1);
  EXPECT_EQ(kvgui_busy_sprite, -1);
  int w = 0, h = 0;
  qvl_sprite_size(sprite, &w, &h);
  EXPECT_EQ(w, 0);
  qvl_gfx_draw_rect(0, 0, 1024, 768, 0x00FE00);
  kvgui_show_busy(1, -1);
  EXPECT_EQ(rgb(100, 100), 0x007F00u);
}

TEST_F(Busy, EndWithoutBusyDoesNothing) {
  qvl_err_clear();
  kvgui_show_busy(0, -1);
  EXPECT_EQ(kvgui_busy_sprite, -1);
  EXPECT_EQ(host().screens, 0);
  EXPECT_EQ(qvl_err_state.last_error, 0);
}

TEST_F(Busy, SpriteOutsideTheTableGoesOnWithoutThePicture) {
  qvl_err_clear();
  for (int i = 0; i < 3; ++i) {
    kvgui_show_busy(1, 70000);
    host().now += 17;
  }
  EXPECT_EQ(qvl_err_state.last_error, 0) << "no error 7 on every frame";
  EXPECT_EQ(kvgui_busy_sprite, -1);
  EXPECT_EQ(host().screens, 3);
  kvgui_show_busy(0, -1);
}

}  // namespace
