// libFuzzer target for the PNG reader: any bytes must decode or be refused
// without a crash, a leak or the library ending the process, and never take
// a block past the pixel budget; what decodes must survive the writer and
// come back the same. Inputs may declare any size: the reader's own bounds
// (the budget, and what the compressed data can make) must keep them cheap.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gfx2d/png_codec.h"

namespace {
// The round trip through the writer is for images up to this size; larger
// ones are only checked, so that a run does not spend itself encoding.
constexpr int64_t kRoundTripPixels = 1 << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PixelImage image;
  const bool ok = qvl_png_decode(data, size, "fuzz", 0x8000FF, image);
  if (image.capacity > kImageFileMaxPixels * 4) std::abort();
  if (!ok) return 0;
  const int64_t pixels = int64_t{image.width} * image.height;
  if (image.width <= 0 || image.height <= 0 || pixels > kImageFileMaxPixels ||
      pixels * 4 > image.capacity)
    std::abort();
  if (pixels > kRoundTripPixels) return 0;

  ImageBytes file;
  PixelImage back;
  if (!qvl_png_encode(image.pixels, image.width, image.height, file) ||
      !qvl_png_decode(file.data, file.size, "again", kNoColourKey, back) ||
      back.width != image.width || back.height != image.height || back.has_alpha != 1 ||
      std::memcmp(back.pixels, image.pixels, size_t(image.width) * image.height * 4) != 0)
    std::abort();
  return 0;
}
