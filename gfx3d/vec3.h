// The few 3-vector steps the mesh code shares. Vectors are three floats;
// a vector is normalised only when its squared length exceeds 1e-7.
#pragma once

#include <cmath>

struct Vec3 {
  float x, y, z;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator/(Vec3 a, float s) { return {a.x / s, a.y / s, a.z / s}; }
inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Scales v to unit length when x² + y² + z² > 1e-7 (in double) and the
// length, as a float, is not 0; otherwise v stays as it is.
inline void qvl_x3d_normalize(float v[3]) {
  const double s = static_cast<double>(v[0]) * v[0] + static_cast<double>(v[1]) * v[1] +
                   static_cast<double>(v[2]) * v[2];
  if (!(s > 1e-7)) return;
  const float length = static_cast<float>(std::sqrt(s));
  if (length == 0.0f) return;
  v[0] /= length;
  v[1] /= length;
  v[2] /= length;
}

inline Vec3 normalized(Vec3 v) {
  float f[3] = {v.x, v.y, v.z};
  qvl_x3d_normalize(f);
  return {f[0], f[1], f[2]};
}
