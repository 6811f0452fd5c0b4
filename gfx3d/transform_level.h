// One level of the 3D engine's transform stack: a position, a scaling, up
// to 16 turns and up to 16 user matrices on top of a starting matrix (the
// parent level's), composed lazily into `matrix`.
#pragma once

#include <cstdint>

constexpr int kTransformLevels = 16;
constexpr int kLevelRotations = 16;
constexpr int kLevelMatrices = 16;

struct LevelRotation {
  float angle;    // degrees
  float x, y, z;  // axis, any length
};

struct TransformLevel {
  int32_t matrix_count;
  int32_t rotation_count;
  LevelRotation rotations[kLevelRotations];
  float scale[3];
  float position[3];
  float matrices[kLevelMatrices][16];  // column-major, in the order added
  // While matrix_valid is 0: the starting matrix, or the result of an
  // earlier update; once updated, the level's whole transform.
  float matrix[16];
  int32_t matrix_valid;

  // An empty level on top of start: no turns or matrices, scale 1,
  // position 0, matrix = start and valid.
  void restart(const float start[16]);

  // Brings matrix up to date. The update multiplies onto whatever matrix
  // holds, so turns or matrices added without a restart are composed onto
  // the previous result, the whole list again: a vertex is scaled, turned by
  // the first turn added then the later ones, moved, taken through the user
  // matrices (the last added first) and through that matrix.
  void update();
};
