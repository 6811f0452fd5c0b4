#include "gfx3d/transform_commands.h"

#include "gfx3d/matrix4.h"
#include "gfx3d/rainbows3d.h"

namespace {

// The matrix a restarted level starts from: its parent's, or the identity
// at level 0.
void restart_current_level(Rainbows3D& engine, float position[3], float scale[3]) {
  TransformLevel& level = engine.transform_levels[engine.current_level];
  float identity[16];
  qvl_x3d_identity(identity);
  level.restart(engine.current_level > 0
                    ? engine.transform_levels[engine.current_level - 1].matrix
                    : identity);
  for (int i = 0; i < 3; ++i) {
    level.position[i] = position[i];
    level.scale[i] = scale[i];
  }
  level.matrix_valid = 0;
}

bool is_matrix_array(const BasicArray<double>& array) {
  return array.dim_count == 1 && array.size1 == 16;
}

// An array not shaped as a matrix is dimensioned to one; one that still has
// no storage gets the bounds report and error 9 (which ends the program).
bool matrix_output(BasicArray<double>& array) {
  if (!is_matrix_array(array)) array.dim(16, 0, 0, 0);
  if (!array.data || array.count == 0) {
    array.at(0);
    return false;
  }
  return true;
}

}  // namespace

void qvl_x3d_push_transform() {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine || engine->current_level >= kTransformLevels - 1) return;
  engine->update_object_matrix();
  const float* below = engine->transform_levels[engine->current_level].matrix;
  engine->current_level += 1;
  engine->transform_levels[engine->current_level].restart(below);
}

void qvl_x3d_pop_transform() {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine) return;
  if (engine->current_level > 0) {
    engine->current_level -= 1;
    return;
  }
  engine->restart_transforms();
}

void qvl_x3d_set_position(double x, double y, double z) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine) return;
  const TransformLevel& level = engine->transform_levels[engine->current_level];
  float position[3] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
  float scale[3] = {level.scale[0], level.scale[1], level.scale[2]};
  restart_current_level(*engine, position, scale);
}

void qvl_x3d_set_scale(double x, double y, double z) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine) return;
  const TransformLevel& level = engine->transform_levels[engine->current_level];
  float position[3] = {level.position[0], level.position[1], level.position[2]};
  float scale[3] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
  restart_current_level(*engine, position, scale);
}

void qvl_x3d_rotate(double angle, double x, double y, double z) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine) return;
  TransformLevel& level = engine->transform_levels[engine->current_level];
  level.matrix_valid = 0;
  if (level.rotation_count >= kLevelRotations) return;
  level.rotations[level.rotation_count++] = {static_cast<float>(angle), static_cast<float>(x),
                                             static_cast<float>(y), static_cast<float>(z)};
}

void qvl_x3d_multiply_matrix(BasicArray<double>& array) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine || !is_matrix_array(array)) return;
  if (!array.data) {
    array.at(0);
    return;
  }
  TransformLevel& level = engine->transform_levels[engine->current_level];
  if (level.matrix_count >= kLevelMatrices) return;
  float* m = level.matrices[level.matrix_count++];
  for (int i = 0; i < 16; ++i) m[i] = static_cast<float>(array.at(i));
  level.matrix_valid = 0;
}

void qvl_x3d_get_camera_matrix(BasicArray<double>& array) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine || !matrix_output(array)) return;
  for (int i = 0; i < 16; ++i) array.at(i) = engine->camera_matrix[i];
}

void qvl_x3d_get_object_matrix(BasicArray<double>& array) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine || !matrix_output(array)) return;
  engine->update_object_matrix();
  const float* m = engine->transform_levels[engine->current_level].matrix;
  for (int i = 0; i < 16; ++i) array.at(i) = m[i];
}
