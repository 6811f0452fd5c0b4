// Pixel collision with masks read back from real textures: touching edges,
// one shared pixel, the last pass of the search, new images, animation
// frames (outside the image too) and empty rectangles.
#include <gtest/gtest.h>

#include <vector>

#include "tests/gfx2d/gfx_fixture.h"

namespace {

using PixelCollision = GfxTest;

// A w x h sprite, opaque exactly at the listed pixels (all of them when the
// list is empty and `all` is set).
void make_sprite(OpenGLRainbows& gfx, int id, int w, int h, std::vector<std::pair<int, int>> opaque,
                 bool all = false) {
  PixelImage image;
  ASSERT_TRUE(image.resize(w, h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.pixel(x, y)[3] = all ? 255 : 0;
  for (auto [x, y] : opaque) image.pixel(x, y)[3] = 255;
  ASSERT_TRUE(gfx.set_sprite_image(id, image, false));
}

TEST_F(PixelCollision, TouchingEdgesDoNotCollideOneSharedPixelDoes) {
  make_sprite(*gfx_, 1, 8, 8, {}, true);
  make_sprite(*gfx_, 2, 8, 8, {}, true);
  EXPECT_FALSE(gfx_->sprite_collision(1, 2, 0, 0, 8, 0));   // right edge = left edge
  EXPECT_FALSE(gfx_->sprite_collision(1, 2, 0, 0, 0, 8));   // bottom = top
  EXPECT_FALSE(gfx_->sprite_collision(1, 2, 0, 0, 8, 8));   // corners
  EXPECT_TRUE(gfx_->sprite_collision(1, 2, 0, 0, 7, 7));    // pixel (7, 7) shared
  EXPECT_TRUE(gfx_->sprite_collision(1, 2, 10, 10, 3, 3));  // pixel (10, 10) shared
}

TEST_F(PixelCollision, SingleOpaquePixelsMeetOnlyWhereTheyCoincide) {
  make_sprite(*gfx_, 1, 1, 1, {{0, 0}});
  EXPECT_TRUE(gfx_->sprite_collision(1, 1, 5, 5, 5, 5));  // the centre test
  // Only pixel (3, 5) of a and (1, 1) of b: on an odd row and column of the
  // overlap, so only the last pass finds it.
  make_sprite(*gfx_, 3, 8, 8, {{3, 5}});
  make_sprite(*gfx_, 4, 8, 8, {{1, 1}});
  EXPECT_TRUE(gfx_->sprite_collision(3, 4, 0, 0, 2, 4));
  EXPECT_FALSE(gfx_->sprite_collision(3, 4, 0, 0, 3, 4));
  make_sprite(*gfx_, 5, 8, 8, {});
  make_sprite(*gfx_, 6, 8, 8, {}, true);
  EXPECT_FALSE(gfx_->sprite_collision(5, 6, 0, 0, 0, 0)) << "a transparent sprite collided";
}

TEST_F(PixelCollision, NewImageInTheSameIdIsReadAgain) {
  make_sprite(*gfx_, 1, 8, 8, {}, true);
  make_sprite(*gfx_, 2, 8, 8, {}, true);
  EXPECT_TRUE(gfx_->sprite_collision(1, 2, 0, 0, 0, 0));
  ASSERT_NE(gfx_->alpha_masks[1], nullptr);
  make_sprite(*gfx_, 1, 8, 8, {});
  EXPECT_FALSE(gfx_->sprite_collision(1, 2, 0, 0, 0, 0));
}

// A strip of two 8 x 8 frames: left one opaque, right one transparent.
TEST_F(PixelCollision, AnimationFramesAndFramesOutsideTheImage) {
  std::vector<std::pair<int, int>> left;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) left.push_back({x, y});
  make_sprite(*gfx_, 1, 16, 8, left);
  gfx_->set_anim_size(1, 8, 8);
  make_sprite(*gfx_, 2, 8, 8, {}, true);
  EXPECT_TRUE(gfx_->anim_collision(1, 0, 100, 100, 2, 0, 104, 104));
  EXPECT_FALSE(gfx_->anim_collision(1, 1, 100, 100, 2, 0, 104, 104));
  EXPECT_FALSE(gfx_->anim_collision(1, 0, 100, 100, 2, 0, 108, 100));  // touching frames
  // Frames past the image, or before it, read as transparent.
  for (int frame : {2, 3, 7, 1000, -1, -5})
    EXPECT_FALSE(gfx_->anim_collision(1, frame, 100, 100, 2, 0, 100, 100)) << frame;
}

TEST_F(PixelCollision, RectangleTest) {
  make_sprite(*gfx_, 1, 8, 8, {}, true);
  make_sprite(*gfx_, 2, 8, 8, {}, true);
  EXPECT_FALSE(gfx_->rect_mask_overlap(1, 0, 0, 2, 0, 0, 3, 3, 3, 6));  // empty
  EXPECT_TRUE(gfx_->rect_mask_overlap(1, 0, 0, 2, 0, 0, 3, 3, 4, 4));
  // A rectangle reaching far outside both images only looks inside them.
  EXPECT_TRUE(gfx_->rect_mask_overlap(1, 0, 0, 2, 4, 4, -100000, -100000, 100000, 100000));
  EXPECT_FALSE(gfx_->rect_mask_overlap(1, 0, 0, 2, 8, 8, -100000, -100000, 100000, 100000));
}

}  // namespace
