// Debug drawing on Mesa: the pixels are read back before anything is
// presented.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>

#include "gfx2d/gl_state_cache.h"
#include "gfx3d/commands3d.h"
#include "gfx3d/matrix4.h"
#include "gfx3d/rainbows3d.h"
#include "gfx3d/transform_commands.h"
#include "tests/gfx2d/gfx_fixture.h"

namespace {

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;

// A camera 100 units out on z looking at the origin, 45 degrees wide.
class DebugDraw : public GfxWindowFixture<128, 128> {
 protected:
  void SetUp() override {
    GfxWindowFixture::SetUp();
    engine_ = new Rainbows3D(gfx_);
    qvl_x3d_engine = engine_;
    glViewport(0, 0, kWidth, kHeight);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    qvl_gfx_state_cache.reset();
    engine_->begin_3d_view(1, 1000, 45, 1.0f);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(engine_->projection_matrix);
    glMatrixMode(GL_MODELVIEW);
    engine_->set_camera(0, 0, 100, 0, 0, 0);
  }
  void TearDown() override {
    qvl_x3d_engine = nullptr;
    delete engine_;
    GfxWindowFixture::TearDown();
  }

  // Whether the colour shows within a pixel of where p lands.
  bool shows(Vec3 p, uint32_t colour) {
    const int viewport[4] = {0, 0, kWidth, kHeight};
    float x = 0, y = 0, z = 0;
    EXPECT_TRUE(qvl_x3d_project_point(p.x, p.y, p.z, &x, &y, &z, viewport,
                                      engine_->projection_matrix, engine_->camera_matrix));
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (rgb(static_cast<int>(x) + dx, static_cast<int>(y) + dy) == colour) return true;
    return false;
  }

  void expect_white_colour_after() {
    float c[4];
    glGetFloatv(GL_CURRENT_COLOR, c);
    EXPECT_EQ(c[0], 1.0f);
    EXPECT_EQ(c[2], 1.0f);
    EXPECT_EQ(c[3], gfx_->global_alpha);
  }

  Rainbows3D* engine_ = nullptr;
};

TEST_F(DebugDraw, AxesReachTwentyUnitsWhateverTheTransformsHold) {
  qvl_x3d_set_position(50, 0, 0);
  glTranslatef(30, 0, 0);
  float before[16], after[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, before);
  qvl_x3d_draw_axes(0, 0, 0);
  glGetFloatv(GL_MODELVIEW_MATRIX, after);
  EXPECT_EQ(std::memcmp(before, after, sizeof before), 0);
  EXPECT_TRUE(shows({10, 0, 0}, kRed));
  EXPECT_TRUE(shows({19, 0, 0}, kRed));
  EXPECT_TRUE(shows({0, 10, 0}, kGreen));
  EXPECT_FALSE(shows({-10, 0, 0}, kRed));
  EXPECT_FALSE(shows({25, 0, 0}, kRed));
  EXPECT_FALSE(shows({30, 0, 0}, kRed));  // not moved by the GL matrix
  // The z arrow points at the camera: its head shows around the centre.
  EXPECT_TRUE(shows({0, 0, 19}, kBlue) || shows({0, 0, 18}, kBlue));
  expect_white_colour_after();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DebugDraw, WireBoxDrawsItsTwelveEdgesOnly) {
  engine_->draw_debug_box({0, 0, 0}, {20, 0, 0}, {0, 20, 0}, {0, 0, 20}, kGreen, 3);
  EXPECT_TRUE(shows({0, 20, 20}, kGreen));     // front top edge
  EXPECT_TRUE(shows({-20, -10, 20}, kGreen));  // front left edge
  EXPECT_TRUE(shows({20, 20, 0}, kGreen));     // an edge running back
  EXPECT_EQ(rgb(64, 64), 0u);                  // nothing across the middle
  EXPECT_FALSE(shows({0, 10, 20}, kGreen));
  GLfloat width = 0;
  glGetFloatv(GL_LINE_WIDTH, &width);
  EXPECT_EQ(width, 1.0f);
  expect_white_colour_after();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DebugDraw, WireSphereRunsThroughTheIcosahedronsCorners) {
  engine_->draw_debug_sphere({0, 0, 0}, 30, kRed, 3);
  EXPECT_TRUE(shows(Vec3{-0.525731f, 0, 0.850651f} * 30, kRed));
  EXPECT_TRUE(shows(Vec3{0, 0.850651f, 0.525731f} * 30, kRed));
  EXPECT_EQ(rgb(2, 2), 0u);
  expect_white_colour_after();
}

TEST_F(DebugDraw, DotsAndLinesDrawUntexturedAndClampTheirSizes) {
  gfx_->bind_textures_3d(5, 6, 0, nullptr);
  qvl_x3d_draw_dot(0, 0, 0, 0, 0xFFFFFF);  // size 0 draws 1
  EXPECT_TRUE(shows({0, 0, 0}, 0xFFFFFF));
  EXPECT_EQ(gfx_->unit0_sprite, -1);
  EXPECT_EQ(gfx_->unit1_sprite, -1);
  GLfloat size = 0;
  glGetFloatv(GL_POINT_SIZE, &size);
  EXPECT_EQ(size, 1.0f);

  qvl_x3d_draw_line(-40, -20, 0, 40, -20, 0, 0, kGreen);  // width 0 draws 1
  EXPECT_TRUE(shows({0, -20, 0}, kGreen));
  EXPECT_FALSE(shows({0, -10, 0}, kGreen));
  qvl_x3d_draw_line(-40, 20, 0, 40, 20, 0, 1000, kBlue);  // as wide as GL allows
  EXPECT_TRUE(shows({0, 10, 0}, kBlue));
  expect_white_colour_after();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
