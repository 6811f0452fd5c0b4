#include "kvgui/busy_overlay.h"

#include <cmath>

#include "core/maths.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/sprite_table.h"
#include "gfx2d/viewport.h"
#include "kvgui/globals.h"
#include "kvgui/seam.h"

KvguiBusyBar kvgui_busy_bar(int i, double now_ms) {
  const double wave = std::fabs(qvl_math_sin_deg(i * 18 + now_ms * 0.1));
  const int level = qvl_math_truncate_int(wave * 225 + 30);
  return {level, level / 8 + 8};
}

int kvgui_show_busy(int busy, int sprite) {
  if (!busy) {
    kvgui_busy_next_time = 0.0;
    if (kvgui_busy_sprite >= 0) {
      if (qvl_sprite_id_valid(kvgui_busy_sprite)) qvl_sprite_grab(kvgui_busy_sprite, 0, 0, 0, 0);
      kvgui_busy_sprite = -1;
    }
    return 0;
  }
  const double now = kvgui_seam.now_ms();
  if (now <= kvgui_busy_next_time) return 0;
  kvgui_busy_next_time = now + 16.7;
  int sw = 0, sh = 0;
  qvl_gfx_screen_size(&sw, &sh);
  if (kvgui_busy_sprite < 0) {
    const int id = sprite >= 0 ? sprite : qvl_sprite_free_id();
    // No free sprite, or one outside the table: the overlay goes on without
    // the picture instead of failing on every frame.
    if (qvl_sprite_id_valid(id)) {
      kvgui_busy_sprite = id;
      qvl_sprite_grab(id, 0, 0, sw, sh);
    }
  }
  if (kvgui_busy_sprite >= 0) qvl_sprite_draw(kvgui_busy_sprite, 0, 0);
  qvl_gfx_set_alpha_mode(-0.5);
  qvl_gfx_draw_rect(0, 0, sw, sh, 0x000000);
  qvl_gfx_set_alpha_mode(-1.0);
  const int cx = sw / 2, cy = sh / 2;
  for (int i = 0; i < 5; ++i) {
    const KvguiBusyBar bar = kvgui_busy_bar(i, now);
    qvl_gfx_draw_rect((i - 2) * 24 + cx - 8, cy - bar.height / 2, 16, bar.height,
                      bar.level * 0x010101);
  }
  kvgui_seam.show_screen();
  return 0;
}
