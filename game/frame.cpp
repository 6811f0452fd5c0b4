#include "game/frame.h"

#include "core/maths.h"
#include "game/camera.h"
#include "game/enemies.h"
#include "game/hud.h"
#include "game/pause_dialog.h"
#include "game/play_seam.h"
#include "game/players.h"
#include "game/playfield.h"
#include "game/palette_sprites.h"
#include "game/run.h"
#include "game/shots.h"
#include "game/title_screen.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/render_target.h"

namespace {

constexpr int kKeyEsc = 1, kKeyQ = 16, kKeyX = 45, kKeyPgUp = 201;
constexpr int kPauseStripe = 48;  // a click above this y opens the pause dialog

bool anyone_with_lives(const Tgame& game, int at_least) {
  for (int i = 0; i < game.players.size1; ++i)
    if (game.players.data[i].lives >= at_least) return true;
  return false;
}

void set_all_lives(Tgame& game, int lives) {
  for (int i = 0; i < game.players.size1; ++i) game.players.data[i].lives = lives;
}

// Esc or Q leaves once both are up; the window's messages keep
// coming meanwhile, so a lost focus or a close cannot hang the wait.
int leave_play(Tgame& game) {
  while (play_seam.key(kKeyEsc) || play_seam.key(kKeyQ)) play_seam.message_step();
  if (playgame.editor) return 0;
  set_all_lives(game, -1);
  return 1;
}

void draw_fade(const LevelEndFade& fade) {
  if (fade.kind == LevelEndFade::kNone) return;
  game_fade_blinds(fade.progress, fade.kind == LevelEndFade::kClosing);
}

}  // namespace

int game_clock_step(int flag) {
  if (flag) frame_clock += 17;
  return frame_clock;
}

LevelEndFade level_end_step(const Tgame& game, const Tlevel& level, int now, bool must_kill_alive) {
  TGameState& gs = gamestate;
  LevelEndFade fade;
  const int type = level.scroll_type;
  double t = (double(now) - gs.level_time) / 500;
  if (type <= 2 && gs.cam_y <= 0 && !must_kill_alive) gs.complete = 1.0;
  if ((type == 3 || type == 4) &&
      int64_t(gs.cam_x) >= int64_t(gs.level_size.x) - game.game_width - 1 && !must_kill_alive)
    gs.complete = 1.0;
  auto close_now = [&] {
    gs.level_time = now;
    t = 0;
    fade = {LevelEndFade::kClosing, 0, 0};
  };
  if (t > 2 && gs.complete != 0) {
    close_now();
  } else if (type == 0 && t > 2 && !must_kill_alive &&
             (int64_t(now) - gs.level_time) / 1000 > level.time_limit) {
    // The arena's time is up: the level is complete (and closes).
    gs.complete = 1.0;
    close_now();
  } else if (gs.complete != 0) {
    if (t <= 1) fade = {LevelEndFade::kClosing, t, t};
  } else if (!anyone_with_lives(game, 1)) {
    gs.complete = 1.0;
    close_now();
  } else if (t <= 1) {
    fade = {LevelEndFade::kOpening, t, t};
  }
  fade.t = t;
  return fade;
}

int game_frame(Tgame& game) {
  TGameState& gs = gamestate;
  // The pause dialog.
  if (playgame.paused) {
    if (menu_options_dialog(playgame, game.levels.size1, playgame.editor)) return 1;
    set_all_lives(game, -1);
    return 0;
  }
  // The title screen while nobody has a life, or a player who joined
  // still holds fire.
  if (!anyone_with_lives(game, 1) || menu_title_waiting()) {
    playgame.restart = 1;
    gs.level = playgame.start_level;
    return menu_title_screen(game, playgame.editor, playgame);
  }
  // A restarted level begins; the picture goes into the off-screen target,
  // cleared, when there is one; the full-screen key.
  if (playgame.restart) level_start(game);
  const int gw = game.game_width, gh = game.game_height;
  if (gs.target_sprite >= 0) {
    qvl_fbo_use_target(1);
    qvl_gfx_draw_rect(0, 0, gw, gh, 0);
  }
  game_toggle_fullscreen(game);
  // A click into the top stripe pauses from the next frame on.
  int mx = 0, my = 0, b1 = 0, b2 = 0;
  play_seam.mouse(&mx, &my, &b1, &b2);
  if (b1 && my < kPauseStripe) {
    play_wait_mouse_release();
    playgame.paused = 1;
  }
  // Leaving keys.
  if (play_seam.key(kKeyEsc)) return leave_play(game);
  if (playgame.input != 2) {
    if (play_seam.key(kKeyQ)) return leave_play(game);
    if (playgame.editor && play_seam.key(kKeyX)) return 0;
  }
  // The clock.
  const int now = game_clock_step(1);
  // Census.
  for (int i = 0; i < game.players.size1; ++i) {
    Tobject& p = game.players.data[i];
    gs.last_pos.at(i) = p.pos;
    if (playgame.trainer && p.lives >= 1) p.lives = 9;
  }
  Tlevel& level = game.levels.at(gs.level);
  const PlayerCensus census = camera_census(game.players, gs.level_size);
  // The camera follows the players and the waves whose place it reached
  // start.
  camera_step(game, level, census);
  wave_trigger(game, level);
  gs.last_cam_x = gs.cam_x;
  gs.last_cam_y = gs.cam_y;
  // Layer 0.
  qvl_gfx_set_alpha_mode(-1);
  qvl_gfx_set_alpha_test(1);
  playfield_draw_layer(game.tiles, level.layers.at(0), gs.cam_x, gs.cam_y, gw, gh);
  // Enemies.
  qvl_gfx_set_alpha_mode(-1);
  qvl_gfx_poly_begin(kImageSheetSprite, 2);
  cell_size = gs.sprite_size.x;
  const bool must_kill_alive = enemies_step(game, level, now);
  qvl_gfx_set_alpha_mode(-0.999);
  qvl_gfx_poly_end();
  // Draw order, every fifth frame.
  game_sort_counter += 1;
  if (game_sort_counter > 4) {
    enemies_sort_draw_order(gs.enemies);
    game_sort_counter = 0;
  }
  // Layer 1.
  qvl_gfx_set_alpha_test(1);
  qvl_gfx_set_alpha_mode(-1);
  playfield_draw_layer(game.tiles, level.layers.at(1), gs.cam_x, gs.cam_y, gw, gh);
  // Shots, players, shots drawn.
  shots_update(game, level);
  qvl_gfx_set_alpha_mode(-1);
  qvl_gfx_poly_begin(kImageSheetSprite, 2);
  cell_size = gs.sprite_size.x;
  players_step(game, level, now);
  qvl_gfx_set_alpha_mode(-1);
  shots_draw(game, now);
  qvl_gfx_set_alpha_mode(-0.999);
  qvl_gfx_poly_end();
  // The level's end and its fade, then the display over the picture.
  const LevelEndFade fade = level_end_step(game, level, now, must_kill_alive);
  draw_fade(fade);
  hud_draw(game);
  // The editor's caption and its key that completes the level.
  if (playgame.editor) {
    hud_draw_mode_caption(1);
    if (play_seam.key(kKeyPgUp)) {
      gs.complete = 1.0;
      return 1;
    }
  }
  // The level change, once the closing fade is over.
  if (gs.complete != 0 && fade.t > 1) {
    gs.complete = 0;
    gs.level += 1;
    if (gs.level >= game.levels.size1) {
      gs.level = playgame.start_level;
      set_all_lives(game, 0);
    }
    playgame.restart = 1;
  }
  return 1;
}
