// Brute-force answers for the intersection tests: sample a triangle densely
// and measure each sample's signed distance from the shape (negative
// inside), in double precision.
//
// Distances change by at most the step between samples, so a sample deeper
// than `margin` inside proves a hit, and no sample within step + margin of
// the shape proves a miss; anything between is left undecided.
#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>

#include <gtest/gtest.h>

#include "gfx3d/vec3.h"

namespace shape_oracle {

struct D3 {
  double x, y, z;
};
inline D3 d3(Vec3 v) { return {v.x, v.y, v.z}; }
inline D3 operator-(D3 a, D3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline D3 operator+(D3 a, D3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline D3 operator*(D3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(D3 a, D3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double length(D3 a) { return std::sqrt(dot(a, a)); }
inline D3 cross(D3 a, D3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Where the line p + t d crosses the triangle's plane, by Moller and
// Trumbore: t, and `inside`, the least of the three weights (negative
// outside the triangle). False for a line within `parallel` of the plane.
struct Crossing {
  double t, inside;
};
inline bool line_crossing(D3 p, D3 d, Vec3 a, Vec3 b, Vec3 c, double parallel, Crossing* out) {
  const D3 t0 = d3(a), e1 = d3(b) - t0, e2 = d3(c) - t0;
  const D3 h = cross(d, e2);
  const double det = dot(e1, h);
  if (std::fabs(det) < parallel) return false;
  const D3 s = p - t0;
  const D3 q = cross(s, e1);
  const double u = dot(s, h) / det, v = dot(d, q) / det;
  *out = {dot(e2, q) / det, std::min({u, v, 1 - u - v})};
  return true;
}

struct Sphere {
  D3 centre;
  double radius;
  double distance(D3 p) const { return length(p - centre) - radius; }
};

// Unit axes at right angles with their half lengths (0 for a flat box).
struct Box {
  D3 centre;
  D3 unit[3];
  double half[3];
  double distance(D3 p) const {
    double outside = 0, inside = -1e300;
    for (int i = 0; i < 3; ++i) {
      const double q = std::fabs(dot(p - centre, unit[i])) - half[i];
      outside += q > 0 ? q * q : 0;
      inside = std::max(inside, q);
    }
    return outside > 0 ? std::sqrt(outside) : std::min(inside, 0.0);
  }
};

// Unit axis, half angle below 90 degrees.
struct Cone {
  D3 apex, axis;
  double half_angle;  // radians
  double distance(D3 p) const {
    const D3 k = p - apex;
    const double u = dot(k, axis);
    const double to_axis = std::sqrt(std::max(0.0, dot(k, k) - u * u));
    const double s = std::sin(half_angle), c = std::cos(half_angle);
    const double side = to_axis * c - u * s;  // signed distance from the side
    if (u * c + to_axis * s <= 0) return length(k);  // nearest point: the apex
    return side;
  }
};

enum class Verdict { kHit, kMiss, kUndecided };

template <class Shape>
Verdict triangle_verdict(const Shape& shape, Vec3 a, Vec3 b, Vec3 c, int steps = 48,
                         double margin = 1e-4) {
  const D3 t0 = d3(a), e0 = d3(b) - t0, e1 = d3(c) - t0;
  const double step =
      std::max({length(e0), length(e1), length(e1 - e0)}) / steps;
  double nearest = 1e300;
  for (int i = 0; i <= steps; ++i)
    for (int j = 0; i + j <= steps; ++j) {
      const D3 p = t0 + e0 * (double(i) / steps) + e1 * (double(j) / steps);
      nearest = std::min(nearest, shape.distance(p));
      if (nearest <= -margin) return Verdict::kHit;
    }
  return nearest > step + margin ? Verdict::kMiss : Verdict::kUndecided;
}

// Random values for the cases.
struct Random {
  std::mt19937 rng;
  explicit Random(unsigned seed) : rng(seed) {}
  float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
  Vec3 point(float r) { return {uniform(-r, r), uniform(-r, r), uniform(-r, r)}; }
  Vec3 direction() {
    for (;;) {
      const Vec3 v = point(1);
      const float l = std::sqrt(::dot(v, v));
      if (l > 0.1f && l <= 1) return v / l;
    }
  }
  // Three unit vectors at right angles.
  void frame(Vec3 out[3]) {
    const Vec3 a = direction();
    Vec3 b = cross(a, direction());
    while (::dot(b, b) < 0.01f) b = cross(a, direction());
    b = b / std::sqrt(::dot(b, b));
    out[0] = a, out[1] = b, out[2] = cross(a, b);
  }
};

// Counts the cases brute force decided, and checks each answer against it.
struct Tally {
  int hits = 0, misses = 0;
  void expect(Verdict v, bool got, int n) {
    if (v == Verdict::kUndecided) return;
    (v == Verdict::kHit ? hits : misses) += 1;
    EXPECT_EQ(got, v == Verdict::kHit) << "case " << n;
  }
  // Enough decided cases of both kinds for the comparison to mean something.
  void expect_enough(int cases) const {
    EXPECT_GT(hits, cases / 8);
    EXPECT_GT(misses, cases / 8);
  }
};

// `cases` random cases; one_case(random, n) gives the brute-force verdict
// and the test's answer.
template <class OneCase>
void expect_agreement(unsigned seed, int cases, OneCase one_case) {
  Random r(seed);
  Tally tally;
  for (int n = 0; n < cases; ++n) {
    const std::pair<Verdict, bool> answer = one_case(r, n);
    tally.expect(answer.first, answer.second, n);
  }
  tally.expect_enough(cases);
}

}  // namespace shape_oracle
