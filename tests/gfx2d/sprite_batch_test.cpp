// Gathering sprites, animation frames and text into shared draw calls must
// not change a single pixel: scenes drawn with the batch are compared with
// the same scenes drawn one sprite per call. Textures change their wrap
// mode only when the way of drawing them changes.
#include <gtest/gtest.h>

#include <vector>

#include "gfx2d/draw_commands.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/sprite_batch.h"
#include "tests/gfx2d/gfx_fixture.h"

namespace {

using SpriteBatch = GfxWindowFixture<320, 240>;

// A w x h image with a pattern that shows any change of sampling: every
// pixel differs from its neighbours, and the first row is transparent.
void pattern_image(PixelImage& image, int w, int h, int seed) {
  ASSERT_TRUE(image.resize(w, h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = image.pixel(x, y);
      p[0] = static_cast<uint8_t>(x * 37 + y * 11 + seed);
      p[1] = static_cast<uint8_t>(x * 5 + y * 53 + seed * 3);
      p[2] = static_cast<uint8_t>((x ^ y) * 29 + seed * 7);
      p[3] = y == 0 ? 0 : static_cast<uint8_t>(255 - x * 3);
    }
}

struct Frame {
  std::vector<uint8_t> pixels;
  std::vector<uint32_t> read_backs;
};

Frame read_frame(int w, int h, std::vector<uint32_t> read_backs) {
  Frame f{std::vector<uint8_t>(static_cast<size_t>(w) * h * 4), std::move(read_backs)};
  qvl_gfx_flush_sprites();
  glFinish();
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, f.pixels.data());
  return f;
}

// Sprites of two textures and text interleaved with a colour change, an
// alpha mode, a primitive, a read-back and a new image for a sprite whose
// quads may still wait; some sprites hang over the window's edges and
// smoothing is on, so that filtering and clipping both show.
Frame draw_mixed_scene(OpenGLRainbows& gfx, int w, int h) {
  PixelImage a, b;
  pattern_image(a, 24, 20, 1);
  pattern_image(b, 40, 16, 2);
  EXPECT_TRUE(gfx.set_sprite_image(1, a, false));
  EXPECT_TRUE(gfx.set_sprite_image(2, b, false));
  gfx.set_anim_size(2, 10, 8);
  gfx.install_system_font(0);
  qvl_font_select(0, 1.5, -1);
  qvl_gfx_set_smoothing(1);
  std::vector<uint32_t> read_backs;

  for (int i = 0; i < 12; ++i) gfx.draw_sprite(1, -10 + i * 27, -6 + i * 19);
  gfx.draw_sprite_stretched(2, 30, 40, 77, 31);
  gfx.draw_anim_rotated(2, 5, 300, 200, 33.0f, 1.7f);
  qvl_font_print("Batch 1", 3.0, 60.0, 1);
  gfx.draw_sprite(1, 100, 100);
  read_backs.push_back(gfx.get_pixel(105, 105));  // the sprite just drawn
  gfx.draw_anim_stretched(2, 3, 120, 90, 33, 21);
  qvl_gfx_set_alpha_mode(0.6);  // additive, and a colour of (1, 1, 1, 0.6)
  for (int i = 0; i < 6; ++i) gfx.draw_sprite(2, 150 + i * 13, 20 + i * 7);
  qvl_gfx_set_alpha_mode(-1.0);
  gfx.draw_rect(140, 150, 30, 12, 0x30C0FF);
  gfx.draw_sprite_stretched(1, 130, 140, 50, 50);
  qvl_font_print("after a primitive", 110.0, 200.0, 0);
  // A new image in sprite 1 while its quads may still wait: they keep the
  // old one.
  PixelImage c;
  pattern_image(c, 24, 20, 9);
  EXPECT_TRUE(gfx.set_sprite_image(1, c, false));
  gfx.draw_sprite(1, 250, 120);
  gfx.draw_anim(2, 6, 260, 60);
  gfx.draw_sprite(2, 270, 225);
  qvl_gfx_set_smoothing(0);
  gfx.draw_sprite_stretched(2, 200, 170, 90, 40);
  read_backs.push_back(gfx.get_pixel(230, 185));
  return read_frame(w, h, std::move(read_backs));
}

TEST_F(SpriteBatch, MixedSceneMatchesOneSpritePerDrawCall) {
  qvl_gfx_batching = false;
  const Frame single = draw_mixed_scene(*gfx_, kWidth, kHeight);
  glClear(GL_COLOR_BUFFER_BIT);
  qvl_gfx_batching = true;
  const Frame batched = draw_mixed_scene(*gfx_, kWidth, kHeight);
  EXPECT_EQ(batched.read_backs, single.read_backs);
  ASSERT_EQ(batched.pixels.size(), single.pixels.size());
  int off = 0, first = -1;
  for (size_t i = 0; i < single.pixels.size(); ++i)
    if (batched.pixels[i] != single.pixels[i]) {
      if (first < 0) first = static_cast<int>(i / 4);
      ++off;
    }
  EXPECT_EQ(off, 0) << "first differing pixel at (" << first % kWidth << ", "
                    << kHeight - 1 - first / kWidth << ")";
  // The scene is not empty: the two read-backs found sprite pixels.
  EXPECT_NE(single.read_backs[0], 0u);
  EXPECT_NE(single.read_backs[1], 0u);
}

// More quads than one draw call takes, all of one texture.
TEST_F(SpriteBatch, LongRunsSplitWithoutLosingQuads) {
  PixelImage image;
  make_image(image, 1, 1, {0x00FF00});
  ASSERT_TRUE(gfx_->set_sprite_image(3, image, false));
  for (int i = 0; i < 20000; ++i) gfx_->draw_sprite(3, i % kWidth, (i / kWidth) % kHeight);
  for (int i : {0, 2047, 2048, 19999})
    EXPECT_EQ(rgb(i % kWidth, (i / kWidth) % kHeight), 0x00FF00u) << "quad " << i;
}

GLint held(GLenum pname) {
  GLint value = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, pname, &value);
  return value;
}

// Sprites keep the clamp of their last draw between bindings, so that
// drawing one again changes nothing; animation frames still draw with
// the repeat that binding stands for.
TEST_F(SpriteBatch, WrapModeChangesOnlyWithTheWayOfDrawing) {
  PixelImage image;
  pattern_image(image, 8, 8, 3);
  ASSERT_TRUE(gfx_->set_sprite_image(4, image, false));
  gfx_->set_anim_size(4, 4, 4);
  gfx_->draw_sprite(4, 10, 10);
  gfx_->bind_sprite_texture(4);
  EXPECT_EQ(held(GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
  gfx_->draw_anim(4, 1, 30, 10);
  EXPECT_EQ(held(GL_TEXTURE_WRAP_S), GL_REPEAT);
  EXPECT_EQ(held(GL_TEXTURE_WRAP_T), GL_REPEAT);
}

}  // namespace
