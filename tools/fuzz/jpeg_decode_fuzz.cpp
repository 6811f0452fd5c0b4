// libFuzzer target for the JPEG reader: any bytes must decode or be refused
// without a crash, a leak or the library ending the process.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "gfx2d/jpeg_codec.h"

namespace {
constexpr uint64_t kMaxPixels = 1 << 20;

// Skips inputs whose frame header (any SOF marker) claims a huge image, so
// a small file does not spend the run on allocating and filling it.
bool claims_huge_image(const uint8_t* data, size_t size) {
  for (size_t i = 0; i + 9 <= size; ++i) {
    if (data[i] != 0xFF || data[i + 1] < 0xC0 || data[i + 1] > 0xCF) continue;
    if (data[i + 1] == 0xC4 || data[i + 1] == 0xC8 || data[i + 1] == 0xCC) continue;
    uint64_t h = data[i + 5] << 8 | data[i + 6], w = data[i + 7] << 8 | data[i + 8];
    if (w * h > kMaxPixels) return true;
  }
  return false;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (claims_huge_image(data, size)) return 0;
  PixelImage image;
  int components = 0;
  if (!qvl_jpeg_decode(data, size, image, components)) return 0;
  if ((components != 1 && components != 3 && components != 4) || image.width <= 0 ||
      image.height <= 0 || int64_t{image.width} * image.height * 4 > image.capacity ||
      image.has_alpha != (components == 4))
    std::abort();
  return 0;
}
