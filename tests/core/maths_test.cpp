#include "core/maths.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Maths, TrigonometryInDegrees) {
  EXPECT_EQ(qvl_math_sin_deg(90), 1.0);
  // The degree factor is not exact, so cos 90 is not quite 0.
  EXPECT_NE(qvl_math_cos_deg(90), 0.0);
  EXPECT_NEAR(qvl_math_cos_deg(90), 6.123233995736766e-17, 1e-30);
  EXPECT_NEAR(qvl_math_tan_deg(45), 1.0, 1e-15);
  EXPECT_NEAR(qvl_math_asin_deg(0.5), 30.0, 1e-14);
  EXPECT_NEAR(qvl_math_acos_deg(0.5), 60.0, 1e-13);
  EXPECT_EQ(qvl_math_atan2_deg(1, -1), 135.0);
  EXPECT_EQ(qvl_math_atan2_deg(0, -1), 180.0);
  EXPECT_EQ(qvl_math_atan2_deg(-1, 0), -90.0);
}

TEST(Maths, ArcFunctionsGiveTheEndValuesPastOne) {
  struct Case { double x, asin, acos; };
  const Case cases[] = {{1.5, 90, 0}, {1, 90, 0}, {-1, -90, 180}, {-2, -90, 180},
                        {1.0000000001, 90, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(qvl_math_asin_deg(c.x), c.asin) << c.x;
    EXPECT_EQ(qvl_math_acos_deg(c.x), c.acos) << c.x;
  }
  EXPECT_TRUE(std::isnan(qvl_math_asin_deg(kNaN)));
  EXPECT_TRUE(std::isnan(qvl_math_acos_deg(kNaN)));
}

TEST(Maths, RemaindersTolerateZeroAndTheSmallestInt) {
  struct IntCase { int a, b, r; };
  const IntCase ints[] = {{7, 0, 0},        {-7, 3, -1},      {7, -3, 1},  {-7, -3, -1},
                          {INT_MIN, -1, 0}, {INT_MAX, -1, 0}, {INT_MIN, 0, 0},
                          {INT_MIN, INT_MAX, -1}, {INT_MIN, 7, -2}};
  for (const IntCase& c : ints) EXPECT_EQ(qvl_math_mod_int(c.a, c.b), c.r) << c.a << " % " << c.b;

  EXPECT_EQ(qvl_math_mod_double(7.5, 0), 0.0);
  EXPECT_EQ(qvl_math_mod_double(-7.5, 2), -1.5);
  EXPECT_EQ(qvl_math_mod_double(7.5, -2), 1.5);
  EXPECT_TRUE(std::isnan(qvl_math_mod_double(7.5, kNaN)));
}

TEST(Maths, RoundingPowersAndLogs) {
  EXPECT_EQ(qvl_math_floor(-2.5), -3.0);
  EXPECT_EQ(qvl_math_ceil(-2.5), -2.0);
  EXPECT_EQ(qvl_math_pow(2, 10), 1024.0);
  EXPECT_EQ(qvl_math_sqrt(81), 9.0);
  EXPECT_TRUE(std::isnan(qvl_math_sqrt(-1)));
  EXPECT_EQ(qvl_math_log(1), 0.0);
}

TEST(Maths, TextLengthsFollowThePrintedForm) {
  EXPECT_EQ(qvl_math_text_len_double(1.0), 1);       // "1"
  EXPECT_EQ(qvl_math_text_len_double(0.05), 7);      // "5.e-002"
  EXPECT_EQ(qvl_math_text_len_double(-2.5), 4);      // "-2.5"
  EXPECT_EQ(qvl_math_text_len_double(1e10), 7);      // "1.e+010"
  EXPECT_EQ(qvl_math_text_len_int(0), 1);
  EXPECT_EQ(qvl_math_text_len_int(-1234), 5);
  EXPECT_EQ(qvl_math_text_len_int(INT_MIN), 11);
}

TEST(Maths, BoxOverlap) {
  struct Case { int x1, y1, w1, h1, x2, y2, w2, h2; bool overlap; };
  const Case cases[] = {
      {0, 0, 10, 10, 10, 10, 5, 5, true},    // corners touch
      {0, 0, 10, 10, 11, 0, 5, 5, false},
      {10, 0, -5, 5, 3, 0, 2, 5, true},      // negative width spans 5..10
      {0, 0, 10, 10, 5, 20, 1, 1, false},    // apart vertically only
      {5, 5, 0, 0, 0, 0, 10, 10, true},      // a point inside a box
      {5, 5, 0, 0, 6, 5, 0, 0, false},
      // Extents past the int range must not wrap around.
      {INT_MAX - 5, 0, 10, 10, 0, 0, 10, 10, false},
      {INT_MAX - 5, 0, 10, 10, INT_MAX, 0, INT_MAX, 10, true},
      {INT_MIN + 5, 0, -10, 10, 0, 0, 10, 10, false},
      {INT_MIN, INT_MIN, INT_MAX, INT_MAX, -1, -1, 1, 1, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(qvl_math_boxes_overlap(c.x1, c.y1, c.w1, c.h1, c.x2, c.y2, c.w2, c.h2), c.overlap)
        << c.x1 << "," << c.y1 << "," << c.w1 << "," << c.h1 << " / " << c.x2 << "," << c.y2
        << "," << c.w2 << "," << c.h2;
    // The test is symmetric.
    EXPECT_EQ(qvl_math_boxes_overlap(c.x2, c.y2, c.w2, c.h2, c.x1, c.y1, c.w1, c.h1), c.overlap);
  }
}

}  // namespace
