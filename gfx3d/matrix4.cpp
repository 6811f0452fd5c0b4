#include "gfx3d/matrix4.h"

#include <cmath>
#include <cstring>

namespace {

// The engine's own pi and degree, in single precision.
constexpr float kPi = 3.1415927f;
constexpr float kDegree = 0.017453292f;

bool all_finite(const float m[16]) {
  for (int i = 0; i < 16; ++i)
    if (!std::isfinite(m[i])) return false;
  return true;
}

// Column-major m times (v, w), in double.
void transform4(const float m[16], const double v[4], double out[4]) {
  for (int r = 0; r < 4; ++r)
    out[r] = m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2] + m[12 + r] * v[3];
}

bool viewport_has_area(const int viewport[4]) { return viewport[2] != 0 && viewport[3] != 0; }

}  // namespace

void qvl_x3d_identity(float m[16]) {
  for (int i = 0; i < 16; ++i) m[i] = i % 5 == 0 ? 1.0f : 0.0f;
}

void qvl_x3d_multiply_matrices(float dst[16], const float a[16], const float b[16]) {
  for (int i = 0; i < 4; ++i) {
    const float row[4] = {a[i], a[4 + i], a[8 + i], a[12 + i]};
    for (int j = 0; j < 4; ++j)
      dst[i + 4 * j] =
          row[0] * b[4 * j] + row[1] * b[1 + 4 * j] + row[2] * b[2 + 4 * j] + row[3] * b[3 + 4 * j];
  }
}

void qvl_x3d_transform_point(const float m[16], float p[3]) {
  const float x = p[0], y = p[1], z = p[2];
  p[0] = x * m[0] + y * m[4] + z * m[8] + m[12];
  p[1] = x * m[1] + y * m[5] + z * m[9] + m[13];
  p[2] = x * m[2] + y * m[6] + z * m[10] + m[14];
}

Vec3 qvl_x3d_transformed(const float m[16], Vec3 p) {
  float v[3] = {p.x, p.y, p.z};
  qvl_x3d_transform_point(m, v);
  return {v[0], v[1], v[2]};
}

void qvl_x3d_invert_rigid(float m[16]) {
  const float t[3] = {m[12], m[13], m[14]};
  float column[3][3];
  for (int k = 0; k < 3; ++k)
    for (int r = 0; r < 3; ++r) column[k][r] = m[4 * k + r];
  for (int k = 0; k < 3; ++k) {
    for (int r = 0; r < 3; ++r) m[4 * k + r] = column[r][k];
    m[12 + k] = -(t[0] * column[k][0] + t[1] * column[k][1] + t[2] * column[k][2]);
  }
  m[3] = m[7] = m[11] = 0.0f;
  m[15] = 1.0f;
}

int qvl_x3d_pivot_row(const double rows[4][4], int i) {
  int pivot = i;
  for (int j = i + 1; j < 4; ++j)
    if (std::fabs(rows[j][i]) > std::fabs(rows[i][i])) pivot = j;
  return pivot;
}

// Rows of the work array are the matrix's columns: eliminating on this
// transposed view yields the transposed inverse, which is the inverse in
// the same column-major layout.
bool qvl_x3d_invert_matrix(float m[16]) {
  double work[4][4], result[4][4];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      work[r][c] = m[4 * r + c];
      result[r][c] = r == c ? 1.0 : 0.0;
    }
  for (int i = 0; i < 4; ++i) {
    const int p = qvl_x3d_pivot_row(work, i);
    if (p != i)
      for (int c = 0; c < 4; ++c) {
        std::swap(work[i][c], work[p][c]);
        std::swap(result[i][c], result[p][c]);
      }
    const double pivot = work[i][i];
    if (pivot == 0.0 || !std::isfinite(pivot)) return false;
    for (int c = 0; c < 4; ++c) {
      work[i][c] /= pivot;
      result[i][c] /= pivot;
    }
    for (int j = 0; j < 4; ++j) {
      if (j == i) continue;
      const double f = work[j][i];
      for (int c = 0; c < 4; ++c) {
        work[j][c] -= f * work[i][c];
        result[j][c] -= f * result[i][c];
      }
    }
  }
  float inverse[16];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) inverse[4 * r + c] = static_cast<float>(result[r][c]);
  if (!all_finite(inverse)) return false;
  std::memcpy(m, inverse, sizeof inverse);
  return true;
}

int qvl_x3d_project_point(float x, float y, float z, float* win_x, float* win_y, float* win_z,
                          const int viewport[4], const float projection[16],
                          const float modelview[16]) {
  if (!viewport_has_area(viewport)) return 0;
  const double point[4] = {x, y, z, 1.0};
  double eye[4], clip[4];
  transform4(modelview, point, eye);
  transform4(projection, eye, clip);
  if (clip[3] == 0.0) return 0;
  const double nx = clip[0] / clip[3], ny = clip[1] / clip[3], nz = clip[2] / clip[3];
  const double vx = viewport[0], vy = viewport[1], vw = viewport[2], vh = viewport[3];
  *win_x = static_cast<float>(vx + vw * (nx + 1.0) * 0.5);
  *win_y = static_cast<float>(vy + vh * (1.0 - ny) * 0.5);
  *win_z = static_cast<float>((nz + 1.0) * 0.5);
  return 1;
}

namespace {

// The inverse of the column-major m by cofactors, in double; false when
// the determinant is 0 or not finite.
bool invert_by_cofactors(const float m[16], double out[16]) {
  double a[16];
  for (int i = 0; i < 16; ++i) a[i] = m[i];
  double inv[16];
  inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] +
           a[9] * a[7] * a[14] + a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
  inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] -
           a[8] * a[7] * a[14] - a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
  inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] +
           a[8] * a[7] * a[13] + a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
  inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] -
            a[8] * a[6] * a[13] - a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
  inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] -
           a[9] * a[3] * a[14] - a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
  inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] +
           a[8] * a[3] * a[14] + a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
  inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] -
           a[8] * a[3] * a[13] - a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
  inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] +
            a[8] * a[2] * a[13] + a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
  inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] +
           a[5] * a[3] * a[14] + a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
  inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] -
           a[4] * a[3] * a[14] - a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
  inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] +
            a[4] * a[3] * a[13] + a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
  inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] -
            a[4] * a[2] * a[13] - a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
  inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] -
           a[5] * a[3] * a[10] - a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
  inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] +
           a[4] * a[3] * a[10] + a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
  inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] -
            a[4] * a[3] * a[9] - a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
  inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] +
            a[4] * a[2] * a[9] + a[8] * a[1] * a[6] - a[8] * a[2] * a[5];
  const double det = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
  if (det == 0.0 || !std::isfinite(det)) return false;
  for (int i = 0; i < 16; ++i) out[i] = inv[i] / det;
  return true;
}

}  // namespace

int qvl_x3d_unproject_point(float win_x, float win_y, float win_z, float* x, float* y, float* z,
                            const int viewport[4], const float projection[16],
                            const float modelview[16]) {
  if (!viewport_has_area(viewport)) return 0;
  float both[16];
  qvl_x3d_multiply_matrices(both, projection, modelview);
  double inverse[16];
  if (!invert_by_cofactors(both, inverse)) return 0;
  const double vx = viewport[0], vy = viewport[1], vw = viewport[2], vh = viewport[3];
  const double n[4] = {(win_x - vx) / vw * 2.0 - 1.0, 1.0 - (win_y - vy) / vh * 2.0,
                       win_z * 2.0 - 1.0, 1.0};
  double r[4];
  for (int row = 0; row < 4; ++row)
    r[row] = inverse[row] * n[0] + inverse[4 + row] * n[1] + inverse[8 + row] * n[2] +
             inverse[12 + row] * n[3];
  if (r[3] == 0.0) return 0;
  *x = static_cast<float>(r[0] / r[3]);
  *y = static_cast<float>(r[1] / r[3]);
  *z = static_cast<float>(r[2] / r[3]);
  return 1;
}

float qvl_x3d_tan_polynomial(float t) {
  const float q = t * t;
  return t * (1.0f +
              q * (0.3333314f +
                   q * (0.1333924f +
                        q * (0.05337406f +
                             q * (0.02456509f + q * (0.002900525f + q * 0.009516809f))))));
}

bool qvl_x3d_projection_matrix(float near_plane, float far_plane, float field_of_view,
                               float aspect, float out[16]) {
  const float n = near_plane, f = far_plane;
  float m[16] = {};
  if (field_of_view > 0.0f) {
    const float top = n * qvl_x3d_tan_polynomial(field_of_view * kPi / 360.0f);
    const float right = aspect * top;
    m[0] = n / right;
    m[5] = n / top;
    m[10] = -(f + n) / (f - n);
    m[11] = -1.0f;
    m[14] = -2.0f * f * n / (f - n);
  } else {
    const float top = n * qvl_x3d_tan_polynomial(-field_of_view * kPi / 360.0f) * 100.0f;
    const float right = aspect * top;
    m[0] = 1.0f / right;
    m[5] = 1.0f / top;
    m[10] = -2.0f / (f - n);
    m[14] = -(f + n) / (f - n);
    m[15] = 1.0f;
  }
  // A zero near plane or field of view gives 0 / 0 or 1 / 0 above, equal
  // planes 1 / 0: none of them is a projection.
  if (!all_finite(m)) return false;
  std::memcpy(out, m, sizeof m);
  return true;
}

bool qvl_x3d_frustum_matrix(float left, float right, float bottom, float top, float near_plane,
                            float far_plane, float out[16]) {
  const float l = left, r = right, b = bottom, t = top, n = near_plane, f = far_plane;
  if (!(n > 0.0f) || !(f > 0.0f) || l == r || b == t || n == f) return false;
  float m[16] = {};
  m[0] = 2.0f * n / (r - l);
  m[5] = 2.0f * n / (t - b);
  m[8] = (r + l) / (r - l);
  m[9] = (t + b) / (t - b);
  m[10] = -(f + n) / (f - n);
  m[11] = -1.0f;
  m[14] = -2.0f * f * n / (f - n);
  if (!all_finite(m)) return false;
  std::memcpy(out, m, sizeof m);
  return true;
}

bool qvl_x3d_ortho_matrix(float left, float right, float bottom, float top, float near_plane,
                          float far_plane, float out[16]) {
  const float l = left, r = right, b = bottom, t = top, n = near_plane, f = far_plane;
  if (l == r || b == t || n == f) return false;
  float m[16] = {};
  m[0] = 2.0f / (r - l);
  m[5] = 2.0f / (t - b);
  m[10] = -2.0f / (f - n);
  m[12] = -(r + l) / (r - l);
  m[13] = -(t + b) / (t - b);
  m[14] = -(f + n) / (f - n);
  m[15] = 1.0f;
  if (!all_finite(m)) return false;
  std::memcpy(out, m, sizeof m);
  return true;
}

bool qvl_x3d_rotation_matrix(float angle, float x, float y, float z, float out[16]) {
  const double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
  if (!(length > 0.0001)) return false;
  const double radians = angle * kDegree;
  const float s = static_cast<float>(std::sin(radians));
  const float c = static_cast<float>(std::cos(radians));
  qvl_x3d_identity(out);
  // Axes along a coordinate axis take the plain matrices, whose untouched
  // entries stay exactly 0 and 1.
  if (x == 0.0f && y == 0.0f) {
    const float sz = z > 0.0f ? s : -s;
    out[0] = c, out[1] = sz, out[4] = -sz, out[5] = c;
    return true;
  }
  if (y == 0.0f && z == 0.0f) {
    const float sx = x > 0.0f ? s : -s;
    out[5] = c, out[6] = sx, out[9] = -sx, out[10] = c;
    return true;
  }
  if (x == 0.0f && z == 0.0f) {
    const float sy = y > 0.0f ? s : -s;
    out[0] = c, out[2] = -sy, out[8] = sy, out[10] = c;
    return true;
  }
  const double ux = x / length, uy = y / length, uz = z / length;
  const double cd = c, sd = s, k = 1.0 - cd;
  const double m[9] = {ux * ux * k + cd,      uy * ux * k + uz * sd, ux * uz * k - uy * sd,
                       ux * uy * k - uz * sd, uy * uy * k + cd,      uy * uz * k + ux * sd,
                       ux * uz * k + uy * sd, uy * uz * k - ux * sd, uz * uz * k + cd};
  for (int col = 0; col < 3; ++col)
    for (int row = 0; row < 3; ++row) out[4 * col + row] = static_cast<float>(m[3 * col + row]);
  return true;
}

namespace {

// The camera's axes are divided by their length whatever it is, short of 0.
Vec3 unit_unless_zero(Vec3 v) {
  const float length = std::sqrt(dot(v, v));
  return length != 0.0f ? v / length : v;
}

}  // namespace

void qvl_x3d_look_at_matrix(Vec3 eye, Vec3 target, Vec3 up, float out[16]) {
  const Vec3 f = unit_unless_zero(eye - target);
  const Vec3 s_raw = cross(up, f);
  const Vec3 s = unit_unless_zero(s_raw);
  // u from s as it was before normalising: normalising u takes the length
  // out again.
  const Vec3 u = unit_unless_zero(cross(f, s_raw));
  float r[16] = {};
  r[0] = s.x, r[4] = s.y, r[8] = s.z;
  r[1] = u.x, r[5] = u.y, r[9] = u.z;
  r[2] = f.x, r[6] = f.y, r[10] = f.z;
  r[15] = 1.0f;
  float t[16];
  qvl_x3d_identity(t);
  t[12] = -eye.x, t[13] = -eye.y, t[14] = -eye.z;
  qvl_x3d_multiply_matrices(out, r, t);
}

namespace {

// Deep enough for any sphere a screen can show (4^8 = 65,536 loops); a
// larger depth would only hang the frame.
constexpr int kMaxSphereDepth = 8;

void sphere_pieces(Vec3 centre, float radius, Vec3 a, Vec3 b, Vec3 c, int depth,
                   SphereLoopFn loop, void* context) {
  if (depth <= 0) {
    const Vec3 corners[3] = {centre + a * radius, centre + b * radius, centre + c * radius};
    loop(context, corners);
    return;
  }
  const Vec3 ab = normalized(a + b), bc = normalized(b + c), ac = normalized(a + c);
  sphere_pieces(centre, radius, a, ab, ac, depth - 1, loop, context);
  sphere_pieces(centre, radius, b, bc, ab, depth - 1, loop, context);
  sphere_pieces(centre, radius, c, ac, bc, depth - 1, loop, context);
  sphere_pieces(centre, radius, ab, bc, ac, depth - 1, loop, context);
}

}  // namespace

void qvl_x3d_sphere_wire_loops(Vec3 centre, float radius, Vec3 a, Vec3 b, Vec3 c, int depth,
                               SphereLoopFn loop, void* context) {
  sphere_pieces(centre, radius, a, b, c, depth < kMaxSphereDepth ? depth : kMaxSphereDepth, loop,
                context);
}
