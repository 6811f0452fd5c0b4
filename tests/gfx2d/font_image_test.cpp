// Bitmap-font images without GL: the glyph grid, proportional widths
// measured from alpha, and the built-in font's pixels.
#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "gfx2d/font_image.h"
#include "gfx2d/pixel_image.h"

namespace {

uint32_t rgba(const PixelImage& image, int x, int y) {
  const uint8_t* p = image.pixel(x, y);
  return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}

constexpr uint32_t kClear = 0, kWhite = 0xFFFFFFFF, kOutline = 0xFF080808;

TEST(SystemFont, ImageChecksumAndHandCheckedPixels) {
  PixelImage image;
  ASSERT_TRUE(image.build_system_font());
  ASSERT_EQ(image.width, 128);
  ASSERT_EQ(image.height, 64);
  EXPECT_EQ(image.has_alpha, 1);
  // '!' (33) in cell (8, 16): a column at glyph x 2, rows 1-3 and 5; its
  // top and the gap take the outline, the cell's last column stays empty.
  EXPECT_EQ(rgba(image, 8 + 3, 16 + 2), kWhite);
  EXPECT_EQ(rgba(image, 8 + 3, 16 + 4), kWhite);
  EXPECT_EQ(rgba(image, 8 + 3, 16 + 1), kOutline);
  EXPECT_EQ(rgba(image, 8 + 3, 16 + 5), kOutline);
  EXPECT_EQ(rgba(image, 8 + 3, 16 + 6), kWhite);
  EXPECT_EQ(rgba(image, 8 + 2, 16 + 2), kOutline);
  EXPECT_EQ(rgba(image, 8 + 1, 16 + 2), kClear);
  // 'A' (65) in cell (8, 32): top bar at glyph x 1-3.
  EXPECT_EQ(rgba(image, 8 + 2, 32 + 1), kWhite);
  EXPECT_EQ(rgba(image, 8 + 1, 32 + 1), kOutline);
  EXPECT_EQ(rgba(image, 8 + 0, 32 + 1), kClear);
  EXPECT_EQ(rgba(image, 8 + 3, 32 + 2), kOutline);
  // Codes 0 to 31 (the first two rows) and every cell's column 7 are empty.
  bool empty = true;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 128; ++x) empty = empty && rgba(image, x, y) == kClear;
  for (int y = 16; y < 64; ++y)
    for (int cx = 7; cx < 128; cx += 8) empty = empty && rgba(image, cx, y) == kClear;
  EXPECT_TRUE(empty);
  const uint32_t crc = crc32(0, image.pixels, 128 * 64 * 4);
  EXPECT_EQ(crc, 0xd2a74f79u) << std::hex << crc;
}

TEST(FontGrid, RowsFollowTheImageShape) {
  struct Case {
    int w, h, cw, ch, count, last_row;
  };
  for (const Case& c : {Case{256, 128, 16, 16, 128, 7}, Case{128, 256, 8, 16, 256, 15},
                        Case{128, 128, 8, 16, 128, 7}, Case{15, 8, 0, 1, 128, 7}}) {
    FontGrid g = qvl_font_grid(c.w, c.h);
    EXPECT_EQ(g.cell_width, c.cw) << c.w << "x" << c.h;
    EXPECT_EQ(g.cell_height, c.ch) << c.w << "x" << c.h;
    EXPECT_EQ(g.count, c.count) << c.w << "x" << c.h;
    EXPECT_EQ(g.last_row, c.last_row) << c.w << "x" << c.h;
  }
}

// A 128 x 64 image (128 glyphs of 8 x 8) with hand-placed columns.
class MeasureGlyphs : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(image_.resize(128, 64)); }
  void column(int code, int x) {  // one opaque pixel in column x of the cell
    image_.pixel((code % 16) * 8 + x, (code / 16) * 8 + 3)[3] = 255;
  }
  void measure() { qvl_font_measure_glyphs(image_, 128, glyphs_); }
  PixelImage image_;
  GlyphInfo glyphs_[256] = {};
};

TEST_F(MeasureGlyphs, WidthsLeftsAndUs) {
  column(65, 2);  // covers columns 2 to 5: one spacing column
  column(65, 5);
  column(66, 3);  // reaches the right edge: no spacing
  column(66, 7);
  column(106, 1);  // j: columns 1-2 plus spacing
  column(106, 2);
  column(32, 4);   // the blank's own cell is ignored for code 32 ...
  measure();
  EXPECT_EQ(glyphs_[65].left, 2);
  EXPECT_EQ(glyphs_[65].width, 5);
  EXPECT_FLOAT_EQ(glyphs_[65].u_left, (8 + 2) / 128.0f);
  EXPECT_FLOAT_EQ(glyphs_[65].u_right, (8 + 2 + 5) / 128.0f);
  EXPECT_EQ(glyphs_[66].left, 3);
  EXPECT_EQ(glyphs_[66].width, 5);
  EXPECT_EQ(glyphs_[67].width, 8) << "an empty cell advances by the cell";
  EXPECT_EQ(glyphs_[67].left, 0);
  EXPECT_FLOAT_EQ(glyphs_[67].u_left, glyphs_[67].u_right);
  EXPECT_EQ(glyphs_[32].width, 3) << "the blank is as wide as j";
  EXPECT_FLOAT_EQ(glyphs_[32].u_left, 0.0f);
  EXPECT_FLOAT_EQ(glyphs_[32].u_right, 3 / 128.0f);
  // ... but code 160 keeps the blank as measured before j replaced it.
  EXPECT_EQ(glyphs_[160].width, 2);
  EXPECT_EQ(glyphs_[160].left, 4);
  EXPECT_EQ(glyphs_[65 + 128].width, 5);
  EXPECT_FLOAT_EQ(glyphs_[65 + 128].u_left, glyphs_[65].u_left);
}

}  // namespace
