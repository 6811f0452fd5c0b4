// PixelImage record and its size operations.
#include "gfx2d/pixel_image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

bool qvl_img_size_fits(int64_t width, int64_t height) {
  if (width < 0 || height < 0) return false;
  if (width == 0 || height == 0) return true;
  return width <= kPixelImageMaxBytes / 4 / height;
}

PixelImage::~PixelImage() { std::free(pixels); }

void PixelImage::clear() {
  std::free(pixels);
  pixels = nullptr;
  has_alpha = 1;
  width = 0;
  height = 0;
  capacity = 0;
}

bool PixelImage::resize(int32_t w, int32_t h) {
  if (!qvl_img_size_fits(w, h)) return false;
  int32_t n = w * h * 4;
  if (capacity < n) {
    uint8_t* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(n)));
    if (!block) return false;
    std::free(pixels);
    pixels = block;
    has_alpha = 1;
    capacity = n;
  }
  width = w;
  height = h;
  if (n > 0) std::memset(pixels, 0, static_cast<size_t>(n));
  return true;
}

uint8_t* PixelImage::arriving_row(int32_t w, int32_t y, int32_t rows) {
  if (w <= 0 || y < 0 || y >= rows || !qvl_img_size_fits(w, rows)) return nullptr;
  const int64_t row = int64_t{w} * 4;
  if (capacity < row * (y + 1)) {
    const int64_t have = capacity / row;
    const int64_t want = std::min<int64_t>(rows, std::max<int64_t>({y + 1, have + have / 2, 16}));
    // The first row starts a new image: nothing of the old block is kept.
    uint8_t* block = static_cast<uint8_t*>(
        y == 0 ? std::malloc(static_cast<size_t>(want * row))
               : std::realloc(pixels, static_cast<size_t>(want * row)));
    if (!block) return nullptr;
    if (y == 0) {
      std::free(pixels);
      has_alpha = 1;
    }
    pixels = block;
    capacity = static_cast<int32_t>(want * row);
  }
  width = w;
  height = y + 1;
  return pixels + row * y;
}

void PixelImage::flip_vertical() {
  if (width <= 0 || height <= 1) return;
  size_t row = static_cast<size_t>(width) * 4;
  uint8_t* temp = static_cast<uint8_t*>(std::malloc(row));
  if (!temp) return;
  for (int i = 0; i < height / 2; ++i) {
    uint8_t* a = pixel(0, i);
    uint8_t* b = pixel(0, height - 1 - i);
    std::memcpy(temp, a, row);
    std::memcpy(a, b, row);
    std::memcpy(b, temp, row);
  }
  std::free(temp);
}

void PixelImage::double_size() {
  int64_t w2 = int64_t{width} * 2, h2 = int64_t{height} * 2;
  if (width <= 0 || height <= 0 || !qvl_img_size_fits(w2, h2)) return;
  PixelImage big;
  if (!big.resize(static_cast<int32_t>(w2), static_cast<int32_t>(h2))) return;
  for (int y = 0; y < big.height; ++y)
    for (int x = 0; x < big.width; ++x)
      std::memcpy(big.pixel(x, y), pixel(x / 2, y / 2), 4);
  // Copied in through the resize rule, as any other new size would be.
  if (!resize(big.width, big.height)) return;
  std::memcpy(pixels, big.pixels, static_cast<size_t>(big.capacity));
}

void PixelImage::halve_size() {
  int w = width / 2, h = height / 2;
  // Each target lies at or before its source, so a forward pass is safe.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      std::memmove(pixels + (static_cast<int64_t>(y) * w + x) * 4, pixel(2 * x, 2 * y), 4);
  width = w;
  height = h;
}

void PixelImage::bleed_transparent_pixels() {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = pixel(x, y);
      if (p[3] != 0) continue;
      int sum[3] = {0, 0, 0}, count = 0;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          int nx = x + dx, ny = y + dy;
          if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= width || ny >= height)
            continue;
          const uint8_t* q = pixel(nx, ny);
          if (q[3] == 0) continue;
          for (int c = 0; c < 3; ++c) sum[c] += q[c];
          ++count;
        }
      }
      // Only opaque neighbours count, and their colours never change here,
      // so working in place gives the same result as working on a copy.
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(count ? sum[c] / count : 0);
    }
  }
}
