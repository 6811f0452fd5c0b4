#include "kvgui/show.h"

#include <algorithm>
#include <cstdint>

#include "gfx2d/draw_commands.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/render_target.h"
#include "gfx2d/sprite_table.h"
#include "gfx2d/viewport.h"
#include "host/show_screen.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/dialog_update.h"
#include "kvgui/globals.h"
#include "kvgui/properties.h"
#include "kvgui/record_array.h"
#include "kvgui/seam.h"
#include "kvgui/style.h"
#include "kvgui/widget_index.h"

namespace {

// This frame's wheel notches: the change of the host's running total since
// the last show, in whole notches (a part-notch waits for the next frame).
void take_wheel() {
  const int total = kvgui_seam.wheel_total();
  if (!kvgui_wheel_started) {
    kvgui_wheel_started = 1;
    kvgui_wheel_total_seen = total;
  }
  // The total is a 16-bit count that wraps.
  const int change = static_cast<int16_t>(static_cast<uint16_t>(total - kvgui_wheel_total_seen));
  kvgui_wheel_notches = change / 120;
  kvgui_wheel_total_seen += kvgui_wheel_notches * 120;
}

void draw_fade_images() {
  const double now = kvgui_seam.now_ms();
  int i = 0;
  while (i < kvgui_fade_images.size1) {
    const KVGUI_POPDLG_IMAGE image = kvgui_fade_images.data[i];
    const double t = 1.0 - (now - image.start_time) / 400.0;
    if (t <= 0.0) {
      if (qvl_sprite_id_valid(image.sprite)) qvl_sprite_grab(image.sprite, 0, 0, 0, 0);
      kvgui_fade_images.remove(i);
      continue;
    }
    qvl_win_reset_idle_count();
    qvl_gfx_set_alpha_mode(-t - 0.01);
    if (image.zoom)
      qvl_sprite_draw_zoomed(image.sprite, image.x, image.y, 2.0 - t, t);
    else
      qvl_sprite_draw(image.sprite, image.x, image.y);
    ++i;
  }
  qvl_gfx_set_alpha_mode(-1.0);
}

// Draws the top dialog as it stands into a sprite the size of its outer
// rectangle: no input, no glide, no pending action, no links.
bool capture_top(int slot, int sprite, KVGUI_POPDLG_IMAGE* image) {
  KVGUI_DLG& top = kvgui_top_dialog();
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  const bool caption = top.MOVEABLE || top.self.TEXT.length > 0;
  // No more than a screenful: a dialog a program made larger shows no more
  // than that, and its picture would take memory by the gigabyte.
  int sw = 0, sh = 0;
  kvgui_drawing_size(&sw, &sh);
  const int w = static_cast<int>(std::min<int64_t>(top.self.WIDTH, sw));
  const int h = static_cast<int>(std::min<int64_t>(
      int64_t(top.self.HEIGHT) + (caption ? std::max(24, gh) + 4 : 0), sh));
  if (w <= 0 || h <= 0 || !qvl_fbo_create_target(slot, sprite, w, h)) return false;
  image->sprite = sprite;
  image->x = top.XPOS;
  image->y = top.YPOS;
  image->zoom = top.self.TEXT.length > 0 ? 1 : 0;
  qvl_fbo_use_target(slot);
  top.XPOS = 0;
  top.YPOS = 0;
  const int index = kvgui_dialog_stack.size1 - 1;
  kvgui_update_dialog_mode(index, KvguiUpdateMode::DRAW_ONLY);
  if (KVGUI_DLG* again = kvgui_dialog_ref(index).get()) {
    again->XPOS = image->x;
    again->YPOS = image->y;
  }
  qvl_fbo_use_target(-1);
  // Free the slot and keep the sprite: a negative sprite only releases.
  if (OpenGLRainbows* gfx = qvl_gfx_rainbows) gfx->create_render_target(unsigned(slot), -1, 0, 0);
  return true;
}

}  // namespace

int kvgui_show(int top_only) {
  if (kvgui_stack_empty()) return 0;
  qvl_gfx_set_smoothing(1);
  kvgui_apply_font_scaling();
  take_wheel();
  if (!top_only) {
    // A dialog's routines may push or pop: the count is read again each time.
    for (int i = 0; i < kvgui_dialog_stack.size1 - 1; ++i)
      kvgui_update_dialog_mode(i, KvguiUpdateMode::INACTIVE);
  }
  if (!kvgui_stack_empty())
    kvgui_update_dialog_mode(kvgui_dialog_stack.size1 - 1, KvguiUpdateMode::ACTIVE);
  kvgui_apply_links();
  draw_fade_images();
  return 0;
}

int kvgui_show_top() { return kvgui_show(1); }

int kvgui_show_all() { return kvgui_show(0); }

int kvgui_pop_dialog_fade(int fade) {
  if (kvgui_stack_empty()) {
    qvl_win_reset_idle_count();
    return 0;
  }
  if (fade) {
    const int slot = qvl_fbo_free_slot();
    const int sprite = qvl_sprite_free_id();
    KVGUI_POPDLG_IMAGE image;
    image.start_time = kvgui_seam.now_ms();
    if (slot >= 0 && qvl_sprite_id_valid(sprite) && capture_top(slot, sprite, &image)) {
      KVGUI_POPDLG_IMAGE* kept = kvgui_array_append(kvgui_fade_images);
      if (kept) *kept = image;
    }
  }
  kvgui_remove_top_dialog();
  qvl_win_reset_idle_count();
  return 0;
}

int kvgui_open_popup(const BasicString& id) {
  if (kvgui_stack_empty()) return 0;
  KVGUI_DLG& top = kvgui_top_dialog();
  const KVGUI_WDG* w = kvgui_widget_of(top, id);
  if (w && (w->kind == KvguiKind::COMBO || w->kind == KvguiKind::GALLERY)) {
    top.pending_action = GUI_ACTION_POPUP_LIST;
    top.action_id = id;
  }
  return 0;
}
