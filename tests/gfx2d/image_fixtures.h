// Small image files made in the tests: BMP bytes by hand, PNG and JPEG
// through the libraries directly (not through the code under test), so each
// case shows exactly what the file holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx2d/pixel_image.h"

namespace fixtures {

using Bytes = std::vector<uint8_t>;

void put_u16(Bytes& b, uint32_t v);
void put_u32(Bytes& b, uint32_t v);

// A BMP with the 40-byte header: palette entries as 0xRRGGBB, rows in file
// order and already padded. pixel_offset 0 = right after the palette.
Bytes bmp40(int bits, int32_t w, int32_t h, const std::vector<uint32_t>& palette,
            const Bytes& rows, uint32_t pixel_offset = 0, uint32_t compression = 0,
            uint32_t colours_used = 0);
// A BMP with the 12-byte header and its 3-byte palette entries.
Bytes bmp12(int bits, uint16_t w, uint16_t h, const std::vector<uint32_t>& palette,
            const Bytes& rows);

struct PngSpec {
  int colour_type;  // PNG_COLOR_TYPE_*
  int depth;
  int w, h;
  Bytes rows;  // packed as the PNG stores them, rows top-down
  std::vector<uint32_t> palette;  // 0xRRGGBB
  Bytes trns;  // palette alpha values
  bool interlaced = false;
};
Bytes png_file(const PngSpec& spec);

// A JPEG from interleaved samples of components 1 (grey), 2 (unknown colour
// space), 3 (RGB) or 4 (CMYK).
Bytes jpeg_file(int components, int w, int h, const Bytes& samples, int quality = 90);

// A w x h RGBA image of smooth gradients (what photographs look like to a
// JPEG coder), alpha 255.
void smooth_image(PixelImage& image, int w, int h);
double psnr_rgb(const PixelImage& a, const PixelImage& b);

void write_file(const std::string& path, const Bytes& bytes);
Bytes read_file(const std::string& path);
// The lines this test left in the error log.
std::string error_log();

}  // namespace fixtures
