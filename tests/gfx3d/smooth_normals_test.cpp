// Smooth normals and tangents, held to the plain quadratic search.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "gfx3d/mesh_records.h"
#include "tests/gfx3d/literal_mesh.h"
#include "tests/gfx3d/mesh_fixtures.h"

using mesh_fixture::add_grid;
using mesh_fixture::add_run;
using mesh_fixture::P;

namespace {

void expect_normal(const MeshVertex& r, float x, float y, float z) {
  EXPECT_NEAR(r.nx, x, 1e-6);
  EXPECT_NEAR(r.ny, y, 1e-6);
  EXPECT_NEAR(r.nz, z, 1e-6);
}

TEST(SmoothNormals, FaceNormalOfOneTriangle) {
  MeshObjectX m;
  // Counter-clockwise seen from +z; the engine's front faces run clockwise,
  // so the face normal (P2 - P1) x (P1 - P0) points down the z axis.
  add_run(m, kRunList, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  m.smooth_normals(true, false, false);
  for (int i = 1; i <= 3; ++i) expect_normal(m.frames[0].vertices[i], 0, 0, -1);
  expect_normal(m.frames[0].vertices[0], 0, 0, 0);  // the run start keeps its zeros
  EXPECT_EQ(m.normals_ready, 1);
  EXPECT_EQ(m.frames[0].triangles.count, 3);  // build ran afterwards
  EXPECT_EQ(m.frames[0].triangles[0].nz, -1.0f);
}

TEST(SmoothNormals, StripQuadIsFlatBecauseOddTrianglesFlip) {
  MeshObjectX m;
  add_run(m, kRunStrip, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
  m.smooth_normals(true, false, false);
  for (int i = 1; i <= 4; ++i) expect_normal(m.frames[0].vertices[i], 0, 0, -1);
}

TEST(SmoothNormals, WeldingSharesRepeatedCorners) {
  // Two list triangles folded along the shared edge (0,0,0)-(1,0,0).
  for (bool weld : {false, true}) {
    MeshObjectX m;
    add_run(m, kRunList, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 0}, {0, 0, 1}});
    m.smooth_normals(true, weld, false);
    const MeshVertex& shared = m.frames[0].vertices[1];
    const MeshVertex& alone = m.frames[0].vertices[3];
    expect_normal(alone, 0, 0, -1);
    if (weld) {
      const float s = std::sqrt(0.5f);
      expect_normal(shared, 0, -s, -s);
      expect_normal(m.frames[0].vertices[5], 0, -s, -s);
    } else {
      expect_normal(shared, 0, 0, -1);
    }
  }
}

TEST(SmoothNormals, WeldingKeepsDistinctPositionsApart) {
  // Keys that mixed the coordinates into one number took these for one.
  MeshObjectX m;
  add_run(m, kRunList, {{256, 0, 0}, {257, 0, 0}, {256, 1, 0}});
  add_run(m, kRunList, {{0, 1, 0}, {0, 1, 1}, {0, 2, 0}});
  m.smooth_normals(true, true, false);
  expect_normal(m.frames[0].vertices[1], 0, 0, -1);
  expect_normal(m.frames[0].vertices[5], 1, 0, 0);
}

TEST(SmoothNormals, EveryFrameSumsItsOwnFaces) {
  MeshObjectX m;
  add_run(m, kRunList, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 0);
  add_run(m, kRunList, {{0, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 1);  // the yz plane
  for (bool weld : {false, true}) {
    for (int f = 0; f < 2; ++f)
      for (int i = 1; i <= 3; ++i) m.frames[f].vertices[i].nx = m.frames[f].vertices[i].nz = 0;
    m.normals_ready = 0;
    m.smooth_normals(true, weld, false);
    expect_normal(m.frames[1].vertices[1], -1, 0, 0);
  }
}

TEST(SmoothNormals, FlagsDecideWhatIsMade) {
  MeshObjectX m;
  add_run(m, kRunList, {{0, 0, 0, 0, 0}, {1, 0, 0, 1, 0}, {0, 1, 0, 0, 1}});
  m.smooth_normals(true, false, false);
  // Normals ready: a second normals call changes nothing.
  m.frames[0].vertices[1].nz = 5;
  m.smooth_normals(true, false, false);
  EXPECT_EQ(m.frames[0].vertices[1].nz, 5.0f);
  // Tangents still come, and leave the ready normals alone.
  m.smooth_normals(true, false, true);
  EXPECT_EQ(m.frames[0].vertices[1].nz, 5.0f);
  EXPECT_NEAR(m.frames[0].vertices[1].tangent_x, 1, 1e-6);
  EXPECT_NEAR(m.frames[0].vertices[1].bitangent_y, 1, 1e-6);
  EXPECT_EQ(m.tangents_ready, 1);
  // Empty objects: nothing at all.
  MeshObjectX empty;
  empty.smooth_normals(true, true, true);
  EXPECT_EQ(empty.normals_ready, 0);
}

TEST(SmoothNormals, TrianglesWithoutTextureAxesRepeatTheLastTangent) {
  MeshObjectX m;
  // The first triangle has no usable mapping and nothing before it: it adds
  // nothing. The third repeats the second's axes.
  add_run(m, kRunList,
          {{5, 5, 5, 0, 0}, {6, 5, 5, 0, 0}, {5, 6, 5, 0, 0},      // collinear uv
           {0, 0, 0, 0, 0}, {2, 0, 0, 1, 0}, {0, 2, 0, 0, 1},      // u along x, v along y
           {0, 0, 0, 0, 0}, {0, 0, 1, 0, 0}, {1, 0, 0, 0, 0}});  // collinear uv
  m.smooth_normals(false, true, true);
  const GrowVector<MeshVertex>& v = m.frames[0].vertices;
  EXPECT_EQ(v[1].tangent_x, 0.0f);
  EXPECT_EQ(v[1].tangent_y, 0.0f);
  // (0, 0, 1) gets only the repeated axes; the shared origin gets them twice.
  EXPECT_NEAR(v[8].tangent_x, 1, 1e-6);
  EXPECT_NEAR(v[8].bitangent_y, 1, 1e-6);
  EXPECT_NEAR(v[4].tangent_x, 1, 1e-6);
  EXPECT_EQ(m.normals_ready, 1);  // set, though only tangents were made
  EXPECT_EQ(v[8].nx + v[8].ny + v[8].nz, 0.0f);
}

// Random strips, fans and lists with shared and near-shared positions.
void add_random_runs(MeshObject& m, uint32_t seed, int frames) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> coord(0, 6), kind(0, 2), length(0, 9);
  std::uniform_real_distribution<float> wobble(-1e-5f, 1e-5f);
  const uint32_t runs[3] = {kRunList, kRunStrip, kRunFan};
  std::vector<std::pair<uint32_t, std::vector<P>>> layout;
  for (int r = 0; r < 40; ++r) {
    std::vector<P> corners;
    for (int n = length(rng); n > 0; --n)
      corners.push_back({coord(rng) * 0.5f, coord(rng) * 0.5f + wobble(rng), coord(rng) * 0.25f,
                         coord(rng) * 0.1f, coord(rng) * 0.1f});
    layout.push_back({runs[kind(rng)], corners});
  }
  for (int f = 0; f < frames; ++f) {
    for (auto& [run, corners] : layout) {
      add_run(m, run, {}, f);
      for (P& p : corners) {
        p.z += 0.25f * f;
        m.frames[f].vertices.push(mesh_fixture::vertex(p));
      }
    }
  }
}

TEST(SmoothNormals, SameResultsAsTheQuadraticSearch) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    const bool weld = seed % 2 == 0, tangents = seed % 3 == 0;
    MeshObject fast, slow;
    add_random_runs(fast, seed, 3);
    add_random_runs(slow, seed, 3);
    fast.smooth_normals(true, weld, tangents);
    literal_smooth_normals(slow, true, weld, tangents);
    for (int f = 0; f < 3; ++f) {
      const GrowVector<MeshVertex>& a = fast.frames[f].vertices;
      const GrowVector<MeshVertex>& b = slow.frames[f].vertices;
      ASSERT_EQ(a.count, b.count);
      for (int i = 0; i < a.count; ++i)
        ASSERT_EQ(std::memcmp(&a[i], &b[i], sizeof(MeshVertex)), 0)
            << "seed " << seed << " frame " << f << " record " << i;
    }
  }
  // A welded grid, where most corners are shared six ways.
  MeshObject fast, slow;
  add_grid(fast, 8, 6, 7);
  add_grid(slow, 8, 6, 7);
  fast.smooth_normals(true, true, true);
  literal_smooth_normals(slow, true, true, true);
  EXPECT_EQ(std::memcmp(fast.frames[0].vertices.data, slow.frames[0].vertices.data,
                        sizeof(MeshVertex) * fast.frames[0].vertices.count),
            0);
}

}  // namespace
