#include "gfx2d/pixel_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// Fills pixel (x, y) with x, y, x + y, 255 + y so each pixel is telling.
void number_pixels(PixelImage& image) {
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      uint8_t* p = image.pixel(x, y);
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = static_cast<uint8_t>(x + y);
      p[3] = static_cast<uint8_t>(255 - y);
    }
}

TEST(PixelImage, ResizeZeroesAndKeepsALargeEnoughBlock) {
  PixelImage image;
  EXPECT_EQ(image.has_alpha, 1);
  ASSERT_TRUE(image.resize(4, 3));
  EXPECT_EQ(image.capacity, 48);
  for (int i = 0; i < 48; ++i) ASSERT_EQ(image.pixels[i], 0);

  number_pixels(image);
  image.has_alpha = 0;
  uint8_t* block = image.pixels;
  ASSERT_TRUE(image.resize(2, 2));  // smaller: same block, flag kept, zeroed
  EXPECT_EQ(image.pixels, block);
  EXPECT_EQ(image.capacity, 48);
  EXPECT_EQ(image.has_alpha, 0);
  for (int i = 0; i < 16; ++i) ASSERT_EQ(image.pixels[i], 0);

  ASSERT_TRUE(image.resize(8, 8));  // larger: a new block sets the flag
  EXPECT_EQ(image.has_alpha, 1);
  EXPECT_EQ(image.capacity, 256);
}

TEST(PixelImage, ResizeRefusesSizesBeyondTheCapacity) {
  PixelImage image;
  ASSERT_TRUE(image.resize(2, 2));
  // Each of these overflowed the 32-bit byte count.
  for (auto [w, h] : std::vector<std::pair<int, int>>{
           {-1, 4}, {4, -1}, {65536, 65536}, {0x7FFFFFFF, 1}, {46341, 46341}}) {
    EXPECT_FALSE(image.resize(w, h)) << w << " x " << h;
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
  }
  EXPECT_TRUE(image.resize(0, 5));
}

TEST(PixelImage, FlipDoubleAndHalve) {
  PixelImage image;
  image.resize(3, 3);
  number_pixels(image);
  image.flip_vertical();
  EXPECT_EQ(image.pixel(2, 0)[1], 2);  // old bottom row on top
  EXPECT_EQ(image.pixel(2, 1)[1], 1);  // middle row stays
  EXPECT_EQ(image.pixel(0, 2)[1], 0);
  image.flip_vertical();

  image.double_size();
  ASSERT_EQ(image.width, 6);
  ASSERT_EQ(image.height, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      ASSERT_EQ(image.pixel(x, y)[0], x / 2);
      ASSERT_EQ(image.pixel(x, y)[1], y / 2);
      ASSERT_EQ(image.pixel(x, y)[3], 255 - y / 2);
    }

  image.resize(5, 3);
  number_pixels(image);
  image.halve_size();  // 2 x 1: pixels (0, 0) and (2, 0)
  ASSERT_EQ(image.width, 2);
  ASSERT_EQ(image.height, 1);
  EXPECT_EQ(image.pixel(1, 0)[0], 2);
  EXPECT_EQ(image.capacity, 144);  // the block of the 6 x 6 image is kept
}

TEST(PixelImage, BleedAveragesOpaqueNeighboursOnly) {
  PixelImage image;
  image.resize(3, 2);
  // Row 0: red opaque, transparent, blue opaque; row 1: all transparent,
  // the middle one carrying a colour that must not count.
  uint8_t* p = image.pixel(0, 0);
  p[0] = 200, p[3] = 255;
  p = image.pixel(2, 0);
  p[2] = 100, p[1] = 51, p[3] = 255;
  p = image.pixel(1, 1);
  p[0] = p[1] = p[2] = 250;

  image.bleed_transparent_pixels();
  const uint8_t* mid = image.pixel(1, 0);
  EXPECT_EQ(mid[0], 100);  // (200 + 0) / 2
  EXPECT_EQ(mid[1], 25);   // (0 + 51) / 2, truncated
  EXPECT_EQ(mid[2], 50);
  EXPECT_EQ(mid[3], 0);
  const uint8_t* below = image.pixel(1, 1);  // neighbours: red and blue only
  EXPECT_EQ(below[0], 100);
  EXPECT_EQ(below[2], 50);
  EXPECT_EQ(image.pixel(0, 0)[0], 200);  // opaque pixels untouched

  PixelImage clear;
  clear.resize(2, 2);
  std::memset(clear.pixels, 77, 16);
  for (int i = 3; i < 16; i += 4) clear.pixels[i] = 0;
  clear.bleed_transparent_pixels();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(clear.pixels[i], 0);
}

// A decoder takes memory as its rows arrive: a block for the rows so far
// and half as many again, never more than the whole image, the rows kept.
TEST(PixelImage, ArrivingRowsTakeMemoryAsTheyCome) {
  PixelImage image;
  const int w = 100, h = 1000;
  for (int y = 0; y < 40; ++y) {
    uint8_t* row = image.arriving_row(w, y, h);
    ASSERT_NE(row, nullptr);
    std::memset(row, y, size_t(w) * 4);
  }
  EXPECT_EQ(image.width, w);
  EXPECT_EQ(image.height, 40);
  EXPECT_LE(image.capacity, w * 4 * 60);
  for (int y = 0; y < 40; ++y) ASSERT_EQ(image.pixel(w - 1, y)[3], y);
  for (int y = 40; y < h; ++y) ASSERT_NE(image.arriving_row(w, y, h), nullptr);
  EXPECT_EQ(image.capacity, w * 4 * h);
  EXPECT_EQ(image.pixel(0, 39)[0], 39);
  // The first row of the next image starts afresh; sizes the capacity
  // cannot hold are refused with the image as it was.
  EXPECT_EQ(image.arriving_row(0x10000, 0, 0x10000), nullptr);
  EXPECT_EQ(image.arriving_row(w, h, h), nullptr);
  EXPECT_EQ(image.height, h);
  ASSERT_NE(image.arriving_row(7, 0, 3), nullptr);
  EXPECT_EQ(image.width, 7);
  EXPECT_EQ(image.height, 1);
}

// The pixel budget every reader holds a declared size to.
TEST(PixelImage, DecodableUpTo8192Squared) {
  EXPECT_TRUE(qvl_img_decodable(8192, 8192));
  EXPECT_FALSE(qvl_img_decodable(8193, 8192));
  EXPECT_TRUE(qvl_img_decodable(int64_t{1} << 26, 1));
  EXPECT_FALSE(qvl_img_decodable((int64_t{1} << 26) + 1, 1));
  EXPECT_FALSE(qvl_img_decodable(0, 5));
}

}  // namespace
