// The drawing commands over the graphics object on Mesa: zoomed drawing,
// load commands and their errors, pixel arrays and the cross-fade.
#include <png.h>

#include <cstdint>
#include <cstring>

#include "core/error_state.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/render_target.h"
#include "gfx2d/viewport.h"
#include "tests/gfx2d/image_fixtures.h"
#include "tests/gfx2d/text_fixture.h"

namespace {

using DrawCommands = GfxWindowTest;

// An opaque w x h sprite of one colour.
void solid_sprite(OpenGLRainbows& gfx, int id, int w, int h, uint32_t colour) {
  PixelImage image;
  ASSERT_TRUE(image.resize(w, h));
  for (int i = 0; i < w * h; ++i) {
    uint8_t* p = image.pixels + i * 4;
    p[0] = colour & 0xFF;
    p[1] = (colour >> 8) & 0xFF;
    p[2] = (colour >> 16) & 0xFF;
    p[3] = 255;
  }
  ASSERT_TRUE(gfx.set_sprite_image(id, image, false));
}

// The drawn box: first and last covered column of row y, first and last
// covered row of column x.
struct Extent {
  int left, right, top, bottom;
};
Extent extent(int x, int y) {
  Extent e{-1, -1, -1, -1};
  for (int i = 0; i < GfxWindowTest::kWidth; ++i)
    if (GfxWindowTest::rgb(i, y)) {
      if (e.left < 0) e.left = i;
      e.right = i;
    }
  for (int j = 0; j < GfxWindowTest::kHeight; ++j)
    if (GfxWindowTest::rgb(x, j)) {
      if (e.top < 0) e.top = j;
      e.bottom = j;
    }
  return e;
}

TEST_F(DrawCommands, ZoomedDrawingGrowsAboutTheCentre) {
  gfx_->set_smoothing(0);
  solid_sprite(*gfx_, 1, 32, 32, 0x00FF00);
  struct Case {
    double f;
    int left, right;
  };
  for (const Case& c : {Case{2.0, 84, 84 + 63}, Case{0.5, 108, 108 + 15}}) {
    glClear(GL_COLOR_BUFFER_BIT);
    qvl_sprite_draw_zoomed(1, 100 - 60, 100 - 60, c.f, c.f);  // keep it on a 160 x 120 window
    Extent e = extent(116 - 60, 116 - 60);
    EXPECT_EQ(e.left, c.left - 60) << c.f;
    EXPECT_EQ(e.right, c.right - 60) << c.f;
    EXPECT_EQ(e.top, c.left - 60) << c.f;
    EXPECT_EQ(e.bottom, c.right - 60) << c.f;
  }
}

TEST_F(DrawCommands, LoadCommandsAndTheirErrors) {
  solid_sprite(*gfx_, 7, 4, 4, 0xFF);
  qvl_sprite_load("", 7);  // frees, no error
  EXPECT_EQ(qvl_err_state.last_error, 0);
  EXPECT_EQ(gfx_->sprites[7].img_width, 0);
  qvl_sprite_load_normal_map("", 7);
  EXPECT_EQ(qvl_err_state.last_error, 3);
  qvl_sprite_load("missing.png", 7);
  EXPECT_EQ(qvl_err_state.last_error, 3);
  fixtures::write_file("bad.png", {1, 2, 3});
  qvl_sprite_load("bad.png", 7);
  EXPECT_EQ(qvl_err_state.last_error, 3);
  EXPECT_EQ(qvl_sprite_save("out.png", 7), 3) << "a free sprite has nothing to save";

  solid_sprite(*gfx_, 8, 6, 5, 0x0000FF);
  EXPECT_EQ(qvl_sprite_save("out.png", 8), 1);
  qvl_sprite_load_anim("out.png", 9, 3, 5);
  EXPECT_EQ(qvl_err_state.last_error, 0);
  EXPECT_EQ(gfx_->sprites[9].img_width, 6);
  EXPECT_EQ(gfx_->sprites[9].anim_width, 3);
  int w = 0, h = 0;
  qvl_sprite_size(9, &w, &h);
  EXPECT_EQ(w * 10 + h, 65);
  double fw = 0, fh = 0;
  qvl_sprite_size_f(9.7, &fw, &fh);
  EXPECT_EQ(fw, 6.0);
  EXPECT_EQ(qvl_sprite_gl_texture(70000), 0u);
}

TEST_F(DrawCommands, ImageFileToIntArray) {
  fixtures::PngSpec spec{PNG_COLOR_TYPE_RGBA, 8, 2, 1, {255, 0, 0, 255, 0, 0, 255, 128}, {}, {}};
  fixtures::write_file("two.png", fixtures::png_file(spec));
  BasicArray<int> a;
  int w = 0, h = 0;
  ASSERT_TRUE(qvl_img_file_to_int_array("two.png", &w, &h, a));
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 1);
  ASSERT_EQ(a.size1, 2);
  EXPECT_EQ(static_cast<uint32_t>(a.at(0)), 0xFF0000FFu);
  EXPECT_EQ(static_cast<uint32_t>(a.at(1)), 0x80FF0000u);
  EXPECT_FALSE(qvl_img_file_to_int_array("nothing.png", &w, &h, a));
  EXPECT_EQ(qvl_err_state.last_error, 3);
}

TEST_F(DrawCommands, SpriteFromIntArrayChecksTheCountIn64Bits) {
  BasicArray<int> a;
  a.dim_exact(12, 0, 0, 0);
  for (int i = 0; i < 12; ++i) a.at(i) = static_cast<int>(0xFF000000u | (i * 20));
  EXPECT_TRUE(qvl_sprite_from_int_array(a, 3, 4, 3));
  EXPECT_EQ(gfx_->sprites[3].img_width, 4);
  EXPECT_FALSE(qvl_sprite_from_int_array(a, 3, 4, 4));
  EXPECT_FALSE(qvl_sprite_from_int_array(a, 3, -4, -3)) << "negative sizes with a product of 12";
  a.dim_exact(0, 0, 0, 0);
  EXPECT_FALSE(qvl_sprite_from_int_array(a, 3, 65536, 65536)) << "2^32 wraps to 0 in 32 bits";
  // The pixels come back from the sprite as they went in.
  BasicArray<int> back;
  ASSERT_TRUE(qvl_sprite_to_int_array(back, 3));
  ASSERT_EQ(back.size1, 12);
  EXPECT_EQ(static_cast<uint32_t>(back.at(5)), 0xFF000000u | 100);
  EXPECT_FALSE(qvl_sprite_to_int_array(back, 4)) << "a free sprite";
}

// Every command a program calls with a sprite id: an id outside the table
// raises error 7 and changes nothing (the frame, the sprites and the render
// targets stay as they were; no load error 3 either).
TEST_F(DrawCommands, SpriteIdsOutsideTheTableRaiseError7) {
  solid_sprite(*gfx_, 3, 8, 8, 0x00FF00);
  ASSERT_TRUE(qvl_fbo_create_target(0, 4, 16, 16));
  qvl_fbo_use_target(-1);
  glClear(GL_COLOR_BUFFER_BIT);
  const SpriteSlot canary = gfx_->sprites[3];
  const RenderTarget target = gfx_->render_targets[0];
  BasicArray<int> pixels;
  pixels.dim_exact(4, 0, 0, 0);
  for (int i = 0; i < 4; ++i) pixels.at(i) = -1;
  struct Case {
    const char* name;
    void (*call)(int id);
  };
  const Case cases[] = {
      {"load", [](int id) { qvl_sprite_load("nothing.png", id); }},
      {"load_anim", [](int id) { qvl_sprite_load_anim("nothing.png", id, 4, 4); }},
      {"load_normal_map", [](int id) { qvl_sprite_load_normal_map("nothing.png", id); }},
      {"save", [](int id) { EXPECT_EQ(qvl_sprite_save("out.png", id), 7); }},
      {"set_anim_size", [](int id) { qvl_sprite_set_anim_size(id, 4, 4); }},
      {"draw", [](int id) { qvl_sprite_draw(id, 0, 0); }},
      {"draw_stretched", [](int id) { qvl_sprite_draw_stretched(id, 0, 0, 50, 50); }},
      {"draw_rotated", [](int id) { qvl_sprite_draw_rotated(id, 0, 0, 30); }},
      {"draw_rotated_zoomed", [](int id) { qvl_sprite_draw_rotated_zoomed(id, 0, 0, 30, 2); }},
      {"draw_zoomed", [](int id) { qvl_sprite_draw_zoomed(id, 0, 0, 2, 2); }},
      {"draw_anim", [](int id) { qvl_sprite_draw_anim(id, 0, 0, 0); }},
      {"draw_anim_rotated", [](int id) { qvl_sprite_draw_anim_rotated(id, 0, 0, 0, 30, 1); }},
      {"draw_anim_stretched", [](int id) { qvl_sprite_draw_anim_stretched(id, 0, 0, 0, 9, 9); }},
      {"collision a", [](int id) { EXPECT_FALSE(qvl_sprite_collision(id, 0, 0, 3, 0, 0)); }},
      {"collision b", [](int id) { EXPECT_FALSE(qvl_sprite_collision(3, 0, 0, id, 0, 0)); }},
      {"anim_collision",
       [](int id) { EXPECT_FALSE(qvl_sprite_anim_collision(3, 0, 0, 0, id, 0, 0, 0)); }},
      {"size",
       [](int id) {
         int w = 1, h = 1;
         qvl_sprite_size(id, &w, &h);
         EXPECT_EQ(w + h, 0);
       }},
      {"size_f",
       [](int id) {
         double w = 1, h = 1;
         qvl_sprite_size_f(id, &w, &h);
         EXPECT_EQ(w + h, 0);
       }},
      {"gl_texture", [](int id) { EXPECT_EQ(qvl_sprite_gl_texture(id), 0u); }},
      {"grab", [](int id) { qvl_sprite_grab(id, 0, 0, 8, 8); }},
      {"to_int_array",
       [](int id) {
         BasicArray<int> a;
         EXPECT_FALSE(qvl_sprite_to_int_array(a, id));
       }},
      {"fbo_create_target", [](int id) { EXPECT_FALSE(qvl_fbo_create_target(0, id, 16, 16)); }},
  };
  for (int id : {-1, kSpriteCount, INT32_MIN}) {
    for (const Case& c : cases) {
      qvl_err_state.last_error = 0;
      c.call(id);
      EXPECT_EQ(qvl_err_state.last_error, 7) << c.name << " id " << id;
    }
    qvl_err_state.last_error = 0;
    EXPECT_FALSE(qvl_sprite_from_int_array(pixels, id, 2, 2));
    EXPECT_EQ(qvl_err_state.last_error, 7) << "from_int_array id " << id;
  }
  qvl_err_state.last_error = 0;
  qvl_gfx_poly_begin(kSpriteCount, 0);  // below 0 is the untextured batch
  EXPECT_EQ(qvl_err_state.last_error, 7) << "poly_begin";
  qvl_err_state.last_error = 0;
  double w = 0, h = 0;
  qvl_sprite_size_f(1e12, &w, &h);
  EXPECT_EQ(qvl_err_state.last_error, 7) << "an id beyond the int range";
  EXPECT_EQ(std::memcmp(&gfx_->sprites[3], &canary, sizeof canary), 0);
  EXPECT_EQ(std::memcmp(&gfx_->render_targets[0], &target, sizeof target), 0);
  for (int y = 0; y < kHeight; y += 7)
    for (int x = 0; x < kWidth; x += 7) ASSERT_EQ(rgb(x, y), 0u) << x << "," << y;
  // The table's ends are ids like any other; below 0 the batch is untextured.
  qvl_err_state.last_error = 0;
  int iw = 0, ih = 0;
  qvl_sprite_size(kSpriteCount - 1, &iw, &ih);
  qvl_sprite_draw(0, 0, 0);
  qvl_gfx_poly_begin(-1, 0);
  EXPECT_EQ(qvl_err_state.last_error, 0);
}

int g_frames = 0;

TEST_F(DrawCommands, FadeInImageEndsWithTheImageAsBackground) {
  qvl_gfx_show_screen_hook = [] { ++g_frames; };
  qvl_gfx_fade_in_image("missing.png", 100);
  EXPECT_EQ(qvl_err_state.last_error, 3);
  EXPECT_EQ(gfx_->background_slots[0], -1);
  EXPECT_EQ(gfx_->clear_each_frame, 1);
  EXPECT_EQ(g_frames, 0);

  solid_sprite(*gfx_, 2, 8, 8, 0xFF0000);
  ASSERT_EQ(qvl_sprite_save("blue.png", 2), 1);
  qvl_gfx_fade_in_image("blue.png", 0);  // one frame of the fade, then the end
  EXPECT_EQ(qvl_err_state.last_error, 0);
  EXPECT_EQ(g_frames, 2);
  EXPECT_GE(gfx_->background_slots[0], 0);
  EXPECT_EQ(gfx_->background_slots[1], -1);
  EXPECT_EQ(gfx_->background_slots[2], -1);
  qvl_gfx_set_clear_colour(0);
  EXPECT_EQ(gfx_->background_slots[0], -1);
  qvl_gfx_show_screen_hook = nullptr;
}

TEST_F(DrawCommands, LoadBackgroundFailureLeavesBlack) {
  qvl_gfx_load_background("missing.bmp");
  EXPECT_EQ(qvl_err_state.last_error, 3);
  EXPECT_EQ(gfx_->background_slots[0], -1);
  EXPECT_EQ(gfx_->clear_each_frame, 1);
}

}  // namespace
