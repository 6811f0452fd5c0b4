// Long lists built by the runtime, against the same work done with the
// standard containers a C++ programmer would use instead: loading an INI
// document of 100,000 keys (std::unordered_map), splitting a 1 MB text into
// 500,000 fields and pushing 1,000,000 strings into an array (both
// std::vector<std::string>). Before the arrays and vectors grew their
// storage geometrically these took seconds to minutes; the goal is to stay
// within three times the standard containers.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/basic_array.h"
#include "core/basic_string.h"
#include "core/string_split.h"
#include "files/ini_document.h"
#include "platform/temp_folder.h"

namespace {

// One section of 100,000 "keyN=value N" lines, about 1.9 MB.
const std::string& ini_file() {
  static std::string path = [] {
    char dir[1024];
    qvl_os_temp_folder(dir, sizeof dir);
    std::string p = std::string(dir) + "qvl_bench_keys.ini";
    std::ofstream out(p, std::ios::binary);
    out << "[main]\r\n";
    for (int i = 0; i < 100000; ++i) out << "key" << i << "=value " << i << "\r\n";
    return p;
  }();
  return path;
}

void BM_IniLoad_100000Keys(benchmark::State& state) {
  const BasicString name(ini_file().c_str());
  for (auto _ : state) {
    IniDocument doc;
    doc.load(name);
    benchmark::DoNotOptimize(doc.sections.data);
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_IniLoad_100000Keys)->Unit(benchmark::kMillisecond);

// The same file read line by line into a map of key to value.
void BM_UnorderedMapLoad_100000Keys(benchmark::State& state) {
  for (auto _ : state) {
    std::unordered_map<std::string, std::string> keys;
    std::ifstream in(ini_file(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const size_t eq = line.find('=');
      if (line.empty() || line[0] == '[' || eq == std::string::npos) continue;
      keys.emplace(line.substr(0, eq), line.substr(eq + 1));
    }
    benchmark::DoNotOptimize(keys.size());
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_UnorderedMapLoad_100000Keys)->Unit(benchmark::kMillisecond);

// 1 MB of one-letter fields, each followed by a comma: 500,000 fields.
const std::string& field_text() {
  static std::string text = [] {
    std::string t;
    for (int i = 0; i < 500000; ++i) {
      t += static_cast<char>('a' + i % 26);
      t += ',';
    }
    return t;
  }();
  return text;
}

void BM_Split_500000Fields(benchmark::State& state) {
  const BasicString text(field_text().c_str());
  const BasicString comma(",");
  for (auto _ : state) {
    BasicArray<BasicString> fields;
    benchmark::DoNotOptimize(qvl_str_split(text, fields, comma, false));
  }
  state.SetItemsProcessed(state.iterations() * 500000);
}
BENCHMARK(BM_Split_500000Fields)->Unit(benchmark::kMillisecond);

void BM_StdVectorSplit_500000Fields(benchmark::State& state) {
  const std::string& text = field_text();
  for (auto _ : state) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
      fields.emplace_back(text, start, comma - start);
    if (start < text.size()) fields.emplace_back(text, start);
    benchmark::DoNotOptimize(fields.data());
  }
  state.SetItemsProcessed(state.iterations() * 500000);
}
BENCHMARK(BM_StdVectorSplit_500000Fields)->Unit(benchmark::kMillisecond);

// A short text (within std::string's own buffer) and a file name (beyond
// it), so both ways of holding a string are seen.
const char* pushed_text(int which) {
  return which == 0 ? "field" : "Media/images/player sprite.png";
}

void BM_ArrayPush_1000000Strings(benchmark::State& state) {
  const BasicString word(pushed_text(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    BasicArray<BasicString> a;
    for (int i = 0; i < 1000000; ++i) a.push(word);
    benchmark::DoNotOptimize(a.data);
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_ArrayPush_1000000Strings)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_StdVectorPush_1000000Strings(benchmark::State& state) {
  const std::string word(pushed_text(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    std::vector<std::string> v;
    for (int i = 0; i < 1000000; ++i) v.push_back(word);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_StdVectorPush_1000000Strings)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
