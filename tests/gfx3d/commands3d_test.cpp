// The 3D commands reach the engine and the graphics object: a program's
// frame drawn through them alone, the state commands, the shader and shade
// table commands and the collision commands with their debug view.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/error_state.h"
#include "gfx2d/image_files.h"
#include "gfx3d/commands3d.h"
#include "gfx3d/object_build.h"
#include "gfx3d/shade_texels.h"
#include "tests/gfx3d/scene_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"

namespace {

using Commands3D = SceneTest;

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;

bool near_colour(uint32_t got, uint32_t want) {
  for (int shift : {0, 8, 16}) {
    const int a = (got >> shift) & 0xFF, b = (want >> shift) & 0xFF;
    if (a - b > 40 || b - a > 40) return false;
  }
  return true;
}

// A square of half size 1 around (x, 0, 0) facing the camera, as a strip.
void build_square(int n, double x) {
  testing::internal::CaptureStdout();
  qvl_x3d_object_begin(n);
  qvl_x3d_object_add_vertex(x - 1, 1, 0, 0, 0, 0xFFFFFF);
  qvl_x3d_object_add_vertex(x - 1, -1, 0, 0, 1, 0xFFFFFF);
  qvl_x3d_object_add_vertex(x + 1, 1, 0, 1, 0, 0xFFFFFF);
  qvl_x3d_object_add_vertex(x + 1, -1, 0, 1, 1, 0xFFFFFF);
  qvl_x3d_object_end();
  testing::internal::GetCapturedStdout();
}

void write_solid_png(const std::string& path, uint32_t colour) {
  std::vector<uint8_t> rgba;
  for (int i = 0; i < 16 * 16; ++i)
    rgba.insert(rgba.end(), {static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                             static_cast<uint8_t>(colour >> 16), 255});
  ASSERT_TRUE(qvl_png_save(path.c_str(), rgba.data(), 16, 16));
}

TEST_F(Commands3D, AFrameDrawnThroughTheCommandsShowsItsTextures) {
  solid_sprite(7, kGreen);
  build_square(1, 0);
  qvl_x3d_begin_3d(1, 100, 45);
  qvl_x3d_set_camera(0, 0, 6, 0, 0, 0);
  qvl_x3d_set_textures(7, -1);
  EXPECT_EQ(gfx_->unit0_sprite, 7);
  qvl_x3d_object_draw_frame(1, 0);
  EXPECT_TRUE(near_colour(rgb_at({0, 0, 0}), kGreen)) << std::hex << rgb_at({0, 0, 0});
  EXPECT_EQ(rgb_at({2.5f, 0, 0}), 0u);

  // A scene package draws each part with its own texture (a missing
  // second texture number would select the first texture as well).
  const std::string dir = qvl_test::temp_dir();
  build_square(2, -1.5);
  build_square(3, 1.5);
  ASSERT_EQ(qvl_x3d_object_save(BasicString((dir + "left.kvd").c_str()), 2), 1);
  ASSERT_EQ(qvl_x3d_object_save(BasicString((dir + "right.kvd").c_str()), 3), 1);
  write_solid_png(dir + "red.png", kRed);
  write_solid_png(dir + "blue.png", kBlue);
  qvl_test::write_file(dir + "pair.kvw",
                       ";KVW\n[textures]\ncount=2\n1=red.png\n2=blue.png\n[objects]\ncount=2\n"
                       "1=left.kvd\n1ta=1\n1tb=-1\n2=right.kvd\n2ta=2\n2tb=-1\n");
  qvl_x3d_object_load(BasicString((dir + "pair.kvw").c_str()), 4);
  qvl_x3d_clear();
  glClear(GL_COLOR_BUFFER_BIT);
  qvl_x3d_object_draw(4, 0, 0, 0, 0);
  EXPECT_TRUE(near_colour(rgb_at({-1.5f, 0, 0}), kRed)) << std::hex << rgb_at({-1.5f, 0, 0});
  EXPECT_TRUE(near_colour(rgb_at({1.5f, 0, 0}), kBlue)) << std::hex << rgb_at({1.5f, 0, 0});
  qvl_x3d_end_3d();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Commands3D, StateCommandsReachTheEngineAndGl) {
  qvl_x3d_begin_3d(2, 50, 60);
  EXPECT_EQ(engine_->fog_start, 2.0f);
  EXPECT_EQ(engine_->fog_end, 50.0f);
  struct Cull {
    int given, mode;
  } culls[] = {{5, 1}, {-7, -1}, {0, 0}, {1, 1}};
  for (const Cull& c : culls) {
    qvl_x3d_set_cull_mode(c.given);
    EXPECT_EQ(engine_->cull_mode, c.mode) << c.given;
    EXPECT_EQ(qvl_x3d_command_cull_mode, c.mode) << c.given;
    EXPECT_EQ(glIsEnabled(GL_CULL_FACE) != 0, c.mode != 0) << c.given;
  }
  solid_sprite(3, kRed);
  qvl_x3d_draw_sprite(3, 0, 0, 0, 1);  // drawn culling the other way round
  EXPECT_EQ(engine_->cull_mode, 1);     // and back to the program's mode
  qvl_x3d_set_depth_test(0);
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  qvl_x3d_set_depth_test(1);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

  qvl_x3d_set_fog(0x00FF00, 0, 0, 0);  // linear between begin-3D's planes
  EXPECT_TRUE(glIsEnabled(GL_FOG));
  GLfloat fog_end = 0;
  glGetFloatv(GL_FOG_END, &fog_end);
  EXPECT_EQ(fog_end, 50.0f);
  qvl_x3d_set_fog(-1, 0, 0, 0);
  EXPECT_FALSE(glIsEnabled(GL_FOG));

  qvl_x3d_set_light(10, 0xFFFFFF, 0, 5, 0, 0, 0, 0, 120);  // light 2, a point light
  EXPECT_EQ(engine_->light_mask, 1 << 2);
  EXPECT_TRUE(glIsEnabled(GL_LIGHT2));
  qvl_x3d_light_at_camera(3, 0xFFFFFF);
  EXPECT_EQ(engine_->light_mask, (1 << 2) | (1 << 3));
  qvl_x3d_set_light(-3, 0x202020, 0, 10, 0, 0, 0, 0, 1);
  EXPECT_EQ(engine_->shadow_pass, 1);
  EXPECT_EQ(engine_->shadow_mode, kShadowStencil);
  qvl_x3d_end_3d();  // ends the shadow pass
  EXPECT_EQ(engine_->shadow_pass, 0);

  qvl_x3d_set_texture_offset(0.5, -0.25);
  qvl_x3d_set_sphere_mapping(7);
  qvl_x3d_set_camera_up(1, 0, 0);
  qvl_x3d_set_mesh_build_mode(-4);
  EXPECT_EQ(engine_->texture_offset_u, 0.5f);
  EXPECT_EQ(engine_->texture_offset_v, -0.25f);
  EXPECT_EQ(engine_->sphere_mapping, 1);
  EXPECT_EQ(engine_->mesh_build_mode, -1);
  qvl_x3d_set_camera(0, 0, 10, 0, 0, 0);
  EXPECT_EQ(engine_->camera_matrix[0], 0.0f);  // turned by the up vector
  qvl_x3d_set_textures(3, 4);

  // Begin-3D forgets the lights, the shadow light, the textures and culling.
  qvl_x3d_begin_3d(1, 100, 45);
  EXPECT_EQ(engine_->light_mask, 0);
  EXPECT_EQ(engine_->shadow_enabled, 0);
  EXPECT_EQ(qvl_x3d_command_texture_a, -1);
  EXPECT_EQ(qvl_x3d_command_texture_b, -1);
  EXPECT_EQ(gfx_->unit0_sprite, -1);
  EXPECT_EQ(engine_->cull_mode, 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Commands3D, ProjectAndUnprojectAreEachOthersInverse) {
  qvl_x3d_begin_3d(1, 100, 45);
  qvl_x3d_set_camera(0, 0, 10, 0, 0, 0);
  double sx = 0, sy = 0, sz = 0;
  ASSERT_TRUE(qvl_x3d_project(1, 2, 0, &sx, &sy, &sz));
  EXPECT_LT(sy, kHeight / 2.0);  // y grows downwards
  double x = 0, y = 0, z = 0;
  ASSERT_TRUE(qvl_x3d_unproject(sx, sy, sz, &x, &y, &z));
  EXPECT_NEAR(x, 1.0, 1e-3);
  EXPECT_NEAR(y, 2.0, 1e-3);
  EXPECT_NEAR(z, 0.0, 1e-3);
  x = 99;
  EXPECT_FALSE(qvl_x3d_project(0, 0, 10, &sx, &sy, &sz));  // in the camera's plane
  EXPECT_EQ(x, 99);
}

TEST_F(Commands3D, ShaderCommandsLogOnlyInDebugMode) {
  const std::string dir = qvl_test::temp_dir();
  setenv("QVL_DEBUG_LOG", (dir + "debug.log").c_str(), 1);
  qvl_test::write_file(dir + "broken.frag", "void main() { gl_FragColor = nonsense; }\n");
  qvl_test::write_file(dir + "green.frag", "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }\n");
  EXPECT_FALSE(qvl_x3d_shader_load(2, BasicString(), BasicString((dir + "broken.frag").c_str())));
  EXPECT_EQ(qvl_test::read_file(dir + "debug.log"), "");  // not in debug mode
  qvl_err_state.debug_mode = 1;
  EXPECT_FALSE(qvl_x3d_shader_load(2, BasicString(), BasicString((dir + "broken.frag").c_str())));
  EXPECT_NE(qvl_test::read_file(dir + "debug.log").find("TXfragment shader failed\n"),
            std::string::npos);
  ASSERT_TRUE(qvl_x3d_shader_load(4, BasicString(), BasicString((dir + "green.frag").c_str())));
  qvl_x3d_shader_use(4);
  EXPECT_EQ(engine_->current_shader, 4);
  qvl_x3d_shader_set_uniform(BasicString("nowhere"), 1.0);
  EXPECT_NE(qvl_test::read_file(dir + "debug.log").find("TXundefined uniform:\nTXnowhere\n"),
            std::string::npos);
  qvl_x3d_shader_use(-5);
  EXPECT_EQ(engine_->current_shader, -1);
  qvl_err_state.debug_mode = 0;
  unsetenv("QVL_DEBUG_LOG");
}

TEST_F(Commands3D, ShadeTableTakesLevelsAndAnEmptyArrayEndsTheProgram) {
  BasicArray<double> levels;
  levels.dim(3, 0, 0, 0);
  levels.at(0) = 0.5, levels.at(1) = 1.0, levels.at(2) = 2.0;  // 510: low byte 254
  qvl_x3d_set_shade_table(levels);
  ASSERT_EQ(qvl_x3d_shade_table.count, 3);
  EXPECT_EQ(qvl_x3d_shade_table[0], 127);
  EXPECT_EQ(qvl_x3d_shade_table[1], 255);
  EXPECT_EQ(qvl_x3d_shade_table[2], 254);
  const qvl_test::ChildResult r = qvl_test::run_in_child([] {
    BasicArray<double> empty;
    qvl_x3d_set_shade_table(empty);
  });
  EXPECT_NE(r.out.find("error: 9"), std::string::npos) << r.out;
  EXPECT_EQ(r.exit_status, 9);
}

TEST_F(Commands3D, CollisionCommandsDrawTheirShapesInDebugMode) {
  qvl_x3d_begin_3d(1, 100, 45);
  qvl_x3d_set_camera(0, 0, 8, 0, 0, 0);
  cube(1);
  qvl_err_state.debug_mode = 1;
  qvl_x3d_set_depth_test(0);
  EXPECT_EQ(qvl_x3d_object_hit_sphere(1, 0, 0.5, 0.6, 0, 0), 1);
  EXPECT_GE(qvl_x3d_last_hit_face(), 0);
  EXPECT_TRUE(near_colour(rgb_at({0.6f, 0.5f, 0}), kRed) ||
              near_colour(rgb_at({0.6f, -0.5f, 0}), kRed));
  EXPECT_EQ(qvl_x3d_object_hit_box(1, 0, -2.5, 0, 0, 1, 1, 1), 0);
  EXPECT_TRUE(near_colour(rgb_at({-2.5f, 0.5f, 0.5f}), kGreen));
  EXPECT_EQ(qvl_x3d_sphere_hits_box(0.9, 0, 0, 0.5, 1, 1, 1), 1);
  EXPECT_EQ(qvl_x3d_sphere_hits_box(2, 0, 0, 0.5, 1, 1, 1), 0);
  EXPECT_NEAR(qvl_x3d_object_hit_ray(1, 0, 0, 3, 0, 0, -1, 0), 2.5, 1e-4);
  EXPECT_TRUE(near_colour(rgb_at({0, 2.8f, 0}), kGreen));  // the ray up to the hit
  qvl_err_state.debug_mode = 0;
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_EQ(qvl_x3d_object_hit_sphere(1, 0, 0.5, 3, 0, 0), 0);
  EXPECT_EQ(rgb_at({3, 0.5f, 0}), 0u);  // no debug view outside debug mode
}

}  // namespace
