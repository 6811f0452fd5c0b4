// 3D text reads the engine's matrices, not whatever GL holds at the time.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "gfx2d/text_3d.h"
#include "gfx3d/rainbows3d.h"
#include "tests/gfx2d/text_fixture.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

using EngineText = GfxWindowTest;

TEST_F(EngineText, ScreenTextIsPlacedThroughTheEnginesMatrices) {
  auto* engine = new Rainbows3D(gfx_);
  qvl_gfx_engine_matrices = qvl_x3d_read_matrices;
  EXPECT_EQ(engine->camera_matrix[0] + engine->camera_matrix[5] + engine->camera_matrix[15], 3.0f);
  EXPECT_EQ(engine->projection_matrix[12], 0.0f);
  gfx_->install_system_font(0);
  // GL holds identities; the engine's projection moves x by half the
  // clip space: the point (0, 0, 0) lands at window (120, 60), not the
  // middle, and the 8 x 16 'A' cell is centred there.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  engine->projection_matrix[12] = 0.5f;
  gfx_->print_text_3d(0, "A", 0, 0, 0, 0.0f, 0);
  EXPECT_EQ(rgb(116 + 2, 52 + 1), kWhite);  // the bar of the 'A'
  EXPECT_EQ(rgb(76 + 2, 52 + 1), 0u) << "placed through GL's matrices";
  engine->destroy_and_free();
  qvl_gfx_engine_matrices = qvl_gfx_gl_matrices;
}

// A camera turned half round about z: its right vector points left and its
// up vector down, so text standing in space turns with it.
TEST_F(EngineText, StandingTextFacesTheEnginesCamera) {
  auto* engine = new Rainbows3D(gfx_);
  gfx_->install_system_font(0);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  engine->camera_matrix[0] = -1.0f;
  engine->camera_matrix[5] = -1.0f;
  float m[16], p[16];
  qvl_x3d_read_matrices(engine, m, p);
  EXPECT_EQ(m[0] + m[5], -2.0f);
  EXPECT_EQ(p[0] + p[5] + p[10] + p[15], 4.0f);
  qvl_gfx_engine_matrices = qvl_x3d_read_matrices;
  // GL's identity modelview would stand the cell on the point (rows 36 to
  // 59); the engine's camera hangs it below the point instead.
  gfx_->print_text_3d(0, "A", 0, 0, 0, 0.05f, 0);
  bool above_blank = true, below_drawn = false;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const bool lit = rgb(x, y) != 0;
      if (y < 60) above_blank = above_blank && !lit;
      else below_drawn = below_drawn || lit;
    }
  EXPECT_TRUE(above_blank);
  EXPECT_TRUE(below_drawn);
  engine->destroy_and_free();
  qvl_gfx_engine_matrices = qvl_gfx_gl_matrices;
}

}  // namespace
