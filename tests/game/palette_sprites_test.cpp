// Palette images to pixels, sprites and sheets; the built-in palettes.
#include "game/palette_sprites.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "gfx2d/draw_commands.h"
#include "tests/gfx2d/gfx_fixture.h"
#include "tools/demo_game.h"

namespace {

Timage grid(int w, int h, std::initializer_list<int> indexes) {
  Timage image;
  image.pixels.dim(w, h, 0, 0);
  int k = 0;
  for (int p : indexes) image.pixels.data[k++] = p;
  return image;
}

BasicArray<int> palette(std::initializer_list<int> colours) {
  BasicArray<int> p;
  p.dim(int(colours.size()), 0, 0, 0);
  int k = 0;
  for (int c : colours) p.data[k++] = c;
  return p;
}

TEST(PalettePixels, IndexesBecomeOpaqueColoursAndZeroTransparent) {
  // Entry 0 is transparent whatever it holds; entry 2 already has alpha bits
  // of its own and still comes out opaque; -1 counts back from the end.
  const BasicArray<int> pal = palette({0x112233, 0x0000FF, 0x7F00FF00, 0xABCDEF});
  Timage image = grid(2, 3, {0, 1, 2, -1, 3, 3});
  image.transparency = 0;
  BasicArray<int> out;
  ASSERT_TRUE(gamefile_image_pixels(image, pal, 16, out));
  // A grid higher than wide keeps its top square; the third row is ignored.
  ASSERT_EQ(out.size1, 4);
  EXPECT_EQ(uint32_t(out.data[0]), 0u);
  EXPECT_EQ(uint32_t(out.data[1]), 0xFF0000FFu);
  EXPECT_EQ(uint32_t(out.data[2]), 0xFF00FF00u);
  EXPECT_EQ(uint32_t(out.data[3]), 0xFFABCDEFu);
  EXPECT_DOUBLE_EQ(image.alpha, -0.001);
}

TEST(PalettePixels, EmptyGridsAndBadIndexes) {
  const BasicArray<int> pal = palette({0, 0xFFFFFF});
  Timage empty;
  BasicArray<int> out;
  ASSERT_TRUE(gamefile_image_pixels(empty, pal, 16, out));
  EXPECT_EQ(empty.pixels.size1, 16);
  EXPECT_EQ(empty.pixels.size2, 16);
  EXPECT_EQ(out.size1, 256);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(out.data[i], 0);
  EXPECT_DOUBLE_EQ(empty.alpha, -(10 / 9.999 + 0.001));

  Timage beyond = grid(1, 1, {2});
  EXPECT_FALSE(gamefile_image_pixels(beyond, pal, 16, out));
  Timage too_far_back = grid(1, 1, {-3});
  EXPECT_FALSE(gamefile_image_pixels(too_far_back, pal, 16, out));
  Timage wide = grid(2, 1, {1, 1});
  EXPECT_FALSE(gamefile_image_pixels(wide, pal, 16, out));
  EXPECT_EQ(out.size1, 0);
}

TEST(DefaultPalette, KindsArePaddedTo56AndOpaque) {
  struct Case {
    int kind, entry;
    uint32_t colour;
  } cases[] = {{0, 55, 0xFFFCFC00}, {1, 6, 0xFF7900FF}, {1, 28, 0xFFFF00FF},
               {2, 16, 0xFF458AFF}, {3, 16, 0xFFFFFFFF}, {4, 15, 0xFFFFFFFF},
               {4, 16, 0xFFFF00FF}, {4, 55, 0xFFFF00FF}};
  for (const Case& c : cases) {
    BasicArray<int> pal;
    gamefile_default_palette(c.kind, pal);
    ASSERT_EQ(pal.size1, 56) << c.kind;
    EXPECT_EQ(pal.data[0], 0x8000FF) << c.kind;
    EXPECT_EQ(uint32_t(pal.data[c.entry]), c.colour) << c.kind << " " << c.entry;
  }
  // Another kind keeps the palette and only pads it.
  BasicArray<int> pal = palette({1, 2});
  gamefile_default_palette(9, pal);
  EXPECT_EQ(pal.size1, 56);
  EXPECT_EQ(pal.data[0], 1);
  EXPECT_EQ(uint32_t(pal.data[1]), 0xFF000002u);
}

TEST(SheetLayout, SixteenCellsPerRowOfTheFirstImagesWidth) {
  int w = 0, h = 0;
  gamefile_sheet_size(17, 16, &w, &h);
  EXPECT_EQ(w, 256);
  EXPECT_EQ(h, 32);
  gamefile_sheet_size(16, 8, &w, &h);
  EXPECT_EQ(h, 8);
}

using SheetTest = GfxWindowFixture<320, 240>;

// The demo game's images as sprites and sheets: every sprite holds its
// image's pixels, and image k sits in cell (k mod 16, k div 16).
TEST_F(SheetTest, SpritesAndSheetHoldThePaletteImages) {
  Tgame g;
  demo_game_build(g);
  gamefile_build_sprites(g.images, g.palette, 0, 16, 2048);
  const int count = g.images.size1;
  ASSERT_GT(count, 16);
  int w = 0, h = 0;
  qvl_sprite_size(2048, &w, &h);
  EXPECT_EQ(w, 256);
  EXPECT_EQ(h, 32);
  BasicArray<int> sheet;
  ASSERT_TRUE(qvl_sprite_to_int_array(sheet, 2048));
  for (int k = 0; k < count; ++k) {
    EXPECT_EQ(g.images.data[k].sprite, k);
    BasicArray<int> expected;
    ASSERT_TRUE(gamefile_image_pixels(g.images.data[k], g.palette, 16, expected));
    BasicArray<int> sprite;
    ASSERT_TRUE(qvl_sprite_to_int_array(sprite, k));
    const int cx = 16 * (k % 16), cy = 16 * (k / 16);
    for (int i = 0; i < 256; ++i) {
      const uint32_t want = uint32_t(expected.data[i]);
      ASSERT_EQ(uint32_t(sprite.data[i]) >> 24, want >> 24) << k << " " << i;
      if (want >> 24) {
        ASSERT_EQ(uint32_t(sprite.data[i]), want) << k << " " << i;
      }
      const uint32_t cell = uint32_t(sheet.data[(cy + i / 16) * 256 + cx + i % 16]);
      ASSERT_EQ(cell >> 24, want >> 24) << "cell " << k << " " << i;
      if (want >> 24) {
        ASSERT_EQ(cell, want) << "cell " << k << " " << i;
      }
    }
  }
  // Cells past the last image stay fully transparent.
  for (int y = 16; y < 32; ++y)
    for (int x = 16 * (count - 16); x < 256; ++x)
      ASSERT_EQ(uint32_t(sheet.data[y * 256 + x]) >> 24, 0u) << x << "," << y;
}

}  // namespace
