// A window with the 3D engine on it, small objects put into its table, and
// the window pixel where a world point lands, for the tests that draw in
// 3D and read the pixels back.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

#include "gfx2d/pixel_image.h"
#include "gfx2d/viewport.h"
#include "gfx3d/matrix4.h"
#include "gfx3d/rainbows3d.h"
#include "tests/gfx2d/gfx_fixture.h"
#include "tests/gfx3d/mesh_fixtures.h"

class SceneTest : public GfxWindowFixture<200, 160> {
 public:
  void SetUp() override {
    GfxWindowFixture::SetUp();
    if (HasFatalFailure()) return;
    engine_ = new Rainbows3D(gfx_);
    qvl_x3d_engine = engine_;
  }
  void TearDown() override {
    // The engine goes while the context is current, as at shutdown.
    if (engine_) engine_->destroy_and_free();
    qvl_x3d_engine = nullptr;
    GfxWindowFixture::TearDown();
  }

  // Slot n with one empty part, marked used.
  MeshObjectX& new_part(int n) {
    ObjectSlot& slot = engine_->objects[n];
    slot.clear_parts(true);
    EXPECT_TRUE(slot.parts.reserve(1));
    slot.parts.count = 1;
    slot.used = 1;
    return slot.parts[0];
  }
  // What end-object makes of a built mesh (build mode 0: no normals).
  static void finish(MeshObjectX& part, bool normals = true) {
    ASSERT_TRUE(part.build_value_table());
    if (normals) part.smooth_normals(true, false, false);
    ASSERT_TRUE(part.build_triangles());
    part.compute_bounds();
  }
  // A unit cube at the origin in slot n.
  MeshObjectX& cube(int n, bool normals = true) {
    MeshObjectX& part = new_part(n);
    mesh_fixture::add_cube(part);
    finish(part, normals);
    return part;
  }
  // A square of half size s in the plane y = 0 facing +y, or z = 0 facing
  // +z, as two list triangles of frame f.
  static void add_floor(MeshObject& m, float s, int f = 0) {
    using mesh_fixture::P;
    mesh_fixture::add_run(m, kRunList,
                          {P{-s, 0, -s, 0, 0}, P{s, 0, -s, 1, 0}, P{s, 0, s, 1, 1},
                           P{-s, 0, -s, 0, 0}, P{s, 0, s, 1, 1}, P{-s, 0, s, 0, 1}},
                          f);
  }
  static void add_square(MeshObject& m, float s, float x = 0, float y = 0, int f = 0) {
    using mesh_fixture::P;
    mesh_fixture::add_run(m, kRunList,
                          {P{x - s, y + s, 0, 0, 0}, P{x + s, y + s, 0, 1, 0},
                           P{x + s, y - s, 0, 1, 1}, P{x - s, y + s, 0, 0, 0},
                           P{x + s, y - s, 0, 1, 1}, P{x - s, y - s, 0, 0, 1}},
                          f);
  }

  // A new 3D frame with a square of half size s in slot 1, drawn once five
  // units in front of the camera (where the level stays).
  MeshObjectX& square_in_view(float s) {
    engine_->begin_3d(1.0f, 100.0f, 45.0f);
    MeshObjectX& part = new_part(1);
    add_square(part, s);
    finish(part);
    place(0, 0, -5);
    engine_->draw_object(1, 0, 0, 0.0f, false);
    return part;
  }

  // Sprite id as a 16 x 16 image of one colour (0xBBGGRR), which fills its
  // texture whole.
  void solid_sprite(int id, uint32_t colour) {
    PixelImage image;
    ASSERT_TRUE(image.resize(16, 16));
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        uint8_t* p = image.pixel(x, y);
        p[0] = colour & 0xFF, p[1] = (colour >> 8) & 0xFF, p[2] = (colour >> 16) & 0xFF;
        p[3] = 255;
      }
    ASSERT_TRUE(gfx_->set_sprite_image(id, image, false));
  }

  // Places the current level (level 0 on the camera) at a position, turned
  // by angle degrees about y.
  void place(float x, float y, float z, float angle = 0.0f) {
    TransformLevel& level = engine_->transform_levels[engine_->current_level];
    float identity[16];
    qvl_x3d_identity(identity);
    level.restart(identity);
    level.position[0] = x, level.position[1] = y, level.position[2] = z;
    if (angle != 0.0f) {
      level.rotations[0] = {angle, 0, 1, 0};
      level.rotation_count = 1;
    }
    level.matrix_valid = 0;
  }

  struct Pixel {
    int x, y;
  };
  // The window pixel (top-left origin) where a world point lands, through
  // the project command's arithmetic and the orientation of the window.
  Pixel window_pixel(Vec3 p) const {
    const ViewportRect* v = gfx_->get_viewport();
    const int viewport[4] = {v->x, v->y, v->width, v->height};
    float lx = 0, ly = 0, lz = 0;
    EXPECT_EQ(qvl_x3d_project_point(p.x, p.y, p.z, &lx, &ly, &lz, viewport,
                                    engine_->projection_matrix, engine_->camera_matrix),
              1);
    int wx = 0, wy = 0;
    gfx_->logical_to_window(static_cast<int>(std::floor(lx)), static_cast<int>(std::floor(ly)),
                            &wx, &wy);
    return {wx, wy};
  }
  uint32_t rgb_at(Vec3 p) const {
    const Pixel w = window_pixel(p);
    return rgb(w.x, w.y);
  }
  // Brightness of a pixel: the mean of its three channels.
  static float grey(uint32_t c) {
    return ((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)) / 3.0f;
  }

  Rainbows3D* engine_ = nullptr;
};
