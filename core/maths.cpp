// Numeric commands. Angles are degrees at the language's side and radians
// only inside; the conversion factors are fixed doubles so that results are
// the same on every platform.
#include "core/maths.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/number_text.h"

double qvl_math_sin_deg(double x) {
  const double radians = x * kQvlDegToRad;
  return std::sin(radians);
}

double qvl_math_cos_deg(double x) {
  const double radians = x * kQvlDegToRad;
  return std::cos(radians);
}

double qvl_math_tan_deg(double x) {
  const double radians = x * kQvlDegToRad;
  return std::tan(radians);
}

// The ends are tested before the library call, so values a little past +-1
// (rounding in the caller's own sums) give the end angle, not NaN. NaN
// fails both tests and reaches the library.
double qvl_math_asin_deg(double x) {
  if (x >= 1) return 90;
  if (x <= -1) return -90;
  return std::asin(x) * kQvlRadToDeg;
}

double qvl_math_acos_deg(double x) {
  if (x >= 1) return 0;
  if (x <= -1) return 180;
  return std::acos(x) * kQvlRadToDeg;
}

double qvl_math_atan2_deg(double y, double x) { return std::atan2(y, x) * kQvlRadToDeg; }

double qvl_math_sqrt(double x) { return std::sqrt(x); }
double qvl_math_pow(double a, double b) { return std::pow(a, b); }
double qvl_math_log(double x) { return std::log(x); }
double qvl_math_floor(double x) { return std::floor(x); }
double qvl_math_ceil(double x) { return std::ceil(x); }

int qvl_math_truncate_int(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int>(v);
}

int qvl_math_mod_int(int a, int b) {
  if (b == 0) return 0;
  // INT_MIN % -1 traps on x86; every remainder by -1 is 0 anyway.
  if (b == -1) return 0;
  return a % b;
}

double qvl_math_mod_double(double a, double b) {
  if (b == 0) return 0;
  return std::fmod(a, b);
}

int qvl_math_text_len_double(double v) {
  char text[kQvlGcvtBufferSize];
  return qvl_fmt_gcvt(v, text);
}

int qvl_math_text_len_int(int v) {
  char text[16];
  return qvl_fmt_int_text(v, text);
}

namespace {

// Whether the extents [a, a + size_a] and [b, b + size_b] share a point.
// In 64 bits: position + size may lie beyond int.
bool extents_meet(int a, int size_a, int b, int size_b) {
  const int64_t a_end = static_cast<int64_t>(a) + size_a;
  const int64_t b_end = static_cast<int64_t>(b) + size_b;
  const int64_t low = std::max(std::min<int64_t>(a, a_end), std::min<int64_t>(b, b_end));
  const int64_t high = std::min(std::max<int64_t>(a, a_end), std::max<int64_t>(b, b_end));
  return low <= high;
}

}  // namespace

bool qvl_math_boxes_overlap(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2) {
  return extents_meet(x1, w1, x2, w2) && extents_meet(y1, h1, y2, h2);
}
