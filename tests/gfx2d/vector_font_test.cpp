// Vector fonts built from their 16-bit data, measured without GL; bad data
// stays inside the tables.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gfx2d/vector_font.h"
#include "gfx2d/vector_text_width.h"

namespace {

using Data = std::vector<int16_t>;

// One record: header, points, metrics, pairs, triangles.
void record(Data& d, int code, const Data& points, const Data& metrics, const Data& pairs,
            const Data& triangles) {
  d.insert(d.end(), {int16_t(code), int16_t(points.size() / 2), int16_t(triangles.size() / 3),
                     int16_t(pairs.size() / 2)});
  d.insert(d.end(), points.begin(), points.end());
  d.insert(d.end(), metrics.begin(), metrics.end());
  d.insert(d.end(), pairs.begin(), pairs.end());
  d.insert(d.end(), triangles.begin(), triangles.end());
}

void build(const Data& d, VectorFont& f) {
  qvl_font_build_vector_glyphs_sized(d.data(), d.size() * 2, f);
}

TEST(VectorFont, PointsAndMetricsBecomeFontUnits) {
  Data d;
  record(d, 'A', {100, 200, 0, 0, 65, 0}, {-10, -655, 6553, 13107}, {7, 8}, {0, 1, 2});
  d.push_back(-1);
  VectorFont f;
  qvl_font_build_vector_glyphs(d.data(), f);  // ends at the -1
  ASSERT_EQ(f.vector_glyphs.count, 256);
  const VectorGlyph& g = f.vector_glyphs['A'];
  ASSERT_EQ(g.points.count, 3);
  EXPECT_FLOAT_EQ(g.points[0].x, 1.5258789f);
  EXPECT_FLOAT_EQ(g.points[0].y, -3.0517578f);
  EXPECT_FLOAT_EQ(g.top, 13107 * 1000.0f / 65536) << "metrics keep y up";
  EXPECT_FLOAT_EQ(f.max_width, (6553 + 10) * 1000.0f / 65536);
  EXPECT_FLOAT_EQ(f.ascent, g.top);
  EXPECT_FLOAT_EQ(f.descent, g.bottom);
  ASSERT_EQ(g.triangles.count, 1);
  EXPECT_EQ(g.triangles[0].c, 2);
  ASSERT_EQ(g.pairs.count, 1);
  EXPECT_EQ(g.pairs[0].b, 8);
  f.free_glyphs();
  EXPECT_EQ(f.vector_glyphs.count, 0);
  EXPECT_EQ(f.max_width, 0.0f);
}

TEST(VectorFont, EmptyDataAndSkippedHeaders) {
  VectorFont f;
  Data end{-1, 0, 0, 0};
  build(end, f);
  EXPECT_EQ(f.vector_glyphs.count, 256);
  EXPECT_EQ(f.max_width + f.ascent + f.descent, 0.0f);
  // Point count 3, triangle count 0: 8 bytes, and the next header follows.
  Data d{'B', 3, 0, 0};
  record(d, 'C', {0, 0, 10, 0, 0, 10}, {0, 0, 10, 10}, {}, {0, 1, 2});
  d.push_back(-1);
  build(d, f);
  EXPECT_EQ(f.vector_glyphs['B'].points.count, 0);
  EXPECT_EQ(f.vector_glyphs['C'].triangles.count, 1);
  // A later record of the same code replaces the lists.
  Data twice;
  record(twice, 'C', {0, 0, 10, 0, 0, 10}, {0, 0, 10, 10}, {}, {0, 1, 2});
  record(twice, 'C', {0, 0, 10, 0, 0, 10, 5, 5}, {0, 0, 10, 10}, {}, {0, 1, 2, 1, 2, 3});
  build(twice, f);
  EXPECT_EQ(f.vector_glyphs['C'].triangles.count, 2);
}

// Codes, counts and indices the tables cannot take are not stored, and a
// record cut short by the end of the data is not read.
TEST(VectorFont, BadDataStaysInsideTheTables) {
  struct Case {
    const char* what;
    Data data;
    int glyph, points, triangles;
  };
  Data big, negative, bad_index, cut;
  record(big, 300, {1, 1, 2, 2, 3, 3}, {0, 0, 1, 1}, {}, {0, 1, 2});
  record(big, 'D', {1, 1, 2, 2, 3, 3}, {0, 0, 1, 1}, {}, {0, 1, 2});  // read past 300
  negative = {'E', -3, 1, 0, 1, 1};
  record(bad_index, 'F', {1, 1, 2, 2, 3, 3}, {0, 0, 1, 1}, {}, {0, 1, 3, 0, 1, 2, -1, 0, 1});
  record(cut, 'G', {1, 1, 2, 2, 3, 3}, {0, 0, 1, 1}, {}, {0, 1, 2});
  cut.pop_back();
  for (const Case& c : {Case{"code above 255", big, 'D', 3, 1},
                        Case{"negative count", negative, 'E', 0, 0},
                        Case{"triangle index out of range", bad_index, 'F', 3, 1},
                        Case{"record cut short", cut, 'G', 0, 0}}) {
    VectorFont f;
    build(c.data, f);
    EXPECT_EQ(f.vector_glyphs.count, 256) << c.what;
    EXPECT_EQ(f.vector_glyphs[c.glyph].points.count, c.points) << c.what;
    EXPECT_EQ(f.vector_glyphs[c.glyph].triangles.count, c.triangles) << c.what;
  }
}

TEST(VectorFont, TextWidth) {
  Data d;
  // e: left 0, right 2; A: left 1, right 3 (in 1000/65536 units)
  record(d, 'e', {0, 0, 1, 0, 0, 1}, {0, 0, 6554, 100}, {}, {0, 1, 2});
  record(d, 'A', {0, 0, 1, 0, 0, 1}, {3277, 0, 9830, 100}, {}, {0, 1, 2});
  d.push_back(-1);
  VectorFont f;
  build(d, f);
  const float a = qvl_font_vector_blank_advance(f, 10.0f);  // 10 * 100 units
  EXPECT_NEAR(a, 1000.0f, 0.1f);
  EXPECT_EQ(qvl_font_vector_text_width(f, 10.0f, "", 1), 1);
  EXPECT_EQ(qvl_font_vector_text_width(f, 10.0f, " ", 1), static_cast<int>(1 + a));
  // A: 10 * 100 + a / 4; fixed: the widest glyph (A) the same here.
  EXPECT_EQ(qvl_font_vector_text_width(f, 10.0f, "A", 1), static_cast<int>(1 + 999.96f + a / 4));
}

}  // namespace
