// Strings against what a C++ programmer would reach for instead:
// BasicString appends against std::string, the runtime's double text
// against snprintf "%.10g", and concatenation against std::string's +.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "core/basic_string.h"
#include "core/number_text.h"
#include "core/string_ops.h"

namespace {

// Building a long string one byte at a time must stay linear.
void BM_BasicString_AppendChar(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    BasicString s;
    for (int i = 0; i < n; ++i) s.append_char(static_cast<char>('a' + (i & 15)));
    benchmark::DoNotOptimize(s.text);
  }
  state.SetComplexityN(n);
  state.SetBytesProcessed(state.iterations() * n);
}
BENCHMARK(BM_BasicString_AppendChar)->RangeMultiplier(8)->Range(64, 1 << 21)->Complexity();

void BM_StdString_PushBack(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < n; ++i) s.push_back(static_cast<char>('a' + (i & 15)));
    benchmark::DoNotOptimize(s.data());
  }
  state.SetComplexityN(n);
  state.SetBytesProcessed(state.iterations() * n);
}
BENCHMARK(BM_StdString_PushBack)->RangeMultiplier(8)->Range(64, 1 << 21)->Complexity();

// Appending words, as a program building a line of text does.
void BM_BasicString_AppendCstr(benchmark::State& state) {
  for (auto _ : state) {
    BasicString s;
    for (int i = 0; i < 1000; ++i) s.append_cstr("word ");
    benchmark::DoNotOptimize(s.text);
  }
  state.SetBytesProcessed(state.iterations() * 5000);
}
BENCHMARK(BM_BasicString_AppendCstr);

void BM_StdString_AppendCstr(benchmark::State& state) {
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < 1000; ++i) s.append("word ");
    benchmark::DoNotOptimize(s.data());
  }
  state.SetBytesProcessed(state.iterations() * 5000);
}
BENCHMARK(BM_StdString_AppendCstr);

const double kValues[] = {1.0, 0.5, -2.5, 1.0 / 3, 1234567890.0, 0.05,
                          1e10, 123456789012.0, 3.14159265358979, 6.02e23};

void BM_DoubleText_Runtime(benchmark::State& state) {
  char buffer[kQvlGcvtBufferSize];
  for (auto _ : state) {
    for (double v : kValues) {
      benchmark::DoNotOptimize(qvl_fmt_gcvt(v, buffer));
      benchmark::ClobberMemory();
    }
  }
  state.SetItemsProcessed(state.iterations() * std::size(kValues));
}
BENCHMARK(BM_DoubleText_Runtime);

void BM_DoubleText_Snprintf(benchmark::State& state) {
  char buffer[64];
  for (auto _ : state) {
    for (double v : kValues) {
      benchmark::DoNotOptimize(std::snprintf(buffer, sizeof buffer, "%.10g", v));
      benchmark::ClobberMemory();
    }
  }
  state.SetItemsProcessed(state.iterations() * std::size(kValues));
}
BENCHMARK(BM_DoubleText_Snprintf);

// A whole string value made from a number, as the language's str$ does.
void BM_DoubleText_BasicString(benchmark::State& state) {
  for (auto _ : state) {
    for (double v : kValues) {
      BasicString s;
      s.init_double(v);
      benchmark::DoNotOptimize(s.text);
    }
  }
  state.SetItemsProcessed(state.iterations() * std::size(kValues));
}
BENCHMARK(BM_DoubleText_BasicString);

void BM_Concat_BasicString(benchmark::State& state) {
  const BasicString left("Score: "), right("points");
  for (auto _ : state) {
    BasicString a = qvl_str_concat_str_int(left, 12345);
    BasicString b = qvl_str_concat_str_cstr(a, " ");
    BasicString c = qvl_str_concat_str_str(b, right);
    benchmark::DoNotOptimize(c.text);
  }
}
BENCHMARK(BM_Concat_BasicString);

void BM_Concat_StdString(benchmark::State& state) {
  const std::string left("Score: "), right("points");
  for (auto _ : state) {
    std::string a = left + std::to_string(12345);
    std::string b = a + " ";
    std::string c = b + right;
    benchmark::DoNotOptimize(c.data());
  }
}
BENCHMARK(BM_Concat_StdString);

// The quadratic pattern a program writes as s$ = s$ + "x" in a loop.
void BM_Concat_Repeated_BasicString(benchmark::State& state) {
  for (auto _ : state) {
    BasicString s;
    for (int i = 0; i < 1000; ++i) s = qvl_str_concat_str_cstr(s, "x");
    benchmark::DoNotOptimize(s.text);
  }
}
BENCHMARK(BM_Concat_Repeated_BasicString);

void BM_Concat_Repeated_StdString(benchmark::State& state) {
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < 1000; ++i) s = s + "x";
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_Concat_Repeated_StdString);

}  // namespace
