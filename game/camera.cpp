#include "game/camera.h"

#include <algorithm>
#include <vector>

#include "core/maths.h"

namespace {

// max(0, min(upper, v)): the upper bound is applied first, so a level
// smaller than the picture pins the camera at 0.
int clamp_cam(int64_t v, int64_t upper) {
  return int(std::max<int64_t>(0, std::min<int64_t>(upper, v)));
}

// The auto-scroll step of this frame: speed - 4 pixels every frame above
// speed 4, else one pixel every 6 - speed frames.
int auto_scroll_step(const Tlevel& level) {
  if (level.scroll_speed > 4) return level.scroll_speed - 4;
  if (gamestate.scroll_count < INT32_MAX) gamestate.scroll_count += 1;
  if (gamestate.scroll_count >= 6 - int64_t(level.scroll_speed)) {
    gamestate.scroll_count = 0;
    return 1;
  }
  return 0;
}

}  // namespace

PlayerCensus camera_census(const BasicArray<Tobject>& players, Tpoint level_size) {
  PlayerCensus c;
  c.least_x = level_size.x;
  c.least_y = level_size.y;
  for (int i = 0; i < players.size1; ++i) {
    const Tobject& p = players.data[i];
    if (p.lives < 1) continue;
    c.n += 1;
    c.sum_x += p.pos.x;
    c.sum_y += p.pos.y;
    c.least_x = std::min(c.least_x, p.pos.x);
    c.greatest_x = std::max(c.greatest_x, p.pos.x);
    c.least_y = std::min(c.least_y, p.pos.y);
    c.greatest_y = std::max(c.greatest_y, p.pos.y);
  }
  return c;
}

void camera_step(Tgame& game, const Tlevel& level, const PlayerCensus& c) {
  TGameState& gs = gamestate;
  const int64_t gw = game.game_width, gh = game.game_height;
  const int64_t max_x = int64_t(gs.level_size.x) - gw, max_y = int64_t(gs.level_size.y) - gh;
  const int type = level.scroll_type;
  if (c.n > 0 && type <= 2) gs.cam_x = clamp_cam(c.sum_x / c.n - gw / 2, max_x);
  if (c.n > 0 && (type == 3 || type == 4)) gs.cam_y = clamp_cam(c.sum_y / c.n - gh * 3 / 4, max_y);
  switch (type) {
    case 0:
    case 5:
      gs.cam_x = clamp_cam((int64_t(c.least_x) + c.greatest_x) / 2 - gw / 2, max_x);
      gs.cam_y = clamp_cam((int64_t(c.least_y) + c.greatest_y) / 2 - gh / 2, max_y);
      break;
    case 1:
      if (gs.cam_y > 0) {
        const int step = auto_scroll_step(level);
        gs.cam_y = qvl_math_saturate_int(int64_t(gs.cam_y) - step);
        for (int i = 0; i < game.players.size1; ++i)
          game.players.data[i].pos.y = qvl_math_saturate_int(int64_t(game.players.data[i].pos.y) - step);
      }
      break;
    case 2: {
      const int target = clamp_cam(int64_t(c.least_y) - gh / 4 - 2, max_y);
      if (gh + target - gs.sprite_size.y < c.greatest_y || gs.last_cam_y < target)
        gs.cam_y = gs.last_cam_y;
      else
        gs.cam_y = target;
      break;
    }
    case 3:
      if (gs.cam_x < max_x) {
        const int step = auto_scroll_step(level);
        gs.cam_x = qvl_math_saturate_int(int64_t(gs.cam_x) + step);
        gs.scroll_step = step;
      }
      break;
    case 4:
      if (gs.cam_x < max_x) {
        const int target = clamp_cam(int64_t(c.greatest_x) - gw / 2, max_x);
        if (c.least_x < target || target < gs.last_cam_x)
          gs.cam_x = gs.last_cam_x;
        else
          gs.cam_x = target;
      }
      break;
    default:
      break;
  }
}

void wave_trigger(Tgame& game, Tlevel& level) {
  TGameState& gs = gamestate;
  // The live enemies of each wave, counted once a spawn point triggers.
  std::vector<int> alive;
  for (int w = 0; w < level.waves.size1; ++w) {
    Twave& wave = level.waves.data[w];
    for (int s = 0; s < wave.spawns.size1; ++s) {
      TSpawnPt& spawn = wave.spawns.data[s];
      if (spawn.triggered) continue;
      if (!qvl_math_boxes_overlap(spawn.x, spawn.y, 1, 1, gs.cam_x, gs.cam_y, game.game_width,
                                  game.game_height))
        continue;
      spawn.triggered = 1;
      playgame.next_group += 1;
      const int group = playgame.next_group;
      const double queue = double(wave.spawns.size1 - 1 - s) * 1.2 * gs.sprite_size.x;
      if (alive.empty()) {
        alive.assign(size_t(level.waves.size1), 0);
        for (int i = 0; i < gs.enemies.size1; ++i) {
          const int of = gs.enemies.data[i].wave;
          if (of >= 0 && of < level.waves.size1) alive[size_t(of)] += 1;
        }
      }
      for (int t = 0; t < wave.enemies.size1; ++t) {
        if (alive[size_t(w)] >= kMaxWaveEnemies || gs.enemies.size1 >= kMaxLiveEnemies) break;
        alive[size_t(w)] += 1;
        Tenemy e;
        e.wave = w;
        e.spawn = s;
        e.obj = wave.enemies.data[t];
        e.obj.hurt_time = 0;
        e.heading = Tpoint{0, 0};
        e.path_pos = 0;
        e.group = group;
        e.path_end = e.obj.loops ? qvl_math_truncate_int(wave.path_length)
                                 : std::max(0, qvl_math_truncate_int(wave.path_length - queue));
        gs.enemies.push(e);
      }
    }
  }
}
