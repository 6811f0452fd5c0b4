// Sprite drawing read back from Mesa with NEAREST filtering, so every
// drawn pixel must be exactly an image pixel.
#include <gtest/gtest.h>

#include <climits>

#include "gfx2d/gl_ext.h"
#include "gfx2d/sprite_draw.h"
#include "tests/gfx2d/gfx_fixture.h"

namespace {

// 4 x 2, every pixel its own colour.
const uint32_t kImage[8] = {0x000010, 0x000020, 0x000030, 0x000040,
                            0x001000, 0x002000, 0x003000, 0x004000};

class SpriteDraw : public GfxTest {
 protected:
  void SetUp() override {
    GfxTest::SetUp();
    PixelImage image;
    make_image(image, 4, 2, {kImage[0], kImage[1], kImage[2], kImage[3], kImage[4], kImage[5],
                             kImage[6], kImage[7]});
    ASSERT_TRUE(gfx_->set_sprite_image(kId, image, false));
    gfx_->set_smoothing(0);
  }
  // The image drawn at (x, y), each pixel scaled by s.
  void expect_image_at(int x, int y, int s, const char* what) {
    for (int j = 0; j < 2 * s; ++j)
      for (int i = 0; i < 4 * s; ++i)
        EXPECT_EQ(rgb(x + i, y + j), kImage[(j / s) * 4 + i / s]) << what << " " << i << "," << j;
    EXPECT_EQ(rgb(x - 1, y), 0u) << what;
    EXPECT_EQ(rgb(x + 4 * s, y), 0u) << what;
    EXPECT_EQ(rgb(x, y + 2 * s), 0u) << what;
  }
  static constexpr int kId = 12;
};

TEST_F(SpriteDraw, NearestFilteringReadsBackExactly) {
  gfx_->draw_sprite(kId, 10, 20);
  expect_image_at(10, 20, 1, "plain");
  gfx_->draw_sprite_rotated(kId, 30, 20, 0.0f, 1.0f);
  expect_image_at(30, 20, 1, "rotated by 0");
  // Uploaded with LINEAR: stretching shows blends unless each draw sets
  // NEAREST again.
  gfx_->draw_sprite_stretched(kId, 50, 20, 8, 4);
  expect_image_at(50, 20, 2, "stretched");
}

// A driver without multitexture: binding goes to the one texture unit, and
// an untextured draw after a sprite is not tinted by the sprite.
TEST_F(SpriteDraw, WithoutMultitextureSpritesAndPlainShapesStillDraw) {
  const auto saved = glActiveTextureARB_;
  glActiveTextureARB_ = nullptr;
  gfx_->draw_sprite(kId, 10, 20);
  gfx_->draw_rect(30, 20, 2, 2, 0x00FF00);
  gfx_->draw_sprite_stretched(kId, 50, 20, 8, 4);
  glActiveTextureARB_ = saved;
  expect_image_at(10, 20, 1, "plain");
  EXPECT_EQ(rgb(31, 21), 0x00FF00u);
  expect_image_at(50, 20, 2, "stretched");
}

// A positive angle turns counter-clockwise on the screen: the image's
// top-right pixel goes to the top-left of the turned 2 x 4 block.
TEST_F(SpriteDraw, PositiveAngleTurnsCounterClockwise) {
  gfx_->draw_sprite_rotated(kId, 70, 20, 90.0f, 1.0f);  // centre (72, 21)
  EXPECT_EQ(rgb(71, 19), kImage[3]);
  EXPECT_EQ(rgb(72, 19), kImage[7]);
  EXPECT_EQ(rgb(71, 22), kImage[0]);
  EXPECT_EQ(rgb(70, 19), 0u);
}

TEST(AnimFrame, FramesRowByRowFromTheTopLeft) {
  SpriteSlot s{};
  s.tex_width = 64;
  s.tex_height = 64;
  s.img_width = 64;
  s.img_height = 64;
  s.anim_width = 32;
  s.anim_height = 32;
  AnimFrame f = qvl_anim_frame(s, 3);
  EXPECT_EQ(f.row, 2);
  EXPECT_EQ(f.column, 1);
  EXPECT_FLOAT_EQ(f.u_left, 0.5f);
  EXPECT_FLOAT_EQ(f.u_right, 1.0f);
  EXPECT_FLOAT_EQ(f.v_bottom, 0.0f);
  EXPECT_FLOAT_EQ(f.v_top, 0.5f);
  f = qvl_anim_frame(s, 0);
  EXPECT_FLOAT_EQ(f.v_bottom, 0.5f) << "the first frame is in the image's top half";
  s.anim_width = 128;  // wider than the image: the frame number is the column
  f = qvl_anim_frame(s, 3);
  EXPECT_EQ(f.row, 1);
  EXPECT_EQ(f.column, 3);
}

TEST_F(SpriteDraw, AnimationFramesReadBackExactly) {
  gfx_->set_anim_size(kId, 2, 2);  // two frames side by side
  const uint32_t frame1[4] = {kImage[2], kImage[3], kImage[6], kImage[7]};
  auto expect_frame1 = [&](int x, int y, const char* what) {
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 2; ++i) EXPECT_EQ(rgb(x + i, y + j), frame1[j * 2 + i]) << what;
    EXPECT_EQ(rgb(x + 2, y), 0u) << what;
    EXPECT_EQ(rgb(x, y + 2), 0u) << what;
  };
  gfx_->draw_anim(kId, 1, 10, 40);
  expect_frame1(10, 40, "plain");
  gfx_->draw_anim_rotated(kId, 1, 20, 40, 0.0f, 1.0f);
  expect_frame1(20, 40, "rotated by 0");
  gfx_->draw_anim_stretched(kId, 1, 30, 40, 2, 2);
  expect_frame1(30, 40, "stretched");
  gfx_->set_anim_size(kId, 0, 2);  // no frame size: nothing drawn
  gfx_->draw_anim(kId, 0, 50, 40);
  EXPECT_EQ(rgb(50, 40), 0u);
}

// Under an identity modelview the camera's right is +x and its up +y: the
// quad is half the image wide and high (times the scale), its bottom edge
// centred on the point.
TEST_F(SpriteDraw, CameraFacingQuadAroundItsBasePoint) {
  // 4 x 2 image at scale 4: (4 >> 2) * 4 either side, (2 >> 1) * 4 up.
  gfx_->draw_sprite_3d(kId, 100.0f, 100.0f, 0.0f, 4.0f);
  EXPECT_NE(rgb(96, 100), 0u);
  EXPECT_NE(rgb(103, 103), 0u);
  EXPECT_EQ(rgb(95, 100), 0u);
  EXPECT_EQ(rgb(104, 100), 0u);
  EXPECT_EQ(rgb(96, 104), 0u);
  EXPECT_EQ(rgb(96, 99), 0u);
  EXPECT_EQ(gfx_->vertices.count, 4);
}

// Positions at the ends of the int range lie far off the screen; computed
// in int, their far edges wrapped round to the other end and the quads
// crossed the whole screen. Frame numbers there must not overflow either.
TEST_F(SpriteDraw, PositionsAtTheEndsOfTheIntRangeDrawNothing) {
  const int kMax = INT_MAX, kMin = INT_MIN;
  gfx_->draw_rect(kMax, 0, 10, 10, 0xFFFFFF);
  gfx_->draw_rect(kMin, 0, -10, 10, 0xFFFFFF);
  gfx_->draw_rect(0, kMax, 10, 10, 0xFFFFFF);
  gfx_->draw_rect(0, kMin, 10, -10, 0xFFFFFF);
  gfx_->draw_sprite(kId, kMax, 0);
  gfx_->draw_sprite(kId, 0, kMax);
  gfx_->draw_sprite_stretched(kId, kMax, 0, 50, 50);
  gfx_->draw_sprite_stretched(kId, kMin, 0, -50, 50);
  gfx_->draw_sprite_rotated(kId, kMax, kMax, 0.0f, 1.0f);
  gfx_->set_anim_size(kId, 2, 2);
  for (int frame : {kMax, kMin, 0}) {
    gfx_->draw_anim(kId, frame, kMax, 0);
    gfx_->draw_anim_rotated(kId, frame, kMax, 0, 0.0f, 1.0f);
    gfx_->draw_anim_stretched(kId, frame, kMax, 0, 8, 8);
    gfx_->draw_anim_stretched(kId, frame, 0, kMax, 8, 8);
  }
  gfx_->set_anim_size(kId, 1, 2);  // one frame a row: frame INT_MAX is on row 2^31
  gfx_->draw_anim(kId, kMax, 0, kMax);
  for (int x : {0, 500, kWidth - 1})
    for (int y : {0, 5, kHeight - 1}) EXPECT_EQ(rgb(x, y), 0u) << x << "," << y;
  // Nothing to read that far out, in any orientation.
  for (int orientation : {0, 1, 2, 3}) {
    gfx_->orientation = orientation;
    EXPECT_EQ(gfx_->get_pixel(kMax, kMin), 0u) << orientation;
    EXPECT_EQ(gfx_->get_pixel(kMin, kMax), 0u) << orientation;
  }
}

TEST_F(SpriteDraw, IdsOutsideTheTableDrawNothing) {
  gfx_->draw_sprite(-1, 0, 0);
  gfx_->draw_sprite(kSpriteCount, 0, 0);
  gfx_->draw_anim_rotated(kSpriteCount + 5, 0, 0, 0, 10.0f, 1.0f);
  gfx_->draw_sprite(200, 0, 0);  // a free id: a zero-size quad
  EXPECT_EQ(rgb(0, 0), 0u);
}

}  // namespace
