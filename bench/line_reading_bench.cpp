// Reading a text file line by line through a channel, against std::getline,
// and byte by byte through a channel, against getc on a FILE.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "core/basic_string.h"
#include "files/file_channel.h"
#include "files/file_commands.h"
#include "platform/temp_folder.h"

namespace {

// About 1 MB of lines of 0 to 120 bytes, CRLF-ended.
const std::string& text_file() {
  static std::string path = [] {
    char dir[1024];
    qvl_os_temp_folder(dir, sizeof dir);
    std::string p = std::string(dir) + "qvl_bench_lines.txt";
    std::ofstream out(p, std::ios::binary);
    unsigned seed = 12345;
    size_t total = 0;
    while (total < (1u << 20)) {
      seed = seed * 1103515245u + 12345u;
      std::string line((seed >> 16) % 121, 'x');
      out << line << "\r\n";
      total += line.size() + 2;
    }
    return p;
  }();
  return path;
}

int64_t file_size() {
  std::ifstream in(text_file(), std::ios::binary | std::ios::ate);
  return static_cast<int64_t>(in.tellg());
}

void BM_ChannelReadLine(benchmark::State& state) {
  BasicString name(text_file().c_str());
  for (auto _ : state) {
    qvl_file_channel_open(0, name, 1);
    BasicString line;
    size_t bytes = 0;
    while (!qvl_file_channel_eof(0)) {
      qvl_file_channel_read_line(0, line);
      bytes += static_cast<size_t>(line.length);
    }
    qvl_file_channel_close(0);
    benchmark::DoNotOptimize(bytes);
  }
  state.SetBytesProcessed(state.iterations() * file_size());
}
BENCHMARK(BM_ChannelReadLine);

void BM_StdGetline(benchmark::State& state) {
  for (auto _ : state) {
    std::ifstream in(text_file(), std::ios::binary);
    std::string line;
    size_t bytes = 0;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      bytes += line.size();
    }
    benchmark::DoNotOptimize(bytes);
  }
  state.SetBytesProcessed(state.iterations() * file_size());
}
BENCHMARK(BM_StdGetline);

void BM_ChannelByteByByte(benchmark::State& state) {
  for (auto _ : state) {
    FileChannel ch;
    ch.open_read(text_file().c_str());
    unsigned char c;
    unsigned sum = 0;
    while (ch.position < ch.size && ch.read(&c, 1)) sum += c;
    ch.close();
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * file_size());
}
BENCHMARK(BM_ChannelByteByByte);

void BM_StdioGetc(benchmark::State& state) {
  for (auto _ : state) {
    FILE* f = std::fopen(text_file().c_str(), "rb");
    unsigned sum = 0;
    for (int c; (c = std::getc(f)) != EOF;) sum += static_cast<unsigned>(c);
    std::fclose(f);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * file_size());
}
BENCHMARK(BM_StdioGetc);

}  // namespace
