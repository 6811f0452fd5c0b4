// Mesh preparation: triangle runs, bounding spheres and scaling.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "gfx3d/mesh_records.h"
#include "tests/gfx3d/mesh_fixtures.h"

using mesh_fixture::add_cube;
using mesh_fixture::add_run;
using mesh_fixture::P;

namespace {

// The triangles as the x coordinates of their corners, "pqr ..." by name.
std::string triangle_names(const MeshFrame& frame) {
  std::string out;
  for (int i = 0; i < frame.triangles.count; ++i) {
    if (i > 0 && i % 3 == 0) out += ' ';
    out += static_cast<char>('a' + static_cast<int>(frame.triangles[i].x));
  }
  return out;
}

P named(char c) { return {static_cast<float>(c - 'a'), 0, 0}; }

TEST(MeshTriangles, ListStripAndFanRuns) {
  struct Row {
    uint32_t run;
    const char* corners;
    const char* triangles;
  };
  const Row rows[] = {
      {kRunList, "pqrs", "pqr"},  // the leftover s is dropped
      {kRunList, "pqrstu", "pqr stu"},
      {kRunStrip, "pqrst", "pqr rqs rst"},
      {kRunStrip, "pqrstu", "pqr rqs rst tsu"},
      {kRunFan, "pqrs", "pqr prs"},
      {kRunStrip, "pq", ""},
  };
  for (const Row& r : rows) {
    MeshObjectX m;
    add_run(m, r.run, {});
    for (const char* c = r.corners; *c; ++c) m.frames[0].vertices.push(mesh_fixture::vertex(named(*c)));
    m.build_value_table();
    EXPECT_TRUE(m.build_triangles());
    EXPECT_EQ(triangle_names(m.frames[0]), r.triangles) << r.corners;
  }
}

TEST(MeshTriangles, RunsChangeMidListAndStartInListMode) {
  MeshObjectX m;
  // Corners before any run start are a list; a run start drops pending ones.
  m.frames.reserve(1);
  m.frames.count = 1;
  for (char c : std::string("pqrst")) m.frames[0].vertices.push(mesh_fixture::vertex(named(c)));
  add_run(m, kRunFan, {named('a'), named('b'), named('c'), named('d')});
  add_run(m, kRunStrip, {named('e'), named('f'), named('g'), named('h')});
  m.build_value_table();
  m.build_triangles();
  EXPECT_EQ(triangle_names(m.frames[0]), "pqr abc acd efg gfh");
  EXPECT_EQ(m.draw_buffer.count, m.frames[0].triangles.count);
}

TEST(MeshTriangles, OnlyTheThreeRunWordsStartRuns) {
  MeshObjectX m;
  P white{0, 0, 0, 0, 0, 0xFFFFFFFC};
  add_run(m, kRunList, {named('p'), named('q'), white});
  m.build_value_table();
  m.build_triangles();
  EXPECT_EQ(m.frames[0].triangles.count, 3);  // the white word is a corner
  EXPECT_EQ(m.has_colours, 0);                // and no colour
}

TEST(MeshTriangles, HasColoursOnlyForRealColours) {
  for (uint32_t colour : {0xFFFFFFu, 0x0000FFu}) {
    MeshObjectX m;
    add_run(m, kRunStrip, {{0, 0, 0, 0, 0, colour}, {1, 0, 0}, {0, 1, 0}});
    m.build_value_table();
    m.build_triangles();
    EXPECT_EQ(m.has_colours, colour == 0xFFFFFFu ? 0 : 1);
  }
}

// Value indices wrap past 255, so the run start's index may point at a
// colour: runs are told by the colour word, and both frames agree.
TEST(MeshTriangles, ManyColoursSplitByTheColourWord) {
  MeshObjectX m;
  for (int f = 0; f < 2; ++f) {
    add_run(m, kRunList, {}, f);
    for (uint32_t c = 0; c < 300; ++c)
      m.frames[f].vertices.push(mesh_fixture::vertex({static_cast<float>(c), 0, 0, 0, 0, c}));
    add_run(m, kRunFan, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, f);
  }
  ASSERT_TRUE(m.build_value_table());
  ASSERT_EQ(m.values[301], kRunFan);
  EXPECT_EQ(m.frames[0].vertices[301].value_index, 301 - 256);  // a colour's index
  EXPECT_TRUE(m.build_triangles());
  EXPECT_EQ(m.frames[0].triangles.count, (100 + 2) * 3);
}

TEST(MeshTriangles, FramesWithDifferentTriangleCountsAreReported) {
  MeshObjectX m;
  // Equal record counts, but frame 1's second run start falls elsewhere.
  add_run(m, kRunList, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 0);
  add_run(m, kRunList, {{0, 0, 0}, {1, 0, 0}}, 1);
  add_run(m, kRunList, {{0, 0, 0}}, 1);
  ASSERT_EQ(m.frames[0].vertices.count, m.frames[1].vertices.count);
  m.build_value_table();
  EXPECT_FALSE(m.build_triangles());
  EXPECT_EQ(m.frames[1].triangles.count, 0);
}

TEST(MeshTriangles, BoundsOfACubeAndOfNothing) {
  MeshObjectX m;
  add_cube(m);
  m.build_value_table();
  m.build_triangles();
  m.compute_bounds();
  const MeshFrame& f = m.frames[0];
  EXPECT_NEAR(f.bound_x, 0, 1e-7);
  EXPECT_NEAR(f.bound_y, 0, 1e-7);
  EXPECT_NEAR(f.bound_z, 0, 1e-7);
  EXPECT_FLOAT_EQ(f.bound_radius, std::sqrt(0.75f));
  // Two corners only: no triangle, and no division by zero.
  MeshObjectX empty;
  add_run(empty, kRunList, {{5, 5, 5}, {6, 6, 6}});
  empty.build_triangles();
  empty.compute_bounds();
  EXPECT_EQ(empty.frames[0].bound_x, 0.0f);
  EXPECT_EQ(empty.frames[0].bound_radius, 0.0f);
}

// Normals go through the inverse scale and tangents through the scale, in
// the vertex list and the triangle list alike.
TEST(MeshTriangles, ScalingKeepsNormalsPerpendicular) {
  MeshObjectX m;
  add_run(m, kRunList, {{0, 0, 0}, {1, 0, 0}, {0, 1, 1}});
  const float s = std::sqrt(0.5f);
  for (int i = 1; i < 4; ++i) {
    MeshVertex& r = m.frames[0].vertices[i];
    r.ny = -s, r.nz = s;  // perpendicular to the triangle
    r.tangent_y = s, r.tangent_z = s;
  }
  m.build_value_table();
  m.build_triangles();
  m.scale(1, 2, 1);
  for (const GrowVector<MeshVertex>* list : {&m.frames[0].vertices, &m.frames[0].triangles}) {
    const MeshVertex& r = (*list)[list == &m.frames[0].vertices ? 3 : 2];
    EXPECT_EQ(r.y, 2.0f);
    // The scaled edge (0, 2, 1) stays perpendicular to the normal.
    EXPECT_NEAR(2 * r.ny + r.nz, 0, 1e-6);
    EXPECT_NEAR(r.nx * r.nx + r.ny * r.ny + r.nz * r.nz, 1, 1e-6);
    EXPECT_NEAR(r.tangent_y, 2 / std::sqrt(5.0f), 1e-6);
  }
  EXPECT_GT(m.frames[0].bound_radius, 0.0f);
}

TEST(MeshTriangles, ScalingAnAxisToZeroFlattensNormalsOntoIt) {
  MeshObjectX m;
  add_run(m, kRunList, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  const float s = std::sqrt(0.5f);
  m.frames[0].vertices[1].nx = s;
  m.frames[0].vertices[1].ny = s;
  m.scale(0, 1, 1);
  const MeshVertex& r = m.frames[0].vertices[1];
  EXPECT_EQ(r.nx, 1.0f);
  EXPECT_EQ(r.ny, 0.0f);
  // A mirror keeps normals pointing the same way out of the surface.
  m.frames[0].vertices[1].nx = 0, m.frames[0].vertices[1].nz = 1;
  m.scale(1, 1, -1);
  EXPECT_EQ(m.frames[0].vertices[1].nz, -1.0f);
}

}  // namespace
