#include "game/players.h"

#include <algorithm>
#include <cstdlib>

#include "core/maths.h"
#include "game/anim_frames.h"
#include "game/enemies.h"
#include "game/play_seam.h"
#include "game/playfield.h"
#include "game/shots.h"
#include "gfx2d/draw_commands.h"

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

int add(int a, int64_t b) { return qvl_math_saturate_int(a + b); }

// What one player's step works with.
struct Step {
  Tgame& game;
  Tlevel& level;
  int now;
  int i;
  Tobject& p;
  Tjumpnrun& jump;
  int ox, oy;       // position at the start of the step
  int dx, dy, fire;  // input
  int vx, vy;
  bool lifted;      // a platform carries the player upwards
  bool free_fall;   // side view: falling on, nothing under it this frame
  int tw, th;       // tile size, at least 1

  bool walls_hit(WallCells cells, int x, int y) const {
    return playfield_wall_hit(game.tiles, level.layers.at(1), tw, th, cells, p.wall_sprite, x, y);
  }
};

// 10a and 10b: the jump arc, the head against a ceiling, the landing.
void side_view_vertical(Step& s) {
  Tobject& p = s.p;
  Tjumpnrun& jump = s.jump;
  if (s.dy >= 0) jump.jump_held = 0;
  if (!(s.lifted && jump.falling)) player_jump_step(p, jump);
  if (!jump.falling) {
    if (jump.frame > 9 && !jump.jump_held) {
      jump.frame = 0;
      jump.falling = 1;
      jump.origin = p.pos;
    } else {
      if (p.pos.y < s.oy) {
        const WallCells head{p.pos.x / s.tw, 2, p.pos.y / s.th - 1, 1};
        if (s.walls_hit(head, s.ox, p.pos.y - 1)) {
          jump.origin = Tpoint{s.ox, s.oy};
          jump.falling = 1;
          jump.frame = 0;
        }
      }
      return;  // rising (or just bumped): no landing search
    }
  }
  // Landing search from the furthest fall back to none.
  const int q = std::max(1, p.pos.y - s.oy);
  int r = 0;
  if (!s.lifted) {
    const WallCells below{p.pos.x / s.tw, 2, s.oy / s.th, 3};
    if (!s.walls_hit(below, s.ox, add(s.oy, q))) {
      s.free_fall = true;
      return;
    }
    for (r = q - 1; r > 0; --r)
      if (!s.walls_hit(below, s.ox, add(s.oy, r))) break;
  }
  p.pos.y = add(s.oy, r);
  jump.origin = Tpoint{s.ox, p.pos.y};
  jump.frame = 0;
  if (s.vy < 0 && !jump.jump_held) {
    play_anim_sound(s.game, p.anim);
    jump.falling = 0;
    jump.jump_held = 1;
  }
}

// 10c: landing on a stompable enemy costs it a life and bounces the player.
void stomp(Step& s) {
  Tobject& p = s.p;
  Tjumpnrun& jump = s.jump;
  BasicArray<Tenemy>& enemies = gamestate.enemies;
  BasicArray<Tanim>& anims = s.game.anims;
  const int reach = std::max(8, jump.fall_step);
  for (int k = 0; k < enemies.size1; ++k) {
    Tenemy& e = enemies.data[k];
    Tobject& o = e.obj;
    if (!o.stompable || o.lives < 0) continue;
    if ((anims.at(o.anim + kAnimHurt).mask & anims.at(p.anim).mask) == 0) continue;
    if (!play_sprites_touch(p.hit_sprite, p.pos.x, add(p.pos.y, reach), o.hit_sprite, o.pos.x,
                            o.pos.y) ||
        play_sprites_touch(p.hit_sprite, p.pos.x, p.pos.y, o.hit_sprite, o.pos.x, o.pos.y))
      continue;
    if (o.lives > 0) {
      o.lives -= 1;
      if (o.lives == 0) {
        p.score = add(p.score, o.score);
        if (o.kills_group) wave_kill_group(enemies, e.group, s.game);
        enemy_kill(e, s.game);
      }
    }
    play_anim_sound(s.game, p.anim);
    jump.frame = 0;
    jump.falling = 0;
    jump.jump_held = 1;
    jump.origin = Tpoint{s.ox, p.pos.y};
  }
}

// 10d and 10e: a player in a wall steps up, is put back, squeezed or hurt.
void wall_contact(Step& s) {
  Tobject& p = s.p;
  const WallCells around{p.pos.x / s.tw - 1, 3, p.pos.y / s.th - 1, 3};
  if (!s.walls_hit(around, p.pos.x, p.pos.y)) return;
  const bool side = s.level.jump_and_run != 0;
  const int settled_y = p.pos.y;  // the height the jump and landing left
  if (side && s.jump.falling && !s.free_fall && s.vx != 0) {
    p.pos.y = add(p.pos.y, -std::llabs(int64_t(s.vx)));
    if (!s.walls_hit(around, p.pos.x, p.pos.y)) {
      s.jump.falling = 1;
      s.jump.frame = 0;
      s.jump.origin = p.pos;
      return;
    }
    p.pos.y = settled_y;
  }
  if ((s.game.anims.at(p.anim).mask & 1) == 0) return;
  const Tpoint& last = gamestate.last_pos.at(s.i);
  const int gw = s.game.game_width, gh = s.game.game_height;
  const int cam_x = gamestate.cam_x, cam_y = gamestate.cam_y;
  const int scroll = s.level.scroll_type;
  const int level_y = side ? settled_y : s.oy;
  switch (s.level.wall_mode) {
    case 1:
      if (scroll == 0 || scroll == 5) {
        p.pos = Tpoint{s.ox, level_y};
      } else if (scroll == 1 || scroll == 2) {
        p.pos = Tpoint{s.ox, last.y};
        if (int64_t(p.pos.y) > int64_t(cam_y) + gh - gamestate.sprite_size.y / 2) {
          player_hurt(p, s.i, s.game);
          p.pos.y = add(cam_y, int64_t(gh) * 3 / 4);
        }
      } else if (scroll == 3 || scroll == 4) {
        p.pos = Tpoint{last.x, level_y};
        if (int64_t(p.pos.x) < int64_t(cam_x) - gamestate.sprite_size.x / 2) {
          player_hurt(p, s.i, s.game);
          p.pos.x = add(cam_x, gw / 4);
          if (side) p.pos.y = cam_y;
        }
      }
      break;
    case 2:
      if (p.hurt_time == 0) player_hurt(p, s.i, s.game);
      break;
    default:
      break;
  }
}

// The vertical movement the drawn animation is picked by.
int drawn_vertical(const Step& s) {
  if (s.level.jump_and_run && s.jump.falling) {
    if (s.vy < 0) return s.dy < 0 ? s.vy : 0;
    if (s.vy == 0) return s.dy == 1 ? 1 : 0;
    return s.dy < 0 ? -1 : 0;
  }
  return (s.vy < 0 && s.dy >= 0) ? 0 : s.vy;
}

void draw_player(const Step& s) {
  Tobject& p = s.p;
  const int image = anim_pick_frame(s.game.anims.at(p.anim + p.anim_set), p.direction, p.anim_set,
                                    p.anim_start, s.dx, drawn_vertical(s));
  Timage& picture = s.game.images.at(image);
  p.hit_sprite = picture.sprite;
  qvl_gfx_set_alpha_mode(player_draw_alpha(p.hurt_time, picture.alpha));
  playfield_draw_cell(p.hit_sprite, add(p.pos.x, -int64_t(gamestate.cam_x)),
                      add(p.pos.y, -int64_t(gamestate.cam_y)));
}

void player_step(Tgame& game, Tlevel& level, int now, int i) {
  Tobject& p = game.players.at(i);
  Step s{game, level, now, i, p, game.jumps.at(i), p.pos.x, p.pos.y, 0, 0, 0, 0, 0,
         false, false, std::max(gamestate.tile_size.x, 1), std::max(gamestate.tile_size.y, 1)};
  player_read_input(i, s.dx, s.dy, s.fire, playgame);
  const bool side = level.jump_and_run != 0;
  s.vx = add(int64_t(p.speed) * s.dx, p.push.x);
  if (side) {
    s.vy = p.push.y >= 0 ? add(s.dy, p.push.y) : s.dy;
    s.lifted = s.dy < 1 && p.push.y < 0;
  } else {
    s.vy = add(int64_t(p.speed) * s.dy, p.push.y);
  }
  // Power-up end.
  Tpowerups& table = game.powerups.at(i);
  if (table.until > 0 && table.until < now) {
    table.until = 0;
    p.anim = table.anims.at(0);
    p.hurt_time = 60;
  }
  // One press fires at most once, unless the autofire option lets a held
  // button fire again at the player's fire rate.
  int& held = gamestate.fire_held.at(i);
  if (s.fire && held && !playgame.autofire) s.fire = 0;
  else held = s.fire;
  // Join.
  if (p.lives == -1 && s.fire) p.lives = gamestate.start_players.at(i).lives;
  if (p.lives < 1) return;
  // Fire.
  if (s.fire && p.next_fire < now) {
    p.next_fire = qvl_math_saturate_int(int64_t(now) - int64_t(p.fire_rate) * 100 + 1100);
    player_fire(p, i, gamestate.shots, game.anims, level.jump_and_run);
    play_anim_sound(game, p.anim + kAnimFiring);
  }
  // Collision shapes.
  int still_dir = 0, still_set = 0;
  p.hit_sprite = game.images.at(anim_pick_frame(game.anims.at(p.anim + p.anim_set), still_dir,
                                                still_set, 0, 0, 0)).sprite;
  p.wall_sprite = game.images.at(anim_pick_frame(game.anims.at(p.anim + kAnimWallShape), p.direction,
                                                 p.anim_set, p.anim_start, s.vx, s.vy)).sprite;
  // Move.
  p.pos.x = add(p.pos.x, s.vx);
  if (!side) p.pos.y = add(p.pos.y, s.vy);
  if (p.hurt_time > 0) p.hurt_time -= 1;
  // Walls.
  if (level.wall_mode > 0) {
    if (side) side_view_vertical(s);
    if (s.jump.falling) stomp(s);
    wall_contact(s);
  }
  // Into the picture.
  const int64_t cam_x = gamestate.cam_x, cam_y = gamestate.cam_y;
  p.pos.x = int(std::max<int64_t>(cam_x, std::min<int64_t>(p.pos.x, cam_x + game.game_width -
                                                                          gamestate.sprite_size.x)));
  p.pos.y = int(std::max<int64_t>(cam_y, std::min<int64_t>(p.pos.y, cam_y + game.game_height -
                                                                          gamestate.sprite_size.y)));
  // Extra life.
  if (p.score >= p.next_life) {
    p.lives = add(p.lives, 1);
    p.hurt_time = 29;
    p.next_life = add(p.next_life, game.extra_life_step);
  }
  p.push = Tpoint{0, 0};
  draw_player(s);
}

}  // namespace

double player_draw_alpha(int hurt_time, double alpha) {
  return (hurt_time != 0 && (hurt_time & 15) <= 6) ? -0.5 * alpha : alpha;
}

int player_axis_direction(double value) {
  if (!(std::abs(value) >= 0.4)) return 0;
  return value > 0 ? 1 : -1;
}

int player_read_input(int index, int& dx, int& dy, int& fire, Tplaygame& playgame) {
  dx = dy = fire = 0;
  if (playgame.input == 0) {
    if (index < 0 || index > 1) return 0;  // no keys beyond the second player
    const PlayerKeys& k = kPlayerKeys[index];
    const auto key = play_seam.key;
    dx = key(k.right) - key(k.left);
    dy = key(k.down) - key(k.up);
    fire = key(k.fire);
  } else if (playgame.input == 1) {
    if (index < 0 || index >= play_seam.joystick_count()) return 0;
    dx = player_axis_direction(play_seam.joystick_x(index) + play_seam.joystick_pov_x(index));
    dy = player_axis_direction(play_seam.joystick_y(index) + play_seam.joystick_pov_y(index));
    for (int b = 0; b < 4; ++b)
      if (play_seam.joystick_button(index, b)) fire = 1;
  }
  dx = sign(dx);
  dy = sign(dy);
  fire = fire ? 1 : 0;
  return 0;
}

void player_jump_step(Tobject& player, Tjumpnrun& jump) {
  if (jump.frame >= 0 && jump.frame < INT32_MAX) jump.frame += 1;
  const double t = jump.frame;
  if (!jump.falling) {
    if (jump.frame <= jump.rise_frames) {
      player.pos.y = qvl_math_truncate_int(jump.accel * t * t + jump.origin.y + jump.launch * t);
    } else {
      jump.frame = 0;
      jump.falling = 1;
      jump.origin = player.pos;
    }
  } else if (jump.frame < jump.rise_frames) {
    const int64_t fall = std::min<int64_t>(int64_t(jump.frame) * jump.fall_step,
                                           qvl_math_truncate_int(jump.accel * t * t));
    player.pos.y = qvl_math_saturate_int(fall + jump.origin.y);
  } else {
    player.pos.y = add(player.pos.y, jump.fall_step);
  }
}

int player_hurt(Tobject& player, int index, Tgame& game) {
  if (player.lives <= 0 || player.hurt_time > 0) return 0;
  player.hurt_time = 117;
  player.anim_set = 2;
  player.lives -= 1;
  player.anim_start = frame_clock;
  Tpowerups& table = game.powerups.at(index);
  table.until = 0;
  player.anim = table.anims.size1 > 0 ? table.anims.data[0] : 0;
  play_anim_sound(game, player.anim + kAnimHurt);
  return 0;
}

void players_step(Tgame& game, Tlevel& level, int now) {
  for (int i = 0; i < game.players.size1; ++i) player_step(game, level, now, i);
}
