// Intersection tests between one primitive and one triangle (or polygon),
// on which the collision tests against objects rest: sphere, oriented box,
// ray and cone against a triangle, sphere against an axis-aligned box, and
// the building blocks they share. Pure functions of their arguments, in
// whatever space the caller gives them.
//
// A polygon is `count` vertices in order, the last joined to the first.
#pragma once

#include "gfx3d/vec3.h"

// Where the line through p0 and p1 meets the plane n.x + d = 0; p0 itself
// when the line runs parallel to the plane.
Vec3 qvl_x3d_line_plane_point(Vec3 normal, Vec3 p0, Vec3 p1, float d);

// The angle-sum test: do the angles that the polygon's edges subtend at the
// point add up to a full turn (at least 0.99 of one)? A point on a vertex
// counts 0 for the two edges there.
bool qvl_x3d_point_in_polygon(Vec3 point, const Vec3* vertices, int count);

// Does the segment p0-p1 cross the plane of the polygon's first three
// vertices inside the polygon? An end lying in the plane does not count.
bool qvl_x3d_line_hits_polygon(const Vec3* vertices, int count, Vec3 p0, Vec3 p1);

// The signed distance of the sphere's centre from the plane through
// point_on_plane with unit normal n goes to distance; the result is 1 when
// the sphere cuts the plane (radius > |distance|), 2 when it lies in front
// (distance > radius) and 0 otherwise (behind, or touching).
int qvl_x3d_classify_sphere(Vec3 centre, Vec3 normal, Vec3 point_on_plane, float radius,
                            float* distance);

// Does some edge of the polygon pass closer than radius to the centre?
bool qvl_x3d_sphere_hits_edges(Vec3 centre, const Vec3* vertices, int count, float radius);

// Does some point of the triangle lie closer than radius to the centre?
bool qvl_x3d_sphere_hits_triangle(const Vec3 triangle[3], Vec3 centre, float radius);

// Separating axes: do the box with the given centre and half-axis vectors
// a1, a2, a3 (at right angles, each half the box's extent along it) and the
// triangle share a point? Touching counts.
bool qvl_x3d_box_hits_triangle(Vec3 centre, Vec3 a1, Vec3 a2, Vec3 a3, Vec3 t0, Vec3 t1, Vec3 t2);

// The parameter s at which the line through p and q meets the triangle (at
// p + s (q - p)); 0 when it does not, or when the triangle has no area or
// the line runs parallel to it. s may be negative or above 1.
float qvl_x3d_ray_hits_triangle(const Vec3 triangle[3], Vec3 p, Vec3 q);

// True when the line through p along d clearly passes the triangle by, so
// that qvl_x3d_ray_hits_triangle gives 0: most lines do, and this turns them
// away cheaply. Moller and Trumbore's weights, scaled by |det| so that no
// division is needed, must lie outside the triangle by more than a margin;
// lines through the triangle or near its edges are left to the full test.
inline bool qvl_x3d_line_passes_triangle(const Vec3 triangle[3], Vec3 p, Vec3 d) {
  const Vec3 t0 = triangle[0];
  const Vec3 e0 = triangle[1] - t0, e1 = triangle[2] - t0;
  const Vec3 h = cross(d, e1);
  const float det = dot(e0, h);
  if (det == 0.0f) return false;
  const float sign = det > 0.0f ? 1.0f : -1.0f;
  const float whole = det * sign;
  const float margin = 1e-4f * whole;
  const Vec3 from_t0 = p - t0;
  const float u = dot(from_t0, h) * sign;
  if (u < -margin || u > whole + margin) return true;
  const float v = dot(d, cross(from_t0, e0)) * sign;
  return v < -margin || u + v > whole + margin;
}

// Does the cone with the given apex, unit axis and cosine of its half
// angle share a point with the triangle? Half angles above 90 degrees
// (a negative cosine) give the space outside the opposite cone.
bool qvl_x3d_cone_hits_triangle(Vec3 axis, Vec3 apex, float cos_angle, const Vec3 triangle[3]);

// Does the sphere touch the axis-aligned box centred on the origin with half
// sizes hx, hy, hz? Touching counts.
bool qvl_x3d_sphere_hits_aabb(Vec3 centre, float radius_squared, float hx, float hy, float hz);
