#include "gfx3d/intersect.h"

#include <cmath>
#include <initializer_list>

namespace {

// Products of lengths, and lengths of segments, this small count as zero.
constexpr float kTinyProduct = 1e-8f;
// 0.99 of a full turn, the angle sum that puts a point inside a polygon.
constexpr float kFullTurn = 6.2203536f;

float length_or_zero(Vec3 v) {
  const float sq = dot(v, v);
  return sq > 1e-7f ? std::sqrt(sq) : 0.0f;
}

// v divided by its length, whatever the length short of 0 (a tiny triangle
// still has a unit normal); v itself when it has none.
Vec3 unit(Vec3 v) {
  const float length = std::sqrt(dot(v, v));
  return length > 0.0f ? v / length : v;
}

// The closest point to c on the segment a-b.
Vec3 closest_on_segment(Vec3 c, Vec3 a, Vec3 b) {
  const Vec3 ab = b - a;
  const float length = std::sqrt(dot(ab, ab));
  if (!(length >= kTinyProduct)) return a;
  const Vec3 u = ab / length;
  const float s = dot(c - a, u);
  if (s <= 0.0f) return a;
  if (s >= length) return b;
  return a + u * s;
}

}  // namespace

Vec3 qvl_x3d_line_plane_point(Vec3 normal, Vec3 p0, Vec3 p1, float d) {
  const Vec3 direction = normalized(p1 - p0);
  const float den = dot(normal, direction);
  if (den == 0.0f) return p0;
  const float s = -(dot(normal, p0) + d) / den;
  return p0 + direction * s;
}

bool qvl_x3d_point_in_polygon(Vec3 point, const Vec3* vertices, int count) {
  if (count <= 0) return false;
  float sum = 0.0f;
  for (int i = 0; i < count; ++i) {
    const Vec3 a = vertices[i] - point;
    const Vec3 b = vertices[(i + 1) % count] - point;
    const float lengths = length_or_zero(a) * length_or_zero(b);
    if (lengths <= kTinyProduct) continue;
    // Rounding can put the cosine just past +-1, where acos has no value.
    const float cosine = std::fmax(-1.0f, std::fmin(1.0f, dot(a, b) / lengths));
    sum += std::acos(cosine);
  }
  return sum >= kFullTurn;
}

bool qvl_x3d_line_hits_polygon(const Vec3* vertices, int count, Vec3 p0, Vec3 p1) {
  if (count < 3) return false;
  const Vec3 n = normalized(cross(vertices[2] - vertices[0], vertices[1] - vertices[0]));
  const float d = dot(n, vertices[0]);
  if ((dot(n, p0) - d) * (dot(n, p1) - d) >= 0.0f) return false;
  return qvl_x3d_point_in_polygon(qvl_x3d_line_plane_point(n, p0, p1, -d), vertices, count);
}

int qvl_x3d_classify_sphere(Vec3 centre, Vec3 normal, Vec3 point_on_plane, float radius,
                            float* distance) {
  const float dist = dot(normal, centre) - dot(normal, point_on_plane);
  *distance = dist;
  if (radius > std::fabs(dist)) return 1;
  return dist > radius ? 2 : 0;
}

bool qvl_x3d_sphere_hits_edges(Vec3 centre, const Vec3* vertices, int count, float radius) {
  for (int i = 0; i < count; ++i) {
    const Vec3 k = closest_on_segment(centre, vertices[i], vertices[(i + 1) % count]);
    const Vec3 d = centre - k;
    if (radius > std::sqrt(dot(d, d))) return true;
  }
  return false;
}

bool qvl_x3d_sphere_hits_triangle(const Vec3 triangle[3], Vec3 centre, float radius) {
  const Vec3 t0 = triangle[0], t1 = triangle[1], t2 = triangle[2];
  const Vec3 n = unit(cross(t2 - t0, t1 - t0));
  // A triangle without area is its edges.
  if (dot(n, n) == 0.0f) return qvl_x3d_sphere_hits_edges(centre, triangle, 3, radius);
  const float e = dot(n, centre) - dot(n, t0);
  if (!(radius > std::fabs(e))) return false;
  // The centre's foot on the plane lies inside when it is on the same side
  // of all three edges.
  const Vec3 p = centre - n * e;
  const float s0 = dot(cross(t1 - t0, p - t0), n);
  const float s1 = dot(cross(t2 - t1, p - t1), n);
  const float s2 = dot(cross(t0 - t2, p - t2), n);
  if ((s0 >= 0.0f && s1 >= 0.0f && s2 >= 0.0f) || (s0 <= 0.0f && s1 <= 0.0f && s2 <= 0.0f))
    return true;
  return qvl_x3d_sphere_hits_edges(centre, triangle, 3, radius);
}

namespace {

// Does axis l separate the box from the triangle? Touching intervals do not.
bool separates(Vec3 l, Vec3 centre, Vec3 a1, Vec3 a2, Vec3 a3, Vec3 t0, Vec3 t1, Vec3 t2) {
  const float c = dot(l, centre);
  const float r = std::fabs(dot(l, a1)) + std::fabs(dot(l, a2)) + std::fabs(dot(l, a3));
  const float p0 = dot(l, t0), p1 = dot(l, t1), p2 = dot(l, t2);
  const float lo = std::fmin(p0, std::fmin(p1, p2));
  const float hi = std::fmax(p0, std::fmax(p1, p2));
  return c - r > hi || lo > c + r;
}

}  // namespace

bool qvl_x3d_box_hits_triangle(Vec3 centre, Vec3 a1, Vec3 a2, Vec3 a3, Vec3 t0, Vec3 t1,
                               Vec3 t2) {
  // A flat box (one half-axis 0) keeps its face normal as an axis.
  const Vec3 axes[3] = {
      dot(a1, a1) != 0.0f ? a1 : cross(a2, a3),
      dot(a2, a2) != 0.0f ? a2 : cross(a3, a1),
      dot(a3, a3) != 0.0f ? a3 : cross(a1, a2),
  };
  for (const Vec3& axis : axes)
    if (separates(axis, centre, a1, a2, a3, t0, t1, t2)) return false;
  const Vec3 e[3] = {t1 - t0, t2 - t1, t0 - t2};
  if (separates(cross(e[0], t2 - t0), centre, a1, a2, a3, t0, t1, t2)) return false;
  for (const Vec3& axis : {a1, a2, a3})
    for (const Vec3& edge : e)
      if (separates(cross(axis, edge), centre, a1, a2, a3, t0, t1, t2)) return false;
  return true;
}

float qvl_x3d_ray_hits_triangle(const Vec3 triangle[3], Vec3 p, Vec3 q) {
  const Vec3 t0 = triangle[0];
  const Vec3 e0 = triangle[1] - t0, e1 = triangle[2] - t0;
  const Vec3 d = q - p;
  if (qvl_x3d_line_passes_triangle(triangle, p, d)) return 0.0f;
  const Vec3 n = cross(e0, e1);
  if (n.x == 0.0f && n.y == 0.0f && n.z == 0.0f) return 0.0f;
  const float den = dot(n, d);
  if (den == 0.0f) return 0.0f;
  const float s = -dot(n, p - t0) / den;
  const Vec3 w = p + d * s - t0;
  const float d00 = dot(e0, e0), d01 = dot(e0, e1), d11 = dot(e1, e1);
  const float d20 = dot(w, e0), d21 = dot(w, e1);
  const float k = d01 * d01 - d11 * d00;
  // u and v: the weights of t1 and t2.
  const float u = (d01 * d21 - d11 * d20) / k;
  if (!(u >= 0.0f && u <= 1.0f)) return 0.0f;
  const float v = (d01 * d20 - d21 * d00) / k;
  if (!(v >= 0.0f) || u + v > 1.0f) return 0.0f;
  return s;
}

namespace {

// The cone of half angle g above 90 degrees is what the open cone of 180 -
// g about the opposite axis leaves; the (convex) triangle misses it only
// when all three corners lie strictly inside that cone.
bool wide_cone_hits_triangle(Vec3 axis, Vec3 apex, float cos_angle, const Vec3 triangle[3]) {
  const float cos2 = cos_angle * cos_angle;
  for (int i = 0; i < 3; ++i) {
    const Vec3 d = triangle[i] - apex;
    const float ad = dot(axis, d);
    if (!(ad < 0.0f && ad * ad - cos2 * dot(d, d) > 0.0f)) return true;
  }
  return false;
}

}  // namespace

bool qvl_x3d_cone_hits_triangle(Vec3 axis, Vec3 apex, float cos_angle, const Vec3 triangle[3]) {
  if (cos_angle < 0.0f) return wide_cone_hits_triangle(axis, apex, cos_angle, triangle);
  const float cos2 = cos_angle * cos_angle;
  const Vec3 d[3] = {triangle[0] - apex, triangle[1] - apex, triangle[2] - apex};
  float ad[3];
  bool marked[3];
  bool any_marked = false;
  for (int i = 0; i < 3; ++i) {
    ad[i] = dot(axis, d[i]);
    marked[i] = false;
    if (ad[i] >= 0.0f) {
      if (ad[i] * ad[i] - cos2 * dot(d[i], d[i]) >= 0.0f) return true;
      marked[i] = true;
      any_marked = true;
    }
  }
  if (!any_marked) return false;
  const Vec3 e0 = triangle[1] - triangle[0], e1 = triangle[2] - triangle[0];
  // Edges: start vertex, direction, end vertex.
  struct Edge {
    int start;
    Vec3 direction;
    int end;
  };
  const Edge edges[3] = {{0, e0, 1}, {0, e1, 2}, {1, e1 - e0, 2}};
  for (const Edge& edge : edges) {
    const bool start_marked = marked[edge.start], end_marked = marked[edge.end];
    if (!start_marked && !end_marked) continue;
    const Vec3 ds = d[edge.start], ed = edge.direction;
    const float ads = ad[edge.start];
    const float aded = dot(axis, ed);
    const float c2 = aded * aded - cos2 * dot(ed, ed);
    if (!(c2 < 0.0f)) continue;
    const float c1 = aded * ads - cos2 * dot(ds, ed);
    const float c0 = ads * ads - cos2 * dot(ds, ds);
    const bool ordered = c2 * ads <= c1 * aded;
    bool qualifies;
    if (start_marked)
      qualifies = end_marked ? (0.0f <= c1 && c1 <= -c2) : (c1 >= 0.0f && ordered);
    else
      qualifies = c1 <= -c2 && ordered;
    if (qualifies && c1 * c1 >= c0 * c2) return true;
  }
  // Face: with every corner and edge outside, the cone can only meet the
  // triangle's inside, where its section is an ellipse around the point at
  // which the axis pierces the plane. That point must lie ahead of the
  // apex (t = ndd / nda >= 0) and inside the triangle.
  const Vec3 nf = cross(e0, e1);
  const float nda = dot(nf, axis);
  const float ndd = dot(nf, d[0]);
  if (nda == 0.0f || (nda > 0.0f ? ndd < 0.0f : ndd > 0.0f)) return false;
  const Vec3 u = axis * ndd - d[0] * nda;
  const Vec3 w = cross(nf, u);
  const float w0 = dot(w, e0), w1 = dot(w, e1);
  const float bound = nda * dot(nf, nf);
  if (nda >= 0.0f) return w0 <= 0.0f && w1 >= 0.0f && w1 - w0 <= bound;
  return w0 >= 0.0f && w1 <= 0.0f && w1 - w0 >= bound;
}

bool qvl_x3d_sphere_hits_aabb(Vec3 centre, float radius_squared, float hx, float hy, float hz) {
  auto excess = [](float x, float h) { return x < -h ? x + h : (x > h ? x - h : 0.0f); };
  const float ex = excess(centre.x, hx), ey = excess(centre.y, hy), ez = excess(centre.z, hz);
  return radius_squared >= ex * ex + ey * ey + ez * ez;
}
