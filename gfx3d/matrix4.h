// The 4 x 4 maths under the 3D engine's transforms, camera, culling and
// collision tests: single-precision matrices in OpenGL's column-major order
// (row r, column c at index 4c + r; the translation in 12, 13, 14), so a
// matrix built here goes to glLoadMatrixf or glMultMatrixf unchanged.
//
// Everything here is a plain function of its arguments: no GL context, no
// allocation. The few operations that also hand their matrix to GL live in
// matrix_gl.cpp and are declared at the end.
#pragma once

#include "gfx3d/vec3.h"

// The identity.
void qvl_x3d_identity(float m[16]);

// dst = a x b. dst may be a (row i of a is read before row i of dst is
// written); it must not be b.
void qvl_x3d_multiply_matrices(float dst[16], const float a[16], const float b[16]);

// p = m (p, 1), keeping x, y, z and dropping w.
void qvl_x3d_transform_point(const float m[16], float p[3]);
Vec3 qvl_x3d_transformed(const float m[16], Vec3 p);

// In place: the inverse of a turn-and-move matrix (the 3 x 3 part
// transposed, the translation turned back). Scaling or projection in m
// does not come back inverted.
void qvl_x3d_invert_rigid(float m[16]);

// In place: the general inverse by Gauss-Jordan elimination. A matrix that
// has none (a zero pivot, or values that are not finite) is left unchanged
// and false is returned.
bool qvl_x3d_invert_matrix(float m[16]);

// The pivot row of elimination step i over four rows of four values: the
// last later row whose entry i is larger in magnitude than row i's own
// (each compared with row i, not with the best found so far); i when none.
int qvl_x3d_pivot_row(const double rows[4][4], int i);

// The point (x, y, z) through modelview and projection onto the viewport
// {x, y, width, height}, a rectangle of the window measured, like the
// result, with y growing downwards. win_z runs 0 (near) to 1 (far). 0 and
// the outputs untouched when the point lies in the camera's plane (clip w
// = 0) or the viewport has no area.
int qvl_x3d_project_point(float x, float y, float z, float* win_x, float* win_y, float* win_z,
                          const int viewport[4], const float projection[16],
                          const float modelview[16]);

// The exact inverse of qvl_x3d_project_point: a window point (y growing
// downwards) and depth back to the 3D point. 0 and the outputs untouched
// when projection x modelview has no inverse, the point maps to infinity
// (w = 0) or the viewport has no area.
int qvl_x3d_unproject_point(float win_x, float win_y, float win_z, float* x, float* y, float* z,
                            const int viewport[4], const float projection[16],
                            const float modelview[16]);

// tan t by the engine's odd polynomial of degree 13 (accurate for |t| up to
// about pi / 4, finite everywhere).
float qvl_x3d_tan_polynomial(float t);

// The projection of the begin-3D step: perspective for field_of_view > 0
// (degrees, the full vertical angle), orthographic otherwise (its height
// 200 x near x tan(-field_of_view / 2)). False and out untouched when the
// numbers give no finite matrix (a field of view of 0, near 0, far equal
// to near, a viewport without area).
bool qvl_x3d_projection_matrix(float near_plane, float far_plane, float field_of_view,
                               float aspect, float out[16]);

// The matrices of glFrustum and glOrtho. False and out untouched where GL
// would refuse them (left = right, bottom = top, near = far, and for the
// frustum a near or far plane not in front of the eye).
bool qvl_x3d_frustum_matrix(float left, float right, float bottom, float top, float near_plane,
                            float far_plane, float out[16]);
bool qvl_x3d_ortho_matrix(float left, float right, float bottom, float top, float near_plane,
                          float far_plane, float out[16]);

// The turn by angle degrees about the axis (x, y, z), right-handed as
// glRotatef turns. False (out untouched) for an axis of length 0.0001 or
// less, which turns nothing.
bool qvl_x3d_rotation_matrix(float angle, float x, float y, float z, float out[16]);

// The view matrix of a camera at eye looking at target with the given up
// direction: the target lands on the negative z axis.
void qvl_x3d_look_at_matrix(Vec3 eye, Vec3 target, Vec3 up, float out[16]);

// ---- With a GL context (matrix_gl.cpp) ----------------------------------

// qvl_x3d_look_at_matrix into out, then loaded as GL's current matrix.
void qvl_x3d_look_at(float eye_x, float eye_y, float eye_z, float target_x, float target_y,
                     float target_z, float up_x, float up_y, float up_z, float out[16]);

// glFrustum's and glOrtho's matrix into out, multiplied onto GL's current
// matrix; nothing at all where the matrix functions above refuse.
void qvl_x3d_mult_frustum(float left, float right, float bottom, float top, float near_plane,
                          float far_plane, float out[16]);
void qvl_x3d_mult_ortho(float left, float right, float bottom, float top, float near_plane,
                        float far_plane, float out[16]);

// The wire sphere of the collision debug view: the spherical triangle with
// unit corners a, b, c split depth times into four, each piece a line loop
// through centre + radius x its corners (4^depth loops). The loops go to
// `loop`; qvl_x3d_draw_sphere_wire draws them with GL.
using SphereLoopFn = void (*)(void* context, const Vec3 corners[3]);
void qvl_x3d_sphere_wire_loops(Vec3 centre, float radius, Vec3 a, Vec3 b, Vec3 c, int depth,
                               SphereLoopFn loop, void* context);
void qvl_x3d_draw_sphere_wire(Vec3 centre, float radius, Vec3 a, Vec3 b, Vec3 c, int depth);
