// The grab command: a logical rectangle of the screen into a sprite, also
// under a virtual resolution, where the screen shows the picture scaled.
#include "core/maths.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/render_target.h"
#include "gfx2d/sprite_table.h"
#include "gfx2d/viewport.h"

namespace {

// A logical size or position in window pixels, truncated, plus an offset;
// in 64 bits and clamped, so that no value a program passes overflows.
int scaled(int v, float scale, int offset = 0) {
  const int truncated = qvl_math_truncate_int(static_cast<double>(v) * static_cast<double>(scale));
  return qvl_math_saturate_int(int64_t{truncated} + offset);
}

// The scaled picture is grabbed into a scratch sprite and drawn back at
// logical size into a render target on the sprite.
void grab_scaled(OpenGLRainbows& g, int id, int x, int y, int w, int h) {
  const VirtualResolution& v = qvl_gfx_virtual_resolution;
  const int scratch = g.find_free_sprite();
  if (scratch < 0) return;  // no id to grab into: the sprite keeps its image
  // Exactly the window pixels of the logical rectangle: any more would be
  // squeezed into w x h and shift every column and row a little.
  g.grab_sprite(scratch, scaled(x, v.scale, v.offset_x), scaled(y, v.scale, v.offset_y),
                scaled(w, v.scale), scaled(h, v.scale));
  int slot = g.find_free_render_target();
  // A target that cannot be made is not drawn into: the copy then goes to
  // the screen, as when no slot is free.
  if (slot >= 0 && !g.create_render_target(static_cast<unsigned>(slot), id, w, h)) slot = -1;
  qvl_fbo_use_target(slot);  // also sets the full viewport
  g.set_alpha_mode(-1.0f);
  g.set_alpha_test(1.0f);
  g.draw_sprite_stretched(scratch, 0, 0, w, h);
  qvl_fbo_use_target(-1);
  qvl_sprite_load(BasicString(), scratch);  // frees the scratch sprite
}

}  // namespace

void qvl_sprite_grab(int id, int x, int y, int w, int h) {
  OpenGLRainbows* g = qvl_gfx_rainbows;
  if (!g || !qvl_sprite_id_checked(id)) return;
  const VirtualResolution& v = qvl_gfx_virtual_resolution;
  if (v.scale > 1.0f) {
    grab_scaled(*g, id, x, y, w, h);
    return;
  }
  // A virtual resolution of factor 1 still places the picture at its
  // offsets, unless the commands draw into a render target.
  if (v.scale == 1.0f && qvl_gfx_target_slot == -1) {
    x = qvl_math_saturate_int(int64_t{x} + v.offset_x);
    y = qvl_math_saturate_int(int64_t{y} + v.offset_y);
  }
  g->grab_sprite(id, x, y, w, h);
}
