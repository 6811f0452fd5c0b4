// The transform stack: how a level composes its matrix, and the commands
// that push, pop, place, turn and read it.
#include <gtest/gtest.h>

#include <cmath>

#include "core/basic_array.h"
#include "gfx3d/matrix4.h"
#include "gfx3d/rainbows3d.h"
#include "gfx3d/transform_commands.h"

namespace {

class TransformStack : public ::testing::Test {
 protected:
  void SetUp() override { qvl_x3d_engine = &engine_; }
  void TearDown() override { qvl_x3d_engine = nullptr; }

  TransformLevel& level() { return engine_.transform_levels[engine_.current_level]; }
  Vec3 through_level(Vec3 p) {
    engine_.update_object_matrix();
    return qvl_x3d_transformed(level().matrix, p);
  }

  Rainbows3D engine_{nullptr};
};

void expect_near(Vec3 a, Vec3 b) {
  EXPECT_NEAR(a.x, b.x, 1e-5);
  EXPECT_NEAR(a.y, b.y, 1e-5);
  EXPECT_NEAR(a.z, b.z, 1e-5);
}

TEST_F(TransformStack, PositionAlone) {
  qvl_x3d_set_position(2, 0, 0);
  engine_.update_object_matrix();
  EXPECT_EQ(level().matrix[12], 2.0f);
  EXPECT_EQ(level().matrix[0], 1.0f);
}

// Scaled first, then turned by the first turn added, then the later ones,
// then moved, then through the user matrices (the last added first).
TEST_F(TransformStack, CompositionOrder) {
  qvl_x3d_rotate(90, 0, 0, 1);
  qvl_x3d_rotate(90, 0, 0, 1);
  expect_near(through_level({1, 0, 0}), {-1, 0, 0});

  qvl_x3d_set_position(0, 0, 0);  // restarts the level
  qvl_x3d_rotate(90, 0, 0, 1);    // x to y
  qvl_x3d_rotate(90, 1, 0, 0);    // then y to z
  expect_near(through_level({1, 0, 0}), {0, 0, 1});

  qvl_x3d_set_scale(2, 1, 1);
  qvl_x3d_set_position(10, 0, 0);
  qvl_x3d_rotate(90, 0, 0, 1);
  BasicArray<double> double_it, move_x;
  double_it.dim(16, 0, 0, 0);
  move_x.dim(16, 0, 0, 0);
  for (int i : {0, 5, 10}) double_it.at(i) = 2, move_x.at(i) = 1;
  double_it.at(15) = move_x.at(15) = 1;
  move_x.at(12) = 1;
  qvl_x3d_multiply_matrix(double_it);
  qvl_x3d_multiply_matrix(move_x);
  // (1, 0, 0): scaled (2, 0, 0), turned (0, 2, 0), moved (10, 2, 0),
  // moved along x (11, 2, 0), doubled (22, 4, 0).
  expect_near(through_level({1, 0, 0}), {22, 4, 0});
}

TEST_F(TransformStack, TurnsAboutNothingAreSkipped) {
  qvl_x3d_rotate(45, 0, 0, 0);
  qvl_x3d_rotate(45, 0, 0.0001, 0);
  expect_near(through_level({1, 2, 3}), {1, 2, 3});
}

// An update composes onto whatever the level holds: a turn added after it
// brings the whole list again.
TEST_F(TransformStack, UpdatesComposeOntoTheEarlierResult) {
  qvl_x3d_rotate(90, 0, 0, 1);
  expect_near(through_level({1, 0, 0}), {0, 1, 0});
  engine_.update_object_matrix();  // valid: nothing happens
  expect_near(through_level({1, 0, 0}), {0, 1, 0});
  qvl_x3d_rotate(90, 0, 0, 1);
  expect_near(through_level({1, 0, 0}), {0, -1, 0});  // 90 + 90 + 90
}

TEST_F(TransformStack, PushAndPop) {
  qvl_x3d_set_position(5, 0, 0);
  qvl_x3d_push_transform();
  EXPECT_EQ(engine_.current_level, 1);
  EXPECT_EQ(level().matrix_valid, 1);
  EXPECT_EQ(level().matrix[12], 5.0f);  // the parent's matrix
  qvl_x3d_set_scale(2, 2, 2);            // restarts on the parent's matrix
  expect_near(through_level({1, 0, 0}), {7, 0, 0});
  qvl_x3d_set_position(0, 1, 0);         // the scaling stays
  expect_near(through_level({1, 0, 0}), {7, 1, 0});
  for (int i = 0; i < 20; ++i) qvl_x3d_push_transform();
  EXPECT_EQ(engine_.current_level, 15);
  qvl_x3d_pop_transform();
  EXPECT_EQ(engine_.current_level, 14);
  engine_.current_level = 0;
  qvl_x3d_pop_transform();  // at level 0: emptied to the identity
  EXPECT_EQ(engine_.current_level, 0);
  EXPECT_EQ(level().matrix[12], 0.0f);
  EXPECT_EQ(level().matrix_valid, 1);
}

TEST_F(TransformStack, SixteenTurnsAndMatricesAtMost) {
  BasicArray<double> m;
  m.dim(16, 0, 0, 0);
  for (int i : {0, 5, 10, 15}) m.at(i) = 1;
  for (int i = 0; i < 17; ++i) {
    qvl_x3d_rotate(10, 0, 0, 1);
    qvl_x3d_multiply_matrix(m);
  }
  EXPECT_EQ(level().rotation_count, 16);
  EXPECT_EQ(level().matrix_count, 16);
  const Vec3 p = through_level({1, 0, 0});
  EXPECT_NEAR(p.x, std::cos(160 * M_PI / 180), 1e-5);
}

TEST_F(TransformStack, OnlyAOneDimensionalSixteenIsAMatrix) {
  BasicArray<double> short_one, flat;
  short_one.dim(15, 0, 0, 0);
  flat.dim(4, 4, 0, 0);
  qvl_x3d_multiply_matrix(short_one);
  qvl_x3d_multiply_matrix(flat);
  EXPECT_EQ(level().matrix_count, 0);
  EXPECT_EQ(level().matrix_valid, 1);
}

TEST_F(TransformStack, ReadingMatrices) {
  BasicArray<double> fresh, wrong;
  qvl_x3d_set_position(1, 2, 3);
  qvl_x3d_get_object_matrix(fresh);
  ASSERT_EQ(fresh.size1, 16);
  EXPECT_EQ(fresh.dim_count, 1);
  EXPECT_EQ(fresh.at(13), 2.0);
  EXPECT_EQ(level().matrix_valid, 1);
  engine_.place_camera(0, 0, 5, 0, 0, 0);
  wrong.dim(3, 3, 0, 0);
  qvl_x3d_get_camera_matrix(wrong);
  ASSERT_EQ(wrong.size1, 16);
  EXPECT_EQ(wrong.at(14), -5.0);
  EXPECT_EQ(wrong.at(0), 1.0);
}

TEST(TransformCommands, DoNothingWithoutAnEngine) {
  qvl_x3d_engine = nullptr;
  BasicArray<double> m;
  qvl_x3d_push_transform();
  qvl_x3d_pop_transform();
  qvl_x3d_set_position(1, 2, 3);
  qvl_x3d_set_scale(1, 2, 3);
  qvl_x3d_rotate(1, 2, 3, 4);
  qvl_x3d_multiply_matrix(m);
  qvl_x3d_get_object_matrix(m);
  qvl_x3d_get_camera_matrix(m);
  EXPECT_EQ(m.size1, 0);
}

}  // namespace
