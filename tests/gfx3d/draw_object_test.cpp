// Drawing objects on Mesa: lights, the shadow modes, fog, culling, the
// viewport and orientation of begin-3D, and the vertex buffers.
#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "gfx2d/gl_ext.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/pixel_image.h"
#include "tests/gfx3d/scene_fixture.h"

namespace {

using DrawObject = SceneTest;

constexpr uint32_t kWhite = 0xFFFFFF;

// The camera five units in front of the origin looking at it.
void look_at_origin(Rainbows3D& e) {
  e.begin_3d(1.0f, 100.0f, 45.0f);
  e.set_camera(0, 0, 5, 0, 0, 0);
}

// A cube turned 45 degrees shows two faces, one toward a light from +x
// and one away from it.
TEST_F(DrawObject, LitCubeShowsItsLitAndUnlitSides) {
  look_at_origin(*engine_);
  cube(1);
  engine_->set_light(0, kWhite, 0, 0, 0, -1, 0, 0, 180.0f, false);
  place(0, 0, 0, 45.0f);
  engine_->draw_object(1, 0, 0, 0.0f, false);
  const float lit = grey(rgb_at({0.25f, 0.0f, 0.6f}));
  const float dark = grey(rgb_at({-0.25f, 0.0f, 0.6f}));
  EXPECT_GT(lit, 150.0f);
  EXPECT_LT(dark, 40.0f);
  EXPECT_EQ(grey(rgb(2, 2)), 0.0f);  // the background untouched
  // Switching the light off switches lighting off with the last bit.
  engine_->set_light(8, kWhite, 0, 0, 0, 0, 0, 0, 0.0f, false);
  EXPECT_EQ(engine_->light_mask, 0);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The bump and the shade modes shade by the shadow light: the face turned
// from it is at least 30 % darker than the face turned to it. The shade
// mode's cube comes without normals: drawing makes them and draws with
// them.
TEST_F(DrawObject, BumpAndShadeModesDarkenTheSideAwayFromTheLight) {
  ASSERT_NE(glActiveTextureARB_, nullptr);
  solid_sprite(5, 0xFF8080);  // normals straight out of the surface
  for (int mode : {-1, -2}) {
    SCOPED_TRACE(mode);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    look_at_origin(*engine_);
    cube(1, mode == -1);
    if (mode == -1) gfx_->bind_textures_3d(5, -1, 0, nullptr);  // the normal map
    engine_->set_light(mode, 0, 10, 0, 0, 0, 0, 0, 1.0f, false);
    EXPECT_EQ(engine_->shadow_mode, mode == -1 ? kShadowBump : kShadowShade);
    place(0, 0, 0, 45.0f);
    engine_->draw_object(1, 0, 0, 0.0f, false);
    const float lit = grey(rgb_at({0.25f, 0.0f, 0.6f}));
    const float dark = grey(rgb_at({-0.25f, 0.0f, 0.6f}));
    EXPECT_GT(lit, 100.0f);
    EXPECT_LE(dark, 0.7f * lit);
  }
  EXPECT_NE(engine_->objects[1].parts[0].shade_texture, 0u);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The same mesh wound the other way: every list triangle's last two
// corners swapped.
void reverse_winding(MeshObject& m) {
  GrowVector<MeshVertex>& list = m.frames[0].vertices;
  int corner = 0;
  for (int i = 0; i < list.count; ++i) {
    if (qvl_mesh_is_run_start(list[i].colour)) {
      corner = 0;
    } else if (++corner == 3) {
      std::swap(list[i - 1], list[i]);
      corner = 0;
    }
  }
}

// A cube over a floor, lit from the upper left: the stencil pass marks its
// shadow on the floor and finishing the pass darkens it there only, under
// every cull mode and for a cube wound either way. The program's culling
// and face winding are its own again afterwards.
TEST_F(DrawObject, StencilShadowDarkensTheFloorInShadow) {
  for (int cull : {-1, 0, 1}) {
    for (bool reversed : {false, true}) {
      SCOPED_TRACE("cull mode " + std::to_string(cull) + (reversed ? ", reversed cube" : ""));
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
      engine_->begin_3d(1.0f, 100.0f, 45.0f);
      engine_->set_camera(0, 6, 6, 0, 0, 0);
      add_floor(new_part(2), 5.0f);
      finish(engine_->objects[2].parts[0]);
      MeshObjectX& box = new_part(1);
      mesh_fixture::add_cube(box);
      if (reversed) reverse_winding(box);
      finish(box);
      place(0, -1, 0);
      engine_->draw_object(2, 0, 0, 0.0f, false);  // begin-3D's cull mode 0: seen from above
      engine_->set_cull_mode(cull);
      place(0, 0, 0);
      engine_->draw_object(1, 0, 0, 0.0f, false);
      const Vec3 shadowed{1.6f, -1.0f, 0.0f}, open{1.6f, -1.0f, 2.0f};
      const float before_shadowed = grey(rgb_at(shadowed));
      ASSERT_GT(before_shadowed, 200.0f);

      engine_->set_light(-3, 0x000000, -10, 10, 0, 0, 0, 0, 1.0f, false);
      EXPECT_EQ(engine_->shadow_pass, 1);
      engine_->set_light(-3, 0x000000, -10, 10, 0, 0, 0, 0, 1.0f, false);  // already running
      place(0, 0, 0);
      engine_->draw_object(1, 0, 0, 0.0f, false);
      EXPECT_EQ(grey(rgb_at(shadowed)), before_shadowed);  // nothing seen while it runs
      engine_->set_shadow_pass(0);
      const float after_shadowed = grey(rgb_at(shadowed));
      const float after_open = grey(rgb_at(open));
      EXPECT_LE(after_shadowed, 0.7f * after_open);
      EXPECT_GT(after_open, 200.0f);
      // Depth, stencil, culling and winding are back for the rest of the frame.
      EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
      EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
      EXPECT_EQ(glIsEnabled(GL_CULL_FACE) == GL_TRUE, cull != 0);
      GLint depth_func = 0, front = 0;
      glGetIntegerv(GL_DEPTH_FUNC, &depth_func);
      glGetIntegerv(GL_FRONT_FACE, &front);
      EXPECT_EQ(depth_func, GL_LESS);
      EXPECT_EQ(front, cull == 1 ? GL_CW : GL_CCW);
      EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
  }
}

// Every draw that gets past the frustum test ends the same way, whatever
// it drew: colour material off and the colour white at the global alpha,
// in GL and in the 2D layer's records of them. The cases: a white square,
// a red one (a colour array), a square in the stencil shadow pass (its
// shadow volume only) and a blend into a frame without triangles
// (nothing to draw).
TEST_F(DrawObject, EveryDrawEndsWithColourMaterialOffAndWhite) {
  struct Case {
    const char* name;
    uint32_t colour;
    bool stencil_pass, empty_second_frame;
  } cases[] = {{"white square", kWhite, false, false},
               {"red square", 0x0000FF, false, false},
               {"stencil pass", kWhite, true, false},
               {"nothing to draw", kWhite, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    engine_->begin_3d(1.0f, 100.0f, 45.0f);
    MeshObjectX& part = new_part(1);
    using mesh_fixture::P;
    const float s = 0.5f;
    mesh_fixture::add_run(part, kRunList,
                          {P{-s, s, 0, 0, 0, c.colour}, P{s, s, 0, 1, 0, c.colour},
                           P{s, -s, 0, 1, 1, c.colour}, P{-s, s, 0, 0, 0, c.colour},
                           P{s, -s, 0, 1, 1, c.colour}, P{-s, -s, 0, 0, 1, c.colour}});
    if (c.empty_second_frame) mesh_fixture::add_run(part, kRunList, {}, 1);
    ASSERT_TRUE(part.build_value_table());
    part.smooth_normals(true, false, false);
    part.build_triangles();  // false for frames of unequal length; built all the same
    part.compute_bounds();
    if (c.stencil_pass) engine_->set_light(-3, 0x000000, -10, 10, 0, 0, 0, 0, 1.0f, false);
    gfx_->global_alpha = 0.5f;
    qvl_gfx_state_cache.disable(GLCAP_COLOR_MATERIAL);
    qvl_gfx_set_colour_cached(0.25f, 0.5f, 0.75f, 1.0f);
    place(0, 0, -5);
    engine_->draw_object(1, 0, 1, 0.5f, c.empty_second_frame);

    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_EQ(qvl_gfx_state_cache.slots[GLCAP_COLOR_MATERIAL], 0);
    float colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(colour[2], 1.0f);
    EXPECT_EQ(colour[3], 0.5f);
    const float* cached = qvl_gfx_colour_cache();
    EXPECT_EQ(cached[2], 1.0f);
    EXPECT_EQ(cached[3], 0.5f);
    gfx_->global_alpha = 1.0f;
    if (c.stencil_pass) engine_->set_shadow_pass(0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
}

// Linear fog from 5 to 15 units: nearer than its start an object keeps
// its colour, beyond its end it takes the fog's; 0 and 0 mean begin-3D's
// near and far planes.
TEST_F(DrawObject, FogEndPoints) {
  engine_->begin_3d(1.0f, 50.0f, 45.0f);
  MeshObjectX& square = new_part(1);
  add_square(square, 0.4f);
  finish(square);
  engine_->set_fog(0x0000FF, 0, 5.0f, 15.0f);
  place(-0.5f, 0, -4.0f);
  engine_->draw_object(1, 0, 0, 0.0f, false);
  place(1.5f, 0, -16.0f);
  engine_->draw_object(1, 0, 0, 0.0f, false);
  EXPECT_EQ(rgb_at({-0.5f, 0, -4.0f}), kWhite);
  EXPECT_EQ(rgb_at({1.5f, 0, -16.0f}), 0x0000FFu);
  engine_->set_fog(0x0000FF, 0, 0.0f, 0.0f);
  float range[2] = {0, 0};
  glGetFloatv(GL_FOG_START, &range[0]);
  glGetFloatv(GL_FOG_END, &range[1]);
  EXPECT_EQ(range[0], 1.0f);
  EXPECT_EQ(range[1], 50.0f);
  engine_->set_fog(-1, 0, 0, 0);
  EXPECT_FALSE(glIsEnabled(GL_FOG));
}

// Culling takes the second frame's bounding sphere: an object whose frame
// 0 lies behind the camera is not drawn at all, even though the frame it
// draws (1) lies in view.
TEST_F(DrawObject, FrustumCulledObjectLeavesItsPixels) {
  engine_->begin_3d(1.0f, 100.0f, 45.0f);
  MeshObjectX& part = new_part(1);
  add_square(part, 0.5f, 0, 0, 0);
  add_square(part, 0.5f, 0, 0, 1);
  finish(part);
  for (int i = 0; i < part.frames[0].triangles.count; ++i) part.frames[0].triangles[i].z = 20.0f;
  part.compute_bounds();
  place(0, 0, -5);
  engine_->draw_object(1, 1, 0, 0.0f, false);  // frame 1, culled by frame 0
  EXPECT_EQ(rgb_at({0, 0, -5}), 0u);
  engine_->draw_object(1, 1, 1, 0.0f, false);
  EXPECT_EQ(rgb_at({0, 0, -5}), kWhite);
}

// Frames and their blend: blending 0 to 2 at 0.5 draws frame 1 exactly,
// 2 to 0 too; without blend the factor moves frame a toward frame b.
TEST_F(DrawObject, FramesAndBlending) {
  engine_->begin_3d(1.0f, 100.0f, 45.0f);
  MeshObjectX& part = new_part(1);
  for (int f = 0; f < 3; ++f) add_square(part, 0.3f, -1.0f + f, 0, f);  // x = -1, 0, 1
  finish(part);
  struct Case {
    int a, b;
    float factor;
    bool blend;
    float x;  // where the square lands
  } cases[] = {{0, 2, 0.5f, true, 0.0f},  {2, 0, 0.5f, true, 0.0f}, {0, 2, 1.25f, true, -0.5f},
               {0, 1, 1.0f, false, 0.0f}, {0, 2, 0.5f, false, 0.0f}, {7, 7, 0.0f, false, 1.0f},
               {-3, -3, 0.0f, false, -1.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << " " << c.b << " " << c.factor << " " << c.blend);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    place(0, 0, -5);
    engine_->draw_object(1, c.a, c.b, c.factor, c.blend);
    EXPECT_EQ(rgb_at({c.x, 0, -5}), kWhite);
    EXPECT_EQ(rgb_at({c.x + 0.45f, 0, -5}), 0u);
  }
}

// A point projected with the engine's matrices lands on the pixel drawn
// there, in a viewport away from the window's corner, in every screen
// orientation.
TEST_F(DrawObject, ProjectedVertexLandsOnItsPixel) {
  MeshObjectX& part = new_part(1);
  add_square(part, 0.15f);
  finish(part);
  const Vec3 point{0.6f, 0.35f, -5.0f};
  for (int orientation = 0; orientation < 4; ++orientation) {
    SCOPED_TRACE(orientation);
    gfx_->orientation = orientation;
    gfx_->set_viewport(0, 0, 0, 0, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gfx_->set_viewport(30, 20, 110, 90, 1.0f);
    engine_->begin_3d(1.0f, 100.0f, 45.0f);
    place(point.x, point.y, point.z);
    engine_->draw_object(1, 0, 0, 0.0f, false);
    EXPECT_EQ(rgb_at(point), kWhite);
    EXPECT_EQ(rgb_at({point.x + 0.4f, point.y, point.z}), 0u);
    EXPECT_EQ(rgb_at({point.x, point.y + 0.4f, point.z}), 0u);
  }
  gfx_->orientation = 0;
}

// Scaling after the first draw reaches the static buffer; a two-texture
// draw leaves no texture-coordinate array enabled on unit 1.
TEST_F(DrawObject, StaticBufferFollowsScalingAndUnitOneArrayGoesOff) {
  MeshObjectX& part = square_in_view(0.25f);
  ASSERT_NE(part.static_vbo, 0u);
  EXPECT_EQ(rgb_at({0.6f, 0, -5}), 0u);
  part.scale(3, 3, 3);
  engine_->draw_object(1, 0, 0, 0.0f, false);
  EXPECT_EQ(rgb_at({0.6f, 0, -5}), kWhite);

  solid_sprite(3, 0x0000FF);
  solid_sprite(4, 0x00FF00);
  gfx_->bind_textures_3d(3, 4, 0, nullptr);
  glClear(GL_DEPTH_BUFFER_BIT);
  engine_->draw_object(1, 0, 0, 0.0f, false);
  EXPECT_EQ(rgb_at({0, 0, -5}), 0u);  // red modulated by green
  glClientActiveTextureARB_(GL_TEXTURE1_ARB);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
  glClientActiveTextureARB_(GL_TEXTURE0_ARB);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
  gfx_->bind_textures_3d(3, -1, 0, nullptr);
  glClear(GL_DEPTH_BUFFER_BIT);
  engine_->draw_object(1, 0, 0, 0.0f, false);
  EXPECT_EQ(rgb_at({0, 0, -5}), 0x0000FFu);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A driver without vertex buffers draws from the records in memory, on
// both paths.
TEST_F(DrawObject, WithoutBufferObjectsArraysPointIntoMemory) {
  auto saved = glGenBuffersARB_;
  glGenBuffersARB_ = nullptr;
  MeshObjectX& part = square_in_view(0.25f);
  EXPECT_EQ(rgb_at({0, 0, -5}), kWhite);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  engine_->texture_offset_v = 0.5f;
  engine_->draw_object(1, 0, 0, 0.0f, false);
  EXPECT_EQ(rgb_at({0, 0, -5}), kWhite);
  glGenBuffersARB_ = saved;
  EXPECT_EQ(part.static_vbo, 0u);
  EXPECT_EQ(part.stream_vbo, 0u);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The engine's GL names go with it while the context is current.
TEST_F(DrawObject, DestructionReleasesBuffers) {
  auto is_buffer =
      reinterpret_cast<PFNGLISBUFFERARBPROC>(SDL_GL_GetProcAddress("glIsBufferARB"));
  ASSERT_NE(is_buffer, nullptr);
  MeshObjectX& part = square_in_view(0.25f);
  engine_->texture_offset_u = 0.5f;  // the stream path
  engine_->draw_object(1, 0, 0, 0.0f, false);
  const uint32_t names[2] = {part.static_vbo, part.stream_vbo};
  ASSERT_TRUE(is_buffer(names[0]) && is_buffer(names[1]));
  engine_->destroy_and_free();
  engine_ = nullptr;
  EXPECT_FALSE(is_buffer(names[0]));
  EXPECT_FALSE(is_buffer(names[1]));
  EXPECT_EQ(qvl_x3d_gl_deleters.buffers, nullptr);
}

// Light numbers wrap to the eight GL lights; spot and point lights keep
// their positions; lights from the viewer leave the matrix stack as it was.
TEST_F(DrawObject, LightKinds) {
  engine_->begin_3d(1.0f, 100.0f, 45.0f);
  glLoadIdentity();
  GLint depth_before = 0, depth_after = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_before);
  for (int i = 0; i < 3; ++i) engine_->set_light(0, kWhite, 0, 0, 0, 0, 0, 0, 180.0f, false);
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_after);
  EXPECT_EQ(depth_after, depth_before);
  engine_->set_light(9, 0x0000FF, 1, 2, 3, 0, 0, -2, 30.0f, false);  // GL light 1, a spot
  EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
  EXPECT_EQ(engine_->light_mask, 0b11);
  float cutoff = 0, position[4] = {}, direction[3] = {}, diffuse[4] = {};
  glGetLightfv(GL_LIGHT1, GL_SPOT_CUTOFF, &cutoff);
  glGetLightfv(GL_LIGHT1, GL_POSITION, position);
  glGetLightfv(GL_LIGHT1, GL_SPOT_DIRECTION, direction);
  glGetLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
  EXPECT_EQ(cutoff, 30.0f);
  EXPECT_EQ(position[2], 3.0f);
  EXPECT_EQ(position[3], 1.0f);
  EXPECT_EQ(direction[2], -1.0f);
  EXPECT_EQ(diffuse[0], 1.0f);
  EXPECT_EQ(diffuse[2], 0.0f);
  engine_->set_light(2, kWhite, 1, 2, 3, 0, 0, 0, 120.0f, false);  // a point light
  glGetLightfv(GL_LIGHT2, GL_SPOT_CUTOFF, &cutoff);
  EXPECT_EQ(cutoff, 180.0f);
  engine_->set_light(2, kWhite, 0, 0, 0, 0, 0, 0, 0.0f, false);
  EXPECT_FALSE(glIsEnabled(GL_LIGHT2));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));  // lights 0 and 1 still on
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The shade mode's outline turns the faces round and back and leaves the
// lights on; a new shade table drops the built lookup textures, an empty
// one keeps them.
TEST_F(DrawObject, ShadeOutlineAndShadeTable) {
  look_at_origin(*engine_);
  MeshObjectX& part = cube(1);
  engine_->set_light(0, kWhite, 0, 0, 0, 0, 0, 0, 180.0f, false);
  engine_->set_light(-2, 0, 10, 0, 0, 0, 0, 0, 1.0f, false);
  engine_->set_cull_mode(1);
  engine_->draw_object(1, 0, 0, 0.0f, false);
  EXPECT_EQ(engine_->cull_mode, 1);
  GLint front = 0;
  glGetIntegerv(GL_FRONT_FACE, &front);
  EXPECT_EQ(front, GL_CW);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  ASSERT_NE(part.shade_texture, 0u);
  engine_->set_shade_table(nullptr, 0);
  EXPECT_NE(part.shade_texture, 0u);
  const uint8_t levels[4] = {40, 90, 160, 255};
  engine_->set_shade_table(levels, 4);
  EXPECT_EQ(part.shade_texture, 0u);
  engine_->draw_object(1, 0, 0, 0.0f, false);
  EXPECT_NE(part.shade_texture, 0u);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
