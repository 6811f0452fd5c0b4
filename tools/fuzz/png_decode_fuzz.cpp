// libFuzzer target for the PNG reader: any bytes must decode or be refused
// without a crash, a leak or the library ending the process; what decodes
// must survive the writer and come back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gfx2d/png_codec.h"

namespace {
// Images the fuzzer may ask for: a few megabytes, so a small file that
// claims a huge image does not spend the run on memset.
constexpr uint64_t kMaxPixels = 1 << 20;

uint32_t be32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // IHDR must come first, so its width and height sit at bytes 16 to 23.
  if (size >= 24 && uint64_t{be32(data + 16)} * be32(data + 20) > kMaxPixels) return 0;
  PixelImage image;
  if (!qvl_png_decode(data, size, "fuzz", 0x8000FF, image)) return 0;
  if (image.width <= 0 || image.height <= 0 ||
      int64_t{image.width} * image.height * 4 > image.capacity)
    std::abort();

  ImageBytes file;
  PixelImage back;
  if (!qvl_png_encode(image.pixels, image.width, image.height, file) ||
      !qvl_png_decode(file.data, file.size, "again", kNoColourKey, back) ||
      back.width != image.width || back.height != image.height || back.has_alpha != 1 ||
      std::memcmp(back.pixels, image.pixels, size_t(image.width) * image.height * 4) != 0)
    std::abort();
  return 0;
}
