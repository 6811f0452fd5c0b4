// The engine's view state: the projection and camera of a 3D frame, the
// frustum planes derived from them, and the current level's object matrix.
#include <GL/gl.h>

#include <cmath>

#include "gfx3d/matrix4.h"
#include "gfx3d/rainbows3d.h"

namespace {

constexpr float kDegree = 0.017453292f;
// The widest angle whose tangent scales outlines: 89 degrees.
constexpr float kWidestViewAngle = 1.553343f;
// tan 89 degrees, the view tangent of an orthographic projection.
constexpr float kOrthographicViewTangent = 57.29004f;

}  // namespace

void Rainbows3D::begin_3d_view(float near_plane, float far_plane, float field_of_view,
                               float aspect) {
  const float widened = field_of_view + 5.0f;
  view_tangent = std::tan(widened <= 89.0f ? widened * kDegree : kWidestViewAngle);
  camera_up_x = 0.0f, camera_up_y = 1.0f, camera_up_z = 0.0f;
  fog_start = near_plane;
  fog_end = far_plane;
  qvl_x3d_projection_matrix(near_plane, far_plane, field_of_view, aspect, projection_matrix);
  if (!(field_of_view > 0.0f)) view_tangent = kOrthographicViewTangent;
  sphere_mapping = 0;
  shadow_enabled = 0;
  cull_mode = 0;
  texture_offset_u = texture_offset_v = 0.0f;
  place_camera(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, -1.0f);
}

void Rainbows3D::place_camera(float x, float y, float z, float target_x, float target_y,
                              float target_z) {
  camera_x = x, camera_y = y, camera_z = z;
  camera_target_x = target_x, camera_target_y = target_y, camera_target_z = target_z;
  qvl_x3d_look_at_matrix({x, y, z}, {target_x, target_y, target_z},
                         {camera_up_x, camera_up_y, camera_up_z}, camera_matrix);
  restart_transforms();
  update_frustum();
}

void Rainbows3D::set_camera(float x, float y, float z, float target_x, float target_y,
                            float target_z) {
  place_camera(x, y, z, target_x, target_y, target_z);
  glLoadMatrixf(camera_matrix);
}

void Rainbows3D::restart_transforms() {
  current_level = 0;
  float identity[16];
  qvl_x3d_identity(identity);
  transform_levels[0].restart(identity);
}

void Rainbows3D::update_frustum() {
  float clip[16];
  qvl_x3d_multiply_matrices(clip, projection_matrix, camera_matrix);
  auto row = [&clip](int k, int i) { return clip[4 * i + k]; };
  // Right, left, bottom, top, far, near: row 3 minus or plus row 0, 1, 2.
  static constexpr int kRow[6] = {0, 0, 1, 1, 2, 2};
  static constexpr float kSign[6] = {-1, 1, 1, -1, -1, 1};
  for (int p = 0; p < 6; ++p) {
    float* plane = frustum_planes[p];
    for (int i = 0; i < 4; ++i) plane[i] = row(3, i) + kSign[p] * row(kRow[p], i);
    const float length =
        std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    // A plane without a direction (a projection that flattens everything)
    // keeps its raw values rather than becoming 0 / 0.
    if (length > 0.0f)
      for (float& v : frustum_planes[p]) v /= length;
  }
}

bool Rainbows3D::sphere_in_frustum(float x, float y, float z, float radius) const {
  for (const float* plane : frustum_planes)
    if (plane[0] * x + plane[1] * y + plane[2] * z + plane[3] < -radius) return false;
  return true;
}

void Rainbows3D::update_object_matrix() { transform_levels[current_level].update(); }

void Rainbows3D::apply_object_matrix() {
  update_object_matrix();
  glMultMatrixf(transform_levels[current_level].matrix);
}
