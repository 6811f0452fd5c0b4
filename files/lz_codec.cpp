#include "files/lz_codec.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kWindowMask = LzCodec::kWindowSize - 1;
constexpr int kMaxMatch = 17;
constexpr int kMinMatch = 3;  // a 2-byte match is no shorter than 2 literals
constexpr int kBucketSlots = 16;
constexpr int kSpare = 8;     // bytes kept free beyond the produced data
// The most one flag group can add: 8 references of the longest length.
constexpr int kGroupMax = 8 * kMaxMatch;
// Output stays below this so that lengths fit an int with the spare bytes.
constexpr int64_t kOutputLimit = INT_MAX - 4096;

int bucket_of(uint8_t first, uint8_t second) {
  return ((first & 63) << 6) | (second & 63);
}

}  // namespace

LzCodec::~LzCodec() {
  std::free(hash_table);
  std::free(output);
}

void LzCodec::reset_output() {
  std::free(output);
  output = nullptr;
  output_length = 0;
  output_capacity = 0;
  window_position = 0;
}

uint8_t* LzCodec::take_output() {
  uint8_t* block = output;
  output = nullptr;
  output_length = 0;
  output_capacity = 0;
  return block;
}

// Grows the block geometrically so that decoding n bytes costs O(n) copies.
bool LzCodec::reserve(int64_t needed) {
  needed += kSpare;
  if (needed <= output_capacity) return true;
  if (needed > kOutputLimit + kSpare) return false;
  int64_t capacity = output_capacity < 1024 ? 1024 : output_capacity;
  while (capacity < needed) capacity *= 2;
  if (capacity > INT_MAX) capacity = INT_MAX;
  void* grown = std::realloc(output, static_cast<size_t>(capacity));
  if (!grown) return false;
  output = static_cast<uint8_t*>(grown);
  output_capacity = static_cast<int32_t>(capacity);
  return true;
}

void LzCodec::put_byte(uint8_t byte) {
  if (!reserve(int64_t{output_length} + 1)) std::abort();
  output[output_length++] = byte;
  window[window_position] = byte;
  window_position = (window_position + 1) & kWindowMask;
}

int LzCodec::decode(const uint8_t* packed, int packed_length) {
  reset_output();
  std::memset(window, 0, sizeof window);
  complete = false;
  int in = 0;
  int n = 0;
  unsigned wp = 0;
  while (in < packed_length) {
    // Room for a whole group up front keeps the inner loop free of checks.
    if (!reserve(int64_t{n} + kGroupMax)) break;
    uint8_t* out = output;
    unsigned flags = packed[in++];
    for (int bit = 7; bit >= 0; --bit) {
      if (!((flags >> bit) & 1)) {
        if (in >= packed_length) goto done;
        uint8_t byte = packed[in++];
        out[n++] = byte;
        window[wp] = byte;
        wp = (wp + 1) & kWindowMask;
        continue;
      }
      if (in >= packed_length) goto done;
      unsigned c = packed[in++];
      if (c == 0) {
        complete = true;
        goto done;
      }
      if (in >= packed_length) goto done;
      unsigned b = packed[in++];
      unsigned distance = (b + 128 * (c >> 4)) & kWindowMask;
      int length = static_cast<int>(c & 15) + 2;
      for (int i = 0; i < length; ++i) {
        uint8_t byte = window[(wp - distance) & kWindowMask];
        out[n++] = byte;
        window[wp] = byte;
        wp = (wp + 1) & kWindowMask;
      }
    }
  }
done:
  output_length = n;
  window_position = static_cast<uint16_t>(wp);
  return n;
}

void LzCodec::bucket_insert(uint8_t first, uint8_t second, int32_t position) {
  int32_t* bucket = hash_table + bucket_of(first, second) * kBucketSlots;
  std::memmove(bucket + 1, bucket, (kBucketSlots - 1) * sizeof *bucket);
  bucket[0] = position;
}

namespace {

// Collects up to 8 items behind their flag byte before they go out.
struct Group {
  uint8_t bytes[1 + 8 * 2];
  int size = 1;
  int items = 0;

  void add(bool reference, const uint8_t* item, int item_size) {
    if (items == 0) {
      bytes[0] = 0;
      size = 1;
    }
    if (reference) bytes[0] |= static_cast<uint8_t>(0x80 >> items);
    std::memcpy(bytes + size, item, static_cast<size_t>(item_size));
    size += item_size;
    ++items;
  }
};

}  // namespace

int LzCodec::encode(const uint8_t* input, int input_length) {
  reset_output();
  if (!hash_table) {
    hash_table = static_cast<int32_t*>(std::malloc(kHashBytes));
    if (!hash_table) std::abort();
  }
  std::memset(hash_table, 0xFF, kHashBytes);
  Group group;
  auto flush_if_full = [&] {
    if (group.items < 8) return;
    for (int i = 0; i < group.size; ++i) put_byte(group.bytes[i]);
    group.items = 0;
  };
  // Positions enter a bucket only when the byte after them exists: a match
  // needs two bytes, and reading input[i + 1] at the last byte would pass
  // the end of the input.
  auto enter = [&](int i) {
    if (i + 1 < input_length) bucket_insert(input[i], input[i + 1], i);
  };
  auto match_length = [&](int candidate, int p) {
    int limit = input_length - p;
    if (limit > kMaxMatch) limit = kMaxMatch;
    int len = 0;
    while (len < limit && input[candidate + len] == input[p + len]) ++len;
    return len;
  };

  int p = 0;
  while (p < input_length) {
    int best_length = 0;
    int best_position = 0;
    if (p > 0 && p + 1 < input_length) {
      int window_start = p > kWindowSize - 1 ? p - (kWindowSize - 1) : 0;
      const int32_t* bucket =
          hash_table + bucket_of(input[p], input[p + 1]) * kBucketSlots;
      auto consider = [&](int candidate) {
        if (input[candidate] != input[p] || input[candidate + 1] != input[p + 1])
          return;
        int len = match_length(candidate, p);
        if (len > best_length) {
          best_length = len;
          best_position = candidate;
        }
      };
      int slot = 0;
      for (; slot < kBucketSlots && best_length < kMaxMatch; ++slot) {
        if (bucket[slot] < window_start) break;
        consider(bucket[slot]);
      }
      // A full bucket may have pushed older matches out: scan the rest of
      // the window as well.
      if (slot == kBucketSlots) {
        for (int q = bucket[kBucketSlots - 1] - 1;
             q >= window_start && best_length < kMaxMatch; --q)
          consider(q);
      }
    }
    if (best_length >= kMinMatch) {
      int d = p - best_position;
      uint8_t item[2] = {
          static_cast<uint8_t>(((d >> 7) << 4) | (best_length - 2)),
          static_cast<uint8_t>(d & 127)};
      group.add(true, item, 2);
      for (int i = 0; i < best_length; ++i) enter(p + i);
      p += best_length;
    } else {
      group.add(false, input + p, 1);
      enter(p);
      ++p;
    }
    flush_if_full();
  }
  // The end marker is the next item; after a full group it opens a group of
  // its own, written with every flag bit set.
  if (group.items == 0 && input_length > 0) {
    put_byte(0xFF);
    put_byte(0);
    return output_length;
  }
  uint8_t end_marker = 0;
  group.add(true, &end_marker, 1);
  for (int i = 0; i < group.size; ++i) put_byte(group.bytes[i]);
  return output_length;
}
