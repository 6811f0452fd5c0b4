// LZ decoding speed against what a user would pick instead: a plain copy of
// the same bytes (the upper bound) and zlib's inflate on the same data.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "files/lz_codec.h"

namespace {

// Game-like media: text with repeats, runs, and some noise.
const std::vector<uint8_t>& sample() {
  static const std::vector<uint8_t> data = [] {
    std::vector<uint8_t> out;
    std::mt19937 rng(42);
    while (out.size() < (4u << 20)) {
      switch (rng() % 3) {
        case 0: {
          std::string line = "enemy " + std::to_string(rng() % 500) + " path " +
                             std::to_string(rng() % 40) + "\r\n";
          out.insert(out.end(), line.begin(), line.end());
          break;
        }
        case 1:
          out.insert(out.end(), 16 + rng() % 64, static_cast<uint8_t>(rng()));
          break;
        default:
          for (int i = 0; i < 32; ++i) out.push_back(static_cast<uint8_t>(rng()));
      }
    }
    return out;
  }();
  return data;
}

void BM_LzDecode(benchmark::State& state) {
  const auto& data = sample();
  LzCodec packer;
  int packed = packer.encode(data.data(), static_cast<int>(data.size()));
  for (auto _ : state) {
    LzCodec codec;
    benchmark::DoNotOptimize(codec.decode(packer.output, packed));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
  state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(data.size());
}
BENCHMARK(BM_LzDecode);

void BM_Memcpy(benchmark::State& state) {
  const auto& data = sample();
  std::vector<uint8_t> copy(data.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), data.data(), data.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_Memcpy);

void BM_ZlibInflate(benchmark::State& state) {
  const auto& data = sample();
  uLongf packed_length = compressBound(data.size());
  std::vector<uint8_t> packed(packed_length);
  compress2(packed.data(), &packed_length, data.data(), data.size(), 6);
  std::vector<uint8_t> out(data.size());
  for (auto _ : state) {
    uLongf out_length = out.size();
    benchmark::DoNotOptimize(uncompress(out.data(), &out_length, packed.data(), packed_length));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
  state.counters["ratio"] = static_cast<double>(packed_length) / static_cast<double>(data.size());
}
BENCHMARK(BM_ZlibInflate);

}  // namespace
