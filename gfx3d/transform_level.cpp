#include "gfx3d/transform_level.h"

#include <cstring>

#include "gfx3d/matrix4.h"

void TransformLevel::restart(const float start[16]) {
  matrix_count = 0;
  rotation_count = 0;
  scale[0] = scale[1] = scale[2] = 1.0f;
  position[0] = position[1] = position[2] = 0.0f;
  if (start != matrix) std::memcpy(matrix, start, sizeof matrix);
  matrix_valid = 1;
}

void TransformLevel::update() {
  if (matrix_valid == 1) return;
  for (int k = 0; k < matrix_count; ++k) qvl_x3d_multiply_matrices(matrix, matrix, matrices[k]);
  if (position[0] != 0.0f || position[1] != 0.0f || position[2] != 0.0f) {
    float t[16];
    qvl_x3d_identity(t);
    t[12] = position[0], t[13] = position[1], t[14] = position[2];
    qvl_x3d_multiply_matrices(matrix, matrix, t);
  }
  for (int k = rotation_count - 1; k >= 0; --k) {
    const LevelRotation& r = rotations[k];
    float turn[16];
    if (qvl_x3d_rotation_matrix(r.angle, r.x, r.y, r.z, turn))
      qvl_x3d_multiply_matrices(matrix, matrix, turn);
  }
  if (scale[0] != 1.0f || scale[1] != 1.0f || scale[2] != 1.0f) {
    float s[16];
    qvl_x3d_identity(s);
    s[0] = scale[0], s[5] = scale[1], s[10] = scale[2];
    qvl_x3d_multiply_matrices(matrix, matrix, s);
  }
  matrix_valid = 1;
}
