// The matrix operations that also hand their result to GL's current matrix,
// and the wire sphere drawn with GL lines.
#include <GL/gl.h>

#include "gfx3d/matrix4.h"

void qvl_x3d_look_at(float eye_x, float eye_y, float eye_z, float target_x, float target_y,
                     float target_z, float up_x, float up_y, float up_z, float out[16]) {
  qvl_x3d_look_at_matrix({eye_x, eye_y, eye_z}, {target_x, target_y, target_z},
                         {up_x, up_y, up_z}, out);
  glLoadMatrixf(out);
}

void qvl_x3d_mult_frustum(float left, float right, float bottom, float top, float near_plane,
                          float far_plane, float out[16]) {
  if (qvl_x3d_frustum_matrix(left, right, bottom, top, near_plane, far_plane, out))
    glMultMatrixf(out);
}

void qvl_x3d_mult_ortho(float left, float right, float bottom, float top, float near_plane,
                        float far_plane, float out[16]) {
  if (qvl_x3d_ortho_matrix(left, right, bottom, top, near_plane, far_plane, out))
    glMultMatrixf(out);
}

namespace {

void gl_line_loop(void*, const Vec3 corners[3]) {
  glBegin(GL_LINE_LOOP);
  for (int i = 0; i < 3; ++i) glVertex3f(corners[i].x, corners[i].y, corners[i].z);
  glEnd();
}

}  // namespace

void qvl_x3d_draw_sphere_wire(Vec3 centre, float radius, Vec3 a, Vec3 b, Vec3 c, int depth) {
  qvl_x3d_sphere_wire_loops(centre, radius, a, b, c, depth, gl_line_loop, nullptr);
}
