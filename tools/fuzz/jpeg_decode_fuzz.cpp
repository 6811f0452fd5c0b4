// libFuzzer target for the JPEG reader: any bytes must decode or be refused
// without a crash, a leak or the library ending the process, and never take
// a block past the pixel budget. Inputs may declare any size: the reader's
// own bounds (the budget, a bit for every block of Huffman-coded data, the
// scan limit) must keep them cheap.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "gfx2d/jpeg_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PixelImage image;
  int components = 0;
  const bool ok = qvl_jpeg_decode(data, size, image, components);
  if (image.capacity > kImageFileMaxPixels * 4) std::abort();
  if (!ok) return 0;
  const int64_t pixels = int64_t{image.width} * image.height;
  if ((components != 1 && components != 3 && components != 4) || image.width <= 0 ||
      image.height <= 0 || pixels > kImageFileMaxPixels || pixels * 4 > image.capacity ||
      image.has_alpha != (components == 4))
    std::abort();
  return 0;
}
