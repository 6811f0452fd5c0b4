// Play frame by frame on the demo game with real sprites (Mesa through
// SDL's offscreen driver), so that shots, walls and touches use the pixel
// collision: joining, the fire edge and autofire, shots and walls, hurt and
// extra-life blinking, enemies on their paths, the level change and leaving.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "game/camera.h"
#include "game/enemies.h"
#include "game/frame.h"
#include "game/players.h"
#include "game/shots.h"
#include "game/title_screen.h"
#include "tests/game/play_fixture.h"

namespace {

using play_test::press;
using play_test::script;

constexpr int kPlayerBoltSprite = 9;
constexpr int kSaucerKind = 10, kHeartKind = 30;

int live_shots(int owner) {
  int n = 0;
  for (int i = 0; i < gamestate.shots.size1; ++i) {
    const Tshot& s = gamestate.shots.data[i];
    if (s.owner == owner && s.expires >= frame_clock) ++n;
  }
  return n;
}

Tshot enemy_shot_at(Tpoint pos) {
  Tshot s;
  s.anim = kSaucerKind + kAnimShot;
  s.owner = -1;
  s.pos = pos;
  s.expires = frame_clock + 100000;
  return s;
}

TEST_F(PlayFrames, JoiningWaitsForTheReleaseOfFire) {
  game_run(game, 0, 0, 0);
  EXPECT_EQ(game.players.data[0].lives, -1);
  testing::internal::CaptureStdout();
  press(play_test::kRightCtrl);
  frames(3);  // held: the title screen stays
  EXPECT_TRUE(menu_title_waiting());
  press(play_test::kRightCtrl, false);
  frames(1);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "clicked 0\nwait for release 0\nclicked 0\nwait for release 0\n"
            "clicked 0\nwait for release 0\nrunning 0\n");
  EXPECT_EQ(frame_clock, 0);  // title frames do not advance the game's time
  frames(1);                   // the level starts, play runs
  EXPECT_EQ(frame_clock, 17);
  EXPECT_EQ(script.sleeps, 1);
  EXPECT_EQ(game.players.data[0].lives, 3);
  EXPECT_EQ(game.players.data[1].lives, -1);
  EXPECT_EQ(live_shots(0), 0);  // the joining press fires nothing
}

TEST_F(PlayFrames, FireEdgeAndAutofire) {
  run_and_join();
  frames(1);
  press(play_test::kRightCtrl);
  frames(61);  // held for a second: one shot
  EXPECT_EQ(live_shots(0), 1);
  press(play_test::kRightCtrl, false);
  frames(1);
  press(play_test::kRightCtrl);
  frames(1);  // pressed again, past the 500 ms the fire rate of 6 asks
  EXPECT_EQ(live_shots(0), 2);
  press(play_test::kRightCtrl, false);
  frames(1);
  press(play_test::kRightCtrl);
  frames(1);  // 2 frames after the last shot: too soon
  EXPECT_EQ(live_shots(0), 2);

  // Autofire: a held button fires again every 500 ms (fire rate 6).
  playgame.autofire = 1;
  press(play_test::kRightCtrl, false);
  frames(80);  // every shot so far has flown out of the picture
  EXPECT_EQ(live_shots(0), 0);
  press(play_test::kRightCtrl);
  frames(61);
  EXPECT_EQ(live_shots(0), 3);
}

TEST_F(PlayFrames, ShotsStopAtWallsUnlessTheShooterOrTheShotSaysOtherwise) {
  run_and_join();
  frames(1);
  Tlevel& level = game.levels.data[0];
  // Rock fills columns 0 to 2 of rows 30 to 43.
  auto shot_on_rock = [] {
    Tshot s;
    s.anim = 0 + kAnimShot;  // player 1's bolt: mask bit 0 clear
    s.sprite = kPlayerBoltSprite;
    s.owner = 0;
    s.pos = Tpoint{8, 30 * 16 + 40};
    s.expires = frame_clock + 1000;
    return s;
  };
  Tshot s = shot_on_rock();
  EXPECT_EQ(shot_collide(game.players, gamestate.enemies, s, game, level, gamestate.tile_size), 1);
  game.players.data[0].solid = 0;
  s = shot_on_rock();
  EXPECT_EQ(shot_collide(game.players, gamestate.enemies, s, game, level, gamestate.tile_size), 0);
  game.players.data[0].solid = 1;
  game.anims.data[kAnimShot].mask |= 1;
  s = shot_on_rock();
  EXPECT_EQ(shot_collide(game.players, gamestate.enemies, s, game, level, gamestate.tile_size), 0);
  game.anims.data[kAnimShot].mask &= ~1;
  // A wall layer smaller than the background layer ends where it ends.
  level.layers.data[1].tiles.dim(2, 2, 0, 0);
  level.layers.data[1].tiles.at2(1, 1) = 4;
  s = shot_on_rock();
  s.pos = Tpoint{200, 900};
  EXPECT_EQ(shot_collide(game.players, gamestate.enemies, s, game, level, gamestate.tile_size), 0);
  s.pos = Tpoint{20, 20};
  EXPECT_EQ(shot_collide(game.players, gamestate.enemies, s, game, level, gamestate.tile_size), 1);
}

TEST_F(PlayFrames, HurtBlinksAndShieldsAndExtraLivesBlinkShortly) {
  run_and_join();
  frames(1);
  Tobject& p = game.players.data[0];
  // A shot put into the last slot moves into the free first slot on its
  // first frame and is tested on the next.
  gamestate.shots.push(enemy_shot_at(p.pos));
  frames(2);
  EXPECT_EQ(p.lives, 2);
  EXPECT_EQ(p.hurt_time, 116);  // 117, less this frame's
  EXPECT_EQ(p.anim_set, 2);
  EXPECT_EQ(live_shots(-1), 0);  // the shot ended on the player
  gamestate.shots.push(enemy_shot_at(p.pos));
  frames(2);
  EXPECT_EQ(p.lives, 2);  // blinking: not hurt again; the shot ends all the same
  EXPECT_EQ(live_shots(-1), 0);
  frames(113);
  EXPECT_EQ(p.hurt_time, 1);
  frames(1);
  gamestate.shots.push(enemy_shot_at(p.pos));
  frames(2);
  EXPECT_EQ(p.lives, 1);

  p.score = 10000;
  p.hurt_time = 0;
  frames(1);
  EXPECT_EQ(p.lives, 2);
  EXPECT_EQ(p.hurt_time, 29);
  EXPECT_EQ(p.next_life, 20000);
  frames(1);
  EXPECT_EQ(p.lives, 2);  // one life per threshold
}

TEST_F(PlayFrames, PlayersNotInTheGameNeitherStopShotsNorCollect) {
  run_and_join();
  frames(1);
  Tobject& out = game.players.data[1];
  ASSERT_EQ(out.lives, -1);
  Tlevel& level = game.levels.data[0];
  Tshot s = enemy_shot_at(out.pos);
  s.sprite = 16;
  out.hit_sprite = 0;
  EXPECT_EQ(shot_collide(game.players, gamestate.enemies, s, game, level, gamestate.tile_size), 0);
  // A heart left where the unjoined slot stands stays there.
  Tenemy heart;
  heart.obj.anim = kHeartKind;
  heart.obj.lives = 1;
  heart.obj.hurts = 0;
  heart.obj.pos = out.pos;
  heart.obj.hit_sprite = 21;
  Twave& w = level.waves.data[0];
  w.path.dim(1, 0, 0, 0);
  w.path.data[0] = out.pos;
  gamestate.enemies.push(heart);
  enemies_step(game, level, frame_clock);
  EXPECT_EQ(gamestate.enemies.data[0].obj.lives, 1);
  EXPECT_EQ(out.score, 0);
  // The joined player collects it: its points and its life.
  Tobject& in = game.players.data[0];
  w.path.data[0] = in.pos;
  in.hit_sprite = 0;
  const int lives = in.lives;
  enemies_step(game, level, frame_clock);
  EXPECT_EQ(in.score, 100);
  EXPECT_EQ(in.lives, lives + 1);
  EXPECT_EQ(gamestate.enemies.data[0].obj.lives, -1);
}

TEST_F(PlayFrames, EnemiesWalkTheirPathLoopAndGoAfterDying) {
  run_and_join();
  Tlevel& level = game.levels.data[0];
  level.waves.dim(1, 0, 0, 0);
  Twave& w = level.waves.data[0];
  w.path.dim(2, 0, 0, 0);
  w.path.data[0] = Tpoint{40, 600};
  w.path.data[1] = Tpoint{40, 700};
  Tobject mine;
  mine.anim = 15;  // the demo's mines: no firing directions
  mine.speed = 3;  // 4 quarter pixels, one pixel a frame
  mine.bonus = mine.hurts = 0;
  w.enemies.dim(1, 0, 0, 0);
  w.enemies.data[0] = mine;
  w.spawns.dim(1, 0, 0, 0);
  w.spawns.data[0] = TSpawnPt{40, 1200, 0};
  frames(1);  // the level starts with the spawn point in view
  ASSERT_EQ(gamestate.enemies.size1, 1);
  Tenemy& e = gamestate.enemies.data[0];
  EXPECT_EQ(e.path_end, 400);
  frames(50);
  EXPECT_EQ(e.obj.pos.y, 600 + 50);
  EXPECT_EQ(e.heading.y, 1);
  frames(100);
  EXPECT_EQ(e.obj.pos.y, 700);  // stays at its end place
  e.obj.loops = 1;
  frames(2);
  EXPECT_EQ(e.obj.pos.y, 600);  // back to the start
  // Its death animation: 4 frames at speed 1, 250 ms each.
  Tanim& dying = game.anims.data[15 + kAnimHurt];
  dying.mode = 4;
  dying.speed = 1;
  enemy_kill(e, game);
  int n = 0;
  while (gamestate.enemies.size1 > 0 && n < 200) {
    frames(1);
    ++n;
  }
  EXPECT_EQ(n, 59);  // the first frame 1000 ms after the kill (59 x 17)
  EXPECT_EQ(w.spawns.data[0].triggered, 1);
}

// A wave of the first level whose `templates` mines (no firing directions,
// harmless) start at `spawns` points that are all in view when the level
// starts.
void put_wave(Twave& w, int spawns, int templates) {
  w.path.dim(2, 0, 0, 0);
  w.path.data[0] = Tpoint{40, 600};
  w.path.data[1] = Tpoint{40, 700};
  Tobject mine;
  mine.anim = 15;
  mine.bonus = mine.hurts = 0;
  w.enemies.dim(templates, 0, 0, 0);
  for (int t = 0; t < templates; ++t) w.enemies.data[t] = mine;
  w.spawns.dim(spawns, 0, 0, 0);
  for (int p = 0; p < spawns; ++p) w.spawns.data[p] = TSpawnPt{40, 1200, 0};
}

// Every spawn point in view starts one enemy per template of its wave: a
// 62 KB file of 1,000 points of 1,000 templates started a million enemies
// in one frame (633 MB, and the frame loop deaf to SIGTERM for 47 s). Live
// enemies are held to 256 of a wave and 1,024 in all; the enemies past
// that are dropped and their spawn points spent.
TEST_F(PlayFrames, SwarmsAreHeldToTheirCaps) {
  run_and_join();
  Tlevel& level = game.levels.data[0];
  level.waves.dim(5, 0, 0, 0);
  for (int k = 0; k < 5; ++k) put_wave(level.waves.data[k], 100, 100);
  for (int n = 0; n < 2; ++n) {
    frames(1);
    int of_wave[5] = {};
    for (int i = 0; i < gamestate.enemies.size1; ++i) of_wave[gamestate.enemies.data[i].wave] += 1;
    EXPECT_EQ(gamestate.enemies.size1, kMaxLiveEnemies);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(of_wave[k], k < 4 ? kMaxWaveEnemies : 0) << k;
    for (int k = 0; k < 5; ++k)
      for (int p = 0; p < 100; ++p) ASSERT_EQ(level.waves.data[k].spawns.data[p].triggered, 1);
  }
}

// Enemies fire at the rate and with the lifetime their templates give: a
// swarm firing at every frame, its shots living 24 days, would add hundreds
// of shots a frame for ever. The shot slots are held to 4,096.
TEST_F(PlayFrames, ShotsAreHeldToTheirSlots) {
  run_and_join();
  playgame.trainer = 1;  // the player takes the shots and stays in the game
  Tlevel& level = game.levels.data[0];
  level.waves.dim(1, 0, 0, 0);
  Twave& w = level.waves.data[0];
  put_wave(w, 1, 300);
  for (int t = 0; t < 300; ++t) {
    w.enemies.data[t].fire_rate = 100;
    w.enemies.data[t].shot_time = INT32_MAX;
  }
  game.anims.data[15 + kAnimFiring].flags = kShotDown | kShotUp | kShotLeft | kShotRight;
  frames(40);
  EXPECT_EQ(gamestate.enemies.size1, kMaxWaveEnemies);
  EXPECT_EQ(gamestate.shots.size1, kMaxShots);
  EXPECT_EQ(live_shots(-1), kMaxShots);
}

// The title text is split when it changes, not at every frame (1 MB of
// line feeds gave 8 frames in 10 s): a mark put into the lines it split
// stays there through further title frames, until the text changes.
TEST_F(PlayFrames, TheTitleTextIsSplitOncePerChange) {
  game.game_text.assign_cstr(std::string(1 << 20, '\n').c_str());
  game_run(game, 0, 0, 0);
  game_frame(game);
  auto& lines = const_cast<BasicArray<BasicString>&>(menu_title_shown_lines(game.game_text));
  EXPECT_EQ(lines.size1, 1 << 20);
  lines.data[0].assign_cstr("mark");
  game_frame(game);
  game_frame(game);
  EXPECT_STREQ(menu_title_shown_lines(game.game_text).data[0].c_str(), "mark");
  game.game_text.assign_cstr("Two\nlines");
  game_frame(game);
  const BasicArray<BasicString>& two = menu_title_shown_lines(game.game_text);
  ASSERT_EQ(two.size1, 2);
  EXPECT_STREQ(two.data[0].c_str(), "Two");
}

TEST_F(PlayFrames, LevelChangesOnTheFirstFrameAfterTheClosingFade) {
  // Level 1 no higher than the picture: complete at once, no enemies.
  Tlevel& level = game.levels.data[0];
  level.layers.data[0].tiles.dim(20, 30, 0, 0);
  level.layers.data[1].tiles.dim(20, 30, 0, 0);
  level.layers.data[1].tiles.data[0] = -1;
  level.waves.dim(0, 0, 0, 0);
  level.starts.dim(0, 0, 0, 0);
  run_and_join();
  int n = 0;
  while (gamestate.level == 0 && n < 100) {
    frames(1);
    ++n;
  }
  EXPECT_EQ(n, 30);  // 30 x 17 ms is the first time past 500 ms
  EXPECT_EQ(playgame.restart, 1);
  frames(1);
  EXPECT_EQ(playgame.restart, 0);
  EXPECT_EQ(gamestate.cam_y, 120 * 16 - 480);  // at the bottom of level 2

  // After the last level every player is out and the title follows.
  gamestate.complete = 1.0;
  gamestate.level_time = frame_clock;
  frames(30);
  EXPECT_EQ(gamestate.level, 0);
  EXPECT_EQ(game.players.data[0].lives, 0);
  const int clock = frame_clock;
  frames(1);
  EXPECT_EQ(frame_clock, clock);  // the title screen
}

// The largest scroll speed carries the camera (and the players) above the
// level's top in one step, as far as an int goes: a level of 31 rows of 16
// pixels starts it at 16 and moves it to 16 - (2^31 - 5). The tiles are
// then drawn far below the picture, their places computed without
// overflow.
TEST_F(PlayFrames, LargestScrollSpeedDrawsTheTilesFarAway) {
  Tlevel& level = game.levels.data[0];
  level.scroll_type = 1;
  level.scroll_speed = INT32_MAX;
  level.layers.data[0].tiles.dim(20, 31, 0, 0);  // tile 0 everywhere
  BasicArray<int>& walls = level.layers.data[1].tiles;
  walls.dim(20, 31, 0, 0);
  for (int i = 0; i < walls.count; ++i) walls.data[i] = -1;
  run_and_join();
  frames(3);
  EXPECT_EQ(gamestate.cam_y, 16 - (INT32_MAX - 4));
  EXPECT_EQ(gamestate.level, 0);
}

TEST_F(PlayFrames, EscAndQLeaveForTheTitleAndAClickOnTopPauses) {
  run_and_join();
  frames(5);
  for (int key : {play_test::kEsc, play_test::kQ}) {
    press(key);
    EXPECT_EQ(frames(1), 1);
    EXPECT_EQ(game.players.data[0].lives, -1) << key;
    EXPECT_GE(script.message_steps, 1);  // the wait for the release runs the messages
    press(play_test::kRightCtrl);
    frames(1);
    press(play_test::kRightCtrl, false);
    frames(2);
  }
  // With the scheme that has no input Q is no key of the game.
  playgame.input = 2;
  press(play_test::kQ);
  frames(1);
  EXPECT_EQ(game.players.data[0].lives, 3);
  press(play_test::kQ, false);
  playgame.input = 0;

  script.mouse_button = 1;
  script.mouse_y = 47;
  frames(1);
  EXPECT_EQ(playgame.paused, 1);
  EXPECT_EQ(script.mouse_button, 0);  // the click was waited out
}

}  // namespace

namespace {

// What must hold after any frame of play, whatever the game's numbers: the
// enemies and shots within their caps (in all and of each wave), lives no
// lower than "not joined", every player in the game inside the picture and,
// given the scores of the frame before (INT32_MIN for none), no score lower
// than there: with no kind giving negative points, a lower score has wrapped.
testing::AssertionResult play_holds(const Tgame& game, const int* scores_before) {
  const TGameState& gs = gamestate;
  if (gs.enemies.size1 > kMaxLiveEnemies)
    return testing::AssertionFailure() << gs.enemies.size1 << " enemies";
  if (gs.shots.size1 > kMaxShots) return testing::AssertionFailure() << gs.shots.size1 << " shots";
  const Tlevel& level = game.levels.data[gs.level];
  std::vector<int> of_wave(size_t(level.waves.size1), 0);
  for (int i = 0; i < gs.enemies.size1; ++i) {
    const int w = gs.enemies.data[i].wave;
    if (w < 0 || w >= level.waves.size1) return testing::AssertionFailure() << "wave " << w;
    if (++of_wave[size_t(w)] > kMaxWaveEnemies)
      return testing::AssertionFailure() << "more than " << kMaxWaveEnemies << " of wave " << w;
  }
  for (int i = 0; i < game.players.size1; ++i) {
    const Tobject& p = game.players.data[i];
    if (p.lives < -1) return testing::AssertionFailure() << "player " << i << " lives " << p.lives;
    if (p.lives < 1) continue;
    const int64_t right =
        std::max<int64_t>(gs.cam_x, int64_t(gs.cam_x) + game.game_width - gs.sprite_size.x);
    const int64_t bottom =
        std::max<int64_t>(gs.cam_y, int64_t(gs.cam_y) + game.game_height - gs.sprite_size.y);
    if (p.pos.x < gs.cam_x || p.pos.x > right || p.pos.y < gs.cam_y || p.pos.y > bottom)
      return testing::AssertionFailure() << "player " << i << " at " << p.pos.x << ", "
                                         << p.pos.y << " outside the picture at " << gs.cam_x
                                         << ", " << gs.cam_y;
    if (scores_before && scores_before[i] != INT32_MIN && p.score < scores_before[i])
      return testing::AssertionFailure() << "player " << i << " score " << scores_before[i]
                                         << " -> " << p.score;
  }
  return testing::AssertionSuccess();
}

// Every number of the demo's levels, kinds, players and enemies turned to
// random values, extremes included, and played for a while with random
// keys: after every frame the caps, lives, places and scores hold (and the
// sanitizers watch for overflow and bad indices); at the end Esc still
// leaves play. Every other round is about points: the levels keep their
// layout, every enemy is a bonus worth 0 to the largest int, every kind
// meets every other, the scores start anywhere up to the largest int and
// player 1 is put onto an enemy before each frame, so that a score that
// wraps shows. A few rounds keep it quick; each draws through Mesa.
TEST_F(PlayFrames, WildNumbersPlayWithoutHarm) {
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  auto wild = [&next]() -> int {
    static const int kEdges[] = {INT32_MIN, INT32_MIN + 1, -65536, -1000, -2, -1, 0,
                                 1, 2, 3, 5, 7, 64, 1000, 65536, INT32_MAX - 1, INT32_MAX};
    if (next() % 2 == 0) return kEdges[next() % (sizeof kEdges / sizeof kEdges[0])];
    return int(next() % 41) - 20;
  };
  Tgame base;
  demo_game_build(base);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const bool keep_scores = round % 2 == 1;
    game = base;
    for (int l = 0; l < game.levels.size1; ++l) {
      Tlevel& level = game.levels.data[l];
      if (!keep_scores) {
        level.scroll_type = int(next() % 8) - 1;
        level.wall_mode = int(next() % 4);
        level.jump_and_run = int(next() % 2);
        level.scroll_speed = wild();
        level.time_limit = wild();
      }
      for (int w = 0; w < level.waves.size1; ++w) {
        Twave& wave = level.waves.data[w];
        if (!keep_scores) {
          for (int k = 0; k < wave.path.size1; ++k) wave.path.data[k] = Tpoint{wild(), wild()};
          for (int k = 0; k < wave.spawns.size1; ++k)
            wave.spawns.data[k] = TSpawnPt{int(next() % 400), int(next() % 2000), 0};
        }
        for (int k = 0; k < wave.enemies.size1; ++k) {
          Tobject& o = wave.enemies.data[k];
          for (int32_t* f : {&o.lives, &o.speed, &o.score, &o.fire_rate, &o.shot_speed, &o.shot_time,
                             &o.must_kill, &o.kills_group, &o.loops, &o.respawns, &o.platform,
                             &o.solid, &o.hurts, &o.shootable, &o.bonus, &o.stompable})
            *f = wild();
          if (keep_scores) {
            o.score &= INT32_MAX;
            o.bonus = 1;
          }
          o.powerup = int(next() % 5) - 1;
        }
      }
    }
    for (int i = 0; i < game.anims.size1; ++i) {
      Tanim& a = game.anims.data[i];
      a.mode = int(next() % 5) - 1;
      a.speed = wild();
      a.flags = int(next() % 64);
      a.mask = keep_scores ? 15 : int(next() % 16);
    }
    for (int i = 0; i < game.players.size1; ++i) {
      Tobject& p = game.players.data[i];
      for (int32_t* f : {&p.speed, &p.fire_rate, &p.shot_speed, &p.shot_time, &p.jump_height,
                         &p.solid, &p.shootable})
        *f = wild();
      game.powerups.data[i].seconds.data[1] = wild();
    }
    game.extra_life_step = wild();
    run_and_join();
    if (keep_scores)  // scores that may be near the top already
      for (int i = 0; i < game.players.size1; ++i) game.players.data[i].score = wild() & INT32_MAX;
    // A player's score of the frame before, INT32_MIN while out of the game.
    std::vector<int> scores(size_t(game.players.size1), INT32_MIN);
    auto note_scores = [&] {
      for (int i = 0; i < game.players.size1; ++i) {
        const Tobject& p = game.players.data[i];
        scores[size_t(i)] = keep_scores && p.lives >= 1 ? p.score : INT32_MIN;
      }
    };
    note_scores();
    for (int f = 0; f < 120; ++f) {
      for (int scan : {play_test::kUp, play_test::kDown, play_test::kLeft, play_test::kRight,
                       play_test::kRightCtrl, play_test::kLeftCtrl, 17, 30, 31, 32})
        press(scan, next() % 4 == 0);
      if (keep_scores && gamestate.enemies.size1 > 0) {
        // Player 1 on an enemy: its touch adds points.
        game.players.data[0].pos = gamestate.enemies.data[f % gamestate.enemies.size1].obj.pos;
      }
      frames(1);
      ASSERT_TRUE(play_holds(game, scores.data())) << "frame " << f;
      note_scores();
      if (game.players.data[0].lives < 1 && game.players.data[1].lives < 1) {
        press(play_test::kRightCtrl, false);
        frames(1);  // the title screen; join again
        press(play_test::kRightCtrl);
        frames(1);
        press(play_test::kRightCtrl, false);
        note_scores();
      }
    }
    // Esc leaves play for the title, whatever state play is in.
    for (int scan = 0; scan < 256; ++scan) press(scan, false);
    if (game.players.data[0].lives < 1 && game.players.data[1].lives < 1) run_and_join();
    press(play_test::kEsc);
    EXPECT_EQ(frames(1), 1);
    press(play_test::kEsc, false);
    EXPECT_EQ(game.players.data[0].lives, -1);
    EXPECT_EQ(game.players.data[1].lives, -1);
  }
}

}  // namespace
