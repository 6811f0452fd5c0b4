#include "files/lz_codec.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Decodes from an exact-size heap copy, so any read past the packed bytes
// trips the address sanitizer.
Bytes decode(const Bytes& packed, LzCodec& codec) {
  Bytes exact(packed);
  int n = codec.decode(exact.data(), static_cast<int>(exact.size()));
  return Bytes(codec.output, codec.output + n);
}

Bytes decode(const Bytes& packed) {
  LzCodec codec;
  return decode(packed, codec);
}

Bytes encode(const Bytes& input) {
  LzCodec codec;
  Bytes exact(input);
  int n = codec.encode(exact.data(), static_cast<int>(exact.size()));
  return Bytes(codec.output, codec.output + n);
}

Bytes repeat(uint8_t byte, size_t n) { return Bytes(n, byte); }

TEST(LzDecode, HandWrittenStreams) {
  // Eight literals, then a flag byte whose first item is the end marker.
  EXPECT_EQ(decode({0x00, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 0x80, 0x00}),
            Bytes({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}));
  // Literal, then a reference of length 5 at distance 1 repeating it.
  EXPECT_EQ(decode({0x60, 0x41, 0x03, 0x01, 0x00}), repeat(0x41, 6));
}

TEST(LzDecode, ReferenceDistanceUsesHighNibble) {
  // 256 distinct-ish literals, then c=0x12 b=0x05 (length 4, distance 133)
  // and c=0x10 b=0x80 (length 2, distance 256).
  Bytes literals(256);
  for (int i = 0; i < 256; ++i) literals[i] = static_cast<uint8_t>(i);
  Bytes packed;
  for (int g = 0; g < 32; ++g) {
    packed.push_back(0x00);
    packed.insert(packed.end(), literals.begin() + g * 8, literals.begin() + g * 8 + 8);
  }
  packed.insert(packed.end(), {0xE0, 0x12, 0x05, 0x10, 0x80, 0x00});
  Bytes out = decode(packed);
  ASSERT_EQ(out.size(), 256u + 4 + 2);
  EXPECT_EQ(Bytes(out.begin() + 256, out.begin() + 260), Bytes({123, 124, 125, 126}));
  // 256 back from position 260 is byte 4, then 5.
  EXPECT_EQ(Bytes(out.begin() + 260, out.end()), Bytes({4, 5}));
}

TEST(LzDecode, StopsAtTheEndOfThePackedBytes) {
  Bytes whole = encode(Bytes(5000, 'x'));
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    LzCodec codec;
    decode(Bytes(whole.begin(), whole.begin() + cut), codec);
    EXPECT_FALSE(codec.complete) << cut;
  }
  LzCodec codec;
  EXPECT_EQ(decode(whole, codec), Bytes(5000, 'x'));
  EXPECT_TRUE(codec.complete);
}

TEST(LzDecode, WindowStartsZeroedOnEveryDecode) {
  // The first item reaches back before any produced byte.
  Bytes early_reference = {0xC0, 0x13, 0x05, 0x00};
  LzCodec codec;
  decode(encode(Bytes(4000, 0x5A)), codec);  // fills the window with 0x5A
  EXPECT_EQ(decode(early_reference, codec), Bytes(5, 0));
}

TEST(LzDecode, OutputKeepsSpareBytesAndGrowsGeometrically) {
  LzCodec codec;
  Bytes out = decode(encode(Bytes(1 << 20, 7)), codec);
  ASSERT_EQ(out.size(), size_t{1} << 20);
  EXPECT_GE(codec.output_capacity - codec.output_length, 8);
  // Doubling keeps the block within twice the data (+1032-byte steps would
  // end near the data but cost a copy per kilobyte).
  EXPECT_LE(codec.output_capacity, 2 * codec.output_length + 1024);
}

TEST(LzEncode, WritesTheSmallestStreamsExactly) {
  EXPECT_EQ(encode({}), Bytes({0x80, 0x00}));
  EXPECT_EQ(encode({'a'}), Bytes({0x40, 'a', 0x00}));
  EXPECT_EQ(encode(repeat('A', 6)), Bytes({0x60, 0x41, 0x03, 0x01, 0x00}));
  // Eight literals fill a group: the end marker opens a group of its own.
  EXPECT_EQ(encode({1, 2, 3, 4, 5, 6, 7, 8}),
            Bytes({0x00, 1, 2, 3, 4, 5, 6, 7, 8, 0xFF, 0x00}));
}

Bytes random_bytes(size_t n, unsigned seed, int alphabet) {
  std::mt19937 rng(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<uint8_t>(rng() % alphabet);
  return out;
}

TEST(LzEncode, RoundTrips) {
  std::string text;
  for (int i = 0; i < 400; ++i) text += "line " + std::to_string(i % 37) + " of some text\r\n";
  Bytes periodic;  // repeats beyond the window and at every distance class
  for (int i = 0; i < 9000; ++i) periodic.push_back(static_cast<uint8_t>((i * 7) % 2053));
  std::vector<Bytes> inputs = {
      {}, {0}, {1, 2}, {9, 9, 9}, repeat(0, 17), repeat(0, 18), repeat(0xFF, 100000),
      Bytes(text.begin(), text.end()), periodic,
      random_bytes(50000, 1, 256), random_bytes(50000, 2, 3), random_bytes(3001, 3, 16)};
  for (size_t i = 0; i < inputs.size(); ++i) {
    LzCodec codec;
    EXPECT_EQ(decode(encode(inputs[i]), codec), inputs[i]) << "input " << i;
    EXPECT_TRUE(codec.complete) << "input " << i;
  }
  // Repetitive data actually shrinks.
  EXPECT_LT(encode(Bytes(text.begin(), text.end())).size(), text.size() / 3);
}

TEST(LzCodec, TakeOutputHandsTheBlockOver) {
  LzCodec codec;
  Bytes packed = encode({1, 2, 3});
  codec.decode(packed.data(), static_cast<int>(packed.size()));
  uint8_t* block = codec.take_output();
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(codec.output, nullptr);
  EXPECT_EQ(codec.output_length, 0);
  EXPECT_EQ(block[2], 3);
  std::free(block);
}

}  // namespace
