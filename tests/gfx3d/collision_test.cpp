// Collision tests against objects: the object and part rules, the face
// report, the transform level (moved, turned, scaled evenly and unevenly)
// and the bounding-sphere rejections, held against brute force.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gfx3d/intersect.h"
#include "gfx3d/matrix4.h"
#include "gfx3d/rainbows3d.h"
#include "gfx3d/transform_commands.h"
#include "tests/gfx3d/mesh_fixtures.h"
#include "tests/gfx3d/shape_oracle.h"

namespace {

using shape_oracle::Verdict;

// Part `part` of object `object` gets the triangles (three corners each) in
// frame `frame`.
MeshObjectX& add_part(Rainbows3D& engine, int object, const std::vector<Vec3>& corners,
                      int frames = 1) {
  ObjectSlot& slot = engine.objects[object];
  EXPECT_TRUE(slot.parts.reserve(slot.parts.count + 1));
  MeshObjectX& part = slot.parts[slot.parts.count++];
  for (int f = 0; f < frames; ++f) {
    mesh_fixture::add_run(part, kRunList, {}, f);
    for (const Vec3& c : corners) part.frames[f].vertices.push(mesh_fixture::vertex({c.x, c.y, c.z}));
  }
  part.build_triangles();
  part.compute_bounds();
  slot.used = 1;
  return part;
}

class Collision : public ::testing::Test {
 protected:
  void SetUp() override {
    qvl_x3d_engine = &engine_;
    qvl_x3d_last_hit_vertex = -1;
  }
  void TearDown() override { qvl_x3d_engine = nullptr; }
  Rainbows3D engine_{nullptr};
};

const std::vector<Vec3> kTriangle = {{1, 0, 0}, {-0.5f, 0.8660254f, 0}, {-0.5f, -0.8660254f, 0}};

TEST_F(Collision, SphereRules) {
  add_part(engine_, 5, kTriangle);
  EXPECT_TRUE(engine_.hit_sphere(5, 0, 0.5f, {0, 0, 0.4f}));
  EXPECT_EQ(qvl_x3d_last_hit_vertex, 0);
  EXPECT_FALSE(engine_.hit_sphere(5, 0, 0.5f, {0, 0, 0.6f}));
  EXPECT_EQ(qvl_x3d_last_hit_vertex, -1);
  // Exactly one radius above the first corner: the triangle test wants the
  // sphere to reach past the plane, the first-corner rule takes it.
  EXPECT_TRUE(engine_.hit_sphere(5, 0, 0.5f, {1, 0, 0.5f}));
  EXPECT_EQ(qvl_x3d_last_hit_vertex, -1);
  // Numbers outside the table or the object: no hit, the report untouched.
  qvl_x3d_last_hit_vertex = 9;
  for (int object : {-1, kObjectSlots, 4}) EXPECT_FALSE(engine_.hit_sphere(object, 0, 9, {0, 0, 0}));
  EXPECT_FALSE(engine_.hit_sphere(5, -1, 9, {0, 0, 0}));
  EXPECT_EQ(engine_.hit_ray(kObjectSlots + 3, 0, {0, 0, 1}, {0, 0, -1}), 0.0f);
  EXPECT_EQ(qvl_x3d_last_hit_vertex, 9);
  EXPECT_FALSE(engine_.hit_sphere(5, 1, 9, {0, 0, 0}));  // no frame 1
  EXPECT_EQ(qvl_x3d_last_hit_vertex, -1);
}

TEST_F(Collision, RayThroughAClosedCube) {
  ObjectSlot& slot = engine_.objects[0];
  ASSERT_TRUE(slot.parts.reserve(1));
  slot.parts.count = 1;
  mesh_fixture::add_cube(slot.parts[0]);
  slot.parts[0].build_triangles();
  slot.parts[0].compute_bounds();
  // From the centre: the face in front, half a unit away.
  EXPECT_FLOAT_EQ(engine_.hit_ray(0, 0, {0.1f, 0.2f, 0}, {0, 0, 2}), 0.5f);
  EXPECT_GE(qvl_x3d_last_hit_vertex, 0);
  EXPECT_EQ(qvl_x3d_last_hit_vertex % 3, 0);
  // From outside pointing away: the nearest face behind.
  EXPECT_FLOAT_EQ(engine_.hit_ray(0, 0, {0.1f, 0.2f, 3}, {0, 0, 1}), -2.5f);
  // A line that misses the cube.
  EXPECT_EQ(engine_.hit_ray(0, 0, {3, 0, 3}, {0, 0, 1}), 0.0f);
  EXPECT_EQ(qvl_x3d_last_hit_vertex, -1);
  EXPECT_EQ(engine_.hit_ray(0, 0, {0, 0, 3}, {0, 0, 0}), 0.0f);  // no direction
  // A short direction is still one unit long.
  EXPECT_FLOAT_EQ(engine_.hit_ray(0, 0, {0.1f, 0.2f, 3}, {0, 0, -1e-4f}), 2.5f);
}

TEST_F(Collision, EveryPartIsTestedAndTheHitFaceIsItsOwn) {
  add_part(engine_, 7, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  add_part(engine_, 7, {{10, 0, 0}, {11, 0, 0}, {10, 1, 0},     // face 0
                        {20, 0, 0}, {21, 0, 0}, {20, 1, 0}});  // face 1
  const Vec3 a1{0.5f, 0, 0}, a2{0, 0.5f, 0}, a3{0, 0, 0.5f};
  EXPECT_TRUE(engine_.hit_box(7, 0, {20.2f, 0.2f, 0}, a1, a2, a3));
  EXPECT_EQ(qvl_x3d_last_hit_vertex, 3);
  EXPECT_FALSE(engine_.hit_box(7, 0, {5, 0, 0}, a1, a2, a3));
  EXPECT_EQ(qvl_x3d_last_hit_vertex, -1);
  EXPECT_TRUE(engine_.hit_cone(7, 0, {10.2f, 0.2f, 5}, {0, 0, -1}, 10));
  EXPECT_FALSE(engine_.hit_cone(7, 0, {5, 0.2f, 5}, {0, 0, -1}, 10));
  EXPECT_FLOAT_EQ(engine_.hit_ray(7, 0, {20.2f, 0.2f, 4}, {0, 0, -1}), 4.0f);
  EXPECT_EQ(qvl_x3d_last_hit_vertex, 3);
  // The nearest hit over both parts, ahead before behind.
  EXPECT_FLOAT_EQ(engine_.hit_ray(7, 0, {0.2f, 0.2f, -1}, {0, 0, -1}), -1.0f);
}

TEST_F(Collision, TheLevelMovesTheObject) {
  add_part(engine_, 1, kTriangle);
  qvl_x3d_set_position(10, 0, 0);
  EXPECT_TRUE(engine_.hit_sphere(1, 0, 0.1f, {10, 0, 0}));
  EXPECT_FALSE(engine_.hit_sphere(1, 0, 0.1f, {0, 0, 0}));
  EXPECT_TRUE(engine_.sphere_hits_box({12, 0, 0}, 1, 1, 1, 1));  // touching a face
  EXPECT_FALSE(engine_.sphere_hits_box({12.01f, 0, 0}, 1, 1, 1, 1));
}

TEST_F(Collision, NumbersThatAreNoNumbersTouchNothing) {
  add_part(engine_, 1, kTriangle);
  const Vec3 nowhere{NAN, 0, 0};
  const Vec3 a{1, 0, 0}, b{0, 1, 0}, c{0, 0, 1};
  EXPECT_FALSE(engine_.hit_sphere(1, 0, 1, nowhere));
  EXPECT_FALSE(engine_.hit_box(1, 0, nowhere, a, b, c));
  EXPECT_FALSE(engine_.hit_cone(1, 0, nowhere, {0, 0, -1}, 120));
  EXPECT_EQ(engine_.hit_ray(1, 0, nowhere, {0, 0, -1}), 0.0f);
  EXPECT_FALSE(engine_.sphere_hits_box(nowhere, 1, 1, 1, 1));
  qvl_x3d_set_scale(NAN, 1, 1);
  EXPECT_FALSE(engine_.hit_box(1, 0, {0, 0, 0}, a, b, c));
  EXPECT_FALSE(engine_.hit_cone(1, 0, {0, 0, 1}, {0, 0, -1}, 120));
  EXPECT_FALSE(engine_.sphere_hits_box({0, 0, 0}, 1, 1, 1, 1));
}

// Scaled by 2 and turned: the query goes into object space and the radius
// shrinks with it; the ray's parameter stays a world distance.
TEST_F(Collision, EvenScaleAndTurn) {
  add_part(engine_, 1, kTriangle);
  qvl_x3d_set_scale(2, 2, 2);
  qvl_x3d_rotate(90, 1, 0, 0);  // the triangle now stands in the plane y = 0
  // World corner (2, 0, 0); the face spans z up to 1.73.
  EXPECT_TRUE(engine_.hit_sphere(1, 0, 0.5f, {0, 0.4f, 0}));
  EXPECT_FALSE(engine_.hit_sphere(1, 0, 0.5f, {0, 0.6f, 0}));
  EXPECT_TRUE(engine_.hit_sphere(1, 0, 0.5f, {2.4f, 0, 0}));
  EXPECT_FLOAT_EQ(engine_.hit_ray(1, 0, {0.5f, 5, 0.5f}, {0, -1, 0}), 5.0f);
  EXPECT_TRUE(engine_.hit_box(1, 0, {0, 0.3f, 1.5f}, {0.35f, 0, 0}, {0, 0.35f, 0}, {0, 0, 0.35f}));
  EXPECT_FALSE(engine_.hit_box(1, 0, {0, 0.4f, 1.5f}, {0.35f, 0, 0}, {0, 0.35f, 0}, {0, 0, 0.35f}));
  // A box of half size 1 in the level's units reaches 2 in the world.
  EXPECT_TRUE(engine_.sphere_hits_box({3.9f, 0, 0}, 2, 1, 1, 1));
  EXPECT_FALSE(engine_.sphere_hits_box({4.1f, 0, 0}, 2, 1, 1, 1));
}

// Stretched three times along y: a sphere cannot be taken into object
// space, so the triangles come out into the world.
TEST_F(Collision, UnevenScale) {
  add_part(engine_, 1, kTriangle);
  qvl_x3d_set_scale(1, 3, 1);
  // World corners (1, 0), (-0.5, 2.6), (-0.5, -2.6) in z = 0.
  EXPECT_TRUE(engine_.hit_sphere(1, 0, 0.3f, {-0.5f, 2.4f, 0.2f}));
  EXPECT_FALSE(engine_.hit_sphere(1, 0, 0.3f, {-0.5f, 2.4f, 0.4f}));
  EXPECT_FLOAT_EQ(engine_.hit_ray(1, 0, {-0.45f, 2.4f, 3}, {0, 0, -1}), 3.0f);
  EXPECT_EQ(engine_.hit_ray(1, 0, {-0.45f, 2.6f, 3}, {0, 0, -1}), 0.0f);
  EXPECT_TRUE(engine_.hit_cone(1, 0, {-0.45f, 2.4f, 2}, {0, 0, -1}, 1));
  EXPECT_TRUE(engine_.sphere_hits_box({0, 3.9f, 0}, 1, 1, 1, 1));  // the box reaches y = 3
  EXPECT_FALSE(engine_.sphere_hits_box({0, 4.1f, 0}, 1, 1, 1, 1));
  EXPECT_TRUE(engine_.sphere_hits_box({0, 0, 0}, 0.1f, 1, 1, 1));  // inside
}

// Real hits that a coarser bounding rejection would drop.
TEST_F(Collision, BoundingRejectionKeepsRealHits) {
  add_part(engine_, 1, kTriangle);  // bound: the unit circle about the origin
  // A box whose corner region holds the corner (1, 0, 0), centre 2.29 away:
  // more than sqrt(|a1 + a2 + a3|^2 + R^2) = 2.
  EXPECT_TRUE(engine_.hit_box(1, 0, {1.9f, 0.9f, 0.9f}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}));
  // A 60-degree cone along +x whose apex lies ahead of the bound's centre,
  // yet its side sweeps over a corner.
  Rainbows3D& e = engine_;
  add_part(e, 2, {{0.3f, 0.45f, 0}, {-0.7f, 1.0f, 0}, {-0.2f, 1.5f, 0}});
  EXPECT_TRUE(e.hit_cone(2, 0, {0, 0, 0}, {1, 0, 0}, 60));
  // A 45-degree cone: the bound's centre 2.4 from the axis, 2 along it,
  // radius 0.5: within 2 + 0.5 / cos 45, but not within sqrt(2^2 + 0.5^2).
  add_part(e, 3, {{2, 1.95f, 0}, {2, 2.9f, 0}, {2, 2.4f, 0.45f}});
  EXPECT_TRUE(e.hit_cone(3, 0, {0, 0, 0}, {1, 0, 0}, 45));
  EXPECT_FALSE(e.hit_cone(3, 0, {0, 0, 0}, {1, 0, 0}, 40));
}

// ---- Against brute force ------------------------------------------------

struct Scene {
  std::vector<Vec3> corners;  // object space
  float matrix[16];           // the level's
  std::vector<Vec3> world() const {
    std::vector<Vec3> w;
    for (const Vec3& c : corners) w.push_back(qvl_x3d_transformed(matrix, c));
    return w;
  }
};

// A random soup of triangles under a random level: moved, turned about a
// random axis, and scaled evenly (even cases) or unevenly (odd ones).
Scene random_scene(Rainbows3D& engine, shape_oracle::Random& r, int n) {
  Scene s;
  const Vec3 centre = r.point(0.5f);
  for (int i = 0; i < 3 * 6; ++i) s.corners.push_back(centre + r.point(1));
  engine.objects[1].clear_parts(true);
  add_part(engine, 1, s.corners);
  qvl_x3d_pop_transform();
  const float k = r.uniform(0.5f, 2);
  if (n % 2 == 0)
    qvl_x3d_set_scale(k, k, k);
  else
    qvl_x3d_set_scale(k, r.uniform(0.5f, 2), r.uniform(0.5f, 2));
  qvl_x3d_set_position(r.uniform(-2, 2), r.uniform(-2, 2), r.uniform(-2, 2));
  const Vec3 axis = r.direction();
  qvl_x3d_rotate(r.uniform(0, 360), axis.x, axis.y, axis.z);
  engine.update_object_matrix();
  for (int i = 0; i < 16; ++i) s.matrix[i] = engine.transform_levels[0].matrix[i];
  return s;
}

// Hit when some world triangle surely is, miss when all surely are not.
template <class Shape>
Verdict scene_verdict(const Scene& scene, const Shape& shape) {
  const std::vector<Vec3> w = scene.world();
  bool undecided = false;
  for (size_t i = 0; i < w.size(); i += 3) {
    const Verdict v = shape_oracle::triangle_verdict(shape, w[i], w[i + 1], w[i + 2], 32, 1e-3);
    if (v == Verdict::kHit) return v;
    undecided = undecided || v == Verdict::kUndecided;
  }
  return undecided ? Verdict::kUndecided : Verdict::kMiss;
}

constexpr int kScenes = 300;

TEST_F(Collision, ShapesUnderRandomLevelsAgainstBruteForce) {
  shape_oracle::Random r(21);
  shape_oracle::Tally spheres, boxes, cones;
  for (int n = 0; n < kScenes; ++n) {
    const Scene scene = random_scene(engine_, r, n);
    const Vec3 pos{scene.matrix[12], scene.matrix[13], scene.matrix[14]};

    const Vec3 c = pos + r.point(2);
    const float radius = r.uniform(0.1f, 1.5f);
    spheres.expect(scene_verdict(scene, shape_oracle::Sphere{shape_oracle::d3(c), radius}),
                   engine_.hit_sphere(1, 0, radius, c), n);

    Vec3 u[3];
    r.frame(u);
    shape_oracle::Box box{shape_oracle::d3(c), {}, {}};
    Vec3 a[3];
    for (int i = 0; i < 3; ++i) {
      const float half = r.uniform(0.1f, 1.2f);
      a[i] = u[i] * half;
      box.unit[i] = shape_oracle::d3(u[i]);
      box.half[i] = half;
    }
    boxes.expect(scene_verdict(scene, box), engine_.hit_box(1, 0, c, a[0], a[1], a[2]), n);

    const Vec3 apex = pos + r.point(5);
    const Vec3 axis = normalized(pos + r.point(3) - apex);
    const float degrees = r.uniform(2, 45);
    const shape_oracle::Cone cone{shape_oracle::d3(apex), shape_oracle::d3(axis),
                                  degrees * 0.017453292};
    cones.expect(scene_verdict(scene, cone), engine_.hit_cone(1, 0, apex, axis * 3, degrees), n);
  }
  for (const shape_oracle::Tally* t : {&spheres, &boxes, &cones}) t->expect_enough(kScenes);
}

// The distance along the ray in the world, against the nearest crossing of
// the world triangles in double precision.
TEST_F(Collision, RaysUnderRandomLevelsAgainstBruteForce) {
  using namespace shape_oracle;
  shape_oracle::Random r(22);
  int hits = 0;
  for (int n = 0; n < kScenes; ++n) {
    const Scene scene = random_scene(engine_, r, n);
    const Vec3 pos{scene.matrix[12], scene.matrix[13], scene.matrix[14]};
    const Vec3 start = pos + r.point(4);
    const Vec3 direction = normalized(pos + r.point(1) - start) * r.uniform(0.5f, 3);
    const std::vector<Vec3> w = scene.world();
    const D3 p = d3(start), d = d3(normalized(direction));
    double ahead = 0, behind = 0;
    bool near_edge = false;
    for (size_t i = 0; i < w.size(); i += 3) {
      Crossing crossing;
      if (!line_crossing(p, d, w[i], w[i + 1], w[i + 2], 1e-6, &crossing)) continue;
      const double t = crossing.t, edge = crossing.inside;
      if (std::fabs(edge) < 1e-3) near_edge = true;
      if (edge < 0) continue;
      if (t > 0 && (ahead == 0 || t < ahead)) ahead = t;
      if (t < 0 && (behind == 0 || t > behind)) behind = t;
    }
    if (near_edge) continue;
    const double want = ahead != 0 ? ahead : behind;
    hits += want != 0;
    EXPECT_NEAR(engine_.hit_ray(1, 0, start, direction), want, 1e-3 * (1 + std::fabs(want)))
        << "case " << n;
  }
  EXPECT_GT(hits, kScenes / 4);
}

}  // namespace
