#include "game/hud.h"

#include <algorithm>
#include <cmath>

#include "core/maths.h"
#include "core/number_text.h"
#include "game/play_seam.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/render_target.h"
#include "gfx2d/viewport.h"

namespace {

constexpr int kBlack = 0;

// The texts of every player shown: player 0 always, the others only on a
// screen at least 400 pixels wide. x_of(i) places player i.
template <class XOf>
void draw_player_texts(Tgame& game, XOf x_of) {
  const int n = game.players.size1;
  BasicString text, score;
  for (int i = 0; i < n; ++i) {
    if (i > 0 && gamestate.screen_size.x <= 399) break;
    hud_player_texts(game.players.data[i], i, text, score);
    const double x = x_of(i);
    qvl_font_print(text, x, 1, 0);
    qvl_font_print(score, x + 8.0 * gamestate.glyph_size.x, 1, 0);
  }
}

}  // namespace

int game_fade_band_height(int k, int a, double b) {
  const double h = a * (b - 8 + k) / 8;
  return std::clamp(qvl_math_truncate_int(h), 0, std::max(a, 0));
}

int game_fade_blinds(double progress, int closing) {
  int w = 0, h = 0;
  qvl_gfx_screen_size(&w, &h);
  const int a = h / 8;
  const double m = std::min(progress, 1.0);
  const double b = (closing ? m : 1 - m) * 16;
  for (int k = 0; k <= 8; ++k) {
    const int height = game_fade_band_height(k, a, b);
    if (height > 0) qvl_gfx_draw_rect(0, k * a, w, height, kBlack);
  }
  return 0;
}

int hud_draw_mode_caption(int editor) {
  const int64_t ms = int64_t(play_seam.timer());
  if (ms & 0x400) return 0;
  qvl_font_print(BasicString(editor ? "[Editor]" : "[Pause]"), 0, 0, 0);
  return 0;
}

PictureScale hud_picture_scale(int screen_w, int screen_h, int game_w, int game_h) {
  double s = std::min(double(screen_w) / game_w, double(screen_h) / game_h);
  if (!(s >= 0)) s = 1;  // a picture of no size: drawn as it is
  // Whole (or half) steps are drawn sharp, reductions smoothed.
  static const double kUp[] = {32, 16, 8, 4, 3, 2, 1.5};
  for (double step : kUp)
    if (s > step) return {step, 0};
  if (s < 1) {
    if (s < 0.25) return {0.125, 1};
    if (s < 0.5) return {0.25, 1};
    return {0.5, 1};
  }
  return {s, s == 1 ? 1 : 0};
}

void hud_player_texts(const Tobject& player, int i, BasicString& text, BasicString& score_text) {
  text.assign_cstr("P");
  text.append_int(i + 1);
  if (player.lives < 0) {
    text.append_cstr(" *START*");
    score_text.assign_cstr("");
    return;
  }
  text.append_cstr(" \x01x");
  text.append_int(player.lives);
  score_text.assign_cstr("$");
  score_text.append(qvl_fmt_fixed_int(8, 0, player.score));
}

void hud_draw(Tgame& game) {
  const int gw = game.game_width, gh = game.game_height;
  const int n = std::max(game.players.size1, 1);
  const Tpoint glyph = gamestate.glyph_size;
  if (gamestate.target_sprite < 0) {
    qvl_gfx_draw_rect(0, 0, gw, glyph.y + 2, kBlack);
    draw_player_texts(game, [&](int i) { return double(int64_t(i) * gw / n); });
    return;
  }
  qvl_fbo_use_target(-1);
  const Tpoint screen = gamestate.screen_size;
  const PictureScale ps = hud_picture_scale(screen.x, screen.y, gw, gh);
  const double s = ps.scale;
  const int w = qvl_math_truncate_int(gw * s), h = qvl_math_truncate_int(gh * s);
  qvl_gfx_set_viewport(std::max(0, (screen.x - w) / 2), std::max(0, (screen.y - h) / 2), w, h);
  qvl_gfx_set_smoothing(ps.smoothing);
  qvl_sprite_draw_stretched(gamestate.target_sprite, 0, 0, w, h);
  qvl_gfx_set_smoothing(0);
  qvl_gfx_draw_rect(0, 0, w, glyph.y + 2, kBlack);
  draw_player_texts(game, [&](int i) { return s * i * gw / n; });
  qvl_gfx_set_viewport(0, 0, 0, 0);
}
