// Reading pixels back on Mesa: single pixels and grabs in every
// orientation against a drawn pattern, texture reuse, screenshots, the
// background slots and the colour-key probe.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>

#include "gfx2d/image_files.h"
#include "gfx2d/read_back.h"
#include "platform/temp_folder.h"
#include "tests/gfx2d/gfx_fixture.h"

namespace {

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

using ReadBack = GfxTest;

std::string temp_path(const char* name) {
  char folder[1024];
  qvl_os_temp_folder(folder, sizeof folder);
  return std::string(folder) + name;
}

uint32_t image_rgba(const PixelImage& image, int x, int y) {
  const uint8_t* p = image.pixel(x, y);
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

int sprites_in_use(const OpenGLRainbows& gfx) {
  int n = 0;
  for (int id = 0; id < kSpriteCount; ++id) n += gfx.sprites[id].img_width > 0;
  return n;
}

// Drivers without BGRA read back in RGBA: single pixels and grabs give the
// same colours either way.
TEST_F(ReadBack, PixelsAndGrabsWithAndWithoutBgra) {
  gfx_->draw_rect(0, 0, 4, 2, kRed);
  gfx_->draw_rect(4, 0, 4, 2, kBlue);
  for (int bgra : {1, 0}) {
    gfx_->bgra_supported = static_cast<uint8_t>(bgra);
    EXPECT_EQ(gfx_->get_pixel(1, 1), kRed) << "bgra " << bgra;
    EXPECT_EQ(gfx_->get_pixel(5, 0), kBlue) << "bgra " << bgra;
    gfx_->free_sprite(3);  // a new texture each time, made in that format
    ASSERT_TRUE(gfx_->grab_sprite(3, 0, 0, 8, 2));
    PixelImage out;
    ASSERT_TRUE(gfx_->sprite_to_image(3, out));
    ASSERT_EQ(out.width, 8);
    EXPECT_EQ(image_rgba(out, 0, 1) & 0xFFFFFF, kRed) << "bgra " << bgra;
    EXPECT_EQ(image_rgba(out, 7, 0) & 0xFFFFFF, kBlue) << "bgra " << bgra;
  }
}

// The four window corners in four colours; every orientation must find each
// logical corner in the window corner that the orientation turns it to.
TEST_F(ReadBack, GetPixelFindsTheLogicalCornersInEveryOrientation) {
  const int W = kWidth, H = kHeight;
  gfx_->draw_rect(0, 0, 1, 1, kRed);            // window top-left
  gfx_->draw_rect(W - 1, 0, 1, 1, kGreen);      // top-right
  gfx_->draw_rect(0, H - 1, 1, 1, kBlue);       // bottom-left
  gfx_->draw_rect(W - 1, H - 1, 1, 1, kWhite);  // bottom-right
  struct Case {
    int orientation;
    uint32_t top_left, top_right, bottom_left, bottom_right;  // logical corners
  };
  const Case cases[] = {{0, kRed, kGreen, kBlue, kWhite},
                        {1, kGreen, kWhite, kRed, kBlue},
                        {2, kWhite, kBlue, kGreen, kRed},
                        {3, kBlue, kRed, kWhite, kGreen}};
  for (const Case& c : cases) {
    gfx_->orientation = c.orientation;
    int lw = c.orientation % 2 ? H : W, lh = c.orientation % 2 ? W : H;
    EXPECT_EQ(gfx_->get_pixel(0, 0), c.top_left) << c.orientation;
    EXPECT_EQ(gfx_->get_pixel(lw - 1, 0), c.top_right) << c.orientation;
    EXPECT_EQ(gfx_->get_pixel(0, lh - 1), c.bottom_left) << c.orientation;
    EXPECT_EQ(gfx_->get_pixel(lw - 1, lh - 1), c.bottom_right) << c.orientation;
  }
}

// A 30 x 12 pattern of four quadrants drawn at (10, 20) in each orientation
// is grabbed, read back and drawn again elsewhere; both copies must show it
// the right way round. With and without frame-buffer alpha.
class GrabPattern : public GfxTest, public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(GrabPattern, GrabbedPatternComesBackTheRightWayRound) {
  auto [orientation, alpha_bits] = GetParam();
  qvl_gfx_frame_alpha_bits = alpha_bits;
  gfx_->orientation = orientation;
  gfx_->set_viewport(0, 0, 0, 0, 1.0f);
  gfx_->draw_rect(10, 20, 15, 6, kRed);
  gfx_->draw_rect(25, 20, 15, 6, kGreen);
  gfx_->draw_rect(10, 26, 15, 6, kBlue);
  gfx_->draw_rect(25, 26, 15, 6, kWhite);
  ASSERT_EQ(gfx_->get_pixel(10, 20), kRed);
  ASSERT_EQ(gfx_->get_pixel(39, 31), kWhite);

  ASSERT_TRUE(gfx_->grab_sprite(5, 10, 20, 30, 12));
  PixelImage image;
  ASSERT_TRUE(gfx_->sprite_to_image(5, image));
  ASSERT_EQ(image.width, 30);
  ASSERT_EQ(image.height, 12);
  const uint32_t opaque = 0xFF000000u;
  EXPECT_EQ(image_rgba(image, 0, 0), opaque | kRed);
  EXPECT_EQ(image_rgba(image, 14, 5), opaque | kRed);
  EXPECT_EQ(image_rgba(image, 15, 0), opaque | kGreen);
  EXPECT_EQ(image_rgba(image, 29, 5), opaque | kGreen);
  EXPECT_EQ(image_rgba(image, 0, 6), opaque | kBlue);
  EXPECT_EQ(image_rgba(image, 14, 11), opaque | kBlue);
  EXPECT_EQ(image_rgba(image, 15, 6), opaque | kWhite);
  EXPECT_EQ(image_rgba(image, 29, 11), opaque | kWhite);

  gfx_->draw_sprite(5, 100, 50);
  EXPECT_EQ(gfx_->get_pixel(100, 50), kRed);
  EXPECT_EQ(gfx_->get_pixel(115, 50), kGreen);
  EXPECT_EQ(gfx_->get_pixel(100, 61), kBlue);
  EXPECT_EQ(gfx_->get_pixel(129, 61), kWhite);
  EXPECT_EQ(gfx_->get_pixel(130, 62), 0u);
}

INSTANTIATE_TEST_SUITE_P(Orientations, GrabPattern,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3),
                                            ::testing::Values(0, 8)));

// Rectangles at the ends of the int range lie wholly outside the window:
// the grab makes a sprite of the asked size without reading anything.
TEST_F(ReadBack, GrabsFarOutsideTheWindowStillMakeTheirSprite) {
  const std::pair<int, int> corners[] = {
      {INT_MAX, 0}, {0, INT_MIN}, {INT_MIN, INT_MAX}, {INT_MAX - 5, INT_MAX - 5}};
  for (int alpha_bits : {0, 8})
    for (int orientation : {0, 1, 2, 3}) {
      qvl_gfx_frame_alpha_bits = alpha_bits;
      gfx_->orientation = orientation;
      for (auto [x, y] : corners) {
        ASSERT_TRUE(gfx_->grab_sprite(5, x, y, 8, 4)) << x << "," << y;
        EXPECT_EQ(gfx_->sprites[5].img_width, 8);
      }
    }
}

TEST_F(ReadBack, GrabReusesItsTextureAndZeroSizeFrees) {
  ASSERT_TRUE(gfx_->grab_sprite(5, 0, 0, 100, 50));
  const SpriteSlot& s = gfx_->sprites[5];
  EXPECT_EQ(s.tex_width, 128);
  EXPECT_EQ(s.tex_height, 64);
  EXPECT_FLOAT_EQ(s.u_max, 100.0f / 128.0f);
  EXPECT_FLOAT_EQ(s.v_max, 50.0f / 64.0f);
  uint32_t texture = s.texture;
  ASSERT_NE(texture, 0u);
  ASSERT_TRUE(gfx_->grab_sprite(5, 0, 0, 120, 60));
  EXPECT_EQ(s.texture, texture);
  EXPECT_EQ(s.img_width, 120);
  ASSERT_TRUE(gfx_->grab_sprite(5, 0, 0, 0, 60));
  EXPECT_EQ(s.img_width, 0);
  EXPECT_EQ(s.texture, 0u);
}

TEST_F(ReadBack, WithoutFrameAlphaAndNoColourKeyEveryPixelStaysOpaque) {
  qvl_gfx_frame_alpha_bits = 0;
  gfx_->colour_key = 0;
  gfx_->draw_rect(0, 0, 4, 4, kRed);
  ASSERT_TRUE(gfx_->grab_sprite(6, 0, 0, 8, 8));
  PixelImage image;
  ASSERT_TRUE(gfx_->sprite_to_image(6, image));
  EXPECT_EQ(image_rgba(image, 0, 0), 0xFF000000u | kRed);
  EXPECT_EQ(image_rgba(image, 7, 7), 0xFF000000u) << "black lost its alpha";
}

TEST_F(ReadBack, ColourKeyProbeLeavesThePixelAsItWas) {
  gfx_->draw_rect(4, 4, 1, 1, 0x123456);
  gfx_->probe_colour_key();
  EXPECT_EQ(gfx_->get_pixel(4, 4), 0x123456u);
  gfx_->colour_key = 0;
  EXPECT_EQ(gfx_->probe_colour_key(), 0u);
}

// The key draws with alpha 0: under blending and the alpha test the probe
// must still reach the frame buffer, or it reads whatever was there, and a
// grab without frame-buffer alpha then makes that colour transparent.
TEST_F(ReadBack, ColourKeyProbeReachesTheFrameBufferUnderBlending) {
  gfx_->set_alpha_mode(-0.5f);
  gfx_->set_alpha_test(0.1f);
  qvl_gfx_frame_alpha_bits = 0;
  const uint32_t key = gfx_->colour_key;
  ASSERT_EQ(key, 0x8000FFu);
  gfx_->set_clear_colour(key);
  gfx_->set_alpha_mode(0.0f);
  gfx_->draw_rect(0, 0, 8, 8, kRed);
  gfx_->set_alpha_mode(-0.5f);

  EXPECT_EQ(gfx_->probe_colour_key(), key);
  EXPECT_EQ(gfx_->get_pixel(4, 4), kRed);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));

  ASSERT_TRUE(gfx_->grab_sprite(6, 0, 0, 16, 16));
  PixelImage image;
  ASSERT_TRUE(gfx_->sprite_to_image(6, image));
  EXPECT_EQ(image_rgba(image, 4, 4), 0xFF000000u | kRed);
  EXPECT_EQ(image_rgba(image, 12, 12) >> 24, 0u);
}

TEST_F(ReadBack, ScreenshotsLeaveNoSpriteBehind) {
  gfx_->draw_rect(0, 0, 2, 2, kRed);
  gfx_->draw_rect(kWidth - 1, kHeight - 1, 1, 1, kGreen);
  std::string name = temp_path("shot.png");
  ASSERT_TRUE(gfx_->save_screenshot(name.c_str()));
  EXPECT_EQ(sprites_in_use(*gfx_), 0);
  PixelImage shot;
  ASSERT_TRUE(shot.load_png(name.c_str(), kNoColourKey));
  ASSERT_EQ(shot.width, kWidth);
  ASSERT_EQ(shot.height, kHeight);
  EXPECT_EQ(image_rgba(shot, 1, 1) & 0xFFFFFF, kRed);
  EXPECT_EQ(image_rgba(shot, kWidth - 1, kHeight - 1) & 0xFFFFFF, kGreen);

  EXPECT_FALSE(gfx_->save_screenshot(temp_path("missing/shot.png").c_str()));
  EXPECT_EQ(sprites_in_use(*gfx_), 0);
}

TEST_F(ReadBack, BackgroundSlotsOwnOneSpriteEach) {
  ASSERT_TRUE(gfx_->grab_background(2));
  ASSERT_TRUE(gfx_->grab_background(2));
  EXPECT_EQ(sprites_in_use(*gfx_), 1);
  int id = gfx_->background_slots[2];
  EXPECT_EQ(gfx_->sprites[id].img_width, kWidth);
  gfx_->free_background(2);
  EXPECT_EQ(gfx_->background_slots[2], -1);
  EXPECT_EQ(sprites_in_use(*gfx_), 0);

  PixelImage image;
  make_image(image, 2, 2, {kRed, kGreen, kBlue, kWhite});
  std::string name = temp_path("back.png");
  ASSERT_TRUE(qvl_png_save(name.c_str(), image.pixels, 2, 2));
  ASSERT_TRUE(gfx_->load_background(1, name.c_str()));
  ASSERT_GE(gfx_->background_slots[1], 0);
  EXPECT_EQ(gfx_->sprites[gfx_->background_slots[1]].img_width, 2);
  gfx_->smoothing = 0;
  gfx_->draw_background(1);
  EXPECT_EQ(rgb(0, 0), kRed);
  EXPECT_EQ(rgb(1, 1), kWhite);
  int before = gfx_->background_slots[1];
  EXPECT_FALSE(gfx_->load_background(1, temp_path("none.png").c_str()));
  EXPECT_EQ(gfx_->background_slots[1], before);
}

}  // namespace
