// The game file and the sound synthesiser: loading a 10 MB game against
// reading its bytes raw, saving it, and rendering the longest sound a
// parameter string can make against real time.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/quiet_stdout.h"
#include "game/gamefile.h"
#include "game/sfxr_synth.h"
#include "gfx2d/opengl_rainbows.h"
#include "platform/file_io.h"
#include "platform/temp_folder.h"
#include "tools/demo_game.h"

namespace {

std::string temp_path(const char* name) {
  char dir[1024];
  qvl_os_temp_folder(dir, sizeof dir);
  return std::string(dir) + name;
}

// The demo game grown to about 10 MB: 1024 object images and 1024 tiles of
// 56 x 56, and 56 levels of 40 x 400 tiles.
const Tgame& big_game() {
  static Tgame g = [] {
    Tgame game;
    demo_game_build(game);
    for (BasicArray<Timage>* images : {&game.images, &game.tiles}) {
      const int old = images->size1;
      images->redim(1024, 0, 0, 0);
      for (int k = 0; k < 1024; ++k) {
        Timage& image = images->data[k];
        if (k >= old) image.sprite = images->data[0].sprite + k;
        image.pixels.dim(56, 56, 0, 0);
        for (int i = 0; i < 56 * 56; ++i) image.pixels.data[i] = (i * 7 + k) % 24;
      }
    }
    const Tlevel first = game.levels.data[0];
    game.levels.dim(56, 0, 0, 0);
    for (int l = 0; l < 56; ++l) {
      Tlevel& level = game.levels.data[l] = first;
      for (int layer = 0; layer < 2; ++layer) {
        BasicArray<int>& tiles = level.layers.data[layer].tiles;
        tiles.dim(40, 400, 0, 0);
        for (int c = 0; c < tiles.count; ++c) tiles.data[c] = (c + l) % 7 - layer;
      }
    }
    return game;
  }();
  return g;
}

const std::string& big_file() {
  static std::string path = [] {
    std::string p = temp_path("qvl_bench_game.zemo");
    std::vector<uint8_t> bytes;
    BasicString reason;
    gamefile_encode(big_game(), bytes, reason);
    PlatFile* f = plat_file_open(p.c_str(), PlatOpenMode::create);
    plat_file_write(f, bytes.data(), bytes.size());
    plat_file_close(f);
    return p;
  }();
  return path;
}

int64_t big_file_size() { return plat_path_info(big_file().c_str()).size; }

void BM_GameFileReadRaw(benchmark::State& state) {
  std::vector<uint8_t> bytes(static_cast<size_t>(big_file_size()));
  for (auto _ : state) {
    PlatFile* f = plat_file_open(big_file().c_str(), PlatOpenMode::read);
    size_t got = 0;
    plat_file_read(f, bytes.data(), bytes.size(), &got);
    plat_file_close(f);
    benchmark::DoNotOptimize(got);
  }
  state.SetBytesProcessed(state.iterations() * big_file_size());
}
BENCHMARK(BM_GameFileReadRaw)->Unit(benchmark::kMillisecond);

// The parse alone, from bytes in memory.
void BM_GameFileParse(benchmark::State& state) {
  big_file();
  std::vector<uint8_t> bytes(static_cast<size_t>(big_file_size()));
  PlatFile* f = plat_file_open(big_file().c_str(), PlatOpenMode::read);
  size_t got = 0;
  plat_file_read(f, bytes.data(), bytes.size(), &got);
  plat_file_close(f);
  for (auto _ : state) {
    Tgame g;
    GameFileError error;
    benchmark::DoNotOptimize(gamefile_parse(bytes.data(), bytes.size(), BasicString("game.zemo"), g,
                                            GameFileProgress(), error));
  }
  state.SetBytesProcessed(state.iterations() * big_file_size());
}
BENCHMARK(BM_GameFileParse)->Unit(benchmark::kMillisecond);

// The whole load without a window or sound device: the file, the parse
// and its checks, and the synthesis of the game's six sounds. The drawing
// benchmarks' window, when one is open, is out of the load's sight: with
// it the load would also make 2,048 textures and two sprite sheets.
void BM_GameFileLoad(benchmark::State& state) {
  BasicString name(big_file().c_str());
  QuietStdout quiet;
  OpenGLRainbows* const window = qvl_gfx_rainbows;
  qvl_gfx_rainbows = nullptr;
  for (auto _ : state) {
    Tgame g;
    benchmark::DoNotOptimize(gamefile_read(g, name));
  }
  qvl_gfx_rainbows = window;
  state.SetBytesProcessed(state.iterations() * big_file_size());
}
BENCHMARK(BM_GameFileLoad)->Unit(benchmark::kMillisecond);

void BM_GameFileEncode(benchmark::State& state) {
  std::vector<uint8_t> bytes;
  BasicString reason;
  for (auto _ : state) benchmark::DoNotOptimize(gamefile_encode(big_game(), bytes, reason));
  state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}
BENCHMARK(BM_GameFileEncode)->Unit(benchmark::kMillisecond);

// Saving: encoding, a temporary file written and synced, the rename.
void BM_GameFileWrite(benchmark::State& state) {
  Tgame g = big_game();
  const BasicString name(temp_path("qvl_bench_saved.zemo").c_str());
  QuietStdout quiet;
  for (auto _ : state) benchmark::DoNotOptimize(gamefile_write(g, name, false));
  state.SetBytesProcessed(state.iterations() * big_file_size());
}
BENCHMARK(BM_GameFileWrite)->Unit(benchmark::kMillisecond);

// The longest sound: attack, sustain and decay at 1, 300,010 samples
// (6.8 s at 44100 Hz). The counter is seconds of sound per second.
void BM_SfxrLongestSound(benchmark::State& state, const char* params) {
  std::vector<uint8_t> wav;
  TSfxrSynth synth;
  synth.parse_params(BasicString(params));
  double seconds = 0;
  for (auto _ : state) {
    TSfxrSynth s = synth;
    s.render_wave(wav);
    seconds += double(wav.size() - 44) / 2 / 44100;
  }
  state.counters["x_real_time"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(BM_SfxrLongestSound, square,
                  "0,1,1,0,1,0.3,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0,0")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SfxrLongestSound, sine_filtered_phaser,
                  "2,1,1,0.5,1,0.5,0,0.1,0,0.5,0.5,0,0,0,0,0,0.3,0.2,0.6,0.1,0.5,0.2,0.1")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SfxrLongestSound, noise_high,
                  "3,1,1,0,1,1,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0,0")
    ->Unit(benchmark::kMillisecond);

}  // namespace
