// The language's numeric commands: trigonometry in degrees, remainders that
// tolerate a zero divisor, floor and ceiling, power, logarithm and square
// root, the length of a number's text and the overlap test of two boxes.
// Random numbers live in core/isaac.h.
#pragma once

#include <cstdint>

inline constexpr double kQvlDegToRad = 0.017453292519943295;  // pi / 180
inline constexpr double kQvlRadToDeg = 57.29577951308232;     // 180 / pi

double qvl_math_sin_deg(double x);
double qvl_math_cos_deg(double x);
double qvl_math_tan_deg(double x);
// 90 for x >= 1 and -90 for x <= -1 (no NaN past the ends); else degrees.
double qvl_math_asin_deg(double x);
// 0 for x >= 1 and 180 for x <= -1; else degrees.
double qvl_math_acos_deg(double x);
// Degrees from -180 to 180.
double qvl_math_atan2_deg(double y, double x);

double qvl_math_sqrt(double x);
double qvl_math_pow(double a, double b);
double qvl_math_log(double x);
double qvl_math_floor(double x);
double qvl_math_ceil(double x);

// Truncation toward zero to an int for a value from a program or from data:
// values beyond the int range saturate and NaN gives 0, where a plain cast
// would be undefined behaviour.
int qvl_math_truncate_int(double v);
// A sum or difference of ints, worked out in 64 bits, saturated to the int
// range: coordinates far outside the screen stay far outside.
inline int qvl_math_saturate_int(int64_t v) {
  return static_cast<int>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

// Remainder truncated toward zero (sign of a); 0 for b = 0.
int qvl_math_mod_int(int a, int b);
// fmod (a, b); 0 for b = 0; a NaN b gives NaN.
double qvl_math_mod_double(double a, double b);

// Length of the number's text as the runtime prints it.
int qvl_math_text_len_double(double v);
int qvl_math_text_len_int(int v);

// Whether two boxes {x, y, width, height} overlap; sizes may be negative
// or 0, and touching edges count as overlapping.
bool qvl_math_boxes_overlap(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2);
