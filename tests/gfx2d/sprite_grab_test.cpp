// The grab command: plain, under a virtual resolution that scales the
// picture (shrunk back through a render target), under one of factor 1
// (placed at its offsets), and its errors.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "core/error_state.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/viewport.h"
#include "tests/gfx2d/gfx_fixture.h"

namespace {

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;

using SpriteGrab = GfxTest;

// The sprite's pixel (x, y) as 0xBBGGRR.
uint32_t sprite_rgb(OpenGLRainbows& gfx, int id, int x, int y) {
  PixelImage image;
  if (!gfx.sprite_to_image(id, image) || x >= image.width || y >= image.height) return 0xDEAD;
  const uint8_t* p = image.pixel(x, y);
  return p[0] | p[1] << 8 | p[2] << 16;
}

// Colours equal but for the rounding of filtered texture reads.
bool near(uint32_t a, uint32_t b) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 4)
      return false;
  return true;
}

// Logical columns 10 red, 11 green, 12 to 15 blue, rows 10 to 12.
void draw_columns() {
  qvl_gfx_draw_rect(10, 10, 1, 3, static_cast<int>(kRed));
  qvl_gfx_draw_rect(11, 10, 1, 3, static_cast<int>(kGreen));
  qvl_gfx_draw_rect(12, 10, 4, 3, static_cast<int>(kBlue));
}

int sprites_in_use(const OpenGLRainbows& gfx) {
  int n = 0;
  for (int id = 0; id < kSpriteCount; ++id) n += gfx.sprites[id].img_width > 0;
  return n;
}

TEST_F(SpriteGrab, WithoutVirtualResolutionGrabsTheLogicalRectangle) {
  draw_columns();
  qvl_sprite_grab(5, 10, 11, 3, 1);
  ASSERT_EQ(gfx_->sprites[5].img_width, 3);
  EXPECT_EQ(sprite_rgb(*gfx_, 5, 0, 0), kRed);
  EXPECT_EQ(sprite_rgb(*gfx_, 5, 1, 0), kGreen);
  EXPECT_EQ(sprite_rgb(*gfx_, 5, 2, 0), kBlue);
  qvl_sprite_grab(5, 0, 0, 0, 4);  // a zero size frees the sprite
  EXPECT_EQ(gfx_->sprites[5].img_width, 0);
}

// 320 x 240 in 1024 x 768: factor 3 at offsets (32, 24). The picture is
// grabbed at window scale and comes back at logical size, and nothing but
// the sprite stays behind.
TEST_F(SpriteGrab, UnderAScaledVirtualResolutionShrinksToLogicalSize) {
  qvl_gfx_set_virtual_resolution(320, 240);
  ASSERT_EQ(qvl_gfx_virtual_resolution.scale, 3.0f);
  draw_columns();
  ASSERT_EQ(rgb(32 + 3 * 11 + 1, 24 + 3 * 10 + 1), kGreen);
  qvl_sprite_grab(5, 10, 10, 3, 1);
  EXPECT_EQ(qvl_err_state.last_error, 0);
  ASSERT_EQ(gfx_->sprites[5].img_width, 3);
  EXPECT_EQ(gfx_->sprites[5].img_height, 1);
  EXPECT_TRUE(near(sprite_rgb(*gfx_, 5, 0, 0), kRed)) << std::hex << sprite_rgb(*gfx_, 5, 0, 0);
  EXPECT_TRUE(near(sprite_rgb(*gfx_, 5, 1, 0), kGreen)) << std::hex << sprite_rgb(*gfx_, 5, 1, 0);
  EXPECT_TRUE(near(sprite_rgb(*gfx_, 5, 2, 0), kBlue)) << std::hex << sprite_rgb(*gfx_, 5, 2, 0);
  EXPECT_EQ(sprites_in_use(*gfx_), 1) << "the scratch sprite was not freed";
  EXPECT_EQ(qvl_gfx_target_slot, -1);
  EXPECT_EQ(gfx_->current_target, -1);
  // The window is drawn to again, through the virtual resolution.
  qvl_gfx_draw_rect(0, 0, 1, 1, static_cast<int>(kRed));
  EXPECT_EQ(rgb(32 + 1, 24 + 1), kRed);
}

// A stripe of 32 one-pixel columns in alternating colours comes back
// column for column: the grab takes exactly the window pixels of the
// logical rectangle, so shrinking it by 3 shifts nothing (with linear
// filtering too).
TEST_F(SpriteGrab, UnderAScaledVirtualResolutionEveryColumnStaysInPlace) {
  qvl_gfx_set_virtual_resolution(320, 240);
  ASSERT_EQ(qvl_gfx_virtual_resolution.scale, 3.0f);
  for (int c = 0; c < 34; ++c)
    qvl_gfx_draw_rect(20 + c, 10, 1, 4, static_cast<int>(c % 2 ? kBlue : kRed));
  for (int smooth : {0, 1}) {
    gfx_->smoothing = static_cast<uint8_t>(smooth);
    qvl_sprite_grab(5, 20, 11, 32, 2);
    PixelImage image;
    ASSERT_TRUE(gfx_->sprite_to_image(5, image));
    ASSERT_EQ(image.width, 32);
    ASSERT_EQ(image.height, 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 32; ++x) {
        const uint8_t* p = image.pixel(x, y);
        EXPECT_EQ(p[0] | p[1] << 8 | p[2] << 16, x % 2 ? kBlue : kRed)
            << "smoothing " << smooth << " at " << x << "," << y;
      }
  }
}

// With every render-target slot taken the sprite keeps its image and the
// scratch sprite is freed all the same.
TEST_F(SpriteGrab, WithoutAFreeRenderTargetTheSpriteIsKept) {
  for (int n = 0; n < kRenderTargets; ++n)
    ASSERT_TRUE(gfx_->create_render_target(static_cast<unsigned>(n), 100 + n, 4, 4));
  gfx_->grab_sprite(5, 0, 0, 7, 2);
  qvl_gfx_set_virtual_resolution(320, 240);
  draw_columns();
  const int before = sprites_in_use(*gfx_);
  qvl_sprite_grab(5, 10, 10, 3, 1);
  EXPECT_EQ(gfx_->sprites[5].img_width, 7);
  EXPECT_EQ(sprites_in_use(*gfx_), before);
}

// Factor 1 (800 x 600 in 1024 x 768) still places the picture at offsets
// (112, 84): the grab takes the logical pixels, not the window's.
TEST_F(SpriteGrab, FactorOneGrabsAtTheOffsets) {
  qvl_gfx_set_virtual_resolution(800, 600);
  ASSERT_EQ(qvl_gfx_virtual_resolution.scale, 1.0f);
  ASSERT_EQ(qvl_gfx_virtual_resolution.offset_x, 112);
  draw_columns();
  qvl_sprite_grab(5, 10, 12, 3, 1);
  EXPECT_EQ(sprite_rgb(*gfx_, 5, 0, 0), kRed);
  EXPECT_EQ(sprite_rgb(*gfx_, 5, 1, 0), kGreen);
  EXPECT_EQ(sprite_rgb(*gfx_, 5, 2, 0), kBlue);
}

// Far off the picture, at either factor, a grab still makes its sprite.
TEST_F(SpriteGrab, PositionsAtTheEndsOfTheIntRangeDoNotOverflow) {
  for (double width : {800.0, 320.0}) {  // factors 1 and 3
    qvl_gfx_set_virtual_resolution(width, width * 3 / 4);
    qvl_sprite_grab(5, INT_MAX, INT_MAX, 4, 2);
    qvl_sprite_grab(6, INT_MIN, INT_MIN, 4, 2);
    EXPECT_EQ(gfx_->sprites[5].img_width, 4) << width;
    EXPECT_EQ(gfx_->sprites[6].img_width, 4) << width;
  }
}

TEST_F(SpriteGrab, IdsOutsideTheTableRaiseError7AndChangeNothing) {
  draw_columns();
  for (int id : {-1, kSpriteCount, 1 << 30}) {
    qvl_err_state.last_error = 0;
    qvl_sprite_grab(id, 10, 10, 3, 1);
    EXPECT_EQ(qvl_err_state.last_error, 7) << id;
  }
  EXPECT_EQ(sprites_in_use(*gfx_), 0);
}

}  // namespace
