// The polygon batch's vertex stream, and primitives read back from Mesa.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "gfx2d/poly_batch.h"
#include "tests/gfx2d/gfx_fixture.h"

namespace {

constexpr uint32_t kKey = 0x8000FF;

std::vector<float> xs(const PolyBatch& b) {
  std::vector<float> out;
  for (int i = 0; i < b.count; ++i) out.push_back(b.data[i].x);
  return out;
}

void add(PolyBatch& b, float x, uint32_t colour = 0xFFFFFF, float alpha = 1.0f) {
  b.add(x, 0, false, 0, 0, colour, kKey, alpha);
}

// A break stores the last vertex and the next one twice, so two strips
// joined by degenerate triangles draw as one.
TEST(PolyBatchStream, StripBreakDoublesBothSides) {
  PolyBatch b;
  b.begin(POLY_STRIP);
  b.break_strip();  // on an empty batch: nothing
  EXPECT_EQ(b.count, 0);
  for (float x : {1, 2, 3}) add(b, x);
  b.break_strip();
  b.break_strip();  // right after a break: nothing more
  for (float x : {4, 5, 6}) add(b, x);
  EXPECT_EQ(xs(b), (std::vector<float>{1, 2, 3, 3, 4, 4, 5, 6}));
  b.begin(POLY_FAN);  // a new batch starts empty
  EXPECT_EQ(b.count, 0);
  b.release();
}

TEST(PolyBatchStream, GrowsPastItsFirstBlockKeepingVertices) {
  PolyBatch b;
  b.begin(POLY_TRIANGLES);
  EXPECT_EQ(b.capacity, 512);
  for (int i = 0; i < 1000; ++i) add(b, static_cast<float>(i));
  ASSERT_EQ(b.count, 1000);
  EXPECT_GE(b.capacity, 1000);
  EXPECT_EQ(b.data[0].x, 0.0f);
  EXPECT_EQ(b.data[999].x, 999.0f);
  b.release();
}

TEST(PolyBatchStream, ColourAndAlphaRules) {
  PolyBatch b;
  b.begin(POLY_FAN);
  add(b, 0);
  EXPECT_EQ(b.colour_used, 0) << "white needs no colour array";
  EXPECT_EQ(b.data[0].alpha, 255);
  add(b, 1, kKey);
  EXPECT_EQ(b.data[1].alpha, 0) << "the colour key is transparent at full alpha too";
  EXPECT_EQ(b.colour_used, 1);
  add(b, 2, 0x336699, 0.5f);
  EXPECT_EQ(b.data[2].alpha, 127);
  EXPECT_EQ(b.data[2].red, 0x99);
  EXPECT_EQ(b.data[2].blue, 0x33);
  b.release();
}

TEST(RectEdges, NegativeSizesEndAtThePosition) {
  struct Case {
    int pos, size;
    int64_t lo, hi;
  };
  const Case cases[] = {{10, 3, 10, 13},
                        {10, -3, 8, 11},
                        {10, 0, 10, 10},
                        {10, -1, 10, 11},
                        // Beyond the int range, not wrapped round to the far side.
                        {INT_MAX, 10, INT_MAX, int64_t{INT_MAX} + 10},
                        {INT_MIN, -10, int64_t{INT_MIN} - 9, int64_t{INT_MIN} + 1},
                        {INT_MAX, INT_MAX, INT_MAX, int64_t{INT_MAX} * 2}};
  for (const Case& c : cases) {
    RectEdges e = qvl_gfx_rect_edges(c.pos, c.size);
    EXPECT_EQ(e.lo, c.lo) << c.pos << "," << c.size;
    EXPECT_EQ(e.hi, c.hi) << c.pos << "," << c.size;
  }
}

using Primitives = GfxTest;

TEST_F(Primitives, RectanglesWithNegativeSizes) {
  gfx_->draw_rect(10, 10, -3, 2, 0x00FF00);
  for (int y = 8; y <= 13; ++y) {
    for (int x = 6; x <= 12; ++x) {
      bool inside = x >= 8 && x <= 10 && y >= 10 && y <= 11;
      EXPECT_EQ(rgb(x, y), inside ? 0x00FF00u : 0u) << x << "," << y;
    }
  }
  glClear(GL_COLOR_BUFFER_BIT);
  gfx_->draw_rect(20, 20, -2, -2, 0xFF0000);  // columns and rows 19, 20
  EXPECT_EQ(rgb(19, 19), 0xFF0000u);
  EXPECT_EQ(rgb(20, 20), 0xFF0000u);
  EXPECT_EQ(rgb(21, 20), 0u);
  EXPECT_EQ(rgb(18, 19), 0u);
  gfx_->draw_rect(40, 40, 0, 5, 0xFF0000);  // zero width: nothing
  EXPECT_EQ(rgb(40, 40), 0u);
  gfx_->set_pixel(50, 50, gfx_->colour_key);  // drawn fully transparent
  EXPECT_EQ(rgb(50, 50), 0u);
}

// Two quads in one strip: the degenerate triangles of the break draw
// nothing between them.
TEST_F(Primitives, StripBreakSeparatesShapesOnScreen) {
  gfx_->poly_begin(-1, POLY_STRIP);
  for (float x0 : {0.0f, 20.0f}) {
    gfx_->poly_new_strip();
    gfx_->poly_vertex_plain(x0, 0, 0xFF0000);
    gfx_->poly_vertex_plain(x0, 10, 0xFF0000);
    gfx_->poly_vertex_plain(x0 + 10, 0, 0xFF0000);
    gfx_->poly_vertex_plain(x0 + 10, 10, 0xFF0000);
  }
  gfx_->poly_end();
  EXPECT_EQ(rgb(5, 5), 0xFF0000u);
  EXPECT_EQ(rgb(25, 5), 0xFF0000u);
  EXPECT_EQ(rgb(15, 5), 0u) << "the strips were joined by a visible triangle";
}

// A coloured batch switches colour material and the colour array back off:
// white drawing after it is not tinted.
TEST_F(Primitives, NoTintAfterAColouredBatch) {
  gfx_->draw_rect(0, 0, 4, 4, 0xFFFFFF);
  gfx_->poly_begin(-1, POLY_FAN);
  gfx_->poly_vertex_plain(10, 0, 0x0000FF);
  gfx_->poly_vertex_plain(20, 0, 0x0000FF);
  gfx_->poly_vertex_plain(20, 10, 0x0000FF);
  gfx_->poly_end();
  PixelImage image;
  make_image(image, 2, 2, {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF});
  ASSERT_TRUE(gfx_->set_sprite_image(1, image, false));
  gfx_->draw_sprite(1, 30, 30);
  EXPECT_EQ(rgb(30, 30), 0xFFFFFFu);
  gfx_->draw_rect(40, 40, 2, 2, 0xFFFFFF);
  EXPECT_EQ(rgb(40, 40), 0xFFFFFFu);
}

TEST_F(Primitives, LinesIncludeTheirEndPixel) {
  gfx_->draw_line_int(5, 5, 9, 5, 0xFFFFFF);
  for (int x = 5; x <= 9; ++x) EXPECT_EQ(rgb(x, 5), 0xFFFFFFu) << x;
  EXPECT_EQ(rgb(10, 5), 0u);
  EXPECT_EQ(rgb(4, 5), 0u);
}

}  // namespace

// The frame start clears a depth buffer that 3D drawing left pending,
// whether it clears the colour or paints background slot 0.
TEST_F(Primitives, FrameStartClearsAPendingDepthBufferAlsoUnderABackground) {
  PixelImage image;
  make_image(image, 1, 1, {0x0000FF});
  for (bool background : {false, true}) {
    gfx_->background_slots[0] = -1;
    if (background) {
      ASSERT_TRUE(gfx_->set_sprite_image(7, image, false));
      gfx_->background_slots[0] = 7;
    }
    glClearDepth(0.25);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    gfx_->clear_depth = 1;
    gfx_->clear_frame();
    float depth = 0;
    glReadPixels(5, 5, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(depth, 1.0f) << "background " << background;
    EXPECT_EQ(gfx_->clear_depth, 0) << "background " << background;
  }
  EXPECT_EQ(rgb(0, 0), 0x0000FFu) << "the background is drawn";
}
