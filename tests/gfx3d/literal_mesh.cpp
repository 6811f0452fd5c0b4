#include "tests/gfx3d/literal_mesh.h"

#include <cmath>

#include "gfx3d/position_hash.h"
#include "gfx3d/smooth_normals.h"
#include "gfx3d/vec3.h"

namespace {

struct Entry {
  GridKey key;
  VertexAxes sums;
};

GridKey key_of(const MeshVertex& r, int i, bool weld) {
  if (!weld) return {i, 0, 0};
  return {qvl_grid_round(r.x, 65536.0), qvl_grid_round(r.y, 65536.0),
          qvl_grid_round(r.z, 65536.0)};
}

}  // namespace

void literal_smooth_normals(MeshObject& object, bool normals, bool weld, bool tangents) {
  Vec3 last_t{0, 0, 0}, last_b{0, 0, 0};
  for (int f = 0; f < object.frames.count; ++f) {
    GrowVector<MeshVertex>& list = object.frames[f].vertices;
    std::vector<Entry> table;
    std::vector<int> entry_of(list.count, -1);
    uint32_t run = kRunList;
    int corners = 0, parity = 0;
    int c[3];
    for (int i = 0; i < list.count; ++i) {
      const MeshVertex& r = list[i];
      if (r.colour >= kRunFan) {
        run = r.colour;
        corners = parity = 0;
        continue;
      }
      const GridKey key = key_of(r, i, weld);
      int e = -1;
      for (int k = static_cast<int>(table.size()) - 1; k >= 0; --k) {
        if (table[k].key == key) {
          e = k;
          break;
        }
      }
      if (e < 0) {
        table.push_back({key, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}});
        e = static_cast<int>(table.size()) - 1;
      }
      entry_of[i] = e;
      c[corners++] = i;
      if (corners < 3) continue;
      bool flipped = false;
      if (run == kRunList) {
        corners = parity = 0;
      } else {
        corners = 2;
        flipped = run == kRunStrip && parity == 1;
        parity ^= 1;
      }
      const MeshVertex &a = list[c[0]], &b = list[c[1]], &d = list[c[2]];
      const Vec3 p0{a.x, a.y, a.z}, p1{b.x, b.y, b.z}, p2{d.x, d.y, d.z};
      if (normals) {
        Vec3 n = cross(p2 - p1, p1 - p0);
        if (flipped) n = n * -1.0f;
        for (int k : c) table[entry_of[k]].sums.normal = table[entry_of[k]].sums.normal + n;
      }
      if (tangents) {
        const Vec3 e1 = p1 - p0, e2 = p2 - p0;
        const float du1 = b.u - a.u, dv1 = b.v - a.v, du2 = d.u - a.u, dv2 = d.v - a.v;
        const float det = du1 * dv2 - du2 * dv1;
        if (std::fabs(det) > 0.00001f) {
          last_t = (e1 * dv2 - e2 * dv1) / det;
          last_b = (e2 * du1 - e1 * du2) / det;
        }
        for (int k : c) {
          VertexAxes& s = table[entry_of[k]].sums;
          s.tangent = s.tangent + last_t;
          s.bitangent = s.bitangent + last_b;
        }
      }
      if (run == kRunStrip) c[0] = c[1];
      if (run != kRunList) c[1] = c[2];
    }
    std::vector<VertexAxes> sums;
    for (const Entry& e : table) sums.push_back(e.sums);
    qvl_mesh_store_axes(list, entry_of.data(), sums.data(), static_cast<int>(sums.size()), normals,
                        tangents);
  }
}

std::vector<int32_t> literal_edge_neighbours(const MeshObjectX& object) {
  const GrowVector<MeshVertex>& list = object.frames[0].triangles;
  const int t_count = list.count / 3;
  std::vector<int32_t> id(t_count * 3);
  for (int i = 0; i < t_count * 3; ++i) {
    id[i] = i;
    for (int j = 0; j < i; ++j) {
      if (std::fabs(list[i].x - list[j].x) < 0.00001f &&
          std::fabs(list[i].y - list[j].y) < 0.00001f &&
          std::fabs(list[i].z - list[j].z) < 0.00001f) {
        id[i] = j;
        break;
      }
    }
  }
  std::vector<int32_t> neighbour(t_count * 3, -1);
  auto end = [&](int t, int e, int k) { return id[3 * t + (e + k) % 3]; };
  for (int t = 0; t + 1 < t_count; ++t) {
    for (int e = 0; e < 3; ++e) {
      if (neighbour[3 * t + e] != -1) continue;
      const int a = end(t, e, 0), b = end(t, e, 1);
      for (int k = t + 1; k < t_count; ++k) {
        for (int f = 0; f < 3; ++f) {
          const int c = end(k, f, 0), d = end(k, f, 1);
          if ((a == c && b == d) || (a == d && b == c)) {
            neighbour[3 * t + e] = k;
            neighbour[3 * k + f] = t;
          }
        }
      }
    }
  }
  return neighbour;
}
