// LzCodec: the runtime's LZ77 variant with a 2048-byte window.
//
// Stream: a flag byte announces the next 8 items, bit 7 first (0 literal,
// 1 reference). A literal is one byte. A reference is two bytes c, b:
// length (c & 15) + 2, distance (b + 128 * (c >> 4)) mod 2048 back, where 0
// means 2048; c = 0 is the end marker (only c is consumed).
#pragma once

#include <cstdint>

class LzCodec {
 public:
  static constexpr int kWindowSize = 2048;
  static constexpr int kHashBytes = 0x40000;  // 4096 buckets of 16 positions

  // Fields in their fixed order.
  int32_t* hash_table = nullptr;  // supplied by the owner; only encode uses it
  uint8_t* output = nullptr;      // produced bytes, owned (null when none)
  int32_t output_length = 0;
  uint8_t window[kWindowSize] = {};
  uint16_t window_position = 0;
  // Bytes allocated for output; the block always has at least 8 spare bytes
  // beyond the produced data.
  int32_t output_capacity = 0;
  // True when the last decode met its end marker; false when the packed
  // bytes ran out first or the output would pass 2 GB.
  bool complete = false;

  LzCodec() = default;
  LzCodec(const LzCodec&) = delete;
  LzCodec& operator=(const LzCodec&) = delete;
  ~LzCodec();

  // Expands one stream of packed_length bytes into output and returns the
  // output length. Never reads past packed_length; the window starts zeroed.
  int decode(const uint8_t* packed, int packed_length);
  // Packs input into output (allocating the hash table when the owner gave
  // none) and returns the output length. Reads only input[0, input_length).
  int encode(const uint8_t* input, int input_length);

  void reset_output();
  void put_byte(uint8_t byte);
  void bucket_insert(uint8_t first, uint8_t second, int32_t position);

  // Hands the output block to the caller (who frees it with std::free) and
  // leaves the codec without output.
  uint8_t* take_output();

 private:
  bool reserve(int64_t needed);
};
