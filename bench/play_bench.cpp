// Play against the 16.7 ms of a 60 Hz frame:
// - one frame's logic (camera, waves, 200 enemies on their paths with
//   their touches, 200 shots tested against every enemy and the walls, the
//   players, the draw-order sort, the level's end) with its cells added to
//   the batches but nothing drawn; the goal is under 1 ms;
// - the enemies' draw-order sort on input that is already in order, at 200
//   and 1,000 enemies: the runtime's array sort (quadratic on such input),
//   play's sort (which sees the order first and leaves it), and std::sort
//   with the same compare, what a C++ programmer would write instead;
// - one whole frame on Mesa at 1024 x 768 (the 320 x 480 picture drawn
//   into its target and stretched onto the screen, glFinish included).
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "bench/bench_window.h"
#include "game/camera.h"
#include "game/enemies.h"
#include "game/frame.h"
#include "game/palette_sprites.h"
#include "game/paths.h"
#include "game/play_seam.h"
#include "game/players.h"
#include "game/run.h"
#include "game/shots.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/poly_batch.h"
#include "gfx2d/sprite_batch.h"
#include "tools/demo_game.h"

namespace {

constexpr int kEnemies = 200, kShots = 200;

// Play without the host: no keys, no waiting.
void quiet_seam() {
  play_seam.key = [](int) { return 0; };
  play_seam.mouse = [](int* x, int* y, int* b1, int* b2) { *x = *y = *b1 = *b2 = 0; };
  play_seam.message_step = [] {};
  play_seam.show_screen = [] {};
  play_seam.sleep = [](int) {};
}

// The demo's first level with both players in play, 200 looping saucers
// spread over a zigzag through the picture (too tough to die, never
// firing, letting shots through) and 200 player shots flying up among
// them; the state every timed frame starts from.
struct Scene {
  TGameState state;
  BasicArray<Tobject> players;
  int clock = 0;

  Scene() {
    bench_window();
    quiet_seam();
    const int out = dup(1);  // the run's progress lines
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    demo_game_build(game);
    gamefile_build_sprites(game.images, game.palette, kFirstImageSprite, 16, kImageSheetSprite);
    gamefile_build_sprites(game.tiles, game.palette, kFirstTileSprite, 16, kTileSheetSprite);
    game_run(game, 0, 0, 0);
    for (int i = 0; i < game.players.size1; ++i) game.players.data[i].lives = 3;
    Tlevel& level = game.levels.data[0];
    level.waves.dim(1, 0, 0, 0);
    Twave& wave = level.waves.data[0];
    const int top = 1600 - 480;
    for (int k = 0; k < 8; ++k) wave.path.push(Tpoint{k % 2 ? 280 : 20, top + 20 + k * 40});
    level_start(game);
    dup2(out, 1);
    close(out);
    close(null);
    const int length = int(wave_path_length(wave));
    for (int i = 0; i < kEnemies; ++i) {
      Tenemy e;
      e.obj.anim = 10;  // the saucers
      e.obj.lives = 1 << 30;
      e.obj.solid = 0;
      e.obj.next_fire = INT32_MAX;
      e.obj.loops = 1;
      e.obj.hit_sprite = 11;
      e.path_pos = i * length / kEnemies;
      e.path_end = length;
      e.group = 1;
      gamestate.enemies.push(e);
    }
    for (int i = 0; i < kShots; ++i) {
      Tshot s;
      s.anim = 3;  // player 1's bolt
      s.sprite = 9;
      s.owner = i % 2;
      s.pos = Tpoint{16 + (i * 37) % 288, top + 40 + (i * 53) % 400};
      s.expires = INT32_MAX;
      s.vy = -6;
      shot_add(s, gamestate.shots);
    }
    state = gamestate;
    players = game.players;
    clock = frame_clock;
  }
  void restore() {
    gamestate = state;
    game.players = players;
    frame_clock = clock;
  }
};

// The scene, built again whenever the window is (its sprites go with it).
Scene& scene() {
  static std::unique_ptr<Scene> s;
  static int made_on = 0;
  bench_window();
  if (bench_window_is_new(made_on)) {
    s.reset();
    s.reset(new Scene());
  }
  return *s;
}

// A frame's game logic, from the clock to the level's end (camera, waves,
// enemies, shots and players), the cells going into a batch that is emptied
// instead of drawn.
void frame_logic(Tgame& g) {
  const int now = game_clock_step(1);
  Tlevel& level = g.levels.data[gamestate.level];
  for (int i = 0; i < g.players.size1; ++i) gamestate.last_pos.data[i] = g.players.data[i].pos;
  camera_step(g, level, camera_census(g.players, gamestate.level_size));
  wave_trigger(g, level);
  gamestate.last_cam_x = gamestate.cam_x;
  gamestate.last_cam_y = gamestate.cam_y;
  qvl_gfx_poly_begin(kImageSheetSprite, 2);
  cell_size = gamestate.sprite_size.x;
  const bool must_kill = enemies_step(g, level, now);
  if (++game_sort_counter > 4) {
    enemies_sort_draw_order(gamestate.enemies);
    game_sort_counter = 0;
  }
  shots_update(g, level);
  players_step(g, level, now);
  shots_draw(g, now);
  benchmark::DoNotOptimize(level_end_step(g, level, now, must_kill));
  qvl_gfx_poly_batch.begin(2);
}

void BM_PlayFrameLogic(benchmark::State& state) {
  Scene& s = scene();
  for (auto _ : state) {
    state.PauseTiming();
    s.restore();
    state.ResumeTiming();
    frame_logic(game);
  }
  state.counters["enemies"] = gamestate.enemies.size1;
  state.counters["shots"] = gamestate.shots.size1;
}
BENCHMARK(BM_PlayFrameLogic)->Unit(benchmark::kMicrosecond);

void BM_PlayWholeFrame(benchmark::State& state) {
  Scene& s = scene();
  for (auto _ : state) {
    state.PauseTiming();
    s.restore();
    state.ResumeTiming();
    glClear(GL_COLOR_BUFFER_BIT);
    game_frame(game);
    qvl_gfx_flush_sprites();  // as presenting the frame does
    glFinish();
  }
}
BENCHMARK(BM_PlayWholeFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// n enemies standing in draw order, row by row.
BasicArray<Tenemy> sorted_enemies(int n) {
  BasicArray<Tenemy> e;
  for (int i = 0; i < n; ++i) {
    Tenemy x;
    x.obj.pos = Tpoint{(i % 20) * 16, (i / 20) * 16};
    e.push(x);
  }
  return e;
}

void BM_EnemySortSorted_Runtime(benchmark::State& state) {
  BasicArray<Tenemy> e = sorted_enemies(int(state.range(0)));
  for (auto _ : state) e.sort(enemy_compare_draw_order);
}
BENCHMARK(BM_EnemySortSorted_Runtime)->Arg(200)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_EnemySortSorted_Play(benchmark::State& state) {
  BasicArray<Tenemy> e = sorted_enemies(int(state.range(0)));
  for (auto _ : state) enemies_sort_draw_order(e);
}
BENCHMARK(BM_EnemySortSorted_Play)->Arg(200)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_EnemySortSorted_StdSort(benchmark::State& state) {
  const BasicArray<Tenemy> source = sorted_enemies(int(state.range(0)));
  std::vector<Tenemy> e(source.data, source.data + source.size1);
  for (auto _ : state)
    std::sort(e.begin(), e.end(), [](Tenemy& a, Tenemy& b) { return enemy_compare_draw_order(a, b) < 0; });
}
BENCHMARK(BM_EnemySortSorted_StdSort)->Arg(200)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
