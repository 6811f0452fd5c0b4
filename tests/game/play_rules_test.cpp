// The rules of play as plain arithmetic, without a window: paths, the six
// camera types, waves, the jump arc, the fades and the level's end, the
// picture scale, the title lines, the players' input and the display texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/camera.h"
#include "game/enemies.h"
#include "game/frame.h"
#include "game/hud.h"
#include "game/paths.h"
#include "game/players.h"
#include "game/shots.h"
#include "game/title_screen.h"
#include "tests/game/play_fixture.h"

namespace {

Twave wave_of(std::vector<Tpoint> points) {
  Twave w;
  for (const Tpoint& p : points) w.path.push(p);
  return w;
}

TEST(Paths, WalkAlongTwoSegments) {
  Twave w = wave_of({{0, 0}, {30, 40}, {30, 100}});
  EXPECT_EQ(wave_path_length(w), 440);  // (50 + 60) quarter pixels x 4
  struct Case {
    int d;
    Tpoint point, heading;
  };
  const Case cases[] = {
      {100, {15, 20}, {1, 1}},
      {300, {30, 64}, {0, 1}},
      {3, {0, 0}, {1, 1}},     // under a pixel: still the first point
      {440, {30, 100}, {7, 7}},  // at and past the end: the last point, heading kept
      {9999, {30, 100}, {7, 7}},
      {0, {0, 0}, {7, 7}},       // at and before the start: the first point
      {-5, {0, 0}, {7, 7}},
  };
  for (const Case& c : cases) {
    Tpoint p, h{7, 7};
    wave_path_position(w, c.d, p, h);
    EXPECT_EQ(p.x, c.point.x) << c.d;
    EXPECT_EQ(p.y, c.point.y) << c.d;
    EXPECT_EQ(h.x, c.heading.x) << c.d;
    EXPECT_EQ(h.y, c.heading.y) << c.d;
  }
}

TEST(Paths, HeadingsSnapToEightDirections) {
  // A segment more than four times as long on one axis heads along it.
  Twave w = wave_of({{0, 0}, {100, -30}, {100, -200}, {95, -100}});
  wave_path_length(w);
  Tpoint p, h;
  wave_path_position(w, 40, p, h);
  EXPECT_EQ(h.x, 1);
  EXPECT_EQ(h.y, -1);  // 30 x 4 is not below 100
  Twave flat = wave_of({{0, 0}, {100, -24}});
  wave_path_length(flat);
  wave_path_position(flat, 40, p, h);
  EXPECT_EQ(h.x, 1);
  EXPECT_EQ(h.y, 0);
  wave_path_position(w, 4 * (104 + 170 + 50), p, h);
  EXPECT_EQ(h.x, 0);
  EXPECT_EQ(h.y, 1);
}

TEST(Paths, FarPointsDoNotOverflow) {
  // 65535 squared does not fit 32 bits.
  Twave w = wave_of({{-32768, -32768}, {32767, 32767}});
  EXPECT_EQ(wave_path_length(w), 92680 * 4);
  Tpoint p, h;
  wave_path_position(w, 92680 * 2, p, h);
  EXPECT_EQ(p.x, -1);
  EXPECT_EQ(p.y, -1);
  // Lengths beyond any int: the path end of a looping enemy saturates.
  Twave huge = wave_of({{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MIN}});
  EXPECT_GT(wave_path_length(huge), 2.0 * INT32_MAX);
  wave_path_position(huge, INT32_MAX - 1, p, h);
  EXPECT_EQ(game_isqrt(UINT64_MAX), 4294967295);
  EXPECT_EQ(game_isqrt(99), 9);
  EXPECT_EQ(game_isqrt(100), 10);
}

// A fresh game and state with the picture 320 x 480 on a level 640 x 1600
// and 16-pixel objects.
struct Playfield : ::testing::Test {
  void SetUp() override {
    play_test::install();
    game = Tgame();
    gamestate = TGameState();
    playgame = Tplaygame();
    gamestate.level_size = Tpoint{640, 1600};
    gamestate.sprite_size = Tpoint{16, 16};
    gamestate.cam_x = 100;
    gamestate.cam_y = 1000;
    gamestate.last_cam_x = 100;
    gamestate.last_cam_y = 1000;
    for (int i = 0; i < 2; ++i) game.players.data[i].lives = 3;
  }
  void TearDown() override { play_seam = play_seam_host(); }
  void place(Tpoint a, Tpoint b) {
    game.players.data[0].pos = a;
    game.players.data[1].pos = b;
  }
  void step(Tlevel& level) {
    camera_step(game, level, camera_census(game.players, gamestate.level_size));
    gamestate.last_cam_x = gamestate.cam_x;
    gamestate.last_cam_y = gamestate.cam_y;
  }
};

TEST_F(Playfield, CentreTypesFollowTheMiddleOfThePlayers) {
  for (int type : {0, 5}) {
    Tlevel level;
    level.scroll_type = type;
    place({100, 900}, {300, 1000});
    step(level);
    EXPECT_EQ(gamestate.cam_x, 40) << type;
    EXPECT_EQ(gamestate.cam_y, 710) << type;
    place({600, 1590}, {630, 1590});  // clamped to the level
    step(level);
    EXPECT_EQ(gamestate.cam_x, 320) << type;
    EXPECT_EQ(gamestate.cam_y, 1120) << type;
  }
}

TEST_F(Playfield, VerticalAutoScrollCarriesEveryPlayer) {
  Tlevel level;
  level.scroll_type = 1;
  level.scroll_speed = 3;
  place({200, 1200}, {300, 1300});
  game.players.data[1].lives = -1;  // not joined: carried all the same
  std::vector<int> cams;
  for (int f = 0; f < 6; ++f) {
    step(level);
    cams.push_back(gamestate.cam_y);
  }
  EXPECT_EQ(cams, (std::vector<int>{1000, 1000, 999, 999, 999, 998}));
  EXPECT_EQ(game.players.data[0].pos.y, 1198);
  EXPECT_EQ(game.players.data[1].pos.y, 1298);
  EXPECT_EQ(gamestate.cam_x, 40);  // the joined player's x - 160
  level.scroll_speed = 7;          // 3 pixels every frame
  step(level);
  EXPECT_EQ(gamestate.cam_y, 995);
  gamestate.cam_y = 2;  // the last step may pass 0: no clamp
  step(level);
  EXPECT_EQ(gamestate.cam_y, -1);
  step(level);
  EXPECT_EQ(gamestate.cam_y, -1);
}

TEST_F(Playfield, VerticalFollowNeverMovesDown) {
  Tlevel level;
  level.scroll_type = 2;
  place({200, 1100}, {300, 1200});
  step(level);  // target 1100 - 120 - 2 = 978
  EXPECT_EQ(gamestate.cam_y, 978);
  place({200, 1300}, {300, 1300});  // further down: the camera stays
  step(level);
  EXPECT_EQ(gamestate.cam_y, 978);
  // Up, but the lowest player would leave the bottom of the picture.
  place({200, 700}, {300, 1460});
  step(level);
  EXPECT_EQ(gamestate.cam_y, 978);
  place({200, 700}, {300, 900});
  step(level);
  EXPECT_EQ(gamestate.cam_y, 578);
}

TEST_F(Playfield, HorizontalTypes) {
  Tlevel level;
  level.scroll_type = 3;
  level.scroll_speed = 6;  // 2 pixels a frame
  place({200, 1100}, {300, 1300});
  step(level);
  EXPECT_EQ(gamestate.cam_x, 102);
  EXPECT_EQ(gamestate.scroll_step, 2);
  EXPECT_EQ(gamestate.cam_y, 840);  // the average y 1200 less three quarters of 480
  EXPECT_EQ(game.players.data[0].pos.x, 200);  // players are not carried
  gamestate.cam_x = 319;
  step(level);
  EXPECT_EQ(gamestate.cam_x, 321);  // the last step may pass the end
  step(level);
  EXPECT_EQ(gamestate.cam_x, 321);

  level.scroll_type = 4;
  gamestate.level_size.x = 1280;
  gamestate.cam_x = gamestate.last_cam_x = 100;
  place({350, 1100}, {500, 1100});
  step(level);  // target 500 - 160
  EXPECT_EQ(gamestate.cam_x, 340);
  place({200, 1100}, {300, 1100});  // back to the left: never
  step(level);
  EXPECT_EQ(gamestate.cam_x, 340);
  place({360, 1100}, {560, 1100});  // the leftmost would leave: stays
  step(level);
  EXPECT_EQ(gamestate.cam_x, 340);
}

// Speeds at the ends of their range move things as far as an int goes and
// no further: the scroll count, the camera and the shots' velocities.
TEST_F(Playfield, ExtremeSpeedsSaturate) {
  Tlevel level;
  level.scroll_type = 3;
  level.scroll_speed = INT32_MAX;
  step(level);
  EXPECT_EQ(gamestate.cam_x, INT32_MAX);
  level.scroll_speed = INT32_MIN;  // one pixel never comes
  gamestate.cam_x = gamestate.last_cam_x = 0;
  gamestate.scroll_count = INT32_MAX;
  step(level);
  EXPECT_EQ(gamestate.cam_x, 0);

  BasicArray<Tanim> anims;
  for (int i = 0; i < kAnimsPerKind; ++i) anims.push(Tanim());
  anims.data[kAnimFiring].flags = kShotRight | kShotLeft | kShotUp | kShotDown | kShotDiagonals;
  BasicArray<Tshot> shots;
  Tobject& player = game.players.data[0];
  player.anim = 0;
  player.shot_speed = INT32_MIN;
  player.direction = 3;  // up and left
  player_fire(player, 0, shots, anims, 0);
  ASSERT_EQ(shots.size1, 1);
  EXPECT_EQ(shots.data[0].vx, -double(INT32_MIN));
  Tenemy enemy;
  enemy.obj.shot_speed = INT32_MIN;
  enemy.obj.pos = Tpoint{INT32_MAX, INT32_MAX};
  player.pos = Tpoint{INT32_MIN, INT32_MIN};
  enemy_fire(game.players, enemy, shots, anims);
  EXPECT_EQ(shots.size1, 4);  // up, left and the diagonal between them
}

TEST_F(Playfield, WavesTriggerAtThePicturesEdgeAndQueueUp) {
  Tlevel level;
  Twave w = wave_of({{0, 0}, {0, 400}});
  w.spawns.push(TSpawnPt{100, 998, 0});   // two pixels above the picture
  w.spawns.push(TSpawnPt{420, 1480, 0});  // touching its bottom-right corner
  w.spawns.push(TSpawnPt{100, 998, 0});
  w.enemies.data[0].anim = 5;
  Tobject looping;
  looping.loops = 1;
  w.enemies.push(looping);
  wave_path_length(w);
  level.waves.push(w);
  wave_trigger(game, level);
  const BasicArray<Tenemy>& e = gamestate.enemies;
  ASSERT_EQ(e.size1, 2);  // spawn point 1: one enemy per template
  EXPECT_EQ(e.data[0].spawn, 1);
  EXPECT_EQ(e.data[0].group, 2);
  EXPECT_EQ(e.data[0].obj.anim, 5);
  // One spawn point after it: 1.2 object widths short of the end.
  EXPECT_EQ(e.data[0].path_end, 1580);
  EXPECT_EQ(e.data[1].path_end, 1600);  // a looping enemy runs the whole path
  EXPECT_EQ(level.waves.data[0].spawns.data[1].triggered, 1);
  wave_trigger(game, level);  // a triggered point does not trigger again
  EXPECT_EQ(e.size1, 2);
  gamestate.cam_y = 999;
  wave_trigger(game, level);
  ASSERT_EQ(e.size1, 6);
  EXPECT_EQ(e.data[2].path_end, 1561);  // spawn point 0: 2.4 widths short
  EXPECT_EQ(e.data[4].path_end, 1600);       // spawn point 2, the last
  EXPECT_EQ(e.data[4].group, 4);
}

TEST(Jumps, ArcRisesTheJumpHeightIn25Frames) {
  Tobject p;
  Tjumpnrun j;
  j.rise_frames = 25;
  j.accel = 64 / 625.0;
  j.launch = -2 * j.accel * 25;
  j.fall_step = int(std::abs(j.accel + j.launch));
  EXPECT_DOUBLE_EQ(j.accel, 0.1024);
  EXPECT_DOUBLE_EQ(j.launch, -5.12);
  EXPECT_EQ(j.fall_step, 5);
  j.origin = Tpoint{0, 1000};
  std::vector<int> ys;
  for (int f = 0; f < 30; ++f) {
    player_jump_step(p, j);
    ys.push_back(p.pos.y);
  }
  // Rising frames 1 .. 25 to 64 above the start; frame 26 turns at the top;
  // then falling with growing speed.
  EXPECT_EQ(ys[0], 994);
  EXPECT_EQ(ys[4], 976);
  EXPECT_EQ(ys[24], 936);
  EXPECT_EQ(ys[25], 936);
  EXPECT_EQ(j.falling, 1);
  EXPECT_EQ(ys[26], 936);  // frame 1 of the fall: trunc(0.1024)
  EXPECT_EQ(ys[29], 936 + 1);
  for (int f = 4; f < 25; ++f) player_jump_step(p, j);
  EXPECT_EQ(j.frame, 25);
  const int y = p.pos.y;
  player_jump_step(p, j);  // from rise_frames on: fall_step a frame
  EXPECT_EQ(p.pos.y, y + 5);
}

TEST(Fades, BandsCloseFromTheBottom) {
  // 480 pixels: bands of 60; nine bands, the last below the picture.
  for (int k = 0; k <= 8; ++k) {
    EXPECT_EQ(game_fade_band_height(k, 60, 16), 60) << k;  // closed
    EXPECT_EQ(game_fade_band_height(k, 60, 0), 0) << k;    // open
    EXPECT_EQ(game_fade_band_height(k, 60, 8), 60 * k / 8) << k;
  }
  EXPECT_EQ(game_fade_band_height(8, 60, 1), 7);  // the lowest closes first
  EXPECT_EQ(game_fade_band_height(7, 60, 1), 0);
}

struct LevelEnd : Playfield {
  void SetUp() override {
    Playfield::SetUp();
    level.scroll_type = 1;
    gamestate.level_time = 1000;
    gamestate.cam_y = 500;
  }
  LevelEndFade at(int now, bool must_kill = false) {
    return level_end_step(game, level, now, must_kill);
  }
  Tlevel level;
};

TEST_F(LevelEnd, OpeningFadeThenCompleteAtTheTop) {
  LevelEndFade f = at(1000 + 17 * 10);
  EXPECT_EQ(f.kind, LevelEndFade::kOpening);
  EXPECT_DOUBLE_EQ(f.progress, 170 / 500.0);
  EXPECT_EQ(at(1000 + 510).kind, LevelEndFade::kNone);
  gamestate.cam_y = 0;
  EXPECT_EQ(at(3000, true).kind, LevelEndFade::kNone);  // a must-kill enemy lives
  EXPECT_EQ(gamestate.complete, 0);
  f = at(3000);
  EXPECT_EQ(gamestate.complete, 1.0);
  EXPECT_EQ(f.kind, LevelEndFade::kClosing);  // after 2 s: the fade starts now
  EXPECT_EQ(f.progress, 0);
  EXPECT_EQ(gamestate.level_time, 3000);
  f = at(3000 + 255);
  EXPECT_EQ(f.kind, LevelEndFade::kClosing);
  EXPECT_DOUBLE_EQ(f.progress, 0.51);
  f = at(3000 + 510);  // closed: the frame changes the level now
  EXPECT_EQ(f.kind, LevelEndFade::kNone);
  EXPECT_GT(f.t, 1);
}

TEST_F(LevelEnd, CompleteInTheFirstSecondsKeepsTheStartTime) {
  gamestate.cam_y = 0;
  LevelEndFade f = at(1017);
  EXPECT_EQ(f.kind, LevelEndFade::kClosing);
  EXPECT_EQ(gamestate.level_time, 1000);
  EXPECT_GT(at(1000 + 510).t, 1);
}

TEST_F(LevelEnd, LastPlayerOutClosesTheLevel) {
  game.players.data[0].lives = 0;
  game.players.data[1].lives = -1;
  LevelEndFade f = at(5000);
  EXPECT_EQ(gamestate.complete, 1.0);
  EXPECT_EQ(f.kind, LevelEndFade::kClosing);
  EXPECT_EQ(gamestate.level_time, 5000);
}

TEST_F(LevelEnd, TimeLimitedArenaEnds) {
  level.scroll_type = 0;
  level.time_limit = 30;
  gamestate.cam_y = 100;
  EXPECT_EQ(at(1000 + 30999).kind, LevelEndFade::kNone);
  EXPECT_EQ(gamestate.complete, 0);
  const LevelEndFade f = at(1000 + 31000);
  EXPECT_EQ(gamestate.complete, 1.0);
  EXPECT_EQ(f.kind, LevelEndFade::kClosing);
  EXPECT_EQ(gamestate.level_time, 32000);
  EXPECT_GT(at(32000 + 510).t, 1);  // and the level changes after its fade
}

TEST(PictureScale, SteppedByTheFit) {
  struct Case {
    int sw, sh, gw, gh;
    double scale;
    int smoothing;
  };
  const Case cases[] = {
      {1024, 768, 320, 480, 1.5, 0},    // 1.6 steps down to 1.5
      {320, 480, 320, 480, 1, 1},       // exactly 1: smoothed
      {400, 600, 320, 480, 1.25, 0},    // from 1 to 1.5 kept
      {1920, 1080, 320, 200, 4, 0},     // 5.4
      {8000, 8000, 100, 100, 32, 0},
      {300, 400, 320, 480, 0.5, 1},     // reductions are smoothed
      {120, 140, 320, 480, 0.25, 1},
      {10, 10, 320, 480, 0.125, 1},
  };
  for (const Case& c : cases) {
    const PictureScale s = hud_picture_scale(c.sw, c.sh, c.gw, c.gh);
    EXPECT_DOUBLE_EQ(s.scale, c.scale) << c.sw << "x" << c.sh;
    EXPECT_EQ(s.smoothing, c.smoothing) << c.sw << "x" << c.sh;
  }
}

TEST(TitleLines, OnePerLineFeed) {
  struct Case {
    const char* text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"ONE\n\nTWO\n", {"ONE", "", "TWO"}},
      {"ONE\n\nTWO", {"ONE", "", "TWO"}},
      {"A\r\nB", {"A", "B"}},
      {"\nA", {"", "A"}},
      {"", {}},
      {"Your Game\nPress fire to start", {"Your Game", "Press fire to start"}},
  };
  for (const Case& c : cases) {
    BasicArray<BasicString> lines;
    menu_title_lines(BasicString(c.text), lines);
    std::vector<std::string> got;
    for (int i = 0; i < lines.size1; ++i) got.push_back(lines.data[i].c_str());
    EXPECT_EQ(got, c.lines) << c.text;
  }
}

TEST(Input, KeyboardGamepadAndNone) {
  play_test::install();
  Tplaygame pg;
  int dx, dy, fire;
  play_test::press(play_test::kRight);
  play_test::press(play_test::kUp);
  play_test::press(play_test::kRightCtrl);
  play_test::press(30);  // A: player 1 left
  player_read_input(0, dx, dy, fire, pg);
  EXPECT_EQ(dx, 1);
  EXPECT_EQ(dy, -1);
  EXPECT_EQ(fire, 1);
  player_read_input(1, dx, dy, fire, pg);
  EXPECT_EQ(dx, -1);
  EXPECT_EQ(fire, 0);
  // Players three and up have no keys (Esc leaves the game instead).
  play_test::press(play_test::kEsc);
  player_read_input(2, dx, dy, fire, pg);
  EXPECT_EQ(dx | dy | fire, 0);

  pg.input = 1;
  play_test::script.joysticks = 1;
  play_test::script.axis_x[0] = 0.3;
  play_test::script.axis_y[0] = 0.5;
  play_test::script.buttons[0] = 1 << 3;
  player_read_input(0, dx, dy, fire, pg);
  EXPECT_EQ(dx, 0);  // 0.3 is no direction
  EXPECT_EQ(dy, 1);
  EXPECT_EQ(fire, 1);
  play_test::script.hat_x[0] = -1;  // the hat adds to the axis
  player_read_input(0, dx, dy, fire, pg);
  EXPECT_EQ(dx, -1);
  player_read_input(1, dx, dy, fire, pg);  // only as many players as pads
  EXPECT_EQ(dx | dy | fire, 0);
  pg.input = 2;
  player_read_input(0, dx, dy, fire, pg);
  EXPECT_EQ(dx | dy | fire, 0);
  play_seam = play_seam_host();
}

TEST(Display, PlayerTextsAndBlinking) {
  Tobject p;
  BasicString text, score;
  p.lives = -1;
  hud_player_texts(p, 0, text, score);
  EXPECT_STREQ(text.c_str(), "P1 *START*");
  p.lives = 3;
  p.score = 100;
  hud_player_texts(p, 1, text, score);
  EXPECT_STREQ(text.c_str(), "P2 \x01x3");
  EXPECT_STREQ(score.c_str(), "$     100");
  // Hurt: 117 frames, flashing in 7 of every 16.
  int flashes = 0;
  for (int t = 117; t > 101; --t) flashes += player_draw_alpha(t, -1.0001) > 0;
  EXPECT_EQ(flashes, 7);
  EXPECT_DOUBLE_EQ(player_draw_alpha(112, -1.0001), 0.50005);
  EXPECT_DOUBLE_EQ(player_draw_alpha(0, -1.0001), -1.0001);
}

TEST(Shots, ExpiredSlotsAreReused) {
  frame_clock = 1000;
  BasicArray<Tshot> shots;
  Tshot s;
  s.expires = 500;
  shots.push(s);
  shots.push(s);
  s.expires = 3000;
  s.vx = 4;
  shot_add(s, shots);
  EXPECT_EQ(shots.size1, 2);
  EXPECT_EQ(shots.data[0].vx, 4);
  shot_add(s, shots);
  shot_add(s, shots);  // no free slot left: the array grows
  EXPECT_EQ(shots.size1, 3);
}

TEST(DrawOrder, SortedFromTopToBottom) {
  BasicArray<Tenemy> e;
  for (Tpoint p : std::vector<Tpoint>{{5, 30}, {9, 10}, {1, 10}, {0, 50}}) {
    Tenemy x;
    x.obj.pos = p;
    e.push(x);
  }
  enemies_sort_draw_order(e);
  EXPECT_EQ(e.data[0].obj.pos.x, 1);
  EXPECT_EQ(e.data[1].obj.pos.x, 9);
  EXPECT_EQ(e.data[2].obj.pos.y, 30);
  EXPECT_EQ(e.data[3].obj.pos.y, 50);
  EXPECT_EQ(enemy_compare_draw_order(e.data[0], e.data[0]), 0);
}

}  // namespace
