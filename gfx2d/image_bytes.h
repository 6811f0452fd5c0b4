// A growable byte block that the image encoders write into. Plain malloc
// storage with a bool result instead of exceptions, because it is filled from
// inside libpng and libjpeg callbacks, which C++ exceptions must not cross.
#pragma once

#include <cstddef>
#include <cstdint>

struct ImageBytes {
  uint8_t* data = nullptr;
  size_t size = 0;
  size_t capacity = 0;

  ImageBytes() = default;
  ~ImageBytes();
  ImageBytes(const ImageBytes&) = delete;
  ImageBytes& operator=(const ImageBytes&) = delete;

  // Appends n bytes; false (nothing appended) when no memory is left.
  bool append(const void* bytes, size_t n);
  // Takes over a malloc block of size bytes (what libjpeg's memory
  // destination hands back); the old contents are freed.
  void adopt(uint8_t* block, size_t n);
  void clear();
};
