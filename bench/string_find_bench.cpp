// Forward search of the string commands against glibc's memmem, which a C
// programmer would reach for instead; and replace-all against a hand-written
// std::string loop.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>

#include "core/string_commands.h"

namespace {

// Pseudo-random lower-case prose with the needle placed at the very end.
std::string make_haystack(size_t n, const std::string& needle) {
  std::mt19937 rng(1);
  std::string s(n, ' ');
  for (char& c : s) {
    const int r = static_cast<int>(rng() % 27);
    c = r == 26 ? ' ' : static_cast<char>('a' + r);
  }
  s.replace(n - needle.size(), needle.size(), needle);
  return s;
}

BasicString to_basic(const std::string& s) {
  BasicString r;
  r.reserve(static_cast<int>(s.size()), false);
  std::memcpy(r.text, s.data(), s.size());
  r.text[s.size()] = 0;
  r.length = static_cast<int>(s.size());
  return r;
}

const char* needle_for(int64_t len) {
  switch (len) {
    case 1: return "Q";
    case 4: return "Qxyz";
    default: return "QUARVEL-needle-16";
  }
}

void BM_StrFind(benchmark::State& state) {
  const std::string needle = needle_for(state.range(1));
  const std::string hay = make_haystack(static_cast<size_t>(state.range(0)), needle);
  const BasicString text = to_basic(hay), pattern = to_basic(needle);
  for (auto _ : state) benchmark::DoNotOptimize(qvl_str_find(text, pattern, 0));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_Memmem(benchmark::State& state) {
  const std::string needle = needle_for(state.range(1));
  const std::string hay = make_haystack(static_cast<size_t>(state.range(0)), needle);
  for (auto _ : state) {
    benchmark::DoNotOptimize(memmem(hay.data(), hay.size(), needle.data(), needle.size()));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_StrFindLast(benchmark::State& state) {
  const std::string needle = needle_for(state.range(1));
  std::string hay = make_haystack(static_cast<size_t>(state.range(0)), needle);
  hay.replace(0, needle.size(), needle);  // the last occurrence before the end is at 0
  hay.replace(hay.size() - needle.size(), needle.size(), std::string(needle.size(), 'a'));
  const BasicString text = to_basic(hay), pattern = to_basic(needle);
  for (auto _ : state) benchmark::DoNotOptimize(qvl_str_find_last(text, pattern, -1));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

#define FIND_ARGS ArgsProduct({{1 << 10, 1 << 16, 1 << 20}, {1, 4, 17}})
BENCHMARK(BM_StrFind)->FIND_ARGS;
BENCHMARK(BM_Memmem)->FIND_ARGS;
BENCHMARK(BM_StrFindLast)->FIND_ARGS;

// Replace every ", " in a CSV-like text by ";".
std::string make_csv(size_t n) {
  std::string s;
  while (s.size() < n) s += "12, 345, 6, 78, ";
  return s;
}

void BM_StrReplaceAll(benchmark::State& state) {
  const BasicString text = to_basic(make_csv(static_cast<size_t>(state.range(0))));
  const BasicString search(", "), rep(";");
  for (auto _ : state) benchmark::DoNotOptimize(qvl_str_replace_all(text, search, rep));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_StdStringReplaceLoop(benchmark::State& state) {
  const std::string text = make_csv(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    std::string out;
    out.reserve(text.size());
    size_t from = 0;
    for (size_t at; (at = text.find(", ", from)) != std::string::npos; from = at + 2) {
      out.append(text, from, at - from).append(";");
    }
    out.append(text, from, std::string::npos);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_StrReplaceAll)->Arg(1 << 10)->Arg(1 << 20);
BENCHMARK(BM_StdStringReplaceLoop)->Arg(1 << 10)->Arg(1 << 20);

}  // namespace
