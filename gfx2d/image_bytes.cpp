#include "gfx2d/image_bytes.h"

#include <cstdlib>
#include <cstring>

ImageBytes::~ImageBytes() { std::free(data); }

bool ImageBytes::append(const void* bytes, size_t n) {
  if (n == 0) return true;
  if (n > SIZE_MAX / 2 - size) return false;
  if (size + n > capacity) {
    size_t want = capacity ? capacity : 4096;
    while (want < size + n) want *= 2;
    uint8_t* grown = static_cast<uint8_t*>(std::realloc(data, want));
    if (!grown) return false;
    data = grown;
    capacity = want;
  }
  std::memcpy(data + size, bytes, n);
  size += n;
  return true;
}

void ImageBytes::adopt(uint8_t* block, size_t n) {
  std::free(data);
  data = block;
  size = n;
  capacity = block ? n : 0;
}

void ImageBytes::clear() { adopt(nullptr, 0); }
