#include "gfx3d/shadow_volume.h"

#include "gfx3d/vec3.h"

namespace {

Vec3 corner(const GrowVector<MeshVertex>& list, int i) { return {list[i].x, list[i].y, list[i].z}; }

// Triangles of frame 0, which every frame shares.
int frame0_triangles(const MeshObjectX& part) {
  return part.frames.count > 0 ? part.frames[0].triangles.count / 3 : 0;
}

}  // namespace

void MeshObjectX::build_shadow_volume(const GrowVector<MeshVertex>& triangles,
                                      const float light[3]) {
  const int t_count = frame0_triangles(*this);
  silhouette.count = 0;
  if (t_count == 0 || triangles.count < 3 * t_count || edges.count != 3 * t_count) return;
  if (!silhouette.reserve(t_count)) return;
  silhouette.count = t_count;
  const Vec3 l{light[0], light[1], light[2]};
  const float third = 0.33333334f;
  for (int t = 0; t < t_count; ++t) {
    const Vec3 p0 = corner(triangles, 3 * t), p1 = corner(triangles, 3 * t + 1),
               p2 = corner(triangles, 3 * t + 2);
    const Vec3 c = (p0 + p1 + p2) * third;
    const Vec3 n = cross(p0 - p1, p2 - p1);
    // A light in the triangle's plane counts as in front of it.
    silhouette[t] = dot(l - c, n) >= 0.0f ? 1 : 0;
  }
  for (int j = 0; j < 3 * t_count; ++j) {
    const int32_t other = edges[j].neighbour;
    const bool open = other < 0 || other >= t_count || silhouette[other] == 0;
    edges[j].on_silhouette = silhouette[j / 3] == 1 && open ? 1 : 0;
  }
}

bool qvl_x3d_shadow_volume(const MeshObjectX& part, const GrowVector<MeshVertex>& triangles,
                           const float light[3], bool caps, ShadowVolume& volume) {
  volume.quads.count = 0;
  volume.caps.count = 0;
  const int t_count = part.silhouette.count;
  if (t_count == 0 || triangles.count < 3 * t_count || part.edges.count != 3 * t_count)
    return true;
  int quads = 0;
  for (int j = 0; j < 3 * t_count; ++j) quads += part.edges[j].on_silhouette ? 1 : 0;
  if (!volume.quads.reserve(4 * quads) || (caps && !volume.caps.reserve(3 * t_count)))
    return false;
  const Vec3 l{light[0], light[1], light[2]};
  auto point = [](Vec3 p) { return ShadowPoint{p.x, p.y, p.z, 1.0f}; };
  auto away = [&l](Vec3 p) {
    const Vec3 d = p - l;
    return ShadowPoint{d.x, d.y, d.z, 0.0f};
  };
  for (int t = 0; t < t_count; ++t) {
    if (part.silhouette[t] != 1) continue;
    for (int e = 0; e < 3; ++e) {
      if (!part.edges[3 * t + e].on_silhouette) continue;
      const Vec3 a = corner(triangles, 3 * t + e), b = corner(triangles, 3 * t + (e + 1) % 3);
      ShadowPoint* q = &volume.quads[volume.quads.count];
      q[0] = point(b);
      q[1] = point(a);
      q[2] = away(a);
      q[3] = away(b);
      volume.quads.count += 4;
    }
  }
  if (caps) {
    for (int i = 0; i < 3 * t_count; ++i) {
      const Vec3 p = corner(triangles, i);
      volume.caps[volume.caps.count++] = part.silhouette[i / 3] == 1 ? point(p) : away(p);
    }
  }
  return true;
}
