// Texture sizes, the bottom-up upload buffer, the CPU mip chain, normal
// maps and the sprite table's uploads (the last on Mesa).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gfx2d/image_files.h"
#include "gfx2d/sprite_table.h"
#include "gfx2d/texture_upload.h"
#include "platform/temp_folder.h"
#include "tests/gfx2d/gfx_fixture.h"

namespace {

TEST(TextureSize, PowerOfTwoOfAtLeastSixteen) {
  const int cases[][2] = {{1, 16},  {8, 16},   {15, 16},  {16, 16},    {17, 32},
                          {100, 128}, {512, 512}, {513, 1024}, {16384, 16384}, {0, 16}};
  for (const auto& c : cases) EXPECT_EQ(qvl_tex_size_for(c[0]), c[1]) << c[0];
}

// Image row 0 (the top) becomes the last row of the rectangle in the
// buffer; everything outside the rectangle stays transparent black.
TEST(TextureBuffer, RowsTurnBottomUpAndPaddingStaysClear) {
  // 3 x 2 image, one byte per pixel marks it (red channel).
  std::vector<uint8_t> image(3 * 2 * 4, 0);
  for (int i = 0; i < 6; ++i) image[i * 4] = static_cast<uint8_t>(10 + i), image[i * 4 + 3] = 255;
  std::vector<uint8_t> buf(16 * 16 * 4, 0xEE);
  qvl_tex_fill_buffer(image.data(), 3, 2, 0, 0, 3, 2, buf.data(), 16, 16);
  auto red = [&](int c, int r) { return buf[(r * 16 + c) * 4]; };
  EXPECT_EQ(red(0, 1), 10);  // image (0, 0)
  EXPECT_EQ(red(2, 1), 12);
  EXPECT_EQ(red(0, 0), 13);  // image (0, 1), the bottom row
  EXPECT_EQ(red(3, 0), 0);
  EXPECT_EQ(buf[(2 * 16) * 4 + 3], 0) << "row above the image must be clear";

  // A rectangle reaching past the image's left edge: those columns stay clear.
  qvl_tex_fill_buffer(image.data(), 3, 2, -1, 1, 3, 1, buf.data(), 16, 16);
  EXPECT_EQ(red(0, 0), 0);
  EXPECT_EQ(red(1, 0), 13);
  EXPECT_EQ(red(2, 0), 14);
}

TEST(MipChain, SquaringAveragesNeighbourPairs) {
  // 4 x 2: one channel per pixel set, the rest 0.
  std::vector<uint8_t> b(4 * 2 * 4, 0);
  const uint8_t v[8] = {10, 20, 30, 41, 50, 60, 70, 80};
  for (int i = 0; i < 8; ++i) b[i * 4] = v[i];
  int w = 4, h = 2;
  qvl_tex_mip_make_square(b.data(), &w, &h);
  ASSERT_EQ(w, 2);
  ASSERT_EQ(h, 2);
  EXPECT_EQ(b[0], 15);
  EXPECT_EQ(b[4], 35);  // (30 + 41) >> 1
  EXPECT_EQ(b[8], 55);
  EXPECT_EQ(b[12], 75);

  std::vector<uint8_t> tall(1 * 4 * 4, 0);
  const uint8_t t[4] = {0, 255, 100, 101};
  for (int i = 0; i < 4; ++i) tall[i * 4 + 1] = t[i];
  w = 1, h = 4;
  // Width 1 cannot be squared against height 4 by halving the height once.
  qvl_tex_mip_make_square(tall.data(), &w, &h);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 1);
  EXPECT_EQ(tall[1], (((0 + 255) >> 1) + ((100 + 101) >> 1)) >> 1);
}

// The filter's taps: the pixel (4), its right neighbour (2), the pixel two
// rows below (1) and its right neighbour (2); fewer on the last column/row.
TEST(MipChain, NextLevelFilter) {
  std::vector<uint8_t> b(4 * 4 * 4, 0);
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i) b[(j * 4 + i) * 4 + 2] = static_cast<uint8_t>(i + 10 * j);
  qvl_tex_mip_next_level(b.data(), 4, 4);
  EXPECT_EQ(b[0 * 4 + 2], (4 * 0 + 2 * 1 + 2 * 21 + 20) / 9);
  EXPECT_EQ(b[1 * 4 + 2], (2 * 2 + 22) / 3);
  EXPECT_EQ(b[2 * 4 + 2], (2 * 20 + 21) / 3);
  EXPECT_EQ(b[3 * 4 + 2], 22);
}

// Heights in blue; column 3 is a ridge. Column 0 sees it as its left
// neighbour (the wrap), column 2 as its right one, column 1 not at all.
TEST(NormalMap, NeighboursWrapAtTheFirstColumn) {
  const int w = 4, h = 4;
  std::vector<uint8_t> px(w * h * 4, 0);
  for (int r = 0; r < h; ++r) {
    px[(r * w + 3) * 4 + 2] = 255;
    for (int c = 0; c < w; ++c) px[(r * w + c) * 4 + 3] = static_cast<uint8_t>(c * 10);
  }
  ASSERT_TRUE(qvl_tex_normal_map_rgba(px.data(), w, h));
  auto at = [&](int c, int r, int k) { return px[(r * w + c) * 4 + k]; };
  for (int r = 0; r < h; ++r) {
    EXPECT_EQ(at(0, r, 0), 251) << r;  // nx = 4: (4 / sqrt(17) + 1) * 127.5
    EXPECT_EQ(at(1, r, 0), 127) << r;  // flat
    EXPECT_EQ(at(2, r, 0), 3) << r;    // nx = -4
    EXPECT_EQ(at(0, r, 1), 127) << r;  // no change along y
    EXPECT_EQ(at(1, r, 2), 255) << r;
    EXPECT_EQ(at(2, r, 3), 20) << r;   // alpha kept
  }
}

std::string error_log() {
  char dir[4096];
  qvl_os_temp_folder(dir, sizeof dir);
  std::ifstream in(std::string(dir) + "ErrorLog.txt");
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

using SpriteUpload = GfxTest;

TEST_F(SpriteUpload, RecordSizesFromTheSizeRule) {
  struct Case {
    int w, h, tw, th;
  };
  const Case cases[] = {{16, 16, 16, 16}, {17, 5, 32, 16}, {1, 1, 16, 16}};
  for (const Case& c : cases) {
    PixelImage image;
    ASSERT_TRUE(image.resize(c.w, c.h));
    ASSERT_TRUE(gfx_->set_sprite_image(7, image, false));
    const SpriteSlot& s = gfx_->sprites[7];
    EXPECT_EQ(s.tex_width, c.tw);
    EXPECT_EQ(s.tex_height, c.th);
    EXPECT_EQ(s.img_width, c.w);
    EXPECT_EQ(s.img_height, c.h);
    EXPECT_FLOAT_EQ(s.u_max, float(c.w) / c.tw);
    EXPECT_FLOAT_EQ(s.v_max, float(c.h) / c.th);
    EXPECT_NE(s.texture, 0u);
    EXPECT_NE(s.mip_texture, 0u);
  }
}

TEST_F(SpriteUpload, MipTextureIsSquaredThenHalvedToOnePixel) {
  PixelImage image;
  ASSERT_TRUE(image.resize(64, 16));
  ASSERT_TRUE(gfx_->set_sprite_image(3, image, false));
  glBindTexture(GL_TEXTURE_2D, gfx_->sprites[3].mip_texture);
  const int sizes[] = {16, 8, 4, 2, 1};
  for (int level = 0; level < 5; ++level) {
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
    EXPECT_EQ(w, sizes[level]) << level;
    EXPECT_EQ(h, sizes[level]) << level;
  }
  // Font ids get one NEAREST texture and no mipmapped twin.
  ASSERT_TRUE(gfx_->set_sprite_image(kFirstFontSprite, image, false));
  EXPECT_EQ(gfx_->sprites[kFirstFontSprite].mip_texture, 0u);
  EXPECT_EQ(gfx_->sprites[kFirstFontSprite].tex_width, 64);
}

// An image beyond the GL limit fails to upload (no silent crop with records
// that overflow), so the loader halves it until it fits.
TEST_F(SpriteUpload, ImageBeyondTheLimitIsHalvedUntilItFits) {
  const int max = qvl_tex_max_size();
  PixelImage image;
  ASSERT_TRUE(image.resize(max + 2, 2));
  EXPECT_FALSE(gfx_->set_sprite_image(5, image, false));
  EXPECT_EQ(gfx_->sprites[5].img_width, 0) << "a failed upload leaves the id free";

  ASSERT_TRUE(qvl_sprite_upload_halving(*gfx_, 5, image, false));
  EXPECT_EQ(gfx_->sprites[5].img_width, (max + 2) / 2);
  EXPECT_EQ(gfx_->sprites[5].img_height, 1);
  EXPECT_EQ(gfx_->sprites[5].tex_width, max);
  char line[128];
  std::snprintf(line, sizeof line, "Image %d/2 is too large for texture. Downscaling by 1/2\n",
                max + 2);
  EXPECT_NE(error_log().find(line), std::string::npos) << error_log();

  // Too tall counts too.
  PixelImage tall;
  ASSERT_TRUE(tall.resize(4, max + 2));
  ASSERT_TRUE(qvl_sprite_upload_halving(*gfx_, 6, tall, false));
  EXPECT_EQ(gfx_->sprites[6].img_height, (max + 2) / 2);
}

TEST_F(SpriteUpload, FreeSearchAndFreeing) {
  EXPECT_EQ(gfx_->find_free_sprite(), kTopProgramSprite);
  PixelImage image;
  ASSERT_TRUE(image.resize(4, 4));
  ASSERT_TRUE(gfx_->set_sprite_image(kTopProgramSprite, image, false));
  EXPECT_EQ(gfx_->find_free_sprite(), kTopProgramSprite - 1);

  gfx_->set_anim_size(kTopProgramSprite, 2, 2);
  gfx_->free_sprite(kTopProgramSprite);
  gfx_->free_sprite(kTopProgramSprite);  // twice is harmless
  gfx_->free_sprite(-1);
  gfx_->free_sprite(kSpriteCount);  // outside the table: nothing
  const SpriteSlot& s = gfx_->sprites[kTopProgramSprite];
  EXPECT_EQ(s.texture, 0u);
  EXPECT_EQ(s.tex_width, -1);
  EXPECT_EQ(s.img_width, 0);
  EXPECT_FLOAT_EQ(s.u_max, 1.0f);
  EXPECT_EQ(s.anim_width, 2) << "the frame size survives freeing";
  EXPECT_FALSE(gfx_->set_sprite_image(kSpriteCount, image, false));
}

TEST_F(SpriteUpload, LoadFromFileAndLoadFailure) {
  PixelImage image;
  make_image(image, 3, 2, {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 0x8000FF, 0});
  ASSERT_TRUE(qvl_img_save("three.bmp", image));
  ASSERT_TRUE(gfx_->load_sprite(9, "three.bmp", gfx_->colour_key, false));
  EXPECT_EQ(gfx_->sprites[9].img_width, 3);
  EXPECT_EQ(gfx_->sprites[9].img_height, 2);

  EXPECT_FALSE(gfx_->load_sprite(9, "no-such-image.png", gfx_->colour_key, false));
  EXPECT_EQ(gfx_->sprites[9].img_width, 0);
  EXPECT_NE(error_log().find("Image can't be loaded: no-such-image.png\n"), std::string::npos);
  EXPECT_FALSE(gfx_->load_sprite(9, "", gfx_->colour_key, false));
}

}  // namespace
