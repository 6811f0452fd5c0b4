#include "image_fixtures.h"

#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

#include "tests/support/child_process.h"

namespace fixtures {

void put_u16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void put_u32(Bytes& b, uint32_t v) {
  put_u16(b, v);
  put_u16(b, v >> 16);
}

Bytes bmp40(int bits, int32_t w, int32_t h, const std::vector<uint32_t>& palette,
            const Bytes& rows, uint32_t pixel_offset, uint32_t compression,
            uint32_t colours_used) {
  uint32_t offset = pixel_offset ? pixel_offset : 54 + 4 * static_cast<uint32_t>(palette.size());
  Bytes b = {'B', 'M'};
  put_u32(b, offset + static_cast<uint32_t>(rows.size()));
  put_u32(b, 0);
  put_u32(b, offset);
  put_u32(b, 40);
  put_u32(b, static_cast<uint32_t>(w));
  put_u32(b, static_cast<uint32_t>(h));
  put_u16(b, 1);
  put_u16(b, static_cast<uint32_t>(bits));
  put_u32(b, compression);
  put_u32(b, static_cast<uint32_t>(rows.size()));
  put_u32(b, 2835);
  put_u32(b, 2835);
  put_u32(b, colours_used);
  put_u32(b, 0);
  for (uint32_t c : palette) put_u32(b, c);  // B, G, R, 0 in memory
  while (b.size() < offset) b.push_back(0);
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

Bytes bmp12(int bits, uint16_t w, uint16_t h, const std::vector<uint32_t>& palette,
            const Bytes& rows) {
  uint32_t offset = 26 + 3 * static_cast<uint32_t>(palette.size());
  Bytes b = {'B', 'M'};
  put_u32(b, offset + static_cast<uint32_t>(rows.size()));
  put_u32(b, 0);
  put_u32(b, offset);
  put_u32(b, 12);
  put_u16(b, w);
  put_u16(b, h);
  put_u16(b, 1);
  put_u16(b, static_cast<uint32_t>(bits));
  for (uint32_t c : palette) {
    b.push_back(static_cast<uint8_t>(c));
    b.push_back(static_cast<uint8_t>(c >> 8));
    b.push_back(static_cast<uint8_t>(c >> 16));
  }
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

namespace {
void append_png(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
void no_flush(png_structp) {}
}  // namespace

Bytes png_file(const PngSpec& s) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, append_png, no_flush);
  png_set_IHDR(png, info, s.w, s.h, s.depth, s.colour_type,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  for (uint32_t c : s.palette)
    palette.push_back({static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8),
                       static_cast<png_byte>(c)});
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  if (!s.trns.empty())
    png_set_tRNS(png, info, s.trns.data(), static_cast<int>(s.trns.size()), nullptr);
  png_write_info(png, info);
  size_t row_bytes = s.rows.size() / s.h;
  std::vector<png_bytep> rows;
  for (int i = 0; i < s.h; ++i)
    rows.push_back(const_cast<png_bytep>(s.rows.data()) + i * row_bytes);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes jpeg_file(int components, int w, int h, const Bytes& samples, int quality) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = w;
  cinfo.image_height = h;
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1   ? JCS_GRAYSCALE
                         : components == 3 ? JCS_RGB
                         : components == 4 ? JCS_CMYK
                                           : JCS_UNKNOWN;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data()) + cinfo.next_scanline * w * components;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

void smooth_image(PixelImage& image, int w, int h) {
  image.resize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = image.pixel(x, y);
      p[0] = static_cast<uint8_t>(x * 255 / (w - 1));
      p[1] = static_cast<uint8_t>(y * 255 / (h - 1));
      p[2] = static_cast<uint8_t>(128 + 100 * std::sin((x + y) / 9.0));
      p[3] = 255;
    }
}

double psnr_rgb(const PixelImage& a, const PixelImage& b) {
  double sum = 0;
  int n = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x)
      for (int c = 0; c < 3; ++c, ++n) {
        double d = a.pixel(x, y)[c] - b.pixel(x, y)[c];
        sum += d * d;
      }
  if (sum == 0) return 99.0;
  return 10 * std::log10(255.0 * 255.0 / (sum / n));
}

void write_file(const std::string& path, const Bytes& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string error_log() { return qvl_test::read_file(qvl_test::temp_dir() + "ErrorLog.txt"); }

}  // namespace fixtures
