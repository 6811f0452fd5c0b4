#include "game/shots.h"

#include <algorithm>
#include <vector>

#include "core/maths.h"
#include "game/anim_frames.h"
#include "game/enemies.h"
#include "game/players.h"
#include "game/playfield.h"
#include "gfx2d/draw_commands.h"

namespace {

// The direction a player fires in, and the flags it needs (all of them).
struct Aim {
  int vx, vy;  // in units of the shot speed
  int needs_all;
  int needs;
};

Aim aim_of(int direction) {
  switch (direction) {
    case 0: return {1, 0, 0, kShotRight};
    case 1: return {1, -1, kShotDiagonals | kShotUp, kShotRight};
    case 2:
    case 8: return {0, -1, 0, kShotUp};
    case 3: return {-1, -1, kShotDiagonals | kShotUp, kShotLeft};
    case 4: return {-1, 0, 0, kShotLeft};
    case 5: return {-1, 1, kShotDiagonals | kShotLeft, kShotDown};
    case 6: return {0, 1, 0, kShotDown};
    case 7: return {1, 1, kShotDiagonals | kShotRight, kShotDown};
    default: return {0, 0, 0, 0};  // any other value fires nothing, unhindered
  }
}

int step(int pos, double v) {
  return qvl_math_truncate_int(double(pos) + v);
}

// The enemy e takes the hit of a shot fired by player `owner`.
void hit_enemy(Tgame& game, BasicArray<Tenemy>& enemies, Tenemy& e, int owner) {
  Tobject& o = e.obj;
  if (!o.shootable || o.lives <= 0) return;
  o.lives -= 1;
  if (o.lives != 0) return;
  Tobject& shooter = game.players.at(owner);
  shooter.score = qvl_math_saturate_int(int64_t(shooter.score) + o.score);
  if (o.kills_group) wave_kill_group(enemies, e.group, game);
  enemy_kill(e, game);
}

}  // namespace

void shot_add(const Tshot& shot, BasicArray<Tshot>& shots) {
  for (int i = 0; i < shots.size1; ++i) {
    if (shots.data[i].expires < frame_clock) {
      shots.data[i] = shot;
      return;
    }
  }
  if (shots.size1 < kMaxShots) shots.push(shot);
}

int player_fire(Tobject& player, int index, BasicArray<Tshot>& shots, BasicArray<Tanim>& anims,
                int jump_and_run) {
  const int flags = anims.at(player.anim + kAnimFiring).flags;
  const double s = player.shot_speed;
  double vx = 0, vy = 0;
  if (flags & kShotFixed) {
    if (jump_and_run) vx = s;
    else vy = -s;
  } else {
    const Aim aim = aim_of(player.direction);
    if ((flags & aim.needs_all) != aim.needs_all || (flags & aim.needs) != aim.needs) return 0;
    vx = aim.vx * s;
    vy = aim.vy * s;
  }
  player.anim_set = 1;
  player.anim_start = frame_clock;
  if (vx == 0 && vy == 0) return 0;
  Tshot shot;
  shot.anim = player.anim + kAnimShot;
  shot.sprite = 0;
  shot.owner = index;
  shot.origin = player.pos;
  shot.pos = player.pos;
  shot.expires = qvl_math_saturate_int(int64_t(frame_clock) + player.shot_time);
  shot.blocked = player.solid;
  shot.vx = vx;
  shot.vy = vy;
  shot_add(shot, shots);
  return 0;
}

namespace {

// shot_collide with the enemies' boxes of this frame given (boxes[i] for
// enemy i) or, when null, taken as each enemy comes.
int collide(BasicArray<Tobject>& players, BasicArray<Tenemy>& enemies, Tshot& shot, Tgame& game,
            Tlevel& level, Tpoint tile_size, const SpriteBox* boxes) {
  if (shot.expires < frame_clock) return 1;
  shot.pos.x = step(shot.pos.x, shot.vx);
  shot.pos.y = step(shot.pos.y, shot.vy);
  BasicArray<Tanim>& anims = game.anims;
  const int shot_mask = anims.at(shot.anim).mask;
  const SpriteBox box = play_sprite_box(shot.sprite, shot.pos.x, shot.pos.y);
  // Players: only those in the game; nobody is hit by their own shot, and
  // a player only by another's when shootable.
  for (int p = 0; p < players.size1; ++p) {
    Tobject& player = players.data[p];
    if (player.lives < 1 || (anims.at(player.anim + kAnimHurt).mask & shot_mask) == 0) continue;
    if (shot.owner == p || (shot.owner >= 0 && !player.shootable)) continue;
    if (!play_sprites_touch(player.hit_sprite, player.pos.x, player.pos.y, shot.sprite, shot.pos.x,
                            shot.pos.y))
      continue;
    if (player.hurt_time == 0) player_hurt(player, p, game);
    return 1;
  }
  if (shot.owner < 0) return 0;  // enemy shots pass walls and enemies
  // Walls.
  const Tobject& shooter = players.at(shot.owner);
  if (shooter.solid && (shot_mask & 1) == 0) {
    const int tw = std::max(tile_size.x, 1), th = std::max(tile_size.y, 1);
    const WallCells cells{shot.pos.x / tw, 1, shot.pos.y / th, 1};
    if (playfield_wall_hit(game.tiles, level.layers.at(1), tw, th, cells, shot.sprite, shot.pos.x,
                           shot.pos.y))
      return 1;
  }
  // Enemies.
  for (int i = 0; i < enemies.size1; ++i) {
    Tenemy& e = enemies.data[i];
    const Tobject& o = e.obj;
    const SpriteBox enemy_box = boxes ? boxes[i] : play_sprite_box(o.hit_sprite, o.pos.x, o.pos.y);
    if (!play_boxes_meet(box, enemy_box)) continue;
    if (!shot.blocked && !o.shootable) continue;
    if ((shot_mask & anims.at(o.anim + kAnimHurt).mask) == 0) continue;
    if (!qvl_sprite_collision(o.hit_sprite, o.pos.x, o.pos.y, shot.sprite, shot.pos.x, shot.pos.y))
      continue;
    hit_enemy(game, enemies, e, shot.owner);
    if (e.obj.solid) return 1;
  }
  return 0;
}

}  // namespace

int shot_collide(BasicArray<Tobject>& players, BasicArray<Tenemy>& enemies, Tshot& shot,
                 Tgame& game, Tlevel& level, Tpoint tile_size) {
  return collide(players, enemies, shot, game, level, tile_size, nullptr);
}

void shots_update(Tgame& game, Tlevel& level) {
  BasicArray<Tshot>& shots = gamestate.shots;
  BasicArray<Tenemy>& enemies = gamestate.enemies;
  // Shots neither move enemies nor change their pictures: the enemies'
  // boxes are taken once for all shots.
  static std::vector<SpriteBox> boxes;
  boxes.resize(size_t(std::max(enemies.size1, 0)));
  for (int i = 0; i < enemies.size1; ++i) {
    const Tobject& o = enemies.data[i].obj;
    boxes[size_t(i)] = play_sprite_box(o.hit_sprite, o.pos.x, o.pos.y);
  }
  for (int i = 0; i < shots.size1; ++i) {
    if (!collide(game.players, enemies, shots.data[i], game, level, gamestate.tile_size,
                 boxes.data()))
      continue;
    shots.data[i] = shots.data[shots.size1 - 1];
    shots.data[shots.size1 - 1].expires = 0;
  }
}

void shots_draw(Tgame& game, int now) {
  BasicArray<Tshot>& shots = gamestate.shots;
  int direction = 8, set = 0;
  for (int i = 0; i < shots.size1; ++i) {
    Tshot& shot = shots.data[i];
    if (shot.expires < now) continue;
    const int image = anim_pick_frame(game.anims.at(shot.anim), direction, set, 0,
                                      qvl_math_truncate_int(shot.vx), qvl_math_truncate_int(shot.vy));
    Timage& picture = game.images.at(image);
    shot.sprite = picture.sprite;
    qvl_gfx_set_alpha_mode(picture.alpha);
    playfield_draw_cell(shot.sprite, qvl_math_saturate_int(int64_t(shot.pos.x) - gamestate.cam_x),
                        qvl_math_saturate_int(int64_t(shot.pos.y) - gamestate.cam_y));
  }
}
