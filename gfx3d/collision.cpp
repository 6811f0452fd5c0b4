// Collision tests of a sphere, a box, a ray and a cone against an object as
// it would be drawn with the current transform level.
//
// The usual level matrix only turns, moves and scales evenly: the query
// shape is then taken into the object's own space with the matrix's
// inverse (radii and half-axes shrink with the scale, angles and the ray's
// parameter are kept) and the triangles are read as stored. Any other
// matrix (uneven scaling, shear) would bend a sphere into an ellipsoid
// there, so the triangles are carried into world space instead and the
// shape stays as given. Either way a frame is first rejected by its
// bounding sphere, then every triangle goes through the primitive test.
#include <cmath>

#include "gfx3d/intersect.h"
#include "gfx3d/matrix4.h"
#include "gfx3d/rainbows3d.h"

namespace {

constexpr float kDegree = 0.017453292f;

// Where a test meets the triangles.
struct CollisionSpace {
  bool usable;  // a matrix of finite numbers: anything else touches nothing
  bool object_space;
  float to_object[16];  // the level matrix inverted (object space)
  float to_world[16];   // the level matrix
  float unit;           // world length of one object unit (object space)
};

// A turn-move-even-scale matrix: columns of one length k at right angles,
// bottom row (0, 0, 0, 1). The tolerance covers a float rotation's rounding.
bool is_similarity(const float m[16], float* k) {
  if (m[3] != 0.0f || m[7] != 0.0f || m[11] != 0.0f || m[15] != 1.0f) return false;
  const Vec3 c[3] = {{m[0], m[1], m[2]}, {m[4], m[5], m[6]}, {m[8], m[9], m[10]}};
  const float k2 = (dot(c[0], c[0]) + dot(c[1], c[1]) + dot(c[2], c[2])) / 3.0f;
  if (!(k2 > 0.0f) || !std::isfinite(k2)) return false;
  const float tolerance = 1e-4f * k2;
  for (int i = 0; i < 3; ++i) {
    if (std::fabs(dot(c[i], c[i]) - k2) > tolerance) return false;
    if (std::fabs(dot(c[i], c[(i + 1) % 3])) > tolerance) return false;
  }
  *k = std::sqrt(k2);
  return true;
}

CollisionSpace collision_space(Rainbows3D& engine) {
  engine.update_object_matrix();
  CollisionSpace space;
  const float* w = engine.transform_levels[engine.current_level].matrix;
  for (int i = 0; i < 16; ++i) space.to_world[i] = space.to_object[i] = w[i];
  space.unit = 1.0f;
  space.usable = true;
  for (int i = 0; i < 16; ++i) space.usable = space.usable && std::isfinite(w[i]);
  space.object_space = is_similarity(w, &space.unit) && qvl_x3d_invert_matrix(space.to_object);
  return space;
}

// The triangles of a frame in the test's space.
class FrameTriangles {
 public:
  FrameTriangles(const MeshFrame& frame, const CollisionSpace& space)
      : records_(frame.triangles.data),
        count_(frame.triangles.count / 3),
        to_world_(space.object_space ? nullptr : space.to_world) {}

  int count() const { return count_; }
  Vec3 position(int record) const {
    const MeshVertex& v = records_[record];
    const Vec3 p{v.x, v.y, v.z};
    return to_world_ ? qvl_x3d_transformed(to_world_, p) : p;
  }
  void triangle(int k, Vec3 out[3]) const {
    const MeshVertex* v = records_ + 3 * k;
    if (!to_world_) {
      for (int i = 0; i < 3; ++i) out[i] = {v[i].x, v[i].y, v[i].z};
      return;
    }
    const float* m = to_world_;
    for (int i = 0; i < 3; ++i)
      out[i] = {v[i].x * m[0] + v[i].y * m[4] + v[i].z * m[8] + m[12],
                v[i].x * m[1] + v[i].y * m[5] + v[i].z * m[9] + m[13],
                v[i].x * m[2] + v[i].y * m[6] + v[i].z * m[10] + m[14]};
  }

 private:
  const MeshVertex* records_;
  int count_;
  const float* to_world_;
};

// The frame's bounding sphere in the test's space. In world space its
// radius grows by the largest stretch of the matrix (bounded by the
// Frobenius norm). A little slack covers rounding and the vertices close
// to the centre that the bound's computation skips.
struct Bound {
  Vec3 centre;
  float radius;
};

Bound frame_bound(const MeshFrame& frame, const CollisionSpace& space) {
  Bound b{{frame.bound_x, frame.bound_y, frame.bound_z}, frame.bound_radius};
  if (!space.object_space) {
    const float* m = space.to_world;
    float frobenius = 0.0f;
    for (int col = 0; col < 3; ++col)
      for (int row = 0; row < 3; ++row) frobenius += m[4 * col + row] * m[4 * col + row];
    b.centre = qvl_x3d_transformed(m, b.centre);
    b.radius *= std::sqrt(frobenius);
  }
  b.radius = b.radius * 1.00001f + 3.2e-4f;
  return b;
}

const MeshFrame* frame_with_triangles(const MeshObjectX& part, int frame,
                                      const CollisionSpace& space) {
  if (!space.usable || frame < 0 || frame >= part.frames.count) return nullptr;
  const MeshFrame& f = part.frames[frame];
  return f.triangles.count > 2 ? &f : nullptr;
}

// Into the test's space: a point, and a vector hung from a point.
Vec3 point_in(const CollisionSpace& space, Vec3 p) {
  return space.object_space ? qvl_x3d_transformed(space.to_object, p) : p;
}
Vec3 vector_in(const CollisionSpace& space, Vec3 from, Vec3 v) {
  if (!space.object_space) return v;
  return qvl_x3d_transformed(space.to_object, from + v) - qvl_x3d_transformed(space.to_object, from);
}

// Does the triangle lie wholly beyond one face of the box lo..hi (lined up
// with the axes)? A cheap look before a primitive test that would say no.
bool outside_box(const Vec3 t[3], Vec3 lo, Vec3 hi) {
  return (t[0].x < lo.x && t[1].x < lo.x && t[2].x < lo.x) ||
         (t[0].x > hi.x && t[1].x > hi.x && t[2].x > hi.x) ||
         (t[0].y < lo.y && t[1].y < lo.y && t[2].y < lo.y) ||
         (t[0].y > hi.y && t[1].y > hi.y && t[2].y > hi.y) ||
         (t[0].z < lo.z && t[1].z < lo.z && t[2].z < lo.z) ||
         (t[0].z > hi.z && t[1].z > hi.z && t[2].z > hi.z);
}

Vec3 unit_or_zero(Vec3 v) {
  const float length = std::sqrt(dot(v, v));
  return length > 0.0f && std::isfinite(length) ? v / length : Vec3{0.0f, 0.0f, 0.0f};
}

bool sphere_in_space(const MeshFrame& frame, const CollisionSpace& space, float radius,
                     Vec3 world_centre) {
  const Vec3 c = point_in(space, world_centre);
  const float r = radius / space.unit;
  const Bound b = frame_bound(frame, space);
  const Vec3 to_bound = c - b.centre;
  if (!((r + b.radius) * (r + b.radius) >= dot(to_bound, to_bound))) return false;
  const FrameTriangles triangles(frame, space);
  // A sphere around the first corner touches the first triangle.
  const Vec3 to_first = c - triangles.position(0);
  if (r * r >= dot(to_first, to_first)) return true;
  const Vec3 reach{r, r, r};
  for (int k = 0; k < triangles.count(); ++k) {
    Vec3 t[3];
    triangles.triangle(k, t);
    if (outside_box(t, c - reach, c + reach)) continue;
    if (qvl_x3d_sphere_hits_triangle(t, c, r)) {
      qvl_x3d_last_hit_vertex = 3 * k;
      return true;
    }
  }
  return false;
}

bool box_in_space(const MeshFrame& frame, const CollisionSpace& space, Vec3 centre, Vec3 a1,
                  Vec3 a2, Vec3 a3) {
  const Vec3 c = point_in(space, centre);
  const Vec3 h1 = vector_in(space, centre, a1), h2 = vector_in(space, centre, a2),
             h3 = vector_in(space, centre, a3);
  const Bound b = frame_bound(frame, space);
  // The box reaches at most the sum of its half-axes from its centre.
  const float reach = std::sqrt(dot(h1, h1)) + std::sqrt(dot(h2, h2)) + std::sqrt(dot(h3, h3));
  const Vec3 to_bound = c - b.centre;
  if (!((reach + b.radius) * (reach + b.radius) >= dot(to_bound, to_bound))) return false;
  const FrameTriangles triangles(frame, space);
  const Vec3 extent{std::fabs(h1.x) + std::fabs(h2.x) + std::fabs(h3.x),
                    std::fabs(h1.y) + std::fabs(h2.y) + std::fabs(h3.y),
                    std::fabs(h1.z) + std::fabs(h2.z) + std::fabs(h3.z)};
  for (int k = 0; k < triangles.count(); ++k) {
    Vec3 t[3];
    triangles.triangle(k, t);
    if (outside_box(t, c - extent, c + extent)) continue;
    if (qvl_x3d_box_hits_triangle(c, h1, h2, h3, t[0], t[1], t[2])) {
      qvl_x3d_last_hit_vertex = 3 * k;
      return true;
    }
  }
  return false;
}

// The nearest hit in front of the start (positive) and behind it
// (negative), by the rule of the ray test: 0 means none.
struct RayBest {
  float ahead = 0.0f, behind = 0.0f;
  int ahead_face = -1, behind_face = -1;

  void take(float t, int face) {
    if (t > 0.0f && (ahead == 0.0f || t < ahead)) ahead = t, ahead_face = face;
    if (t < 0.0f && (behind == 0.0f || t > behind)) behind = t, behind_face = face;
  }
  float result() const { return ahead != 0.0f ? ahead : behind; }
  int face() const { return ahead != 0.0f ? ahead_face : behind_face; }
};

// Does the line through s along the unit vector d pass within radius of c?
bool line_near(Vec3 s, Vec3 d, Vec3 c, float radius) {
  const Vec3 k = c - s;
  const float along = dot(k, d);
  const float off = dot(k, k) - along * along;
  return off <= radius * radius;
}

RayBest ray_in_space(const MeshFrame& frame, const CollisionSpace& space, Vec3 start,
                     Vec3 direction) {
  RayBest best;
  const Vec3 d = unit_or_zero(direction);
  const Vec3 s = point_in(space, start), e = point_in(space, start + d);
  // The test reports triangles behind the start too, so the whole line is
  // held against the bound.
  const Bound b = frame_bound(frame, space);
  const Vec3 line = unit_or_zero(e - s);
  if (dot(line, line) == 0.0f || !line_near(s, line, b.centre, b.radius)) return best;
  const FrameTriangles triangles(frame, space);
  const Vec3 along = e - s;
  for (int k = 0; k < triangles.count(); ++k) {
    Vec3 t[3];
    triangles.triangle(k, t);
    if (!qvl_x3d_line_passes_triangle(t, s, along))
      best.take(qvl_x3d_ray_hits_triangle(t, s, e), 3 * k);
  }
  return best;
}

// Can the cone (apex p, unit axis, half angle g below 90 degrees) reach the
// bounding sphere? Exactly when the centre lies within R of the apex, or
// within R of the cone's side: distance to the axis at most U tan g + R /
// cos g, U the centre's distance along the axis.
bool cone_reaches(Vec3 p, Vec3 axis, float tan_g, float cos_g, const Bound& b) {
  const Vec3 k = b.centre - p;
  const float kk = dot(k, k);
  if (kk <= b.radius * b.radius) return true;
  const float u = dot(axis, k);
  const float to_axis = std::sqrt(std::fmax(0.0f, kk - u * u));
  return to_axis <= u * tan_g + b.radius / cos_g;
}

bool cone_in_space(const MeshFrame& frame, const CollisionSpace& space, Vec3 apex,
                   Vec3 direction, float half_angle) {
  const float degrees = std::fmin(180.0f, std::fmax(0.0f, half_angle));
  const float g = degrees * kDegree;
  const float cos_g = std::cos(g);
  const Vec3 d = unit_or_zero(direction);
  const Vec3 p = point_in(space, apex);
  const Vec3 axis = unit_or_zero(point_in(space, apex + d) - p);
  if (dot(axis, axis) == 0.0f) return false;
  if (cos_g > 0.0f && !cone_reaches(p, axis, std::tan(g), cos_g, frame_bound(frame, space)))
    return false;
  const FrameTriangles triangles(frame, space);
  for (int k = 0; k < triangles.count(); ++k) {
    Vec3 t[3];
    triangles.triangle(k, t);
    if (qvl_x3d_cone_hits_triangle(axis, p, cos_g, t)) return true;
  }
  return false;
}

}  // namespace

// ---- One part -----------------------------------------------------------

bool Rainbows3D::part_hits_sphere(const MeshObjectX& part, int frame, float radius,
                                  Vec3 centre) {
  const CollisionSpace space = collision_space(*this);
  const MeshFrame* f = frame_with_triangles(part, frame, space);
  return f && sphere_in_space(*f, space, radius, centre);
}

bool Rainbows3D::part_hits_box(const MeshObjectX& part, int frame, Vec3 centre, Vec3 a1, Vec3 a2,
                               Vec3 a3) {
  const CollisionSpace space = collision_space(*this);
  const MeshFrame* f = frame_with_triangles(part, frame, space);
  return f && box_in_space(*f, space, centre, a1, a2, a3);
}

float Rainbows3D::part_hit_ray(const MeshObjectX& part, int frame, Vec3 start, Vec3 direction) {
  const CollisionSpace space = collision_space(*this);
  const MeshFrame* f = frame_with_triangles(part, frame, space);
  if (!f) return 0.0f;
  const RayBest best = ray_in_space(*f, space, start, direction);
  qvl_x3d_last_hit_vertex = best.face();
  return best.result();
}

bool Rainbows3D::part_hits_cone(const MeshObjectX& part, int frame, Vec3 apex, Vec3 direction,
                                float half_angle) {
  const CollisionSpace space = collision_space(*this);
  const MeshFrame* f = frame_with_triangles(part, frame, space);
  return f && cone_in_space(*f, space, apex, direction, half_angle);
}

bool Rainbows3D::hit_sphere_part(const MeshObjectX& part, int frame, float radius, Vec3 centre) {
  qvl_x3d_last_hit_vertex = -1;
  return part_hits_sphere(part, frame, radius, centre);
}

bool Rainbows3D::hit_box_part(const MeshObjectX& part, int frame, Vec3 centre, Vec3 a1, Vec3 a2,
                              Vec3 a3) {
  qvl_x3d_last_hit_vertex = -1;
  return part_hits_box(part, frame, centre, a1, a2, a3);
}

float Rainbows3D::hit_ray_part(const MeshObjectX& part, int frame, Vec3 start, Vec3 direction) {
  return part_hit_ray(part, frame, start, direction);
}

// ---- Whole objects ------------------------------------------------------

namespace {

const ObjectSlot* object_slot(const Rainbows3D& engine, int object, int frame) {
  if (object < 0 || object >= engine.objects.count || frame < 0) return nullptr;
  return &engine.objects[object];
}

// The parts in order until one is hit: test(frame, space) on each part
// that has the frame. The sphere and box tests clear the hit face before
// each part, so a miss leaves -1.
template <class Test>
bool any_part_hit(Rainbows3D& engine, int object, int frame, bool clear_face, Test test) {
  const ObjectSlot* slot = object_slot(engine, object, frame);
  if (!slot) return false;
  const CollisionSpace space = collision_space(engine);
  for (int i = 0; i < slot->parts.count; ++i) {
    if (clear_face) qvl_x3d_last_hit_vertex = -1;
    const MeshFrame* f = frame_with_triangles(slot->parts[i], frame, space);
    if (f && test(*f, space)) return true;
  }
  return false;
}

}  // namespace

bool Rainbows3D::hit_sphere(int object, int frame, float radius, Vec3 centre) {
  return any_part_hit(*this, object, frame, true, [&](const MeshFrame& f, const CollisionSpace& s) {
    return sphere_in_space(f, s, radius, centre);
  });
}

bool Rainbows3D::hit_box(int object, int frame, Vec3 centre, Vec3 a1, Vec3 a2, Vec3 a3) {
  return any_part_hit(*this, object, frame, true, [&](const MeshFrame& f, const CollisionSpace& s) {
    return box_in_space(f, s, centre, a1, a2, a3);
  });
}

bool Rainbows3D::hit_cone(int object, int frame, Vec3 apex, Vec3 direction, float half_angle) {
  return any_part_hit(*this, object, frame, false,
                      [&](const MeshFrame& f, const CollisionSpace& s) {
                        return cone_in_space(f, s, apex, direction, half_angle);
                      });
}

float Rainbows3D::hit_ray(int object, int frame, Vec3 start, Vec3 direction) {
  const ObjectSlot* slot = object_slot(*this, object, frame);
  if (!slot) return 0.0f;
  const CollisionSpace space = collision_space(*this);
  RayBest best;
  for (int i = 0; i < slot->parts.count; ++i) {
    const MeshFrame* f = frame_with_triangles(slot->parts[i], frame, space);
    if (!f) continue;
    const RayBest part = ray_in_space(*f, space, start, direction);
    // As the part test leaves it: the last part tested names the face.
    qvl_x3d_last_hit_vertex = part.face();
    best.take(part.result(), 0);
  }
  return best.result();
}

bool Rainbows3D::sphere_hits_box(Vec3 centre, float radius, float hx, float hy, float hz) {
  const CollisionSpace space = collision_space(*this);
  // A point that is no number lies nowhere (the aligned test would put it
  // inside).
  if (!space.usable || !std::isfinite(centre.x + centre.y + centre.z + radius)) return false;
  if (space.object_space) {
    const float r = radius / space.unit;
    return qvl_x3d_sphere_hits_aabb(point_in(space, centre), r * r, hx, hy, hz);
  }
  // Stretched unevenly or sheared, the box is a slanted block in world
  // space: the sphere touches it when its centre lies inside or a face
  // comes close enough.
  float inverse[16];
  for (int i = 0; i < 16; ++i) inverse[i] = space.to_world[i];
  if (qvl_x3d_invert_matrix(inverse) &&
      qvl_x3d_sphere_hits_aabb(qvl_x3d_transformed(inverse, centre), 0.0f, hx, hy, hz))
    return true;
  Vec3 corner[8];
  for (int i = 0; i < 8; ++i)
    corner[i] = qvl_x3d_transformed(
        space.to_world, {i & 1 ? hx : -hx, i & 2 ? hy : -hy, i & 4 ? hz : -hz});
  // Two triangles per face, corners numbered by their sign bits.
  static constexpr int kFaces[6][4] = {{0, 2, 6, 4}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                       {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 5, 7, 6}};
  for (const auto& face : kFaces) {
    const Vec3 first[3] = {corner[face[0]], corner[face[1]], corner[face[2]]};
    const Vec3 second[3] = {corner[face[0]], corner[face[2]], corner[face[3]]};
    // Touching counts, as it does for the even case.
    if (qvl_x3d_sphere_hits_triangle(first, centre, std::nextafter(radius, INFINITY)) ||
        qvl_x3d_sphere_hits_triangle(second, centre, std::nextafter(radius, INFINITY)))
      return true;
  }
  return false;
}
