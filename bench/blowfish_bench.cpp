// Blowfish throughput (ECB over a buffer) with memcpy of the same buffer as
// the floor, and the cost of the key schedule that every hex command pays.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "core/basic_string.h"
#include "files/blowfish.h"
#include "files/cipher_commands.h"

namespace {

const uint8_t kKey[] = "benchmark key";

void BM_BlowfishEncrypt(benchmark::State& state) {
  Blowfish bf;
  bf.set_key(kKey, sizeof kKey - 1);
  std::vector<uint8_t> in(static_cast<size_t>(state.range(0)), 0x5a), out(in.size());
  for (auto _ : state) {
    bf.encrypt(in.data(), out.data(), in.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_BlowfishDecrypt(benchmark::State& state) {
  Blowfish bf;
  bf.set_key(kKey, sizeof kKey - 1);
  std::vector<uint8_t> buf(static_cast<size_t>(state.range(0)), 0x5a);
  for (auto _ : state) {
    bf.decrypt(buf.data(), buf.data(), buf.size());
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_Memcpy(benchmark::State& state) {
  std::vector<uint8_t> in(static_cast<size_t>(state.range(0)), 0x5a), out(in.size());
  for (auto _ : state) {
    std::memcpy(out.data(), in.data(), in.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_BlowfishSetKey(benchmark::State& state) {
  Blowfish bf;
  for (auto _ : state) {
    bf.set_key(kKey, sizeof kKey - 1);
    benchmark::DoNotOptimize(bf.p_array);
  }
}

void BM_EncryptHexShortText(benchmark::State& state) {
  const BasicString key("benchmark key"), text("a short saved setting");
  for (auto _ : state) benchmark::DoNotOptimize(qvl_str_encrypt_hex(key, text));
}

BENCHMARK(BM_BlowfishEncrypt)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_BlowfishDecrypt)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_Memcpy)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_BlowfishSetKey);
BENCHMARK(BM_EncryptHexShortText);

}  // namespace
