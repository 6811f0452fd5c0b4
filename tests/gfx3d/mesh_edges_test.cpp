// Triangle adjacency and the shadow-volume geometry built on it.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "gfx3d/mesh_records.h"
#include "gfx3d/shadow_volume.h"
#include "tests/gfx3d/literal_mesh.h"
#include "tests/gfx3d/mesh_fixtures.h"

using mesh_fixture::add_cube;
using mesh_fixture::add_grid;
using mesh_fixture::add_run;
using mesh_fixture::P;

namespace {

void prepare(MeshObjectX& m) {
  m.build_value_table();
  ASSERT_TRUE(m.build_triangles());
  ASSERT_TRUE(m.build_edges());
}

std::vector<int32_t> neighbours(const MeshObjectX& m) {
  std::vector<int32_t> out;
  for (int i = 0; i < m.edges.count; ++i) out.push_back(m.edges[i].neighbour);
  return out;
}

TEST(MeshEdges, SharedEdgeInEitherDirection) {
  MeshObjectX m;
  add_run(m, kRunList, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}});
  prepare(m);
  EXPECT_EQ(neighbours(m), (std::vector<int32_t>{-1, 1, -1, 0, -1, -1}));
}

TEST(MeshEdges, WeldDistance) {
  for (float gap : {0.000005f, 0.00002f}) {
    MeshObjectX m;
    add_run(m, kRunList, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {gap, 1, 0}, {1, gap, 0}, {1, 1, 0}});
    prepare(m);
    EXPECT_EQ(m.edges[1].neighbour, gap < 0.00001f ? 1 : -1) << gap;
  }
}

TEST(MeshEdges, EveryCubeEdgeHasItsNeighbour) {
  MeshObjectX m;
  add_cube(m);
  prepare(m);
  ASSERT_EQ(m.edges.count, 36);
  for (int j = 0; j < 36; ++j) {
    const int32_t k = m.edges[j].neighbour;
    ASSERT_GE(k, 0) << j;
    // The neighbour has an edge pointing back.
    bool back = false;
    for (int e = 0; e < 3; ++e) back = back || m.edges[3 * k + e].neighbour == j / 3;
    EXPECT_TRUE(back) << j;
  }
  // Built once; ensure leaves a built list alone.
  m.edges[0].neighbour = 99;
  EXPECT_TRUE(m.ensure_edges());
  EXPECT_EQ(m.edges[0].neighbour, 99);
}

// Meshes with many triangles on one edge, degenerate edges, repeats and
// positions within and just beyond the weld distance.
void add_tangle(MeshObjectX& m, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> coord(0, 3);
  std::uniform_real_distribution<float> wobble(-1.2e-5f, 1.2e-5f);
  add_run(m, kRunList, {});
  for (int i = 0; i < 300; ++i) {
    P p{coord(rng) * 1.0f, coord(rng) * 1.0f, 0};
    if (i % 4 == 0) p.x += wobble(rng);
    m.frames[0].vertices.push(mesh_fixture::vertex(p));
  }
}

TEST(MeshEdges, SameResultsAsTheQuadraticSearch) {
  for (uint32_t seed = 1; seed <= 8; ++seed) {
    MeshObjectX m;
    add_tangle(m, seed);
    prepare(m);
    EXPECT_EQ(neighbours(m), literal_edge_neighbours(m)) << seed;
  }
  MeshObjectX grid;
  add_grid(grid, 12, 9, 3);
  prepare(grid);
  EXPECT_EQ(neighbours(grid), literal_edge_neighbours(grid));
}

// --- Shadow volumes ---------------------------------------------------------

TEST(ShadowVolume, CubeLitFromOutsideHasASixEdgeSilhouette) {
  MeshObjectX m;
  add_cube(m);
  prepare(m);
  const float light[3] = {3, 4, 5};  // sees the +x, +y and +z faces
  m.build_shadow_volume(m.frames[0].triangles, light);
  ASSERT_EQ(m.silhouette.count, 12);
  int lit = 0, edges = 0;
  for (int t = 0; t < 12; ++t) lit += m.silhouette[t];
  for (int j = 0; j < 36; ++j) edges += m.edges[j].on_silhouette;
  EXPECT_EQ(lit, 6);  // three faces, two triangles each
  EXPECT_EQ(edges, 6);
  ShadowVolume volume;
  ASSERT_TRUE(qvl_x3d_shadow_volume(m, m.frames[0].triangles, light, true, volume));
  ASSERT_EQ(volume.quads.count, 24);
  EXPECT_EQ(volume.caps.count, 36);
  for (int q = 0; q < 6; ++q) {
    const ShadowPoint* p = &volume.quads[4 * q];
    EXPECT_EQ(p[0].w, 1.0f);
    EXPECT_EQ(p[1].w, 1.0f);
    EXPECT_EQ(p[2].w, 0.0f);  // a - L, at infinity
    EXPECT_EQ(p[2].x, p[1].x - light[0]);
    EXPECT_EQ(p[3].z, p[0].z - light[2]);
  }
  int far_caps = 0;
  for (int i = 0; i < 36; ++i) far_caps += volume.caps[i].w == 0.0f ? 1 : 0;
  EXPECT_EQ(far_caps, 18);
}

TEST(ShadowVolume, OpenTriangleAndLightInItsPlane) {
  MeshObjectX m;
  add_run(m, kRunList, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  prepare(m);
  struct Row {
    float light[3];
    int facing;
  };
  // The face normal (p0 - p1) x (p2 - p1) points down the z axis.
  const Row rows[] = {{{0, 0, -5}, 1}, {{0, 0, 5}, 0}, {{9, 9, 0}, 1}};
  for (const Row& r : rows) {
    m.build_shadow_volume(m.frames[0].triangles, r.light);
    EXPECT_EQ(m.silhouette[0], r.facing);
    for (int e = 0; e < 3; ++e) EXPECT_EQ(m.edges[e].on_silhouette, r.facing);
  }
}

TEST(ShadowVolume, NothingToExtrude) {
  MeshObjectX m;
  add_run(m, kRunList, {{0, 0, 0}, {1, 0, 0}});
  prepare(m);
  const float light[3] = {0, 0, 1};
  m.build_shadow_volume(m.frames[0].triangles, light);
  EXPECT_EQ(m.silhouette.count, 0);
  ShadowVolume volume;
  EXPECT_TRUE(qvl_x3d_shadow_volume(m, m.draw_buffer, light, true, volume));
  EXPECT_EQ(volume.quads.count + volume.caps.count, 0);
  // A triangle list shorter than frame 0's is not read past.
  MeshObjectX cube;
  add_cube(cube);
  prepare(cube);
  GrowVector<MeshVertex> short_list;
  short_list.push(cube.frames[0].triangles[0]);
  cube.build_shadow_volume(short_list, light);
  EXPECT_EQ(cube.silhouette.count, 0);
}

}  // namespace
