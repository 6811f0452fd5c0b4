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

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 30;

// 30 s of a 16-bit stereo tone at 44.1 kHz as a WAVE file.
std::string long_wave() {
  const uint32_t data = kRate * kSeconds * 4;
  std::string b = "RIFF";
  auto put = [&b](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(char((v >> (8 * i)) & 0xFF));
  };
  put(36 + data, 4);
  b += "WAVEfmt ";
  put(16, 4), put(1, 2), put(2, 2), put(kRate, 4), put(kRate * 4, 4), put(4, 2), put(16, 2);
  b += "data";
  put(data, 4);
  for (int i = 0; i < kRate * kSeconds; ++i) {
    const auto s = uint16_t(int16_t(10000 * std::sin(2 * M_PI * 440.0 * i / kRate)));
    put(s, 2), put(s, 2);
  }
  return b;
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
  static std::string file = long_wave();
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
  state.counters["block_MB"] = double(kSeconds) * 88200 / (1 << 20);
  state.SetLabel(loaded ? "30 s at 44.1 kHz: loaded" : "refused");
}
BENCHMARK(BM_LongSoundInPieces)->Unit(benchmark::kMillisecond);

void BM_LongSoundWholeSDL(benchmark::State& state) {
  static std::string file = long_wave();
  device();
  SDL_AudioCVT cvt;
  SDL_BuildAudioCVT(&cvt, AUDIO_S16LSB, 2, kRate, AUDIO_S16SYS, 2, 22050);
  const size_t bytes = file.size() - 44;
  for (auto _ : state) {
    std::vector<uint8_t> block(bytes * size_t(cvt.len_mult));
    std::memcpy(block.data(), file.data() + 44, bytes);
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
