// The intersection primitives: their fixed cases, and the sphere, box, cone
// and ray tests held against brute force on random cases.
#include "gfx3d/intersect.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/gfx3d/shape_oracle.h"

namespace {

using shape_oracle::Verdict;

TEST(Intersect, PointInPolygon) {
  const Vec3 square[4] = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
  EXPECT_TRUE(qvl_x3d_point_in_polygon({1, 1, 0}, square, 4));
  EXPECT_FALSE(qvl_x3d_point_in_polygon({3, 1, 0}, square, 4));
  EXPECT_FALSE(qvl_x3d_point_in_polygon({1, 1, 0}, square, 0));
  const Vec3 triangle[3] = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}};
  EXPECT_FALSE(qvl_x3d_point_in_polygon({0, 0, 0}, triangle, 3));  // on a corner
  // On a slanted edge the cosine of the straight angle rounds to just below
  // -1; clamped, the angles still add up to a full turn.
  const Vec3 a{0.1f, 0.2f, 0.3f}, b{0.7f, 0.9f, -0.4f}, c{0.5f, -0.6f, 0.9f};
  const Vec3 on_edge = a + (b - a) * 0.004f;
  const Vec3 ta = a - on_edge, tb = b - on_edge;
  ASSERT_LT(dot(ta, tb) / (std::sqrt(dot(ta, ta)) * std::sqrt(dot(tb, tb))), -1.0f);
  const Vec3 slanted[3] = {a, b, c};
  EXPECT_TRUE(qvl_x3d_point_in_polygon(on_edge, slanted, 3));
}

TEST(Intersect, LinePlaneAndLinePolygon) {
  const Vec3 up{0, 0, 1};
  const Vec3 p = qvl_x3d_line_plane_point(up, {1, 2, 5}, {1, 2, 3}, -1);  // plane z = 1
  EXPECT_EQ(p.z, 1.0f);
  EXPECT_EQ(p.x, 1.0f);
  const Vec3 parallel = qvl_x3d_line_plane_point(up, {1, 2, 5}, {3, 2, 5}, -1);
  EXPECT_EQ(parallel.x, 1.0f);
  EXPECT_EQ(parallel.z, 5.0f);
  const Vec3 square[4] = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
  EXPECT_TRUE(qvl_x3d_line_hits_polygon(square, 4, {1, 1, 1}, {1, 1, -1}));
  EXPECT_FALSE(qvl_x3d_line_hits_polygon(square, 4, {3, 1, 1}, {3, 1, -1}));
  EXPECT_FALSE(qvl_x3d_line_hits_polygon(square, 4, {1, 1, 1}, {1, 1, 0}));  // an end on it
  EXPECT_FALSE(qvl_x3d_line_hits_polygon(square, 2, {1, 1, 1}, {1, 1, -1}));
}

TEST(Intersect, ClassifySphere) {
  struct Case {
    float z;
    int result;
  } cases[] = {{2, 0}, {-2, 0}, {1.5f, 1}, {0, 1}, {2.5f, 2}, {-3, 0}};
  for (const Case& c : cases) {
    float distance = 0;
    EXPECT_EQ(qvl_x3d_classify_sphere({5, 5, c.z}, {0, 0, 1}, {0, 0, 0}, 2, &distance), c.result)
        << c.z;
    EXPECT_EQ(distance, c.z);
  }
}

TEST(Intersect, SphereAgainstTriangle) {
  const Vec3 t[3] = {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}};
  struct Case {
    Vec3 centre;
    float radius;
    bool hit;
  } cases[] = {
      {{1, 1, 0.5f}, 1, true},     // over the inside
      {{1, 1, 1}, 1, false},       // touching the plane does not count
      {{2, -0.5f, 0}, 1, true},    // in the plane, near the middle of an edge
      {{-0.8f, -0.8f, 0}, 1, false},  // off a corner by more than the radius
      {{-0.6f, -0.6f, 0}, 1, true},
      {{2.5f, 2.5f, 0.3f}, 1, true},  // beyond the long edge, within reach
  };
  for (const Case& c : cases)
    EXPECT_EQ(qvl_x3d_sphere_hits_triangle(t, c.centre, c.radius), c.hit)
        << c.centre.x << " " << c.centre.y << " " << c.centre.z;
  // A 2000-wide floor: a sphere just below floor height, 5 units past the
  // edge's middle, is 5 units away. An angle sum with a 0.99 turn would let
  // it in.
  const Vec3 floor[3] = {{-1000, 0, -1000}, {1000, 0, -1000}, {0, 0, 1000}};
  EXPECT_FALSE(qvl_x3d_sphere_hits_triangle(floor, {0, 0.9f, -1005}, 1));
  EXPECT_TRUE(qvl_x3d_sphere_hits_triangle(floor, {0, 0.9f, -999}, 1));
  // A triangle of a model in small units still has a unit normal.
  const Vec3 tiny[3] = {{0, 0, 0}, {0.004f, 0, 0}, {0, 0.004f, 0}};
  EXPECT_FALSE(qvl_x3d_sphere_hits_triangle(tiny, {0.001f, 0.001f, 0.002f}, 0.0015f));
  EXPECT_TRUE(qvl_x3d_sphere_hits_triangle(tiny, {0.001f, 0.001f, 0.0009f}, 0.001f));
  // A triangle without area is its edges.
  const Vec3 line[3] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
  EXPECT_TRUE(qvl_x3d_sphere_hits_triangle(line, {1.5f, 0.5f, 0}, 0.6f));
  EXPECT_FALSE(qvl_x3d_sphere_hits_triangle(line, {1.5f, 0.7f, 0}, 0.6f));
}

TEST(Intersect, SphereAgainstEdges) {
  const Vec3 t[3] = {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}};
  EXPECT_TRUE(qvl_x3d_sphere_hits_edges({2, -0.9f, 0}, t, 3, 1));
  EXPECT_FALSE(qvl_x3d_sphere_hits_edges({2, -1, 0}, t, 3, 1));  // exactly 1 away
  // Edges shorter than 3.2e-4 are measured as segments too.
  const Vec3 small[3] = {{0, 0, 0}, {1e-4f, 0, 0}, {0, 1e-4f, 0}};
  EXPECT_TRUE(qvl_x3d_sphere_hits_edges({0.5e-4f, -0.4e-4f, 0}, small, 3, 0.5e-4f));
}

TEST(Intersect, BoxAgainstTriangle) {
  const Vec3 big[3] = {{-10, 0, -10}, {10, 0, -10}, {0, 0, 10}};
  const Vec3 a1{0.5f, 0, 0}, a2{0, 0.5f, 0}, a3{0, 0, 0.5f};
  // Resting 0.5 above the triangle: only its face normal separates them.
  EXPECT_FALSE(qvl_x3d_box_hits_triangle({0, 1, 0}, a1, a2, a3, big[0], big[1], big[2]));
  EXPECT_TRUE(qvl_x3d_box_hits_triangle({0, 0.5f, 0}, a1, a2, a3, big[0], big[1], big[2]));
  EXPECT_TRUE(qvl_x3d_box_hits_triangle({0, 0.2f, 0}, a1, a2, a3, big[0], big[1], big[2]));
  // Beside a standing triangle, turned by 45 degrees.
  const Vec3 t0{0, 0, 0}, t1{1, 1, 0}, t2{1, 1, 1};
  const Vec3 turned1{0.3536f, -0.3536f, 0}, turned2{0.3536f, 0.3536f, 0};
  EXPECT_FALSE(qvl_x3d_box_hits_triangle({1.2f, 0.2f, 0.5f}, turned1, turned2, a3, t0, t1, t2));
  // A flat box (no depth) keeps its face normal.
  const Vec3 none{0, 0, 0};
  const Vec3 high[3] = {{-1, -1, 1}, {1, -1, 2}, {0, 1, 1.5f}};
  EXPECT_FALSE(qvl_x3d_box_hits_triangle({0, 0, 0}, a1, a2, none, high[0], high[1], high[2]));
}

TEST(Intersect, RayAgainstTriangle) {
  const Vec3 t[3] = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}};
  EXPECT_FLOAT_EQ(qvl_x3d_ray_hits_triangle(t, {0.5f, 0.5f, 2}, {0.5f, 0.5f, 1}), 2.0f);
  EXPECT_FLOAT_EQ(qvl_x3d_ray_hits_triangle(t, {0.5f, 0.5f, 2}, {0.5f, 0.5f, 3}), -2.0f);  // behind
  EXPECT_EQ(qvl_x3d_ray_hits_triangle(t, {3, 3, 2}, {3, 3, 1}), 0.0f);  // plane met outside
  EXPECT_EQ(qvl_x3d_ray_hits_triangle(t, {0.5f, 0.5f, 2}, {1, 0.5f, 2}), 0.0f);  // parallel
  const Vec3 flat[3] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}};
  EXPECT_EQ(qvl_x3d_ray_hits_triangle(flat, {0, 0, 2}, {0, 0, 1}), 0.0f);
}

TEST(Intersect, ConeAgainstTriangle) {
  const Vec3 axis{0, 0, -1}, apex{0, 0, 0};
  const float cos30 = std::cos(30 * 0.017453292f);
  // A corner inside the cone.
  const Vec3 corner[3] = {{0, 0, -5}, {10, 0, -5}, {10, 10, -5}};
  EXPECT_TRUE(qvl_x3d_cone_hits_triangle(axis, apex, cos30, corner));
  // Pierced by the axis with every corner outside: the face stage.
  const Vec3 wide[3] = {{-50, -50, -5}, {50, -50, -5}, {0, 80, -5}};
  EXPECT_TRUE(qvl_x3d_cone_hits_triangle(axis, apex, cos30, wide));
  // Wholly behind the apex.
  const Vec3 behind[3] = {{-50, -50, 5}, {50, -50, 5}, {0, 80, 5}};
  EXPECT_FALSE(qvl_x3d_cone_hits_triangle(axis, apex, cos30, behind));
  // Crossed by the cone along an edge only.
  const Vec3 edge[3] = {{-10, 1, -5}, {10, 1, -5}, {0, 20, -5}};
  EXPECT_TRUE(qvl_x3d_cone_hits_triangle(axis, apex, cos30, edge));
  const Vec3 off[3] = {{-10, 4, -5}, {10, 4, -5}, {0, 20, -5}};
  EXPECT_FALSE(qvl_x3d_cone_hits_triangle(axis, apex, cos30, off));
  // Wider than a right angle: all but a cone of 60 degrees about +z.
  const float cos120 = std::cos(120 * 0.017453292f);
  EXPECT_TRUE(qvl_x3d_cone_hits_triangle(axis, apex, cos120, behind));
  const Vec3 straight_behind[3] = {{-1, -1, 5}, {1, -1, 5}, {0, 1, 5}};
  EXPECT_FALSE(qvl_x3d_cone_hits_triangle(axis, apex, cos120, straight_behind));
}

TEST(Intersect, SphereAgainstAlignedBox) {
  EXPECT_TRUE(qvl_x3d_sphere_hits_aabb({2, 0, 0}, 1, 1, 1, 1));
  EXPECT_FALSE(qvl_x3d_sphere_hits_aabb({2, 0, 0}, 0.99f, 1, 1, 1));
  EXPECT_TRUE(qvl_x3d_sphere_hits_aabb({0.5f, 0.5f, 0.5f}, 0, 1, 1, 1));  // inside
  EXPECT_FALSE(qvl_x3d_sphere_hits_aabb({2, 2, 0}, 1.99f, 1, 1, 1));    // off an edge
  EXPECT_TRUE(qvl_x3d_sphere_hits_aabb({2, -2, 0}, 2, 1, 1, 1));
}

// ---- Against brute force ------------------------------------------------

constexpr int kCases = 1500;

TEST(IntersectOracle, Sphere) {
  shape_oracle::expect_agreement(1, kCases, [](shape_oracle::Random& r, int) {
    const Vec3 t[3] = {r.point(1), r.point(1), r.point(1)};
    const Vec3 c = r.point(1.5f);
    const float radius = r.uniform(0.05f, 1);
    const shape_oracle::Sphere s{shape_oracle::d3(c), radius};
    return std::pair(shape_oracle::triangle_verdict(s, t[0], t[1], t[2]),
                     qvl_x3d_sphere_hits_triangle(t, c, radius));
  });
}

TEST(IntersectOracle, Box) {
  shape_oracle::expect_agreement(2, kCases, [](shape_oracle::Random& r, int n) {
    const Vec3 t[3] = {r.point(1), r.point(1), r.point(1)};
    const Vec3 c = r.point(1);
    Vec3 u[3];
    r.frame(u);
    shape_oracle::Box box{shape_oracle::d3(c), {}, {}};
    Vec3 a[3];
    for (int i = 0; i < 3; ++i) {
      // Every fifth box is flat.
      const float half = i == 2 && n % 5 == 0 ? 0.0f : r.uniform(0.05f, 1);
      a[i] = u[i] * half;
      box.unit[i] = shape_oracle::d3(u[i]);
      box.half[i] = half;
    }
    return std::pair(shape_oracle::triangle_verdict(box, t[0], t[1], t[2]),
                     qvl_x3d_box_hits_triangle(c, a[0], a[1], a[2], t[0], t[1], t[2]));
  });
}

TEST(IntersectOracle, Cone) {
  shape_oracle::expect_agreement(3, kCases, [](shape_oracle::Random& r, int) {
    const Vec3 t[3] = {r.point(1), r.point(1), r.point(1)};
    const Vec3 apex = r.point(2);
    const Vec3 axis = r.direction();
    const float g = r.uniform(1, 85) * 0.017453292f;
    const shape_oracle::Cone cone{shape_oracle::d3(apex), shape_oracle::d3(axis), g};
    return std::pair(shape_oracle::triangle_verdict(cone, t[0], t[1], t[2]),
                     qvl_x3d_cone_hits_triangle(axis, apex, std::cos(g), t));
  });
}

// The ray test against Moller-Trumbore in double precision, away from the
// triangle's edges.
TEST(IntersectOracle, Ray) {
  using namespace shape_oracle;
  shape_oracle::Random r(4);
  int hits = 0, misses = 0;
  for (int n = 0; n < kCases; ++n) {
    const Vec3 t[3] = {r.point(1), r.point(1), r.point(1)};
    // Aimed near the triangle, so that many rays hit and many pass close.
    const Vec3 aim = t[0] + (t[1] - t[0]) * r.uniform(-0.3f, 1) + (t[2] - t[0]) * r.uniform(-0.3f, 1);
    const Vec3 p = r.point(2), q = p + normalized(aim - p);
    Crossing crossing;
    if (!line_crossing(d3(p), d3(q) - d3(p), t[0], t[1], t[2], 1e-3, &crossing)) continue;
    const double along = crossing.t, edge = crossing.inside;
    const float got = qvl_x3d_ray_hits_triangle(t, p, q);
    if (edge > 1e-3) {
      ++hits;
      EXPECT_NEAR(got, along, 1e-3 * (1 + std::fabs(along))) << "case " << n;
    } else if (edge < -1e-3) {
      ++misses;
      EXPECT_EQ(got, 0.0f) << "case " << n;
    }
  }
  EXPECT_GT(hits, kCases / 8);
  EXPECT_GT(misses, kCases / 8);
}

}  // namespace
