// Smooth normals and tangents: every vertex gets the normalised sum of the
// face normals (and texture-space axes) of the triangles that share it.
//
// Vertices are shared by their place in the list or, with welding, by their
// position. Each frame sums into a table of its own, so a later frame never
// inherits an earlier frame's normals. Welding looks positions up in a hash
// of their grid cells, which keeps the build linear in the vertex count.
#include "gfx3d/smooth_normals.h"

#include <cstring>
#include <memory>
#include <new>

#include "gfx3d/mesh_records.h"
#include "gfx3d/position_hash.h"
#include "gfx3d/vec3.h"

namespace {

// Welding rounds each coordinate to this grid.
constexpr double kWeldGrid = 65536.0;
// Texture-space determinants at or below this give no tangent of their own.
constexpr float kMinUvDeterminant = 0.00001f;

struct Corner {
  Vec3 p;
  float u, v;
  int32_t entry;
};

Vec3 position(const MeshVertex& r) { return {r.x, r.y, r.z}; }

struct Work {
  bool normals, tangents, weld;
  // Of the last triangle with a usable texture mapping in this call; a
  // triangle without one before any such triangle adds nothing.
  Vec3 last_tangent{0, 0, 0}, last_bitangent{0, 0, 0};
  std::unique_ptr<VertexAxes[]> sums;
  std::unique_ptr<int32_t[]> entry_of;  // per record; -1 for run starts
  PositionHash cells;
  int32_t entry_count = 0;

  bool allocate(int records) {
    sums.reset(new (std::nothrow) VertexAxes[records]);
    entry_of.reset(new (std::nothrow) int32_t[records]);
    return sums && entry_of && (!weld || cells.reset(records / 6));
  }

  // The corner's entry: a new one for every corner, or with welding the
  // one of its position.
  int32_t entry_for(const MeshVertex& r) {
    if (weld) {
      const GridKey key{qvl_grid_round(r.x, kWeldGrid), qvl_grid_round(r.y, kWeldGrid),
                        qvl_grid_round(r.z, kWeldGrid)};
      const int32_t found = cells.find_or_insert(key, entry_count);
      if (found >= 0) return found;
    }
    std::memset(&sums[entry_count], 0, sizeof(VertexAxes));
    return entry_count++;
  }

  void add_triangle(const Corner c[3], bool flipped) {
    if (normals) {
      Vec3 n = cross(c[2].p - c[1].p, c[1].p - c[0].p);
      if (flipped) n = n * -1.0f;
      for (int k = 0; k < 3; ++k) sums[c[k].entry].normal = sums[c[k].entry].normal + n;
    }
    if (tangents) {
      const Vec3 e1 = c[1].p - c[0].p, e2 = c[2].p - c[0].p;
      const float du1 = c[1].u - c[0].u, dv1 = c[1].v - c[0].v;
      const float du2 = c[2].u - c[0].u, dv2 = c[2].v - c[0].v;
      const float det = du1 * dv2 - du2 * dv1;
      if (det > kMinUvDeterminant || det < -kMinUvDeterminant) {
        last_tangent = (e1 * dv2 - e2 * dv1) / det;
        last_bitangent = (e2 * du1 - e1 * du2) / det;
      }
      for (int k = 0; k < 3; ++k) {
        VertexAxes& s = sums[c[k].entry];
        s.tangent = s.tangent + last_tangent;
        s.bitangent = s.bitangent + last_bitangent;
      }
    }
  }

  void sum_frame(const GrowVector<MeshVertex>& list) {
    entry_count = 0;
    // A table that cannot grow leaves later corners unwelded, never wrong.
    if (weld) cells.reset(list.count / 6);
    uint32_t run = kRunList;
    int corners = 0, parity = 0;
    Corner c[3];
    for (int i = 0; i < list.count; ++i) {
      const MeshVertex& r = list[i];
      if (qvl_mesh_is_run_start(r.colour)) {
        run = r.colour;
        corners = parity = 0;
        entry_of[i] = -1;
        continue;
      }
      const int32_t e = entry_for(r);
      entry_of[i] = e;
      c[corners] = {position(r), r.u, r.v, e};
      if (++corners < 3) continue;
      bool flipped = false;
      if (run == kRunList) {
        corners = parity = 0;
      } else {
        corners = 2;
        flipped = run == kRunStrip && parity == 1;
        parity ^= 1;
      }
      add_triangle(c, flipped);
      if (run == kRunStrip) c[0] = c[1];
      if (run != kRunList) c[1] = c[2];
    }
  }

  void write_back(GrowVector<MeshVertex>& list) {
    qvl_mesh_store_axes(list, entry_of.get(), sums.get(), entry_count, normals, tangents);
  }
};

}  // namespace

void qvl_mesh_store_axes(GrowVector<MeshVertex>& list, const int32_t* entry_of,
                         VertexAxes* entries, int entry_count, bool normals, bool tangents) {
  for (int e = 0; e < entry_count; ++e) {
    VertexAxes& s = entries[e];
    s.normal = normalized(s.normal);
    s.tangent = normalized(s.tangent);
    s.bitangent = normalized(s.bitangent);
  }
  for (int i = 0; i < list.count; ++i) {
    if (entry_of[i] < 0) continue;
    const VertexAxes& s = entries[entry_of[i]];
    MeshVertex& r = list[i];
    if (normals) r.nx = s.normal.x, r.ny = s.normal.y, r.nz = s.normal.z;
    if (tangents) {
      r.tangent_x = s.tangent.x, r.tangent_y = s.tangent.y, r.tangent_z = s.tangent.z;
      r.bitangent_x = s.bitangent.x, r.bitangent_y = s.bitangent.y, r.bitangent_z = s.bitangent.z;
    }
  }
}

void MeshObject::smooth_normals(bool normals, bool weld, bool tangents) {
  if (frames.count <= 0 || frames[0].vertices.count <= 0) return;
  bool make_normals = false, make_tangents = false;
  if (normals && tangents && !tangents_ready) {
    make_tangents = true;
    make_normals = !normals_ready;
  } else if (normals) {
    if (normals_ready) return;
    make_normals = true;
  } else if (tangents && !tangents_ready) {
    make_tangents = true;
  } else {
    return;
  }
  Work work;
  work.normals = make_normals;
  work.tangents = make_tangents;
  work.weld = weld;
  int records = 0;
  for (int f = 0; f < frames.count; ++f) {
    if (frames[f].vertices.count > records) records = frames[f].vertices.count;
  }
  if (!work.allocate(records)) return;
  normals_ready = 1;
  if (make_tangents) tangents_ready = 1;
  for (int f = 0; f < frames.count; ++f) {
    work.sum_frame(frames[f].vertices);
    work.write_back(frames[f].vertices);
  }
  build();
}
