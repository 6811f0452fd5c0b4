// The engine's view state without GL: a fresh engine, the begin-3D view,
// the camera and the frustum test.
#include <gtest/gtest.h>

#include <cmath>

#include "gfx3d/matrix4.h"
#include "gfx3d/rainbows3d.h"

namespace {

TEST(View, AFreshEngineHasAWholeViewState) {
  Rainbows3D engine(nullptr);
  EXPECT_EQ(engine.objects.count, kObjectSlots);
  EXPECT_EQ(engine.objects.capacity, 4224);
  EXPECT_EQ(engine.current_level, 0);
  EXPECT_EQ(engine.transform_levels[0].matrix_valid, 1);
  EXPECT_EQ(engine.transform_levels[0].matrix[0], 1.0f);
  EXPECT_EQ(engine.camera_up_y, 1.0f);
  EXPECT_EQ(engine.camera_target_z, -1.0f);
  EXPECT_EQ(qvl_x3d_last_hit_vertex, -1);
  // Identity projection and camera: the frustum is the cube of +-1.
  EXPECT_TRUE(engine.sphere_in_frustum(0, 0, 0, 0));
  EXPECT_FALSE(engine.sphere_in_frustum(0, 0, 3, 1));
}

TEST(View, Begin3dView) {
  Rainbows3D engine(nullptr);
  engine.cull_mode = 1;
  engine.sphere_mapping = 1;
  engine.texture_offset_u = 0.5f;
  engine.camera_up_x = 1, engine.camera_up_y = 0;
  engine.begin_3d_view(1, 1000, 45, 800.0f / 600.0f);
  EXPECT_FLOAT_EQ(engine.projection_matrix[10], -1001.0f / 999.0f);
  EXPECT_FLOAT_EQ(engine.projection_matrix[14], -2000.0f / 999.0f);
  EXPECT_EQ(engine.projection_matrix[11], -1.0f);
  EXPECT_FLOAT_EQ(engine.projection_matrix[0], engine.projection_matrix[5] * 600.0f / 800.0f);
  EXPECT_FLOAT_EQ(engine.view_tangent, std::tan(50 * 0.017453292f));
  EXPECT_EQ(engine.fog_start, 1.0f);
  EXPECT_EQ(engine.fog_end, 1000.0f);
  EXPECT_EQ(engine.camera_up_y, 1.0f);
  EXPECT_EQ(engine.camera_up_x, 0.0f);
  EXPECT_EQ(engine.cull_mode, 0);
  EXPECT_EQ(engine.sphere_mapping, 0);
  EXPECT_EQ(engine.texture_offset_u, 0.0f);
  EXPECT_EQ(engine.camera_target_z, -1.0f);
  EXPECT_EQ(engine.camera_matrix[0], 1.0f);
  EXPECT_EQ(engine.camera_matrix[14], 0.0f);

  engine.begin_3d_view(1, 1000, 100, 1);
  EXPECT_EQ(engine.view_tangent, std::tan(1.553343f));
  engine.begin_3d_view(1, 1000, -45, 1);
  EXPECT_EQ(engine.view_tangent, 57.29004f);
  EXPECT_EQ(engine.projection_matrix[15], 1.0f);
  EXPECT_EQ(engine.projection_matrix[11], 0.0f);
  // A field of view of 0 would divide by zero: the projection stays.
  const float kept = engine.projection_matrix[5];
  engine.begin_3d_view(1, 1000, 0, 1);
  EXPECT_EQ(engine.projection_matrix[5], kept);
  EXPECT_TRUE(std::isfinite(engine.frustum_planes[0][0]));
}

// Distances from the right plane x = 1 of the identity view.
TEST(View, SphereAgainstTheFrustum) {
  Rainbows3D engine(nullptr);
  struct Case {
    float x, y, z, radius;
    bool inside;
  } cases[] = {
      {1.5f, 0, 0, 1, true},    // half outside
      {2.0f, 0, 0, 1, true},    // touching from outside counts as inside
      {2.01f, 0, 0, 1, false},
      {-2.01f, 0, 0, 1, false},  // left
      {0, 2.01f, 0, 1, false},   // top
      {0, -2.01f, 0, 1, false},  // bottom
      {0, 0, 2.01f, 1, false},   // the planes of z = +-1
      {0, 0, -2.01f, 1, false},
      {1.9f, 1.9f, 1.9f, 1, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(engine.sphere_in_frustum(c.x, c.y, c.z, c.radius), c.inside)
        << c.x << " " << c.y << " " << c.z;
}

TEST(View, CameraPlacesTheFrustumAndRestartsTheStack) {
  Rainbows3D engine(nullptr);
  engine.begin_3d_view(1, 100, 90, 1);
  EXPECT_TRUE(engine.sphere_in_frustum(0, 0, -50, 0.1f));
  EXPECT_FALSE(engine.sphere_in_frustum(0, 0, -150, 0.1f));  // past far
  EXPECT_FALSE(engine.sphere_in_frustum(0, 0, -0.5f, 0.1f));  // before near
  EXPECT_FALSE(engine.sphere_in_frustum(60, 0, -50, 1));      // right of a 90 degree view
  EXPECT_TRUE(engine.sphere_in_frustum(49, 0, -50, 1));

  engine.current_level = 3;
  engine.transform_levels[0].matrix_valid = 0;
  engine.place_camera(0, 0, 60, 0, 0, 0);
  EXPECT_EQ(engine.camera_z, 60.0f);
  EXPECT_EQ(engine.current_level, 0);
  EXPECT_EQ(engine.transform_levels[0].matrix_valid, 1);
  EXPECT_EQ(engine.camera_matrix[14], -60.0f);
  EXPECT_TRUE(engine.sphere_in_frustum(0, 0, 0, 0.1f));
  EXPECT_FALSE(engine.sphere_in_frustum(0, 0, -50, 0.1f));  // now 110 away
}

}  // namespace
