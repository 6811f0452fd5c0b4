// The pixels of the shade lookup texture.
#include <gtest/gtest.h>

#include "gfx3d/shade_texels.h"

namespace {

const uint8_t* texel(const ShadeTexels& t, int row, int column) {
  return t.pixels + 4 * (row * t.width + column);
}

TEST(ShadeTexels, RowsColumnsAndDefaultLevels) {
  qvl_x3d_shade_table.count = 0;
  GrowVector<uint32_t> values;
  for (uint32_t v : {0x0000FFu, 0xFFFFFFFDu, 0x00FF00u, 0x800000u, 0x123456u}) values.push(v);
  ShadeTexels t;
  ASSERT_TRUE(qvl_x3d_shade_texels(values, false, t));
  EXPECT_EQ(t.height, 8);
  EXPECT_EQ(t.step, 0.125f);
  EXPECT_EQ(t.width, 64);
  ASSERT_EQ(qvl_x3d_shade_table.count, 16);
  // Each of the 16 levels covers 4 texels: 100, 160 ... 207, then 255.
  EXPECT_EQ(texel(t, 0, 3)[0], 100);
  EXPECT_EQ(texel(t, 0, 4)[0], 160);
  EXPECT_EQ(texel(t, 0, 28)[0], 207);
  EXPECT_EQ(texel(t, 0, 63)[0], 255);
  EXPECT_EQ(texel(t, 0, 63)[1], 0);
  EXPECT_EQ(texel(t, 0, 63)[3], 255);
  EXPECT_EQ(texel(t, 1, 0)[1], 100);       // a run word shades grey
  EXPECT_EQ(texel(t, 3, 4)[2], 0x80 * 160 / 255);
  // Rows past the table repeat its first colour.
  for (int r = 5; r < 8; ++r) EXPECT_EQ(memcmp(texel(t, r, 0), texel(t, 0, 0), 4 * 64), 0);
  // BGRA swaps red and blue.
  ShadeTexels bgra;
  ASSERT_TRUE(qvl_x3d_shade_texels(values, true, bgra));
  EXPECT_EQ(texel(bgra, 0, 63)[2], 255);
  EXPECT_EQ(texel(bgra, 0, 63)[0], 0);
}

TEST(ShadeTexels, SizesAndTheProgramsLevels) {
  struct Row {
    int values, height;
  };
  const Row rows[] = {{0, 1}, {1, 1}, {2, 2}, {3, 4}, {17, 32}, {300, 512}};
  for (const Row& r : rows) {
    GrowVector<uint32_t> values;
    for (int i = 0; i < r.values; ++i) values.push(static_cast<uint32_t>(i));
    ShadeTexels t;
    ASSERT_TRUE(qvl_x3d_shade_texels(values, false, t));
    EXPECT_EQ(t.height, r.height) << r.values;
  }
  const uint8_t levels[40] = {};
  ASSERT_TRUE(qvl_x3d_shade_table_store(levels, 40));
  GrowVector<uint32_t> none;
  ShadeTexels t;
  ASSERT_TRUE(qvl_x3d_shade_texels(none, false, t));
  EXPECT_EQ(t.width, 256);  // 4 texels a level
  EXPECT_EQ(texel(t, 0, 0)[0], 0);  // an empty table shades white, here by level 0
  ASSERT_TRUE(qvl_x3d_shade_table_store(nullptr, 0));
  ASSERT_EQ(qvl_x3d_shade_table.count, 1);
  EXPECT_EQ(qvl_x3d_shade_table[0], 255);
}

}  // namespace
