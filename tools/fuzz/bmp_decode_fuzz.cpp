// libFuzzer target for the BMP reader: any bytes must either decode to a
// consistent image or be refused, without reading past them; what decodes
// must survive the writer and come back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gfx2d/bmp_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PixelImage image;
  if (!qvl_bmp_decode(data, size, 0x8000FF, image)) {
    if (image.pixels || image.width || image.height) std::abort();
    return 0;
  }
  if (image.has_alpha != 0 || image.width <= 0 || image.height <= 0 ||
      int64_t{image.width} * image.height * 4 > image.capacity)
    std::abort();

  // Without a key every pixel is opaque, so the writer keeps every colour.
  if (!qvl_bmp_decode(data, size, kNoColourKey, image)) std::abort();
  ImageBytes file;
  PixelImage back;
  if (!qvl_bmp_encode(image, file) || !qvl_bmp_decode(file.data, file.size, kNoColourKey, back) ||
      back.width != image.width || back.height != image.height ||
      std::memcmp(back.pixels, image.pixels, size_t(image.width) * image.height * 4) != 0)
    std::abort();
  return 0;
}
