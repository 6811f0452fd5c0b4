// The game model: defaults, copies, globals and the animation-frame choice.
#include "game/model.h"

#include <gtest/gtest.h>

#include "game/anim_frames.h"

namespace {

TEST(GameModel, FreshGameDefaults) {
  Tgame g;
  EXPECT_EQ(g.tiles.size1, 2);
  EXPECT_EQ(g.tiles.capacity, 2);
  EXPECT_EQ(g.images.size1, 20);
  EXPECT_EQ(g.images.capacity, 20);
  ASSERT_EQ(g.levels.size1, 1);
  const Tlevel& level = g.levels.data[0];
  ASSERT_EQ(level.layers.size1, 2);
  EXPECT_EQ(level.layers.data[1].tiles.size1, 4);
  EXPECT_EQ(level.layers.data[1].tiles.size2, 4);
  EXPECT_EQ(level.starts.size1, 2);
  EXPECT_EQ(level.wall_mode, 2);
  EXPECT_EQ(level.scroll_type, 1);
  EXPECT_EQ(level.scroll_speed, 3);
  EXPECT_EQ(level.time_limit, 30);
  ASSERT_EQ(g.players.size1, 2);
  EXPECT_EQ(g.players.data[1].lives, 3);
  EXPECT_EQ(g.players.data[1].powerup, -1);
  EXPECT_EQ(g.players.data[1].shot_time, 2000);
  EXPECT_EQ(g.players.data[1].direction, 2);
  EXPECT_EQ(g.jumps.size1, 2);
  ASSERT_EQ(g.powerups.size1, 2);
  EXPECT_EQ(g.powerups.data[0].anims.size1, 4);
  EXPECT_EQ(g.anims.size1, 0);
  EXPECT_EQ(g.sounds.size1, 0);
  EXPECT_STREQ(g.game_text.c_str(), "Your Game\nPress fire to start");
  EXPECT_EQ(g.extra_life_step, 10000);
  EXPECT_EQ(g.game_width, 320);
  EXPECT_EQ(g.game_height, 480);
  EXPECT_EQ(g.exit_on_escape, 1);
  EXPECT_EQ(g.images.data[0].alpha, -1.0);
  EXPECT_EQ(g.images.data[0].transparency, 10);
  Tanim a;
  EXPECT_EQ(a.frames.size1, 0);  // a fresh animation has no frames
  EXPECT_TRUE(a.is_default());
  Twave w;
  EXPECT_EQ(w.enemies.size1, 1);
  EXPECT_EQ(w.path.size1, 0);
}

TEST(GameModel, GlobalsStartValues) {
  EXPECT_EQ(gamestate.target_sprite, -1);
  EXPECT_EQ(gamestate.enemies.size1, 0);
  EXPECT_EQ(playgame.spare_flag, 1);
  EXPECT_EQ(playgame.next_group, 1);
  EXPECT_EQ(game.images.size1, 20);
  frame_clock = 99;
  path_factor = 1;
  format_version = 1;
  game_init_globals();
  EXPECT_EQ(frame_clock, 0);
  EXPECT_EQ(path_factor, 4);
  EXPECT_EQ(format_version, 33);
}

TEST(GameModel, AlphaFromTransparency) {
  Timage image;
  image.update_alpha();
  EXPECT_DOUBLE_EQ(image.alpha, -(10 / 9.999 + 0.001));  // opaque
  image.transparency = 0;
  image.update_alpha();
  EXPECT_DOUBLE_EQ(image.alpha, -0.001);
}

TEST(GameModel, CopiesTakeTheSourceSizes) {
  Twave source;
  source.spawns.dim(5, 0, 0, 0);
  source.spawns.data[4].y = 7;
  source.path.dim(3, 0, 0, 0);
  source.path_length = 12.5;
  Twave target;
  target.spawns.dim(1, 0, 0, 0);
  target = source;
  ASSERT_EQ(target.spawns.size1, 5);
  EXPECT_EQ(target.spawns.data[4].y, 7);
  EXPECT_EQ(target.path.size1, 3);
  EXPECT_EQ(target.path_length, 12.5);
  target = Twave();
  Twave empty;
  empty.enemies.dim(0, 0, 0, 0);
  target = empty;
  EXPECT_EQ(target.spawns.size1, 0);
  EXPECT_EQ(target.enemies.size1, 0);
  // The copy is deep: changing it leaves the source alone.
  Tgame a;
  Tgame b = a;
  b.levels.data[0].layers.data[0].tiles.data[0] = 9;
  EXPECT_EQ(a.levels.data[0].layers.data[0].tiles.data[0], 0);
}

TEST(AnimFrames, DirectionCodes) {
  const int codes[3][3] = {{3, 2, 1}, {4, 8, 0}, {5, 6, 7}};
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      EXPECT_EQ(game_direction_code(dx * 5, dy * 3), codes[dy + 1][dx + 1]) << dx << "," << dy;
}

TEST(AnimFrames, PickByModeTimeAndDirection) {
  Tanim a;
  a.frames.dim(18, 0, 0, 0);
  for (int i = 0; i < 18; ++i) a.frames.data[i] = 100 + i;
  struct Case {
    int mode, speed, clock, start, dir, set, dx, dy;
    int frame, dir_after, set_after;
  } cases[] = {
      // Cycling 4 frames at 2 steps per 500 ms: 750 ms in is step 3.
      {4, 1, 1750, 1000, 2, 0, 0, 0, 103, 2, 0},
      {4, 1, 3000, 1000, 2, 0, 0, 0, 100, 2, 0},  // step 8 wraps to 0
      // A one-shot set that has run through returns to set 0, frame 0.
      {4, 1, 3000, 1000, 2, 1, 0, 0, 100, 2, 0},
      {4, 1, 1750, 1000, 2, 1, 0, 0, 103, 2, 1},
      // Mode 0: the pair of the direction, alternating every 500 ms.
      {0, 0, 1000, 0, 2, 0, 1, -1, 102, 1, 0},
      {0, 0, 1500, 0, 2, 1, 1, -1, 103, 1, 0},
      {0, 0, 1500, 0, 2, 0, 0, 0, 117, 8, 0},
      // Mode -1 standing still shows the first frame of the last direction.
      {-1, 0, 1500, 0, 4, 0, 0, 0, 108, 4, 0},
      {-1, 0, 1500, 0, 4, 0, 0, 1, 113, 6, 0},
  };
  for (const Case& c : cases) {
    a.mode = c.mode;
    a.speed = c.speed;
    frame_clock = c.clock;
    int dir = c.dir, set = c.set;
    EXPECT_EQ(anim_pick_frame(a, dir, set, c.start, c.dx, c.dy), c.frame)
        << c.mode << " " << c.clock;
    EXPECT_EQ(dir, c.dir_after) << c.mode << " " << c.clock;
    EXPECT_EQ(set, c.set_after) << c.mode << " " << c.clock;
  }
}

// A frame the list does not hold shows image 0 and leaves the list as it is.
TEST(AnimFrames, MissingFramesShowImageZeroWithoutGrowing) {
  Tanim a;
  a.frames.dim(2, 0, 0, 0);
  a.frames.data[0] = 5;
  a.frames.data[1] = 6;
  a.mode = 0;
  frame_clock = 0;
  int dir = 0, set = 0;
  EXPECT_EQ(anim_pick_frame(a, dir, set, 0, -1, 1), 0);  // down-left: frames 10, 11
  EXPECT_EQ(a.frames.size1, 2);
  a.mode = 3;
  frame_clock = 2000000000;
  EXPECT_EQ(anim_pick_frame(a, dir, set, -2000000000, 0, 0), 0);  // no overflow either
  a.mode = -7;  // any other non-zero mode cycles too
  frame_clock = 0;
  EXPECT_EQ(anim_pick_frame(a, dir, set, 0, 0, 0), 5);
  EXPECT_EQ(anim_pick_frame(a, dir, set, 1000, 0, 0), 0);  // a start in the future
  Tanim none;
  EXPECT_EQ(anim_pick_frame(none, dir, set, 0, 0, 0), 0);
}

}  // namespace
