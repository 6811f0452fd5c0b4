#include "game/enemies.h"

#include <cstdlib>

#include "core/isaac.h"
#include "core/logs.h"
#include "core/maths.h"
#include "game/anim_frames.h"
#include "game/paths.h"
#include "game/players.h"
#include "game/playfield.h"
#include "game/shots.h"
#include "gfx2d/draw_commands.h"
#include "host/sound_slots.h"

namespace {

bool masks_meet(BasicArray<Tanim>& anims, int a, int b) {
  return (anims.at(a).mask & anims.at(b).mask) != 0;
}

// Past its end place, far behind the picture in the direction of scrolling.
bool left_behind(const Tenemy& e, const Tlevel& level, const Tgame& game) {
  const Tpoint& pos = e.obj.pos;
  if (level.scroll_type <= 2)
    return int64_t(pos.y) > int64_t(gamestate.cam_y) + game.game_height + 300;
  if (level.scroll_type == 3 || level.scroll_type == 4)
    return int64_t(pos.x) < int64_t(gamestate.cam_x) - gamestate.sprite_size.x - 300;
  return false;
}

void add_shot(Tenemy& e, double vx, double vy, BasicArray<Tshot>& shots) {
  Tshot s;
  s.anim = e.obj.anim + kAnimShot;
  s.owner = -1;
  s.origin = e.obj.pos;
  s.pos = e.obj.pos;
  s.expires = qvl_math_saturate_int(int64_t(frame_clock) + e.obj.shot_time);
  s.blocked = e.obj.solid;
  s.vx = vx;
  s.vy = vy;
  shot_add(s, shots);
}

// The touch of enemy e with player slot p; mx, my is the enemy's motion
// of this frame.
void touch_player(Tgame& game, Tlevel& level, Tenemy& e, int p, int mx, int my) {
  Tobject& o = e.obj;
  Tobject& player = game.players.at(p);
  BasicArray<Tanim>& anims = game.anims;
  if (o.hurts) {
    if (masks_meet(anims, player.anim + kAnimHurt, o.anim) && o.lives >= 0)
      player_hurt(player, p, game);
  } else {
    if (o.powerup >= 0 && masks_meet(anims, player.anim + kAnimHurt, o.anim)) {
      qvl_log_print(BasicString("got powerup\n"));
      Tpowerups& table = game.powerups.at(p);
      player.anim = table.anims.at(o.powerup);
      player.hurt_time = 60;
      const int seconds = table.seconds.at(o.powerup);
      table.until = seconds < 1 ? 0 : qvl_math_saturate_int(int64_t(seconds) * 1000 + frame_clock);
    }
    if (o.platform) {
      if (player.push.x == 0) player.push.x = mx;
      if (player.push.y == 0) player.push.y = my;
    }
  }
  if (o.bonus && masks_meet(anims, player.anim, o.anim)) {
    player.score = qvl_math_saturate_int(int64_t(player.score) + o.score);
    if (!o.hurts && o.lives > 0) player.lives = qvl_math_saturate_int(int64_t(player.lives) + o.lives);
    if (level.jump_and_run && o.stompable) {
      Tjumpnrun& jump = game.jumps.at(p);
      jump.falling = 1;
      jump.frame = 0;
      jump.origin = player.pos;
    }
    if (o.kills_group) wave_kill_group(gamestate.enemies, e.group, game);
    o.lives = -1;
    if (o.hurt_time == 0) enemy_die(e, game);
  }
}

}  // namespace

void play_anim_sound(Tgame& game, int k) {
  const int sound = game.anims.at(k).sound;
  if (sound != 0) qvl_snd_play(sound, 0, 1);
}

bool enemies_step(Tgame& game, Tlevel& level, int now) {
  BasicArray<Tenemy>& enemies = gamestate.enemies;
  bool must_kill_alive = false;
  int i = 0;
  while (i < enemies.size1) {
    Tenemy& e = enemies.at(i);
    Tobject& o = e.obj;
    Twave& wave = level.waves.at(e.wave);
    // Move along the path.
    int mx = 0, my = 0;
    if (o.lives >= 0) {
      const Tpoint old = o.pos;
      wave_path_position(wave, e.path_pos, o.pos, e.heading);
      if (e.path_pos > 0) {
        mx = qvl_math_saturate_int(int64_t(o.pos.x) - old.x);
        my = qvl_math_saturate_int(int64_t(o.pos.y) - old.y);
      }
      o.pos.x = qvl_math_saturate_int(int64_t(o.pos.x) + o.push.x);
      o.pos.y = qvl_math_saturate_int(int64_t(o.pos.y) + o.push.y);
    }
    // Advance; at the end place stop or loop, and go when left behind.
    e.path_pos = qvl_math_saturate_int(int64_t(e.path_pos) + o.speed + 1);
    if (e.path_pos > e.path_end) {
      if (o.loops) {
        e.path_pos = 0;
        mx = my = 0;
      } else {
        e.path_pos = e.path_end;
      }
      if (left_behind(e, level, game)) {
        enemies.remove(i);
        continue;
      }
    }
    // Animate.
    const int image =
        anim_pick_frame(game.anims.at(o.anim + o.anim_set), o.direction, o.anim_set, o.anim_start,
                        e.heading.x, e.heading.y);
    // A dead enemy goes once its death animation has run.
    if (o.lives < 0 && o.anim_set == 0) {
      if (o.respawns) wave.spawns.at(e.spawn).triggered = 0;
      enemies.remove(i);
      continue;
    }
    // Draw.
    Timage& picture = game.images.at(image);
    o.hit_sprite = picture.sprite;
    qvl_gfx_set_alpha_mode(picture.alpha);
    playfield_draw_cell(o.hit_sprite, qvl_math_saturate_int(int64_t(o.pos.x) - gamestate.cam_x),
                        qvl_math_saturate_int(int64_t(o.pos.y) - gamestate.cam_y));
    // Fire.
    if (o.next_fire < now && o.lives >= 0) {
      if (enemy_fire(game.players, e, gamestate.shots, game.anims)) {
        play_anim_sound(game, o.anim + kAnimFiring);
        o.next_fire = qvl_math_saturate_int(int64_t(now) - int64_t(o.fire_rate) * 300 + 3300);
      } else {
        o.next_fire = qvl_math_saturate_int(int64_t(now) - 17 + qvl_rnd_int(1000) + 217);
      }
    }
    // Touch the players that are in the game.
    if ((o.hurts || o.bonus || o.platform) && o.hurt_time == 0) {
      for (int p = 0; p < game.players.size1; ++p) {
        Tobject& player = game.players.data[p];
        if (player.lives < 1) continue;
        if (play_sprites_touch(player.hit_sprite, player.pos.x, player.pos.y, o.hit_sprite,
                               o.pos.x, o.pos.y))
          touch_player(game, level, e, p, mx, my);
      }
    }
    // The level cannot end while it lives.
    if (o.must_kill) must_kill_alive = true;
    ++i;
  }
  return must_kill_alive;
}

int enemy_fire(BasicArray<Tobject>& players, Tenemy& enemy, BasicArray<Tshot>& shots,
               BasicArray<Tanim>& anims) {
  const Tobject& o = enemy.obj;
  const int flags = anims.at(o.anim + kAnimFiring).flags;
  if (flags == 0) return 1;
  int bits = 0;
  for (int p = 0; p < players.size1; ++p) {
    const Tobject& player = players.data[p];
    if (player.lives <= 0) continue;
    int64_t dx = int64_t(player.pos.x) - o.pos.x, dy = int64_t(player.pos.y) - o.pos.y;
    if (std::llabs(dy) * 4 < std::llabs(dx)) dy = 0;
    else if (std::llabs(dx) * 4 < std::llabs(dy)) dx = 0;
    if (flags & kShotFixed) {
      if ((enemy.heading.x < 0 && dx > 0) || (enemy.heading.x > 0 && dx < 0)) dx = 0;
      if ((enemy.heading.y < 0 && dy > 0) || (enemy.heading.y > 0 && dy < 0)) dy = 0;
    }
    if (dx > 0 && (flags & kShotRight)) bits |= kShotRight;
    if (dx < 0 && (flags & kShotLeft)) bits |= kShotLeft;
    if (dy < 0 && (flags & kShotUp)) bits |= kShotUp;
    if (dy > 0 && (flags & kShotDown)) bits |= kShotDown;
  }
  if (bits == 0) return 0;
  Tenemy& e = enemy;
  const double s = o.shot_speed;
  if (bits & kShotRight) add_shot(e, s, 0, shots);
  if (bits & kShotLeft) add_shot(e, -s, 0, shots);
  if (bits & kShotUp) add_shot(e, 0, -s, shots);
  if (bits & kShotDown) add_shot(e, 0, s, shots);
  if (flags & kShotDiagonals) {
    auto both = [bits](int a, int b) { return (bits & a) && (bits & b); };
    if (both(kShotRight, kShotUp)) add_shot(e, s, -s, shots);
    if (both(kShotLeft, kShotUp)) add_shot(e, -s, -s, shots);
    if (both(kShotLeft, kShotDown)) add_shot(e, -s, s, shots);
    if (both(kShotRight, kShotDown)) add_shot(e, s, s, shots);
  }
  return 1;
}

void enemy_die(Tenemy& enemy, Tgame& game) {
  Tobject& o = enemy.obj;
  o.hurt_time = 117;
  o.anim_set = 2;
  o.anim_start = frame_clock;
  play_anim_sound(game, o.anim + kAnimHurt);
}

void enemy_kill(Tenemy& enemy, Tgame& game) {
  enemy.obj.lives = -1;
  if (enemy.obj.hurt_time == 0) enemy_die(enemy, game);
}

void wave_kill_group(BasicArray<Tenemy>& enemies, int group, Tgame& game) {
  for (int i = 0; i < enemies.size1; ++i)
    if (enemies.data[i].group == group) enemy_kill(enemies.data[i], game);
}

double enemy_compare_draw_order(Tenemy& a, Tenemy& b) {
  const Tpoint& p = a.obj.pos;
  const Tpoint& q = b.obj.pos;
  if (p.y != q.y) return p.y < q.y ? -1 : 1;
  if (p.x != q.x) return p.x < q.x ? -1 : 1;
  return 0;
}

void enemies_sort_draw_order(BasicArray<Tenemy>& enemies) {
  bool strict = true;
  for (int i = 0; strict && i + 1 < enemies.size1; ++i)
    strict = enemy_compare_draw_order(enemies.data[i], enemies.data[i + 1]) < 0;
  if (!strict) enemies.sort(enemy_compare_draw_order);
}
