// Image decoding against calling the libraries directly: the runtime's PNG
// and JPEG readers (glue, transformations, conversion to RGBA) against
// libpng's simplified API and libjpeg-turbo's own RGBA output, on the same
// 1024 x 768 files.
#include <benchmark/benchmark.h>

#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>
#include <png.h>

#include <cmath>
#include <vector>

#include "gfx2d/jpeg_codec.h"
#include "gfx2d/png_codec.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;

// A screen-sized picture: gradients with some texture, as game art has.
const std::vector<uint8_t>& picture() {
  static std::vector<uint8_t> pixels = [] {
    std::vector<uint8_t> p(kWidth * kHeight * 4);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        uint8_t* q = &p[(y * kWidth + x) * 4];
        q[0] = static_cast<uint8_t>(x / 4);
        q[1] = static_cast<uint8_t>(y / 3);
        q[2] = static_cast<uint8_t>(128 + 60 * std::sin(x / 7.0) * std::cos(y / 11.0) +
                                    ((x * 7 + y * 13) & 15));
        q[3] = static_cast<uint8_t>(x ^ y);
      }
    return p;
  }();
  return pixels;
}

const ImageBytes& png_bytes() {
  static ImageBytes bytes;
  if (!bytes.size) qvl_png_encode(picture().data(), kWidth, kHeight, bytes);
  return bytes;
}

const ImageBytes& jpeg_bytes() {
  static ImageBytes bytes;
  if (!bytes.size)
    qvl_jpeg_encode(picture().data(), JpegPixelOrder::rgbx, kWidth, kHeight, bytes);
  return bytes;
}

void BM_Png_QvlDecode(benchmark::State& state) {
  const ImageBytes& file = png_bytes();
  PixelImage image;
  for (auto _ : state) {
    bool ok = qvl_png_decode(file.data, file.size, "bench", kNoColourKey, image);
    benchmark::DoNotOptimize(ok);
  }
  state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 4);
}
BENCHMARK(BM_Png_QvlDecode)->Unit(benchmark::kMillisecond);

void BM_Png_LibpngSimplified(benchmark::State& state) {
  const ImageBytes& file = png_bytes();
  std::vector<uint8_t> out(kWidth * kHeight * 4);
  for (auto _ : state) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&image, file.data, file.size);
    image.format = PNG_FORMAT_RGBA;
    bool ok = png_image_finish_read(&image, nullptr, out.data(), 0, nullptr);
    benchmark::DoNotOptimize(ok);
  }
  state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 4);
}
BENCHMARK(BM_Png_LibpngSimplified)->Unit(benchmark::kMillisecond);

void BM_Jpeg_QvlDecode(benchmark::State& state) {
  const ImageBytes& file = jpeg_bytes();
  PixelImage image;
  for (auto _ : state) {
    int components = 0;
    bool ok = qvl_jpeg_decode(file.data, file.size, image, components);
    benchmark::DoNotOptimize(ok);
  }
  state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 4);
}
BENCHMARK(BM_Jpeg_QvlDecode)->Unit(benchmark::kMillisecond);

void BM_Jpeg_LibjpegDirect(benchmark::State& state) {
  const ImageBytes& file = jpeg_bytes();
  std::vector<uint8_t> out(kWidth * kHeight * 4);
  for (auto _ : state) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data, file.size);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = out.data() + static_cast<size_t>(cinfo.output_scanline) * kWidth * 4;
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 4);
}
BENCHMARK(BM_Jpeg_LibjpegDirect)->Unit(benchmark::kMillisecond);

}  // namespace
