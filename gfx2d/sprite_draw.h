// Sprite drawing: the geometry of animation frames as a plain function,
// for the drawing methods of the graphics object and for tests.
#pragma once

#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/poly_batch.h"

// Where frame n of an animation strip lies in the sprite's texture. Frames
// are laid out row by row from the image's top-left; texture rows run
// bottom-up, so v_top > v_bottom. Frame numbers are not range-checked: one
// past the last frame lies beyond the image (the texture repeats); row and
// column are 64-bit, so that no frame number overflows them.
struct AnimFrame {
  int64_t row;  // 1 = the top row of frames
  int64_t column;
  float u_left, u_right;
  float v_bottom, v_top;
};
AnimFrame qvl_anim_frame(const SpriteSlot& sprite, int frame);

// The quads draw_sprite and draw_sprite_stretched send for a sprite: a
// triangle fan with texture coordinates, clamped at the texture's edges.
void qvl_sprite_blit_quad(const SpriteSlot& sprite, int x, int y, QuadVertex quad[4]);
void qvl_sprite_stretched_quad(const SpriteSlot& sprite, int x, int y, int w, int h,
                               QuadVertex quad[4]);
