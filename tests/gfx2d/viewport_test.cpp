// Orientation mappings, the virtual-resolution fit, and where logical
// pixels land in the window on Mesa.
#include <gtest/gtest.h>

#include "gfx2d/viewport.h"
#include "tests/gfx2d/gfx_fixture.h"

namespace {

TEST(VirtualResolution, FactorTable) {
  struct Case {
    double vw, vh;
    float scale;
    int ox, oy;
  };
  const Case cases[] = {
      {320, 240, 3.0f, 32, 24},      // m = 3.2
      {400, 300, 2.0f, 112, 84},     // m = 2.56
      {100, 100, 4.0f, 312, 184},    // m = 7.68: no factor between 4 and 8
      {50, 50, 15.0f, 137, 9},       // m = 15.36: whole numbers from 10 up
      {120, 96, 8.0f, 32, 0},        // m = 8
      {640, 480, 1.5f, 32, 24},      // m = 1.6
      {1280, 1024, 1.0f, -128, -128},  // m = 0.75: no factor below 1, cropped
  };
  for (const Case& c : cases) {
    VirtualResolution r = qvl_virtual_resolution_fit(1024, 768, c.vw, c.vh);
    EXPECT_EQ(r.scale, c.scale) << c.vw << "x" << c.vh;
    EXPECT_EQ(r.offset_x, c.ox) << c.vw << "x" << c.vh;
    EXPECT_EQ(r.offset_y, c.oy) << c.vw << "x" << c.vh;
    EXPECT_EQ(r.width, static_cast<int>(c.vw));
  }
}

// Window and logical points map into each other both ways in every
// orientation of a 1024 x 768 window.
TEST(Orientation, PointMappingsAreInverse) {
  for (int o = 0; o < 4; ++o) {
    for (IntPair p : {IntPair{0, 0}, IntPair{5, 9}, IntPair{700, 300}}) {
      IntPair w = qvl_orient_logical_to_window(o, 1024, 768, p.x, p.y);
      IntPair back = qvl_orient_window_to_logical(o, 1024, 768, w.x, w.y);
      EXPECT_EQ(back.x, p.x) << o;
      EXPECT_EQ(back.y, p.y) << o;
    }
  }
  IntPair l = qvl_orient_window_to_logical(1, 1024, 768, 0, 0);
  EXPECT_EQ(l.x, 0);
  EXPECT_EQ(l.y, 1023);
  IntPair seven = qvl_orient_logical_to_window(7, 1024, 768, 3, 4);  // other values act as 0
  EXPECT_EQ(seven.x, 3);
  EXPECT_EQ(seven.y, 4);
}

using Viewport = GfxTest;

// Logical (0, 0) and the step along logical x land on the window corner and
// edge each orientation promises.
TEST_F(Viewport, LogicalOriginAtTheCornerOfEachOrientation) {
  struct Case {
    int orientation;
    int x0, y0;  // window pixel of logical (0, 0)
    int x1, y1;  // window pixel of logical (1, 0)
    int screen_w, screen_h;
  };
  const Case cases[] = {{0, 0, 0, 1, 0, 1024, 768},
                        {1, 1023, 0, 1023, 1, 768, 1024},
                        {2, 1023, 767, 1022, 767, 1024, 768},
                        {3, 0, 767, 0, 766, 768, 1024}};
  for (const Case& c : cases) {
    qvl_gfx_set_orientation(c.orientation);
    glClear(GL_COLOR_BUFFER_BIT);
    gfx_->set_pixel(0, 0, 0x0000FF);
    gfx_->set_pixel(1, 0, 0x00FF00);
    EXPECT_EQ(rgb(c.x0, c.y0), 0x0000FFu) << "orientation " << c.orientation;
    EXPECT_EQ(rgb(c.x1, c.y1), 0x00FF00u) << "orientation " << c.orientation;
    int w = 0, h = 0;
    qvl_gfx_screen_size(&w, &h);
    EXPECT_EQ(w, c.screen_w);
    EXPECT_EQ(h, c.screen_h);
  }
  qvl_gfx_set_orientation(7);
  EXPECT_EQ(qvl_gfx_orientation(), 3);
  qvl_gfx_set_orientation(-2);
  EXPECT_EQ(qvl_gfx_orientation(), 0);
}

// 320 x 240 in 1024 x 768: factor 3, centred at (32, 24); a logical pixel
// is a 3 x 3 block and viewports read back in logical units.
TEST_F(Viewport, VirtualResolutionScalesAndCentres) {
  qvl_gfx_set_virtual_resolution(320, 240);
  EXPECT_EQ(qvl_gfx_virtual_resolution.scale, 3.0f);
  int x, y, w, h;
  qvl_gfx_get_viewport(&x, &y, &w, &h);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  gfx_->set_pixel(0, 0, 0x0000FF);
  gfx_->set_pixel(319, 239, 0x00FF00);
  EXPECT_EQ(rgb(32, 24), 0x0000FFu);
  EXPECT_EQ(rgb(34, 26), 0x0000FFu);
  EXPECT_EQ(rgb(31, 24), 0u);
  EXPECT_EQ(rgb(35, 24), 0u);
  EXPECT_EQ(rgb(32 + 959, 24 + 719), 0x00FF00u);
  EXPECT_EQ(rgb(32 + 960, 24 + 719), 0u);

  // Only the width asks for the whole area; the position is kept.
  qvl_gfx_virtual_resolution = {32, 24, 400, 300, 2.0f};
  qvl_gfx_set_viewport(10, 10, 0, 50);
  EXPECT_EQ(gfx_->viewport_x, 52);
  EXPECT_EQ(gfx_->viewport_y, 44);
  EXPECT_EQ(gfx_->viewport_width, 800);
  EXPECT_EQ(gfx_->viewport_height, 600);

  qvl_gfx_set_virtual_resolution(0, 240);
  EXPECT_EQ(qvl_gfx_virtual_resolution.scale, 0.0f);
  qvl_gfx_get_viewport(&x, &y, &w, &h);
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);
}

TEST_F(Viewport, NotifiedSizeAndRequestedSize) {
  qvl_notify_screen_size(800, 600);
  EXPECT_EQ(gfx_->screen_width, 800);
  int w = -1, h = -1;
  qvl_gfx_requested_screen_size(nullptr, &h);
  EXPECT_EQ(h, 600);
  EXPECT_EQ(w, -1);
  qvl_gfx_desktop_size(&w, &h);
  EXPECT_EQ(w, 800);
}

}  // namespace
