// BasicArray against std::vector, what a C++ programmer would use instead:
// checked element access, push, and the language's quicksort against
// std::sort. The quicksort's cost is part of the language (its second scan
// runs upward, so parts are unbalanced: about n^2/5 compare calls on random
// input), and push grows a block by a fixed step, copying every element at
// each growth; the numbers here show what that costs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/basic_array.h"

namespace {

struct Enemy {
  int draw_order = 0;
  double x = 0, y = 0;
};
int qvl_array_first_field(const Enemy& e) { return e.draw_order; }

std::vector<double> random_numbers(int n) {
  std::mt19937 rng(42);
  std::uniform_real_distribution<double> dist(0, 1000);
  std::vector<double> v(n);
  for (double& x : v) x = dist(rng);
  return v;
}

std::vector<Enemy> random_enemies(int n) {
  std::mt19937 rng(7);
  std::vector<Enemy> v(n);
  for (Enemy& e : v) e.draw_order = int(rng() % 16);
  return v;
}

double compare_numbers(double& a, double& b) { return a < b ? -1 : a > b ? 1 : 0; }

// The language's sort with compare_numbers, on a fresh copy of input each
// pass.
void time_sort_compare(benchmark::State& state, const std::vector<double>& input) {
  const int n = static_cast<int>(input.size());
  BasicArray<double> a;
  for (auto _ : state) {
    state.PauseTiming();
    a.fill(n, input.data());
    state.ResumeTiming();
    a.sort(compare_numbers);
  }
  state.SetComplexityN(n);
}

// ---- element access ----

void BM_BasicArray_At(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  BasicArray<int> a;
  a.dim(n, 0, 0, 0);
  for (int i = 0; i < n; ++i) a.at(i) = i;
  for (auto _ : state) {
    int64_t sum = 0;
    for (int i = 0; i < n; ++i) sum += a.at(i);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_BasicArray_At)->Range(1 << 10, 1 << 18);

void BM_StdVector_Index(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<int> v(n);
  for (int i = 0; i < n; ++i) v[i] = i;
  for (auto _ : state) {
    int64_t sum = 0;
    for (int i = 0; i < n; ++i) sum += v[i];
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StdVector_Index)->Range(1 << 10, 1 << 18);

void BM_StdVector_At(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<int> v(n);
  for (int i = 0; i < n; ++i) v[i] = i;
  for (auto _ : state) {
    int64_t sum = 0;
    for (int i = 0; i < n; ++i) sum += v.at(i);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StdVector_At)->Range(1 << 10, 1 << 18);

// A 2-D grid walked row by row, as tile maps are.
void BM_BasicArray_At2(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  BasicArray<int> a;
  a.dim(side, side, 0, 0);
  for (auto _ : state) {
    int64_t sum = 0;
    for (int j = 0; j < side; ++j)
      for (int i = 0; i < side; ++i) sum += a.at2(i, j);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_BasicArray_At2)->Range(32, 512);

void BM_StdVector_Grid(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  std::vector<int> v(size_t(side) * side);
  for (auto _ : state) {
    int64_t sum = 0;
    for (int j = 0; j < side; ++j)
      for (int i = 0; i < side; ++i) sum += v[size_t(i) + size_t(j) * side];
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_StdVector_Grid)->Range(32, 512);

// ---- push ----
// std::vector<int>'s push_back, the baseline for these, is timed once in
// grow_vector_bench.cpp over the same lengths.

void BM_BasicArray_PushInt(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    BasicArray<int> a;
    for (int i = 0; i < n; ++i) a.push(i);
    benchmark::DoNotOptimize(a.data);
  }
  state.SetComplexityN(n);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_BasicArray_PushInt)->RangeMultiplier(4)->Range(64, 1 << 14)->Complexity();

void BM_BasicArray_PushString(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const BasicString word("field");
  for (auto _ : state) {
    BasicArray<BasicString> a;
    for (int i = 0; i < n; ++i) a.push(word);
    benchmark::DoNotOptimize(a.data);
  }
  state.SetComplexityN(n);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_BasicArray_PushString)->RangeMultiplier(4)->Range(64, 1 << 14)->Complexity();

// The same element type as above, so only the container differs.
void BM_StdVector_PushBasicString(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const BasicString word("field");
  for (auto _ : state) {
    std::vector<BasicString> v;
    for (int i = 0; i < n; ++i) v.push_back(word);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetComplexityN(n);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StdVector_PushBasicString)->RangeMultiplier(4)->Range(64, 1 << 14)->Complexity();

// ---- sort ----

void BM_BasicArray_SortCompare(benchmark::State& state) {
  time_sort_compare(state, random_numbers(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_BasicArray_SortCompare)->RangeMultiplier(4)->Range(256, 1 << 14)->Complexity();

// Already sorted input: the language's quicksort makes about n^2 / 2
// compare calls here (its pivot is always the last element).
void BM_BasicArray_SortCompareSorted(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<double> input(n);
  for (int i = 0; i < n; ++i) input[i] = i;
  time_sort_compare(state, input);
}
BENCHMARK(BM_BasicArray_SortCompareSorted)->RangeMultiplier(4)->Range(256, 1 << 14)->Complexity();

void BM_StdSort_Compare(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<double> input = random_numbers(n);
  std::vector<double> v;
  double (*volatile compare)(double&, double&) = compare_numbers;  // an opaque call, as above
  for (auto _ : state) {
    state.PauseTiming();
    v = input;
    state.ResumeTiming();
    std::sort(v.begin(), v.end(), [compare](double& x, double& y) { return compare(x, y) < 0; });
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_StdSort_Compare)->RangeMultiplier(4)->Range(256, 1 << 14)->Complexity();

// The game's draw-order sort of its enemies by their first field.
void BM_BasicArray_SortByFirst(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<Enemy> input = random_enemies(n);
  BasicArray<Enemy> a;
  for (auto _ : state) {
    state.PauseTiming();
    a.dim(n, 0, 0, 0);
    for (int i = 0; i < n; ++i) a.at(i) = input[i];
    state.ResumeTiming();
    a.sort(nullptr);
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_BasicArray_SortByFirst)->RangeMultiplier(4)->Range(64, 1 << 12)->Complexity();

void BM_StdSort_ByFirst(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<Enemy> input = random_enemies(n);
  std::vector<Enemy> v;
  for (auto _ : state) {
    state.PauseTiming();
    v = input;
    state.ResumeTiming();
    std::sort(v.begin(), v.end(),
              [](const Enemy& x, const Enemy& y) { return x.draw_order < y.draw_order; });
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_StdSort_ByFirst)->RangeMultiplier(4)->Range(64, 1 << 12)->Complexity();

}  // namespace
