// A long honest sound into a slot: read and converted a piece at a time
// into a block of its converted size, against what a loader would do
// without pieces, SDL_ConvertAudio over the whole file's samples in a
// block of SDL's working room. Both on SDL's dummy audio driver. Peak
// memory of whole loads: measure-load (docs/benchmarks.md).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "files/mem_file.h"
#include "host/sound_slots.h"
#include "platform/audio.h"
#include "tools/hostile_files.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 30;

constexpr size_t kHeader = 44;

// 30 s of a 16-bit stereo tone at 44.1 kHz as a WAVE file, made once for
// both benchmarks.
std::string& long_wave() {
  static std::string file = [] {
    std::string b = hostile::wav_header(kRate, 16, 2, kRate * kSeconds * 4);
    for (int i = 0; i < kRate * kSeconds; ++i) {
      const auto s = uint16_t(int16_t(10000 * std::sin(2 * M_PI * 440.0 * i / kRate)));
      for (int channel = 0; channel < 2; ++channel) b += {char(s & 0xFF), char(s >> 8)};
    }
    return b;
  }();
  return file;
}

SoundDevice& device() {
  static SoundDevice d;
  if (!d.ready) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    d.open(nullptr);
  }
  return d;
}

void BM_LongSoundInPieces(benchmark::State& state) {
  std::string& file = long_wave();
  char name[kMemFileNameSize];
  qvl_mem_file_register(reinterpret_cast<uint8_t*>(file.data()), uint32_t(file.size()), nullptr,
                        name);
  int loaded = 0;
  for (auto _ : state) {
    SoundSlot slot;
    loaded = slot.load(&device(), name, 1);
    slot.release();
  }
  qvl_mem_file_release(file.data());
  state.counters["block_MB"] =
      double(plat_sound_size(uint32_t(file.size() - kHeader), kRate, 16, 2)) / (1 << 20);
  state.SetLabel(loaded ? "30 s at 44.1 kHz: loaded" : "refused");
}
BENCHMARK(BM_LongSoundInPieces)->Unit(benchmark::kMillisecond);

void BM_LongSoundWholeSDL(benchmark::State& state) {
  const std::string& file = long_wave();
  device();
  SDL_AudioCVT cvt;
  SDL_BuildAudioCVT(&cvt, AUDIO_S16LSB, 2, kRate, AUDIO_S16SYS, 2, 22050);
  const size_t bytes = file.size() - kHeader;
  for (auto _ : state) {
    std::vector<uint8_t> block(bytes * size_t(cvt.len_mult));
    std::memcpy(block.data(), file.data() + kHeader, bytes);
    SDL_AudioCVT run = cvt;
    run.buf = block.data();
    run.len = int(bytes);
    SDL_ConvertAudio(&run);
    benchmark::DoNotOptimize(block.data());
  }
  state.counters["block_MB"] = double(bytes) * cvt.len_mult / (1 << 20);
}
BENCHMARK(BM_LongSoundWholeSDL)->Unit(benchmark::kMillisecond);

}  // namespace
