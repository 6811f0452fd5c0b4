// Little-endian fields of the game file: a reader over a block of bytes
// whose every read is bounded, and a writer that appends to a byte vector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/basic_string.h"

// A read past the end yields 0 and marks the reader failed for good, so a
// parser may read a whole record and test failed() once; before sizing an
// array from a count it asks fits() whether the bytes can be there at all.
class GameFileReader {
 public:
  GameFileReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool failed() const { return failed_; }
  size_t offset() const { return offset_; }
  size_t remaining() const { return size_ - offset_; }
  // True when count records of at least record_bytes each can still follow.
  bool fits(int64_t count, int64_t record_bytes) const {
    return count >= 0 && (record_bytes == 0 || count <= int64_t(remaining()) / record_bytes);
  }

  int32_t i32() { return int32_t(le(4)); }
  int32_t u32() { return int32_t(le(4)); }
  int32_t i16() { return int16_t(le(2)); }
  int32_t i8() { return int8_t(le(1)); }
  int32_t u8() { return int32_t(le(1)); }

  // n bytes in place, or null (and failed) when fewer remain.
  const uint8_t* take(int64_t n) {
    if (n < 0 || uint64_t(n) > remaining()) {
      fail();
      return nullptr;
    }
    const uint8_t* p = data_ + offset_;
    offset_ += size_t(n);
    return p;
  }
  // n bytes as a text; n <= 0 gives the empty text.
  void text(BasicString& out, int32_t n) {
    out.assign_cstr("");
    if (n <= 0) return;
    const uint8_t* p = take(n);
    if (!p) return;
    char* buffer = out.buffer(n);
    std::memcpy(buffer, p, size_t(n));
    out.length = n;
    buffer[n] = 0;
  }

 private:
  uint32_t le(int n) {
    if (remaining() < size_t(n)) {
      fail();
      return 0;
    }
    uint32_t v = 0;
    for (int k = 0; k < n; ++k) v |= uint32_t(data_[offset_ + k]) << (8 * k);
    offset_ += n;
    return v;
  }
  void fail() {
    failed_ = true;
    offset_ = size_;
  }

  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
  bool failed_ = false;
};

class GameFileWriter {
 public:
  explicit GameFileWriter(std::vector<uint8_t>& out) : out_(out) {}

  void i32(int32_t v) { le(uint32_t(v), 4); }
  void i16(int32_t v) { le(uint32_t(v), 2); }
  void i8(int32_t v) { le(uint32_t(v), 1); }
  void bytes(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);
  }
  void text(const BasicString& s) { bytes(s.text, size_t(s.length)); }

 private:
  void le(uint32_t v, int n) {
    for (int k = 0; k < n; ++k) out_.push_back(uint8_t(v >> (8 * k)));
  }
  std::vector<uint8_t>& out_;
};
