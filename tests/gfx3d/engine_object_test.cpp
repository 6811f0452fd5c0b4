// The 3D engine object as the host uses it every frame.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "gfx2d/gl_ext.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx3d/matrix4.h"
#include "gfx3d/rainbows3d.h"
#include "tests/support/gl_context.h"

namespace {

using EngineObject = GlContextTest;

TEST_F(EngineObject, ConstructionLinksTheGraphicsObject) {
  OpenGLRainbows gfx;
  auto* engine = new Rainbows3D(&gfx);
  EXPECT_EQ(gfx.engine_3d, engine);
  EXPECT_EQ(engine->current_shader, -1);
  EXPECT_EQ(engine->mesh_build_mode, 2);
  EXPECT_EQ(engine->shaders[254].program, 0u);
  engine->destroy_and_free();
  EXPECT_EQ(gfx.engine_3d, nullptr);
}

TEST_F(EngineObject, ShadowPassSwitch) {
  OpenGLRainbows gfx;
  Rainbows3D engine(&gfx);
  engine.set_shadow_pass(0);  // not running: nothing
  EXPECT_EQ(gfx.blend_value, -999.0f);
  engine.set_shadow_pass(1);
  EXPECT_TRUE(glIsEnabled(GL_STENCIL_TEST));
  GLboolean mask[4];
  glGetBooleanv(GL_COLOR_WRITEMASK, mask);
  EXPECT_FALSE(mask[0]);
  GLint op = 0;
  glGetIntegerv(GL_STENCIL_PASS_DEPTH_PASS, &op);
  EXPECT_EQ(op, GL_INVERT);
  engine.set_shadow_pass(1);  // already on: nothing
  engine.set_shadow_pass(0);
  EXPECT_EQ(engine.shadow_pass, 0);
  EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
  glGetBooleanv(GL_COLOR_WRITEMASK, mask);
  EXPECT_TRUE(mask[0]);
  EXPECT_EQ(gfx.blend_value, 0.0f);  // blending off again after the darkening
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));  // the stored cull mode (0) again
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(EngineObject, ShaderUseNeedsTheEntryPoints) {
  OpenGLRainbows gfx;
  Rainbows3D engine(&gfx);
  auto saved = glUseProgramObjectARB_;
  glUseProgramObjectARB_ = nullptr;
  engine.shader_use(3);
  EXPECT_EQ(engine.current_shader, -1);
  glUseProgramObjectARB_ = saved;
  qvl_x3d_set_mipmapping(1);
  EXPECT_EQ(qvl_x3d_mipmapping, 1);
  qvl_x3d_set_mipmapping(0);
}

// The camera, the object matrix and the projection helpers hand their
// matrices to GL's current one.
TEST_F(EngineObject, MatricesReachGl) {
  Rainbows3D engine(nullptr);
  glMatrixMode(GL_MODELVIEW);
  engine.set_camera(0, 0, 5, 0, 0, 0);
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  EXPECT_EQ(m[14], -5.0f);
  TransformLevel& level = engine.transform_levels[0];
  level.position[0] = 2;
  level.matrix_valid = 0;
  engine.apply_object_matrix();  // onto the camera: x moves by 2
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  EXPECT_EQ(m[12], 2.0f);
  EXPECT_EQ(m[14], -5.0f);
  float out[16] = {};
  qvl_x3d_look_at(0, 0, 3, 0, 0, 0, 0, 1, 0, out);
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  EXPECT_EQ(m[14], -3.0f);
  glLoadIdentity();
  qvl_x3d_mult_ortho(0, 4, -1, 1, -1, 1, out);
  qvl_x3d_mult_frustum(1, 1, -1, 1, 1, 10, out);  // refused: nothing multiplied
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  EXPECT_EQ(m[0], 0.5f);
  EXPECT_EQ(m[12], -1.0f);
  glLoadIdentity();
  qvl_x3d_draw_sphere_wire({0, 0, 0}, 1, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, 2);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
