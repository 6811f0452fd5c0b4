// One whole frame end to end - sprites, rotation, a polygon batch, bitmap
// and vector text, a render target drawn back as a sprite - compared with a
// reference picture made on Mesa. Run with QVL_WRITE_SCENE_REFERENCE=1 to
// write a new reference beside this file after a deliberate change.
#include <cstdlib>
#include <string>

#include "gfx2d/draw_commands.h"
#include "gfx2d/image_files.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/render_target.h"
#include "tests/gfx2d/text_fixture.h"

namespace {

using Scene = GfxWindowTest;

std::string reference_path() {
  return std::string(QVL_TEST_SOURCE_DIR) + "/scene_reference.png";
}

// A 16 x 16 sprite: four coloured quarters, a transparent corner pixel.
void quarters_sprite(OpenGLRainbows& gfx, int id) {
  PixelImage image;
  ASSERT_TRUE(image.resize(16, 16));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      uint8_t* p = image.pixel(x, y);
      p[0] = x < 8 ? 255 : 0;
      p[1] = y < 8 ? 255 : 0;
      p[2] = (x >= 8) != (y >= 8) ? 255 : 64;
      p[3] = (x == 0 && y == 0) ? 0 : 255;
    }
  ASSERT_TRUE(gfx.set_sprite_image(id, image, false));
}

void draw_scene(OpenGLRainbows& gfx) {
  gfx.install_system_font(0);
  qvl_gfx_set_smoothing(0);
  qvl_gfx_set_clear_colour(0x302010);
  quarters_sprite(gfx, 1);

  // A render target: a framed word, drawn back twice as a sprite.
  ASSERT_TRUE(qvl_fbo_create_target(0, 2, 40, 24));
  qvl_fbo_use_target(0);
  glClearColor(0.0f, 0.0f, 0.5f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  qvl_gfx_draw_rect(1, 1, 38, 22, 0x00C0FF);
  qvl_gfx_draw_rect(3, 3, 34, 18, 0x000000);
  qvl_font_select(0, 1.0, -1);
  qvl_font_print("RT", 12.0, 8.0, 1);
  qvl_fbo_use_target(-1);

  qvl_sprite_draw(1, 4, 4);
  qvl_sprite_draw_rotated(1, 30, 4, 30.0);
  qvl_sprite_draw_zoomed(1, 60, 8, 2.0, 1.5);
  qvl_sprite_draw(2, 110, 4);
  qvl_sprite_draw_stretched(2, 100, 36, 56, 20);

  qvl_gfx_poly_begin(-1, 0);  // a fan with a colour per vertex
  qvl_gfx_poly_vertex(30, 70, 0, 0, 0xFFFFFF);
  qvl_gfx_poly_vertex(10, 50, 0, 0, 0x0000FF);
  qvl_gfx_poly_vertex(50, 50, 0, 0, 0x00FF00);
  qvl_gfx_poly_vertex(50, 90, 0, 0, 0xFF0000);
  qvl_gfx_poly_end();
  qvl_gfx_draw_line(60, 50, 90, 80, 0x00FFFF);

  qvl_font_select(0, 2.0, -1);
  qvl_font_print("Qvl 2D!", 4.0, 96.0, 1);
  const int16_t u = 6554;
  const int16_t vector_data[] = {'V', 3, 1, 0, 0, u, u, u, u / 2, 0, 0, 0, u, u, 0, 1, 2, -1};
  qvl_font_load_vector(vector_data, 5);
  qvl_font_select(5, 0.2, 0x40FF40);
  qvl_font_print("VV", 100.0, 64.0, 1);
}

TEST_F(Scene, MatchesTheMesaReference) {
  draw_scene(*gfx_);
  if (HasFatalFailure()) return;
  PixelImage shot;
  ASSERT_TRUE(shot.resize(kWidth, kHeight));
  qvl_gfx_flush_sprites();
  glFinish();
  glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, shot.pixels);
  shot.flip_vertical();
  for (int i = 0; i < kWidth * kHeight; ++i) shot.pixels[i * 4 + 3] = 255;
  if (std::getenv("QVL_WRITE_SCENE_REFERENCE")) {
    ASSERT_TRUE(qvl_png_save(reference_path().c_str(), shot.pixels, kWidth, kHeight));
    GTEST_SKIP() << "reference written to " << reference_path();
  }
  PixelImage ref;
  ASSERT_TRUE(ref.load_png(reference_path().c_str(), kNoColourKey)) << reference_path();
  ASSERT_EQ(ref.width, kWidth);
  ASSERT_EQ(ref.height, kHeight);
  // Rasterisers may differ by a step at an edge; anything more is a fault.
  int off = 0, first = -1;
  for (int i = 0; i < kWidth * kHeight * 4; ++i)
    if (std::abs(shot.pixels[i] - ref.pixels[i]) > 2) {
      if (first < 0) first = i / 4;
      ++off;
    }
  EXPECT_LE(off, 8) << "first differing pixel at (" << first % kWidth << ", " << first / kWidth
                    << ")";
}

}  // namespace
