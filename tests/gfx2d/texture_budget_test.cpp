// What a picture costs once it is a texture: the texels weighed before a
// file is decoded, the loaders refusing small files that declare large
// pictures, and uploads that make the same textures without a padded copy.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gfx2d/image_files.h"
#include "gfx2d/sprite_table.h"
#include "gfx2d/texture_upload.h"
#include "tests/gfx2d/gfx_fixture.h"
#include "tests/gfx2d/image_fixtures.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"
#include "tools/hostile_files.h"

namespace {

TEST(TextureBudget, TexelsAreCountedAtTheUploadedSidesWithTheMips) {
  EXPECT_EQ(qvl_tex_texels_for(1, 1, false), 256);
  EXPECT_EQ(qvl_tex_texels_for(17, 16, false), 512);
  // 4096 x 4096 and its twin: 4096^2 + 4096^2 + 2048^2 + ... + 1.
  EXPECT_EQ(qvl_tex_texels_for(4096, 4096, true), 16777216 + 22369621);
  // The twin is square: its side is the shorter one.
  EXPECT_EQ(qvl_tex_texels_for(64, 16, true), 64 * 16 + 341);
  EXPECT_EQ(qvl_tex_texels_for(8193, 8191, false), int64_t{16384} * 8192);
  // Sides a PNG header may declare: held at 2^30, no overflow.
  EXPECT_EQ(qvl_tex_texels_for(int64_t{1} << 32, int64_t{1} << 32, false), int64_t{1} << 60);
  EXPECT_EQ(qvl_tex_texels_for(int64_t{1} << 32, int64_t{1} << 32, true),
            (int64_t{1} << 60) + ((int64_t{1} << 62) - 1) / 3);
  EXPECT_GT(qvl_tex_texels_for(int64_t{1} << 32, 1, false), kTexMaxTexels);
  // The honest pictures at the budget's edges, and the first ones past it.
  EXPECT_TRUE(qvl_tex_fits_budget(4096, 4096, true));
  EXPECT_FALSE(qvl_tex_fits_budget(4097, 4096, true));
  EXPECT_TRUE(qvl_tex_fits_budget(8192, 4096, false));
  EXPECT_FALSE(qvl_tex_fits_budget(8192, 4097, false));
  EXPECT_FALSE(qvl_tex_fits_budget(0, 4, false));
}

// Loads one file the way the runtime does, in a window of its own.
bool load_as(const std::string& kind, const std::string& path) {
  auto* gfx = new OpenGLRainbows();
  qvl_gfx_rainbows = gfx;
  if (!gfx->create_window(nullptr, 64, 64, 0, 60, 0, 0)) std::_Exit(10);
  bool ok = false;
  if (kind == "sprite") ok = gfx->load_sprite(1, path.c_str(), 0x8000FF, false);
  if (kind == "font") ok = gfx->load_font(1, path.c_str());
  if (kind == "background") ok = gfx->load_background(0, path.c_str());
  if (kind == "grab") ok = gfx->grab_sprite(1, 0, 0, 8192, 8192);
  if (kind == "target") ok = gfx->create_render_target(0, 1, 8192, 8192);
  qvl_gfx_rainbows = nullptr;
  delete gfx;
  plat_video_quit();
  return ok;
}

// Files of a few kilobytes declaring large pictures, loaded as sprites,
// fonts and backgrounds: 8192 x 8192 took 1,180 MB as a sprite or
// background and 839 MB as a font, 8193 x 8191 up to 1.7 GB. Each is
// refused from its header, before it is decoded, and the error log says
// why; a grab or a render target of that size is refused too.
TEST(TextureBudget, SmallFilesDeclaringLargePicturesAreRefusedBeforeDecoding) {
  const std::string dir = qvl_test::temp_dir();
  qvl_test::write_file(dir + "8192.png", hostile::png_blank(8192, 8192, 0, 1, 9));
  qvl_test::write_file(dir + "8193.png", hostile::png_blank(8193, 8191, 0, 1, 9));
  struct Case {
    const char* kind;
    const char* file;
  } cases[] = {
      {"sprite", "8192.png"},     {"sprite", "8193.png"},     {"font", "8192.png"},
      {"font", "8193.png"},       {"background", "8192.png"}, {"background", "8193.png"},
      {"grab", ""},               {"target", ""},
  };
  for (const Case& c : cases) {
    const std::string path = dir + c.file, kind = c.kind;
    unlink((dir + "ErrorLog.txt").c_str());
    const auto cost = qvl_test::measure_in_child([&] {
      std::printf(load_as(kind, path) ? "loaded\n" : "refused\n");
    }, 1200, 60);
    const std::string what = kind + " " + c.file;
    EXPECT_FALSE(cost.stopped) << what << ": " << cost.peak_mb << " MB";
    EXPECT_EQ(cost.result.out, "refused\n") << what << cost.result.err;
    EXPECT_LT(cost.peak_mb, 400.0) << what;
    if (kind != "grab" && kind != "target") {
      EXPECT_NE(fixtures::error_log().find("Image too large for a texture: "),
                std::string::npos)
          << what << ": " << fixtures::error_log();
    }
  }
}

using TextureUpload = GfxWindowFixture<64, 64>;

// The level and every mip level of a texture, read back.
std::vector<uint8_t> texture_level(uint32_t name, int level, int* w, int* h) {
  glBindTexture(GL_TEXTURE_2D, name);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, h);
  std::vector<uint8_t> texels(static_cast<size_t>(*w) * *h * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  return texels;
}

// The texture and its mipmapped twin as the padded copy made them: the
// upload buffer, then the square level and each level below it.
void expect_same_textures(const SpriteSlot& s, const PixelImage& image, const char* what) {
  const int tw = qvl_tex_size_for(image.width), th = qvl_tex_size_for(image.height);
  std::vector<uint8_t> buffer(static_cast<size_t>(tw) * th * 4);
  qvl_tex_fill_buffer(image.pixels, image.width, image.height, 0, 0, image.width, image.height,
                      buffer.data(), tw, th);
  int w = 0, h = 0;
  EXPECT_TRUE(texture_level(s.texture, 0, &w, &h) == buffer) << what;
  EXPECT_EQ(w, tw);
  EXPECT_EQ(h, th);
  int mw = tw, mh = th;
  qvl_tex_mip_make_square(buffer.data(), &mw, &mh);
  for (int level = 0; mw >= 1 && mh >= 1; ++level) {
    const std::vector<uint8_t> got = texture_level(s.mip_texture, level, &w, &h);
    ASSERT_EQ(w, mw) << what << " level " << level;
    EXPECT_EQ(std::memcmp(got.data(), buffer.data(), got.size()), 0) << what << " level " << level;
    if (mw == 1) break;
    qvl_tex_mip_next_level(buffer.data(), mw, mh);
    mw /= 2;
    mh /= 2;
  }
}

// A patterned image of w x h with a transparent corner.
void pattern(PixelImage& image, int w, int h) {
  ASSERT_TRUE(image.resize(w, h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = image.pixel(x, y);
      p[0] = static_cast<uint8_t>(x * 7 + y);
      p[1] = static_cast<uint8_t>(y * 3);
      p[2] = static_cast<uint8_t>((x ^ y) & 0xFF);
      p[3] = x < 3 && y < 3 ? 0 : 255;
    }
}

// Level 0 is sent from the image's rows, the twin built in the image's own
// block: the textures hold the same texels as the padded copy gave them,
// for wide, tall and square images, lent or handed over.
TEST_F(TextureUpload, TexturesAreTheSameWithoutThePaddedCopy) {
  const int sizes[][2] = {{300, 200}, {17, 90}, {64, 64}, {1, 1}};
  for (const auto& size : sizes) {
    PixelImage image, kept;
    pattern(image, size[0], size[1]);
    pattern(kept, size[0], size[1]);
    const std::string what = std::to_string(size[0]) + " x " + std::to_string(size[1]);
    ASSERT_TRUE(gfx_->set_sprite_image(3, image, false));
    EXPECT_EQ(image.width, size[0]) << "a lent image is kept";
    expect_same_textures(gfx_->sprites[3], kept, (what + " lent").c_str());
    ASSERT_TRUE(qvl_sprite_take_image(*gfx_, 4, image, false));
    EXPECT_EQ(image.pixels, nullptr) << "a handed-over image is used up";
    expect_same_textures(gfx_->sprites[4], kept, (what + " taken").c_str());
    EXPECT_EQ(gfx_->sprites[4].img_width, size[0]);
    EXPECT_EQ(gfx_->sprites[4].tex_height, qvl_tex_size_for(size[1]));
  }
}

// The honest pictures at the budget's edge load from their files and make
// the textures the padded copy made; one pixel more is refused unread.
TEST_F(TextureUpload, PicturesAtTheBudgetLoadAndOneMoreIsRefused) {
  // A 4096 x 4096 sprite with its twin, in a picture that is not blank.
  PixelImage image;
  pattern(image, 4096, 4096);
  ASSERT_TRUE(qvl_img_save("big.bmp", image));
  PixelImage kept;
  ASSERT_TRUE(qvl_img_read_file(kept, "big.bmp", 0x8000FF));
  if (!kept.has_alpha) kept.bleed_transparent_pixels();  // as the sprite loader does
  ASSERT_TRUE(gfx_->load_sprite(5, "big.bmp", 0x8000FF, false)) << fixtures::error_log();
  expect_same_textures(gfx_->sprites[5], kept, "4096 x 4096");

  qvl_test::write_file("4097.png", hostile::png_blank(4097, 4096, 0, 1, 9));
  EXPECT_FALSE(gfx_->load_sprite(6, "4097.png", 0x8000FF, false));
  EXPECT_NE(fixtures::error_log().find("Image too large for a texture: 4097 x 4096 pixels: "
                                       "4097.png\nImage can't be loaded: 4097.png\n"),
            std::string::npos)
      << fixtures::error_log();

  // A font has no twin: 8192 x 4096 is within the budget, 8192 x 4097 not.
  qvl_test::write_file("font.png", hostile::png_blank(8192, 4096, 0, 1, 9));
  qvl_test::write_file("font2.png", hostile::png_blank(8192, 4097, 0, 1, 9));
  EXPECT_TRUE(gfx_->load_font(2, "font.png"));
  EXPECT_EQ(gfx_->sprites[kFirstFontSprite + 2].tex_width, 8192);
  EXPECT_FALSE(gfx_->load_font(3, "font2.png"));

  // So has a render target.
  EXPECT_TRUE(gfx_->create_render_target(0, 7, 8192, 4096));
  EXPECT_EQ(gfx_->sprites[7].tex_width, 8192);
  EXPECT_FALSE(gfx_->create_render_target(1, 8, 8192, 4097));
}

}  // namespace
