// Mesh preparation: the flat triangle lists that drawing, shadows and
// collision use, the frames' bounding spheres, and scaling in place.
#include <cmath>
#include <cstring>

#include "gfx3d/mesh_records.h"
#include "gfx3d/vec3.h"

namespace {

// Appends the triangles of one vertex list: list runs take three corners at
// a time, strips go on from their last two corners (p q r, r q s, r s t),
// fans from their first and last (p q r, p r s). Corners left over at the
// end of a run are dropped.
void append_triangles(const GrowVector<MeshVertex>& list, GrowVector<MeshVertex>& out) {
  uint32_t run = kRunList;
  int pending = 0, parity = 0;
  int p[3] = {0, 0, 0};  // indices of the pending corners
  for (int i = 0; i < list.count; ++i) {
    const uint32_t c = list[i].colour;
    if (qvl_mesh_is_run_start(c)) {
      run = c;
      pending = 0;
      if (run == kRunStrip) parity = 0;
      continue;
    }
    p[pending++] = i;
    if (pending < 3) continue;
    for (int k = 0; k < 3; ++k) out[out.count++] = list[p[k]];
    if (run == kRunList) {
      pending = 0;
    } else {
      if (run == kRunFan || parity == 1) {
        p[1] = p[2];
      } else {
        p[0] = p[2];
      }
      if (run == kRunStrip) parity ^= 1;
      pending = 2;
    }
  }
}

bool copy_list(GrowVector<MeshVertex>& to, const GrowVector<MeshVertex>& from) {
  to.count = 0;
  to.step = from.step;
  to.minimum = from.minimum;
  if (!to.reserve(from.count)) return false;
  if (from.count > 0) std::memcpy(to.data, from.data, sizeof(MeshVertex) * from.count);
  to.count = from.count;
  return true;
}

}  // namespace

bool MeshObjectX::build_triangles() {
  drop_static_buffer();
  bool ok = true;
  int64_t frame0_count = -1;
  for (int f = 0; f < frames.count; ++f) {
    MeshFrame& frame = frames[f];
    frame.triangles.count = 0;
    const int64_t records = qvl_mesh_count_triangles(frame.vertices) * 3;
    if (f == 0) frame0_count = records;
    if (records != frame0_count) ok = false;
    if (records > INT32_MAX || !frame.triangles.reserve(static_cast<int>(records))) {
      ok = false;
      continue;
    }
    append_triangles(frame.vertices, frame.triangles);
  }
  if (frames.count > 0) {
    if (!copy_list(draw_buffer, frames[0].triangles)) ok = false;
  } else {
    draw_buffer.count = 0;
  }
  has_colours = 0;
  for (int i = 0; i < values.count; ++i) {
    if (values[i] != 0xFFFFFFu && values[i] < kWhiteWords) has_colours = 1;
  }
  return ok;
}

void MeshObjectX::compute_bounds() {
  for (int f = 0; f < frames.count; ++f) {
    MeshFrame& frame = frames[f];
    const GrowVector<MeshVertex>& list = frame.triangles;
    frame.bound_x = frame.bound_y = frame.bound_z = frame.bound_radius = 0.0f;
    if (list.count <= 0) continue;
    double sx = 0, sy = 0, sz = 0;
    for (int i = 0; i < list.count; ++i) {
      sx += list[i].x;
      sy += list[i].y;
      sz += list[i].z;
    }
    const double inv = 1.0 / list.count;
    frame.bound_x = static_cast<float>(sx * inv);
    frame.bound_y = static_cast<float>(sy * inv);
    frame.bound_z = static_cast<float>(sz * inv);
    const Vec3 centre{frame.bound_x, frame.bound_y, frame.bound_z};
    float radius = 0.0f;
    for (int i = 0; i < list.count; ++i) {
      const Vec3 d = Vec3{list[i].x, list[i].y, list[i].z} - centre;
      const float sq = dot(d, d);
      if (sq > 1e-7f && std::sqrt(sq) > radius) radius = std::sqrt(sq);
    }
    frame.bound_radius = radius;
  }
}

namespace {

// Normals follow the inverse transpose of the scale: its adjugate
// (sy·sz, sx·sz, sx·sy) with the sign of the determinant, which stays
// defined when a factor is 0 and flattens the normals onto that axis.
struct ScaleRule {
  Vec3 position, normal;
  void apply(MeshVertex& r) const {
    r.x *= position.x, r.y *= position.y, r.z *= position.z;
    float n[3] = {r.nx * normal.x, r.ny * normal.y, r.nz * normal.z};
    float t[3] = {r.tangent_x * position.x, r.tangent_y * position.y, r.tangent_z * position.z};
    float b[3] = {r.bitangent_x * position.x, r.bitangent_y * position.y,
                  r.bitangent_z * position.z};
    qvl_x3d_normalize(n);
    qvl_x3d_normalize(t);
    qvl_x3d_normalize(b);
    r.nx = n[0], r.ny = n[1], r.nz = n[2];
    r.tangent_x = t[0], r.tangent_y = t[1], r.tangent_z = t[2];
    r.bitangent_x = b[0], r.bitangent_y = b[1], r.bitangent_z = b[2];
  }
};

}  // namespace

void MeshObjectX::scale(float x, float y, float z) {
  const float det = x * y * z;
  const float sign = det < 0.0f ? -1.0f : 1.0f;
  const ScaleRule rule{{x, y, z}, Vec3{y * z, x * z, x * y} * sign};
  for (int f = 0; f < frames.count; ++f) {
    MeshFrame& frame = frames[f];
    for (int i = 0; i < frame.triangles.count; ++i) rule.apply(frame.triangles[i]);
    for (int i = 0; i < frame.vertices.count; ++i) {
      if (!qvl_mesh_is_run_start(frame.vertices[i].colour)) rule.apply(frame.vertices[i]);
    }
  }
  // The draw buffer and the static buffer hold copies of frame 0 as it was.
  for (int i = 0; i < draw_buffer.count; ++i) rule.apply(draw_buffer[i]);
  drop_static_buffer();
  compute_bounds();
}
