// make-hostile-files: writes the hostile files of tools/hostile_files.h into
// a folder, for measuring what the player and the loaders make of them
// (docs/benchmarks.md).
//
//   make-hostile-files <folder>
#include <cstdio>
#include <string>

#include "tools/hostile_files.h"
#include "tools/hostile_games.h"

namespace {

bool write(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-hostile-files <folder>\n");
    return 2;
  }
  std::string folder = argv[1];
  if (folder.empty() || folder.back() != '/') folder += '/';
  using namespace hostile;
  const struct {
    const char* name;
    std::string bytes;
  } files[] = {
      {"view_16384.zemo", game_with_view(16384, 16384)},
      {"view_8192.zemo", game_with_view(8192, 8192)},
      {"sheets_340.zemo", game_with_wide_sheets(340, 512, false)},
      {"sheets_505.zemo", game_with_wide_sheets(505, 512, true)},
      {"swarm_1000.zemo", game_with_swarm(1000, 1000)},
      {"swarm_2000.zemo", game_with_swarm(2000, 1000)},
      {"title_1mb.zemo", game_with_title_lines(1 << 20)},
      {"stub_16384.png", png_declaring(16384, 16384)},
      {"blank_16384.png", png_blank(16384, 16384, 0, 1, 9)},
      {"stub_16384.jpg", jpeg_grey(16384, 16384, false, 1, 4)},
      {"scans_16384.jpg", jpeg_grey(16384, 16384, true, 1000, 0)},
      {"low_rate_600k.wav", wav_8bit_mono(100, 600 << 10)},
      {"low_rate_512k.wav", wav_8bit_mono(100, 512 << 10)},
      {"package.kvw", package_of_texture("blank_16384.png")},
      {"big.kvd", kvd_triangle() + std::string(73 << 20, ' ')},
      {"blank_8192.png", png_blank(8192, 8192, 0, 1, 9)},
      {"blank_8193x8191.png", png_blank(8193, 8191, 0, 1, 9)},
      {"blank_4097.png", png_blank(4097, 4097, 0, 1, 9)},
      {"rgba_4096.png", png_blank(4096, 4096, 6, 8, 9)},
      {"three_4097.kvw", package_of_textures("blank_4097.png", 3)},
      {"screen_16000.gif", gif_declaring(16000, 16000)},
      {"screen_8000.gif", gif_declaring(8000, 8000)},
      {"face_2018x1038.kvd", kvd_face_over_frames(2018, 1038)},
      {"grid_50000x6.kvd", kvd_grid(50000, 6)},
  };
  for (const auto& f : files) {
    if (f.bytes.empty() || !write(folder + f.name, f.bytes)) {
      std::fprintf(stderr, "make-hostile-files: cannot write %s%s\n", folder.c_str(), f.name);
      return 1;
    }
  }
  return 0;
}
