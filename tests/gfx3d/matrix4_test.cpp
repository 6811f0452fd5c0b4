// The 4 x 4 maths: products, inverses, projection to the window and back,
// the projection and camera matrices, turns and the wire sphere.
#include "gfx3d/matrix4.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

std::vector<float> identity() {
  std::vector<float> m(16);
  qvl_x3d_identity(m.data());
  return m;
}

std::vector<float> random_matrix(std::mt19937& rng) {
  std::uniform_real_distribution<float> d(-2.0f, 2.0f);
  std::vector<float> m(16);
  for (float& v : m) v = d(rng);
  return m;
}

void expect_near_matrix(const float* a, const float* b, float tolerance) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], tolerance) << "element " << i;
}

TEST(Matrix4, ProductIsColumnMajorAndMayOverwriteItsLeftFactor) {
  // a: translation by (1, 2, 3); b: scaling by 2. a x b scales, then moves.
  std::vector<float> a = identity(), b = identity();
  a[12] = 1, a[13] = 2, a[14] = 3;
  b[0] = b[5] = b[10] = 2;
  float p[3] = {1, 1, 1};
  float ab[16];
  qvl_x3d_multiply_matrices(ab, a.data(), b.data());
  qvl_x3d_transform_point(ab, p);
  EXPECT_EQ(p[0], 3.0f);
  EXPECT_EQ(p[1], 4.0f);
  EXPECT_EQ(p[2], 5.0f);

  std::mt19937 rng(7);
  std::vector<float> x = random_matrix(rng), y = random_matrix(rng);
  float separate[16];
  qvl_x3d_multiply_matrices(separate, x.data(), y.data());
  qvl_x3d_multiply_matrices(x.data(), x.data(), y.data());
  EXPECT_EQ(std::memcmp(separate, x.data(), sizeof separate), 0);
}

TEST(Matrix4, RigidInverse) {
  std::vector<float> t = identity();
  t[12] = 1, t[13] = 2, t[14] = 3;
  qvl_x3d_invert_rigid(t.data());
  std::vector<float> expected = identity();
  expected[12] = -1, expected[13] = -2, expected[14] = -3;
  EXPECT_EQ(t, expected);

  float r[16];
  ASSERT_TRUE(qvl_x3d_rotation_matrix(30, 1, 2, 3, r));
  float inverse[16];
  std::memcpy(inverse, r, sizeof r);
  qvl_x3d_invert_rigid(inverse);
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) EXPECT_EQ(inverse[4 * col + row], r[4 * row + col]);
}

// The pivot is the last later row larger than row i's own entry, not the
// largest one.
TEST(Matrix4, PivotRule) {
  struct Case {
    double column[4];
    int step, pivot;
  } cases[] = {
      {{1, 3, 2, 0}, 0, 2},   // rows 1 and 2 beat row 0: the last wins
      {{1, 3, 0.5, 0}, 0, 1},
      {{3, 1, 2, -2}, 0, 0},  // none larger: row 0 stays
      {{0, 0, 0, 0}, 0, 0},
      {{9, 1, 2, -3}, 1, 3},  // magnitudes compared; rows above i ignored
      {{9, 9, 1, 5}, 2, 3},
  };
  for (const Case& c : cases) {
    double rows[4][4] = {};
    for (int r = 0; r < 4; ++r) rows[r][c.step] = c.column[r];
    EXPECT_EQ(qvl_x3d_pivot_row(rows, c.step), c.pivot) << c.column[0] << " " << c.column[1];
  }
}

TEST(Matrix4, GeneralInverse) {
  std::mt19937 rng(11);
  for (int n = 0; n < 50; ++n) {
    std::vector<float> m = random_matrix(rng), inverse = m;
    ASSERT_TRUE(qvl_x3d_invert_matrix(inverse.data()));
    float product[16];
    qvl_x3d_multiply_matrices(product, m.data(), inverse.data());
    float det_guard = 0;  // random matrices may be poorly conditioned
    for (float v : inverse) det_guard = std::fmax(det_guard, std::fabs(v));
    expect_near_matrix(product, identity().data(), 1e-5f * std::fmax(1.0f, det_guard));
  }
  // A zero column: no inverse, the matrix stays as it was.
  std::vector<float> m = random_matrix(rng);
  m[4] = m[5] = m[6] = m[7] = 0;
  const std::vector<float> before = m;
  EXPECT_FALSE(qvl_x3d_invert_matrix(m.data()));
  EXPECT_EQ(m, before);
  std::vector<float> nan = identity();
  nan[5] = NAN;
  EXPECT_FALSE(qvl_x3d_invert_matrix(nan.data()));
}

TEST(Matrix4, NormalizeLeavesTinyVectors) {
  float zero[3] = {0, 0, 0}, tiny[3] = {3e-4f, 0, 0}, small[3] = {4e-4f, 0, 0};
  qvl_x3d_normalize(zero);
  qvl_x3d_normalize(tiny);  // squared length 9e-8: too short
  qvl_x3d_normalize(small);
  EXPECT_EQ(zero[0], 0.0f);
  EXPECT_EQ(tiny[0], 3e-4f);
  EXPECT_EQ(small[0], 1.0f);
}

TEST(Matrix4, TanPolynomial) {
  for (float t = -0.785f; t <= 0.786f; t += 0.01f)
    EXPECT_NEAR(qvl_x3d_tan_polynomial(t), std::tan(t), 2e-6f * (1 + std::fabs(std::tan(t))));
}

// begin-3D's projection for near 1, far 1000 and 45 degrees on 800 x 600.
TEST(Matrix4, PerspectiveProjection) {
  float m[16];
  ASSERT_TRUE(qvl_x3d_projection_matrix(1, 1000, 45, 800.0f / 600.0f, m));
  EXPECT_FLOAT_EQ(m[10], -1001.0f / 999.0f);
  EXPECT_FLOAT_EQ(m[14], -2000.0f / 999.0f);
  EXPECT_EQ(m[11], -1.0f);
  EXPECT_FLOAT_EQ(m[0], m[5] * 600.0f / 800.0f);
  EXPECT_NEAR(m[5], 1.0 / std::tan(22.5 * M_PI / 180.0), 1e-5);
  for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 12, 13, 15}) EXPECT_EQ(m[i], 0.0f) << i;
}

TEST(Matrix4, OrthographicProjection) {
  float m[16];
  ASSERT_TRUE(qvl_x3d_projection_matrix(1, 1000, -45, 2.0f, m));
  const double top = std::tan(22.5 * M_PI / 180.0) * 100.0;
  EXPECT_NEAR(m[5], 1.0 / top, 1e-7);
  EXPECT_NEAR(m[0], 1.0 / (2.0 * top), 1e-7);
  EXPECT_FLOAT_EQ(m[10], -2.0f / 999.0f);
  EXPECT_FLOAT_EQ(m[14], -1001.0f / 999.0f);
  EXPECT_EQ(m[15], 1.0f);
  EXPECT_EQ(m[11], 0.0f);
}

// Numbers that would divide by zero give no matrix at all.
TEST(Matrix4, DegenerateProjectionsAreRefused) {
  struct Case {
    float near_plane, far_plane, fov, aspect;
  } cases[] = {
      {1, 1000, 0, 1},    // an orthographic view of no size
      {0, 1000, 45, 1},   // near 0
      {0, 1000, -45, 1},  // near 0, orthographic
      {5, 5, 45, 1},      // far = near
      {5, 5, -45, 1},
      {1, 1000, 45, 0},   // a viewport without width
      {1, 1000, NAN, 1},
  };
  for (const Case& c : cases) {
    float m[16];
    qvl_x3d_identity(m);
    m[1] = 7;
    EXPECT_FALSE(qvl_x3d_projection_matrix(c.near_plane, c.far_plane, c.fov, c.aspect, m))
        << c.near_plane << " " << c.far_plane << " " << c.fov;
    EXPECT_EQ(m[1], 7.0f);
  }
}

TEST(Matrix4, FrustumAndOrthoMatricesAsGlBuildsThem) {
  float f[16];
  ASSERT_TRUE(qvl_x3d_frustum_matrix(-1, 1, -1, 1, 1, 10, f));
  EXPECT_EQ(f[0], 1.0f);
  EXPECT_EQ(f[5], 1.0f);
  EXPECT_FLOAT_EQ(f[10], -11.0f / 9.0f);
  EXPECT_FLOAT_EQ(f[14], -20.0f / 9.0f);
  EXPECT_EQ(f[11], -1.0f);
  EXPECT_EQ(f[15], 0.0f);
  float o[16];
  ASSERT_TRUE(qvl_x3d_ortho_matrix(0, 4, -1, 1, -1, 1, o));
  EXPECT_EQ(o[0], 0.5f);
  EXPECT_EQ(o[12], -1.0f);
  EXPECT_EQ(o[10], -1.0f);
  EXPECT_EQ(o[15], 1.0f);
  EXPECT_FALSE(qvl_x3d_frustum_matrix(1, 1, -1, 1, 1, 10, f));
  EXPECT_FALSE(qvl_x3d_frustum_matrix(-1, 1, -1, 1, 0, 10, f));
  EXPECT_FALSE(qvl_x3d_ortho_matrix(-1, 1, 2, 2, 1, 10, o));
  EXPECT_FALSE(qvl_x3d_ortho_matrix(-1, 1, -1, 1, 3, 3, o));
}

TEST(Matrix4, Turns) {
  auto turned = [](float angle, float x, float y, float z, Vec3 p) {
    float m[16];
    EXPECT_TRUE(qvl_x3d_rotation_matrix(angle, x, y, z, m));
    return qvl_x3d_transformed(m, p);
  };
  const Vec3 a = turned(90, 0, 0, 1, {1, 0, 0});  // right-handed: x to y
  EXPECT_NEAR(a.x, 0, 1e-6);
  EXPECT_NEAR(a.y, 1, 1e-6);
  const Vec3 b = turned(90, 0, 0, -3, {1, 0, 0});
  EXPECT_NEAR(b.y, -1, 1e-6);
  const Vec3 c = turned(90, 2, 0, 0, {0, 1, 0});  // y to z
  EXPECT_NEAR(c.z, 1, 1e-6);
  const Vec3 d = turned(90, 0, 1, 0, {0, 0, 1});  // z to x
  EXPECT_NEAR(d.x, 1, 1e-6);
  const Vec3 e = turned(120, 1, 1, 1, {1, 0, 0});  // a third turn about the diagonal
  EXPECT_NEAR(e.x, 0, 1e-6);
  EXPECT_NEAR(e.y, 1, 1e-6);
  EXPECT_NEAR(e.z, 0, 1e-6);
  // Plain single-axis matrices keep their untouched entries exact.
  float m[16];
  ASSERT_TRUE(qvl_x3d_rotation_matrix(37, 0, 0, 5, m));
  EXPECT_EQ(m[10], 1.0f);
  EXPECT_EQ(m[2], 0.0f);
  EXPECT_FALSE(qvl_x3d_rotation_matrix(37, 0, 0, 0.0001f, m));
  EXPECT_FALSE(qvl_x3d_rotation_matrix(37, 0, 0, 0, m));
}

TEST(Matrix4, LookAtFromFiveUnitsOut) {
  float m[16];
  qvl_x3d_look_at_matrix({0, 0, 5}, {0, 0, 0}, {0, 1, 0}, m);
  std::vector<float> expected = identity();
  expected[14] = -5;
  EXPECT_EQ(std::vector<float>(m, m + 16), expected);
  // Looking along +x from the origin: the target lands on -z.
  qvl_x3d_look_at_matrix({0, 0, 0}, {10, 0, 0}, {0, 1, 0}, m);
  const Vec3 t = qvl_x3d_transformed(m, {10, 0, 0});
  EXPECT_NEAR(t.x, 0, 1e-5);
  EXPECT_NEAR(t.y, 0, 1e-5);
  EXPECT_NEAR(t.z, -10, 1e-5);
}

struct Projected {
  float x, y, z;
  int ok;
};

Projected project(Vec3 p, const int viewport[4], const float* proj, const float* view) {
  Projected r{-1, -1, -1, 0};
  r.ok = qvl_x3d_project_point(p.x, p.y, p.z, &r.x, &r.y, &r.z, viewport, proj, view);
  return r;
}

// The window's y grows downwards, from the top of the viewport.
TEST(Matrix4, ProjectionToTheWindow) {
  const int viewport[4] = {100, 50, 640, 480};
  const std::vector<float> id = identity();
  const Projected centre = project({0, 0, 0}, viewport, id.data(), id.data());
  EXPECT_EQ(centre.ok, 1);
  EXPECT_EQ(centre.x, 100 + 320.0f);
  EXPECT_EQ(centre.y, 50 + 240.0f);
  EXPECT_EQ(centre.z, 0.5f);
  const Projected top_left = project({-1, 1, -1}, viewport, id.data(), id.data());
  EXPECT_EQ(top_left.x, 100.0f);
  EXPECT_EQ(top_left.y, 50.0f);  // ny = 1: the viewport's top edge
  EXPECT_EQ(top_left.z, 0.0f);
  // A point in the camera's plane has no window position.
  float proj[16];
  ASSERT_TRUE(qvl_x3d_projection_matrix(1, 100, 60, 640.0f / 480.0f, proj));
  EXPECT_EQ(project({1, 1, 0}, viewport, proj, id.data()).ok, 0);
  const int empty[4] = {0, 0, 0, 480};
  EXPECT_EQ(project({0, 0, -5}, empty, proj, id.data()).ok, 0);
}

TEST(Matrix4, UnprojectUndoesProject) {
  const int viewport[4] = {37, 81, 640, 480};
  float proj[16], view[16];
  ASSERT_TRUE(qvl_x3d_projection_matrix(1, 1000, 60, 640.0f / 480.0f, proj));
  qvl_x3d_look_at_matrix({3, 4, 20}, {0, 1, 0}, {0, 1, 0}, view);
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> d(-6.0f, 6.0f);
  for (int n = 0; n < 200; ++n) {
    const Vec3 p{d(rng), d(rng), d(rng)};
    const Projected w = project(p, viewport, proj, view);
    ASSERT_EQ(w.ok, 1);
    float x, y, z;
    ASSERT_EQ(qvl_x3d_unproject_point(w.x, w.y, w.z, &x, &y, &z, viewport, proj, view), 1);
    EXPECT_NEAR(x, p.x, 2e-3);
    EXPECT_NEAR(y, p.y, 2e-3);
    EXPECT_NEAR(z, p.z, 2e-3);
  }
  // The viewport's top-left pixel corner on the near plane, and back.
  float x, y, z;
  ASSERT_EQ(qvl_x3d_unproject_point(37, 81, 0, &x, &y, &z, viewport, proj, view), 1);
  const Projected corner = project({x, y, z}, viewport, proj, view);
  EXPECT_NEAR(corner.x, 37, 1e-3);
  EXPECT_NEAR(corner.y, 81, 1e-3);
}

TEST(Matrix4, UnprojectReportsWhatItCannotMapBack) {
  const int viewport[4] = {0, 0, 100, 100};
  const std::vector<float> id = identity();
  std::vector<float> singular = identity();
  singular[10] = 0;
  float x = 7, y = 7, z = 7;
  EXPECT_EQ(qvl_x3d_unproject_point(50, 50, 0.5f, &x, &y, &z, viewport, singular.data(), id.data()),
            0);
  EXPECT_EQ(x, 7.0f);
  // Swapping z and w: the window depth 0.5 maps to w = 0, infinitely far.
  std::vector<float> swap = identity();
  swap[10] = swap[15] = 0;
  swap[11] = swap[14] = 1;
  EXPECT_EQ(qvl_x3d_unproject_point(50, 50, 0.5f, &x, &y, &z, viewport, swap.data(), id.data()), 0);
  EXPECT_EQ(qvl_x3d_unproject_point(50, 50, 0.25f, &x, &y, &z, viewport, swap.data(), id.data()),
            1);
  const int empty[4] = {0, 0, 100, 0};
  EXPECT_EQ(qvl_x3d_unproject_point(50, 50, 0.5f, &x, &y, &z, empty, id.data(), id.data()), 0);
}

TEST(Matrix4, WireSphere) {
  struct Loops {
    int count = 0;
    float worst = 0;  // largest distance of a corner from the sphere
  } loops;
  auto collect = [](void* context, const Vec3 corners[3]) {
    Loops& l = *static_cast<Loops*>(context);
    ++l.count;
    for (int i = 0; i < 3; ++i) {
      const Vec3 d = corners[i] - Vec3{1, 2, 3};
      l.worst = std::fmax(l.worst, std::fabs(std::sqrt(dot(d, d)) - 2.0f));
    }
  };
  const Vec3 x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
  for (int depth : {0, 1, 3}) {
    loops = {};
    qvl_x3d_sphere_wire_loops({1, 2, 3}, 2, x, y, z, depth, collect, &loops);
    EXPECT_EQ(loops.count, 1 << (2 * depth));
    EXPECT_LT(loops.worst, 1e-5f);
  }
  // A depth no screen could show is held at 4^8 loops rather than hanging.
  loops = {};
  qvl_x3d_sphere_wire_loops({1, 2, 3}, 2, x, y, z, 40, collect, &loops);
  EXPECT_EQ(loops.count, 65536);
}

}  // namespace
