// The triangle adjacency of frame 0 that the stencil shadows need.
//
// Vertices first weld: each takes the id of the earliest vertex within
// 0.00001 of it on every axis. Edges then pair up by their two ids: the
// first triangle with an edge gets the last later triangle that shares it,
// and every later triangle gets the first one.
//
// Both steps look their partners up (a grid of cells for the weld, a sort
// of the edges by their ids for the pairing), so the build grows with
// n log n instead of n², with the same result as the search through all
// earlier vertices and all later triangles.
#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "gfx3d/mesh_records.h"
#include "gfx3d/position_hash.h"

namespace {

constexpr float kWeldDistance = 0.00001f;
// Cells of 1/4096: a vertex's partners lie in its own cell or, near a cell
// border, in the next one on that axis. The reach is a little wider than
// the weld distance to cover rounding. The borders are shifted off the
// round numbers that modelled coordinates like to sit on, where every
// vertex would have to look into two cells per axis.
constexpr double kCellsPerUnit = 4096.0;
constexpr double kCellShift = 0.381966;
constexpr double kReach = 0.000011;

int64_t cell(float v, double reach) {
  return qvl_grid_floor((v + reach) * kCellsPerUnit + kCellShift, 1.0);
}

bool within_weld(const MeshVertex& a, const MeshVertex& b) {
  return std::fabs(a.x - b.x) < kWeldDistance && std::fabs(a.y - b.y) < kWeldDistance &&
         std::fabs(a.z - b.z) < kWeldDistance;
}

// One distinct position in a cell, with the first vertex that has it.
struct CellEntry {
  int32_t vertex;
  int32_t next;  // next distinct position of the same cell, or -1
};

// ids[i] = the smallest j whose position welds with vertex i's (i itself
// when there is none). False when memory ran out.
bool weld_vertices(const GrowVector<MeshVertex>& list, int32_t* ids) {
  const int n = list.count;
  PositionHash cells;  // cell -> first entry of its chain
  std::unique_ptr<CellEntry[]> entries(new (std::nothrow) CellEntry[n > 0 ? n : 1]);
  // A closed mesh has about one position for every six corners.
  if (!entries || !cells.reset(n / 6)) return false;
  // The last entry of each chain, by its head: chains grow at their end.
  std::unique_ptr<int32_t[]> tail(new (std::nothrow) int32_t[n > 0 ? n : 1]);
  if (!tail) return false;
  int32_t entry_count = 0;
  for (int i = 0; i < n; ++i) {
    const MeshVertex& v = list[i];
    ids[i] = i;
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) continue;
    const int64_t lo[3] = {cell(v.x, -kReach), cell(v.y, -kReach), cell(v.z, -kReach)};
    const int64_t hi[3] = {cell(v.x, kReach), cell(v.y, kReach), cell(v.z, kReach)};
    bool same_position_seen = false;
    for (int64_t cx = lo[0];; ++cx) {
      for (int64_t cy = lo[1];; ++cy) {
        for (int64_t cz = lo[2];; ++cz) {
          for (int32_t e = cells.find({cx, cy, cz}); e >= 0; e = entries[e].next) {
            const MeshVertex& w = list[entries[e].vertex];
            if (!within_weld(v, w)) continue;
            if (entries[e].vertex < ids[i]) ids[i] = entries[e].vertex;
            if (w.x == v.x && w.y == v.y && w.z == v.z) same_position_seen = true;
          }
          if (cz == hi[2]) break;
        }
        if (cy == hi[1]) break;
      }
      if (cx == hi[0]) break;
    }
    if (same_position_seen) continue;  // its first vertex already stands for it
    const GridKey own{cell(v.x, 0), cell(v.y, 0), cell(v.z, 0)};
    entries[entry_count] = {i, -1};
    const int32_t head = cells.find_or_insert(own, entry_count);
    if (head >= 0) {
      entries[tail[head]].next = entry_count;
      tail[head] = entry_count;
    } else {
      tail[entry_count] = entry_count;
    }
    ++entry_count;
  }
  return !cells.failed();
}

// An edge by its welded ends, smaller id first.
struct EdgeKey {
  int32_t a, b;
  int32_t entry;  // 3t + e
  bool operator<(const EdgeKey& o) const {
    if (a != o.a) return a < o.a;
    if (b != o.b) return b < o.b;
    return entry < o.entry;
  }
};

}  // namespace

bool MeshObjectX::build_edges() {
  edges.count = 0;
  if (frames.count <= 0) return true;
  const GrowVector<MeshVertex>& list = frames[0].triangles;
  const int triangles = list.count / 3;
  const int n = triangles * 3;
  if (!edges.reserve(n)) return false;
  std::unique_ptr<int32_t[]> ids(new (std::nothrow) int32_t[n > 0 ? n : 1]);
  std::unique_ptr<EdgeKey[]> keys(new (std::nothrow) EdgeKey[n > 0 ? n : 1]);
  if (!ids || !keys || !weld_vertices(list, ids.get())) return false;
  for (int j = 0; j < n; ++j) {
    const int32_t p = ids[j], q = ids[j - j % 3 + (j % 3 + 1) % 3];
    keys[j] = {std::min(p, q), std::max(p, q), j};
    edges[j] = {-1, 0};
  }
  edges.count = n;
  std::sort(keys.get(), keys.get() + n);
  // Within a group of equal edges, in entry order: the first triangle's
  // edges get the last later triangle, every later triangle's edge the
  // first triangle. Edges of one triangle never pair among themselves.
  for (int g = 0; g < n;) {
    int end = g;
    while (end < n && keys[end].a == keys[g].a && keys[end].b == keys[g].b) ++end;
    const int32_t first = keys[g].entry / 3;
    const int32_t last = keys[end - 1].entry / 3;
    if (last != first) {
      for (int k = g; k < end; ++k) {
        const int32_t t = keys[k].entry / 3;
        edges[keys[k].entry].neighbour = t == first ? last : first;
      }
    }
    g = end;
  }
  return true;
}

bool MeshObjectX::ensure_edges() {
  if (edges.count > 0 || frames.count <= 0) return true;
  return build_edges();
}
