#include "game/run.h"

#include <algorithm>

#include "core/logs.h"
#include "core/maths.h"
#include "files/paths.h"
#include "game/frame.h"
#include "game/options_file.h"
#include "game/palette_sprites.h"
#include "game/paths.h"
#include "game/play_seam.h"
#include "game/title_screen.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/render_target.h"
#include "gfx2d/viewport.h"
#include "host/show_screen.h"
#include "kvgui/globals.h"

namespace {

constexpr int kKeyEnter = 28, kKeyLeftAlt = 56;
constexpr int kInGameFontSlot = 1;

int full_screen_flag = 0;

void load_in_game_font() {
  qvl_gfx_set_transparent_colour(0);
  if (!qvl_file_exists(BasicString("ingamefont.png")))
    qvl_log_print_err(BasicString("ingamefont.png not existant\n"));
  qvl_font_load(BasicString("ingamefont.png"), kInGameFontSlot);
  qvl_gfx_set_transparent_colour(kColourKey);
  const double scale = kvgui_widget_height <= 16
                           ? 1.0
                           : std::max(1.0, qvl_math_ceil(kvgui_widget_height / 64.0 * 2) * 0.5);
  qvl_font_select(kInGameFontSlot, scale, -1);
}

// Builds every sprite's collision data before play, so that the first
// touches of a level cost no read-back.
void prepare_collisions(BasicArray<Timage>& images) {
  if (images.size1 == 0) return;
  const int first = images.data[0].sprite;
  for (int i = 0; i < images.size1; ++i) qvl_sprite_collision(first, 0, 0, images.data[i].sprite, 0, 0);
}

// Drawing returns to the screen and the play picture's target and sprite
// are given back.
void release_play_target() {
  if (gamestate.target_sprite < 0) return;
  qvl_fbo_use_target(-1);
  qvl_fbo_create_target(kPlayTargetSlot, -1, 0, 0);
  qvl_sprite_grab(gamestate.target_sprite, 0, 0, 0, 0);
  gamestate.target_sprite = -1;
}

Tpoint grid_size(const BasicArray<int>& grid) { return Tpoint{grid.size1, grid.size2}; }

}  // namespace

void game_run(Tgame& game, int trainer, int editor, int blocking) {
  gamestate = TGameState();
  playgame = Tplaygame();
  playgame.trainer = trainer;
  playgame.editor = editor;
  options_load_save(playgame, 1);
  gamestate.enemies.dim(100, 0, 0, 0);
  gamestate.enemies.redim(0, 0, 0, 0);
  gamestate.shots.dim(100, 0, 0, 0);
  gamestate.shots.redim(0, 0, 0, 0);
  int sw = 0, sh = 0;
  qvl_gfx_screen_size(&sw, &sh);
  gamestate.screen_size = Tpoint{sw, sh};
  if (game.game_width > 0 && game.game_height > 0 &&
      (game.game_width != sw || game.game_height != sh)) {
    const int id = qvl_sprite_free_id();
    if (id >= 0 && qvl_fbo_create_target(kPlayTargetSlot, id, game.game_width, game.game_height))
      gamestate.target_sprite = id;
  }
  frame_clock = 0;
  prepare_collisions(game.images);
  prepare_collisions(game.tiles);
  load_in_game_font();
  qvl_sprite_load(BasicString("joypad0.png"), 7997);
  qvl_sprite_load(BasicString("joypad1.png"), 7998);
  const int n = game.players.size1;
  for (int i = 0; i < n; ++i) {
    game.players.data[i].score = 0;
    game.players.data[i].next_life = game.extra_life_step;
  }
  gamestate.start_players = game.players;
  gamestate.fire_held.dim(n, 0, 0, 0);
  gamestate.last_pos.dim(n, 0, 0, 0);
  gamestate.level = 0;
  playgame.start_level = 0;
  qvl_log_print(BasicString("run game\n"));
  for (int i = 0; i < n; ++i) {
    gamestate.fire_held.data[i] = 1;
    Tobject& p = game.players.data[i];
    if (p.lives > 0) p.lives = gamestate.start_players.data[i].lives;
    Tjumpnrun& jump = game.jumps.at(i);
    jump.rise_frames = 25;
    jump.accel = p.jump_height / 625.0;
    jump.launch = -2 * jump.accel * 25;
    jump.fall_step = qvl_math_truncate_int(std::abs(jump.accel + jump.launch));
  }
  qvl_win_allow_escape(0);
  for (int i = 0; i < n; ++i) game.players.data[i].lives = -1;
  playgame.restart = 1;
  menu_title_reset();
  if (!blocking) return;
  while (game_frame(game) != 0) play_seam.show_screen();
  // The picture target outlives the frames of a run; only a blocking run
  // ends here, and nothing draws into it afterwards.
  release_play_target();
}

int level_start(Tgame& game) {
  TGameState& gs = gamestate;
  gs.complete = 0;
  playgame.restart = 0;
  level_place_players(game, gs.level);
  playgame.next_group = 1;
  int gw = 0, gh = 0;
  qvl_font_glyph_size(&gw, &gh);
  gs.glyph_size = Tpoint{gw, gh};
  gs.tile_size = grid_size(game.tiles.at(0).pixels);
  Tlevel& level = game.levels.at(gs.level);
  gs.level_tiles = grid_size(level.layers.at(0).tiles);
  gs.level_size = Tpoint{qvl_math_saturate_int(int64_t(gs.tile_size.x) * gs.level_tiles.x),
                         qvl_math_saturate_int(int64_t(gs.tile_size.y) * gs.level_tiles.y)};
  gs.sprite_size = grid_size(game.images.at(0).pixels);
  gs.enemies.dim(0, 0, 0, 0);
  gs.shots.dim(100, 0, 0, 0);
  gs.shots.redim(1, 0, 0, 0);
  gs.shots.at(0).expires = frame_clock;
  const int64_t gw64 = game.game_width, gh64 = game.game_height;
  gs.cam_x = level.scroll_type <= 2 ? qvl_math_saturate_int((gs.level_size.x - gw64) / 2) : 0;
  gs.last_cam_x = qvl_math_saturate_int(gs.cam_x - gw64 - 2);
  gs.last_cam_y = qvl_math_saturate_int(int64_t(gs.level_size.y) + 2);
  gs.cam_y = qvl_math_saturate_int(gs.level_size.y - gh64);
  qvl_gfx_set_clear_colour(0);
  play_seam.show_screen();
  qvl_gfx_set_clear_colour(0);
  if (game.game_width == gs.screen_size.x && game.game_height == gs.screen_size.y)
    qvl_gfx_set_clear_colour(-1);
  play_seam.sleep(1000);
  gs.level_time = frame_clock;
  return gs.level_time;
}

void level_restart_if_flagged(Tgame& game) {
  if (playgame.restart) level_start(game);
}

void level_place_players(Tgame& game, int index) {
  Tlevel& level = game.levels.at(index);
  const Tpoint tile = grid_size(game.tiles.at(0).pixels);
  const Tpoint cells = grid_size(level.layers.at(0).tiles);
  const int64_t gw = game.game_width;
  for (int i = 0; i < game.players.size1; ++i) {
    Tobject& p = game.players.data[i];
    p.push = Tpoint{0, 0};
    const double spread = (i * 0.3333 + 0.3333) * gw;
    p.pos.x = qvl_math_saturate_int(qvl_math_truncate_int(spread) +
                                    (int64_t(tile.x) * cells.x - gw) / 2);
    p.pos.y = qvl_math_saturate_int((int64_t(cells.y) - 14) * tile.y);
    if (i < level.starts.size1) p.pos = level.starts.data[i];
    p.direction = (level.jump_and_run || level.scroll_type > 2) ? 0 : 2;
    Tjumpnrun& jump = game.jumps.at(i);
    jump.frame = 0;
    jump.jump_held = 0;
    jump.falling = 0;
    jump.origin = p.pos;
  }
  for (int w = 0; w < level.waves.size1; ++w) {
    Twave& wave = level.waves.data[w];
    wave_path_length(wave);
    for (int s = 0; s < wave.spawns.size1; ++s) wave.spawns.data[s].triggered = 0;
  }
}

int game_toggle_fullscreen(Tgame& game) {
  if (!play_seam.key(kKeyEnter) || !play_seam.key(kKeyLeftAlt)) return 0;
  full_screen_flag = !full_screen_flag;
  // The screen's own size, not that of the play picture's target.
  const int target = qvl_gfx_target_slot;
  qvl_fbo_use_target(-1);
  int w = 0, h = 0;
  qvl_gfx_screen_size(&w, &h);
  qvl_win_set_screen(w, h, full_screen_flag);
  gamefile_build_sprites(game.images, game.palette, kFirstImageSprite, 16, kImageSheetSprite);
  gamefile_build_sprites(game.tiles, game.palette, kFirstTileSprite, 16, kTileSheetSprite);
  while (play_seam.key(kKeyEnter) || play_seam.key(kKeyLeftAlt)) play_seam.message_step();
  if (target >= 0) qvl_fbo_use_target(target);
  return 0;
}

void game_load_fonts(int flag) {
  if (flag) {
    load_in_game_font();
    return;
  }
  const bool small = kvgui_widget_height < 13;
  const char* name = small ? "smalfont.png" : "smalfont_1024.png";
  if (!qvl_file_exists(BasicString(name))) {
    BasicString line(name);
    line.append_cstr(" not existant\n");
    qvl_log_print_err(line);
  }
  qvl_font_load(BasicString(name), 0);
  qvl_font_select(0, small ? 1.0 : kvgui_widget_height / 64.0, -1);
}
