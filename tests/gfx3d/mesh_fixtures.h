// Small meshes for the mesh tests and the bench.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <random>
#include <vector>

#include "gfx3d/mesh_records.h"

namespace mesh_fixture {

// A corner: position, texture coordinates and colour.
struct P {
  float x, y, z;
  float u = 0, v = 0;
  uint32_t colour = 0xFFFFFF;
};

inline MeshVertex vertex(const P& p) {
  MeshVertex r{};
  r.x = p.x, r.y = p.y, r.z = p.z, r.u = p.u, r.v = p.v;
  qvl_mesh_set_colour(r, p.colour);
  return r;
}

// Appends a run start and its corners to frame f (made as needed).
inline void add_run(MeshObject& m, uint32_t run, std::initializer_list<P> corners, int f = 0) {
  while (m.frames.count <= f) {
    m.frames.reserve(m.frames.count + 1);
    m.frames[m.frames.count].vertices.count = 0;
    m.frames[m.frames.count].triangles.count = 0;
    ++m.frames.count;
  }
  GrowVector<MeshVertex>& list = m.frames[f].vertices;
  list.push(qvl_mesh_run_start(run));
  for (const P& p : corners) list.push(vertex(p));
}

// A closed unit cube centred on the origin: 12 list triangles, clockwise
// seen from outside (so the engine's face normals point out), corners
// repeated per triangle.
inline void add_cube(MeshObject& m, int f = 0) {
  const float s = 0.5f;
  const P c[8] = {{-s, -s, -s}, {s, -s, -s}, {s, s, -s}, {-s, s, -s},
                  {-s, -s, s},  {s, -s, s},  {s, s, s},  {-s, s, s}};
  const int faces[6][4] = {{7, 6, 5, 4}, {2, 3, 0, 1}, {6, 2, 1, 5},
                           {3, 7, 4, 0}, {3, 2, 6, 7}, {4, 5, 1, 0}};
  for (const auto& q : faces) {
    add_run(m, kRunList, {c[q[0]], c[q[1]], c[q[2]], c[q[0]], c[q[2]], c[q[3]]}, f);
  }
}

// A grid of w × h quads as list triangles (corners repeated), a little
// jittered in z, with texture coordinates; frame f.
inline void add_grid(MeshObject& m, int w, int h, uint32_t seed, int f = 0) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> jitter(-0.2f, 0.2f);
  std::vector<float> z((w + 1) * (h + 1));
  for (float& v : z) v = jitter(rng);
  auto at = [&](int i, int j) {
    return P{static_cast<float>(i), static_cast<float>(j), z[j * (w + 1) + i],
             static_cast<float>(i) / w, static_cast<float>(j) / h};
  };
  add_run(m, kRunList, {}, f);
  GrowVector<MeshVertex>& list = m.frames[f].vertices;
  for (int j = 0; j < h; ++j) {
    for (int i = 0; i < w; ++i) {
      for (const P& p : {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j), at(i + 1, j + 1),
                         at(i, j + 1)})
        list.push(vertex(p));
    }
  }
}

}  // namespace mesh_fixture
