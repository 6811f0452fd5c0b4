// Shader slots on Mesa: a program that paints one colour, a broken one
// that reports the driver's info log, slot numbers out of range, and a
// driver without shader objects.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gfx2d/gl_ext.h"
#include "tests/gfx3d/scene_fixture.h"

namespace {

std::vector<std::string> logged;
void log_line(const char* text) { logged.emplace_back(text); }

void write_file(const char* name, const char* text) {
  FILE* f = std::fopen(name, "wb");
  ASSERT_NE(f, nullptr);
  std::fputs(text, f);
  std::fclose(f);
}

class ShaderSlots : public SceneTest {
 public:
  void SetUp() override {
    SceneTest::SetUp();
    logged.clear();
    write_file("plain.vert", "void main() { gl_Position = ftransform(); }\n");
    write_file("green.frag", "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }\n");
    write_file("broken.frag", "void main() { gl_FragColor = nonsense; }\n");
  }
};

TEST_F(ShaderSlots, ConstantColourShaderPaintsItsColour) {
  ASSERT_NE(glCreateShaderObjectARB_, nullptr);
  ASSERT_TRUE(engine_->shader_load(7, "plain.vert", "green.frag", log_line));
  EXPECT_TRUE(logged.empty());
  engine_->begin_3d(1.0f, 100.0f, 45.0f);
  MeshObjectX& square = new_part(1);
  add_square(square, 0.5f);
  finish(square);
  engine_->shader_use(7);
  EXPECT_EQ(engine_->current_shader, 7);
  place(0, 0, -5);
  engine_->draw_object(1, 0, 0, 0.0f, false);
  EXPECT_EQ(rgb_at({0, 0, -5}), 0x00FF00u);
  // Unknown names are told in two lines; known ones are set quietly.
  engine_->shader_set_uniform_float("nowhere", 1.0f, log_line);
  engine_->shader_set_attribute("nothing", 1.0f, log_line);
  EXPECT_EQ(logged, (std::vector<std::string>{"undefined uniform:", "nowhere",
                                               "undefined attrib:", "nothing"}));
  // Negative slots are the fixed-function pipeline, as those above 254.
  engine_->shader_use(-1);
  EXPECT_EQ(engine_->current_shader, -1);
  GLint program = -1;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  EXPECT_EQ(program, 0);
  logged.clear();
  engine_->shader_set_uniform_int("TextureID1", 0, log_line);  // no slot in use: nothing
  EXPECT_TRUE(logged.empty());
  glClear(GL_DEPTH_BUFFER_BIT);
  engine_->draw_object(1, 0, 0, 0.0f, false);
  EXPECT_EQ(rgb_at({0, 0, -5}), 0xFFFFFFu);
  EXPECT_FALSE(engine_->shader_load(-1, "plain.vert", "green.frag", log_line));
  EXPECT_FALSE(engine_->shader_load(255, "plain.vert", "green.frag", log_line));
  engine_->shader_delete(-1);
  engine_->shader_delete(7);
  EXPECT_EQ(engine_->shaders[7].program, 0u);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The info log comes first, then the failure; a failed fragment shader is
// not linked. A fragment shader alone links; an unreadable file is skipped
// without a word.
TEST_F(ShaderSlots, BrokenShaderLogsItsInfoLog) {
  ASSERT_NE(glCreateShaderObjectARB_, nullptr);
  EXPECT_FALSE(engine_->shader_load(3, "plain.vert", "broken.frag", log_line));
  ASSERT_EQ(logged.size(), 2u);
  EXPECT_NE(logged[0].find("nonsense"), std::string::npos) << logged[0];
  EXPECT_EQ(logged[1], "fragment shader failed");
  EXPECT_EQ(engine_->shaders[3].program, 0u);
  logged.clear();
  EXPECT_TRUE(engine_->shader_load(3, nullptr, "green.frag", log_line));
  EXPECT_NE(engine_->shaders[3].program, 0u);
  EXPECT_EQ(engine_->shaders[3].vertex_shader, 0u);
  EXPECT_FALSE(engine_->shader_load(4, "missing.vert", nullptr, log_line));
  EXPECT_TRUE(logged.empty());
}

TEST_F(ShaderSlots, DriverWithoutShadersIsToldOnce) {
  auto saved = glCreateShaderObjectARB_;
  glCreateShaderObjectARB_ = nullptr;
  EXPECT_FALSE(engine_->shader_load(1, "plain.vert", "green.frag", log_line));
  EXPECT_FALSE(engine_->shader_load(1, "plain.vert", "green.frag", log_line));
  glCreateShaderObjectARB_ = saved;
  EXPECT_EQ(logged, std::vector<std::string>{"No OpenGL 2.0 Shader Support"});
}

// Engine construction and the table (no drawing).
TEST_F(ShaderSlots, FindFreeAndClear) {
  EXPECT_EQ(qvl_x3d_object_find_free(), 4095);
  new_part(4095);
  EXPECT_EQ(qvl_x3d_object_find_free(), 4094);
  engine_->clear();  // no pass running: the depth buffer only
  EXPECT_EQ(engine_->shadow_pass, 0);
  engine_->set_shadow_pass(1);
  engine_->clear();
  EXPECT_EQ(engine_->shadow_pass, 0);
}

}  // namespace
