// Hostile files, now that every size a file declares is weighed before
// memory is taken: how long each refusal (or, for the swarm and the title,
// each frame) takes, against the matching honest file in the same run: the
// demo game, a small picture, a short sound, a small object.
// The peak memory and time of each through the real player, before and
// after, come from bench/hostile_player.py and measure-load
// (docs/benchmarks.md).
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_window.h"
#include "bench/quiet_stdout.h"
#include "files/mem_file.h"
#include "game/frame.h"
#include "game/gamefile.h"
#include "game/model.h"
#include "game/palette_sprites.h"
#include "game/play_seam.h"
#include "game/run.h"
#include "game/title_screen.h"
#include "gfx2d/image_files.h"
#include "gfx2d/png_codec.h"
#include "gfx2d/sprite_batch.h"
#include "gfx3d/kvd_file.h"
#include "gfx3d/scene_package.h"
#include "host/sound_slots.h"
#include "platform/file_io.h"
#include "platform/temp_folder.h"
#include "tools/demo_game.h"
#include "tools/hostile_files.h"
#include "tools/hostile_games.h"

namespace {

std::string temp_path(const std::string& name) {
  char dir[1024];
  qvl_os_temp_folder(dir, sizeof dir);
  return std::string(dir) + name;
}

void write(const std::string& path, const std::string& bytes) {
  PlatFile* f = plat_file_open(path.c_str(), PlatOpenMode::create);
  plat_file_write(f, bytes.data(), bytes.size());
  plat_file_close(f);
}

std::string demo_bytes() {
  Tgame g;
  demo_game_build(g);
  std::vector<uint8_t> bytes;
  BasicString reason;
  gamefile_encode(g, bytes, reason);
  return std::string(bytes.begin(), bytes.end());
}

// ---- Game files: parsed and checked from memory ----------------------------

const char* const kGames[] = {"demo", "view 16384", "sheets 340", "sheets 505 x 2"};

const std::string& game_file(int which) {
  static const std::vector<std::string> files = {
      demo_bytes(), hostile::game_with_view(16384, 16384),
      hostile::game_with_wide_sheets(340, 512, false),
      hostile::game_with_wide_sheets(505, 512, true)};
  return files[size_t(which)];
}

void BM_HostileGameParse(benchmark::State& state) {
  const std::string& bytes = game_file(int(state.range(0)));
  bool ok = false;
  for (auto _ : state) {
    Tgame g;
    GameFileError error;
    ok = gamefile_parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                        BasicString("game.zemo"), g, GameFileProgress(), error);
  }
  state.SetLabel(std::string(kGames[state.range(0)]) + (ok ? ": read" : ": refused"));
}
BENCHMARK(BM_HostileGameParse)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

// ---- Images: the reader chain on bytes in memory ---------------------------

const char* const kImages[] = {"256 x 256 PNG", "PNG stub 16384", "PNG blank 16384, 1 bit",
                               "PNG 8192 x 8192 ending after 256 rows", "JPEG stub 16384",
                               "JPEG of 1,000 empty scans, 16384"};

const std::string& image_file(int which) {
  static const std::vector<std::string> files = [] {
    PixelImage image;
    image.resize(256, 256);
    for (int i = 0; i < image.capacity; ++i) image.pixels[i] = uint8_t(i * 7 + i / 1024);
    ImageBytes png;
    qvl_png_encode(image.pixels, 256, 256, png);
    return std::vector<std::string>{
        std::string(reinterpret_cast<const char*>(png.data), png.size),
        hostile::png_declaring(16384, 16384), hostile::png_blank(16384, 16384, 0, 1, 9),
        hostile::png_blank(8192, 8192, 6, 8, 0, 256), hostile::jpeg_grey(16384, 16384, false, 1, 4),
        hostile::jpeg_grey(16384, 16384, true, 1000, 0)};
  }();
  return files[size_t(which)];
}

void BM_HostileImage(benchmark::State& state) {
  const std::string& bytes = image_file(int(state.range(0)));
  bool ok = false;
  int64_t block = 0;
  for (auto _ : state) {
    PixelImage image;
    ok = qvl_img_decode(image, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                        "bench", kNoColourKey);
    block = image.capacity;
  }
  state.SetLabel(std::string(kImages[state.range(0)]) + (ok ? ": read" : ": refused"));
  state.counters["block_MB"] = double(block) / (1 << 20);
}
BENCHMARK(BM_HostileImage)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

// ---- Sounds: a slot's load through SDL's conversion (dummy driver) ---------

const char* const kSounds[] = {"1 s at 22,050 Hz, 8-bit mono", "100 Hz, 512 KB", "100 Hz, 600 KB"};

void BM_HostileSound(benchmark::State& state) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  static SoundDevice device;
  if (!device.ready) device.open(nullptr);
  const uint32_t rate[] = {22050, 100, 100}, bytes[] = {22050, 512 << 10, 600 << 10};
  std::string file = hostile::wav_8bit_mono(rate[state.range(0)], bytes[state.range(0)]);
  char name[kMemFileNameSize];
  qvl_mem_file_register(file.data(), uint32_t(file.size()), nullptr, name);
  int loaded = 0;
  for (auto _ : state) {
    SoundSlot slot;
    loaded = slot.load(&device, name, 1);
    slot.release();
  }
  qvl_mem_file_release(file.data());
  state.SetLabel(std::string(kSounds[state.range(0)]) + (loaded ? ": loaded" : ": refused"));
}
BENCHMARK(BM_HostileSound)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// ---- A scene package of one texture, and object files -----------------------

void BM_HostilePackage(benchmark::State& state) {
  bench_window();
  const bool huge = state.range(0) == 1;
  const std::string texture = temp_path(huge ? "qvl_bench_blank.png" : "qvl_bench_small.png");
  write(texture, huge ? hostile::png_blank(16384, 16384, 0, 1, 9) : image_file(0));
  const std::string package = temp_path("qvl_bench.kvw");
  write(package, hostile::package_of_texture(texture.substr(texture.rfind('/') + 1)));
  bool ok = false;
  for (auto _ : state) {
    ObjectSlot slot;
    ok = qvl_x3d_load_package(package.c_str(), slot, 0x8000FF);
    slot.clear_parts(true);
  }
  state.SetLabel(std::string(huge ? "naming a blank PNG of 16384 x 16384" : "naming a 256 x 256 PNG") +
                 (ok ? ": loaded" : ": refused"));
}
BENCHMARK(BM_HostilePackage)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_HostileKvd(benchmark::State& state) {
  const bool huge = state.range(0) == 1;
  const std::string name = temp_path("qvl_bench.kvd");
  write(name, hostile::kvd_triangle());
  if (huge && truncate(name.c_str(), kKvdMaxFileBytes + 1) != 0) state.SkipWithError("truncate");
  bool ok = false;
  for (auto _ : state) {
    MeshObject object;
    ok = qvl_kvd_read(object, name.c_str());
  }
  state.SetLabel(std::string(huge ? "64 MB + 1 byte" : "one triangle") + (ok ? ": read" : ": refused"));
}
BENCHMARK(BM_HostileKvd)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// ---- Frames: the title screen, and the frame that starts a swarm -----------

// Play without the host: no keys, no waiting; `game` is left as it was.
class QuietPlay {
 public:
  QuietPlay() : saved_game_(game), saved_seam_(play_seam) {
    bench_window();
    play_seam.key = [](int) { return 0; };
    play_seam.mouse = [](int* x, int* y, int* b1, int* b2) { *x = *y = *b1 = *b2 = 0; };
    play_seam.message_step = [] {};
    play_seam.show_screen = [] {};
    play_seam.sleep = [](int) {};
  }
  ~QuietPlay() {
    game = saved_game_;
    play_seam = saved_seam_;
  }

 private:
  Tgame saved_game_;
  PlaySeam saved_seam_;
};

void BM_TitleFrame(benchmark::State& state) {
  QuietPlay play;
  QuietStdout quiet;
  demo_game_build(game);
  if (state.range(0) == 1) game.game_text.assign_cstr(std::string(1 << 20, '\n').c_str());
  game_run(game, 0, 0, 0);
  for (auto _ : state) {
    menu_title_screen(game, 0, playgame);
    qvl_gfx_flush_sprites();  // as presenting the frame does
  }
  glFinish();
  state.SetLabel(state.range(0) == 1 ? "1 MB of line feeds" : "the demo's text");
}
BENCHMARK(BM_TitleFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The first frame of the demo's first level, and the same with its first
// wave made 1,000 spawn points of 1,000 templates, all in view: the frame
// starts the 256 enemies the wave may have alive, moves and draws them.
void BM_SwarmFrame(benchmark::State& state) {
  QuietPlay play;
  QuietStdout quiet;
  demo_game_build(game);
  if (state.range(0) == 1) {
    const std::string bytes = hostile::game_with_swarm(1000, 1000);
    GameFileError error;
    Tgame swarm;
    gamefile_parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                   BasicString("swarm.zemo"), swarm, GameFileProgress(), error);
    game.levels = swarm.levels;
  }
  gamefile_build_sprites(game.images, game.palette, kFirstImageSprite, 16, kImageSheetSprite);
  gamefile_build_sprites(game.tiles, game.palette, kFirstTileSprite, 16, kTileSheetSprite);
  game_run(game, 0, 0, 0);
  game.players.data[0].lives = 3;
  level_start(game);
  const TGameState start = gamestate;
  const Tlevel level = game.levels.data[0];
  for (auto _ : state) {
    state.PauseTiming();
    gamestate = start;
    game.levels.data[0] = level;
    state.ResumeTiming();
    game_frame(game);
    qvl_gfx_flush_sprites();
    glFinish();
  }
  state.counters["enemies"] = gamestate.enemies.size1;
  state.SetLabel(state.range(0) == 1 ? "a swarm of 1,000 x 1,000" : "the demo");
}
BENCHMARK(BM_SwarmFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
