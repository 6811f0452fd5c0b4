// GrowVector push against std::vector push_back, for plain numbers and for
// strings; the int baseline also serves BasicArray's push in
// arrays_bench.cpp. GrowVector grows by a fixed step after its first block where
// std::vector doubles, so it reallocates more often on long runs; these
// numbers show what that costs.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/basic_string.h"
#include "core/grow_vector.h"

namespace {

void BM_GrowVector_PushInt(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    GrowVector<int> v;  // step 128, minimum 512, as most owners use
    for (int i = 0; i < n; ++i) v.push(i);
    benchmark::DoNotOptimize(v.data);
  }
  state.SetComplexityN(n);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_GrowVector_PushInt)->RangeMultiplier(4)->Range(64, 1 << 18)->Complexity();

void BM_StdVector_PushInt(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<int> v;
    for (int i = 0; i < n; ++i) v.push_back(i);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetComplexityN(n);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StdVector_PushInt)->RangeMultiplier(4)->Range(64, 1 << 18)->Complexity();

// Refilling a cleared vector, as the polygon batch does every frame.
void BM_GrowVector_RefillInt(benchmark::State& state) {
  GrowVector<int> v;
  for (auto _ : state) {
    v.clear(false);
    for (int i = 0; i < 4096; ++i) v.push(i);
    benchmark::DoNotOptimize(v.data);
  }
  state.SetItemsProcessed(state.iterations() * 4096);
}
BENCHMARK(BM_GrowVector_RefillInt);

void BM_StdVector_RefillInt(benchmark::State& state) {
  std::vector<int> v;
  for (auto _ : state) {
    v.clear();
    for (int i = 0; i < 4096; ++i) v.push_back(i);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * 4096);
}
BENCHMARK(BM_StdVector_RefillInt);

void BM_GrowVector_PushString(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const BasicString word("Media/images/player sprite.png");
  for (auto _ : state) {
    GrowVector<BasicString> v;
    for (int i = 0; i < n; ++i) v.push(word);
    benchmark::DoNotOptimize(v.data);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_GrowVector_PushString)->RangeMultiplier(8)->Range(512, 1 << 15);

void BM_StdVector_PushString(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string word("Media/images/player sprite.png");
  for (auto _ : state) {
    std::vector<std::string> v;
    for (int i = 0; i < n; ++i) v.push_back(word);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StdVector_PushString)->RangeMultiplier(8)->Range(512, 1 << 15);

}  // namespace
