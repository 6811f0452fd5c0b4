#include "gfx2d/bmp_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image_fixtures.h"

namespace {

using fixtures::Bytes;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF,
                   kBlack = 0;

uint32_t rgb_at(const PixelImage& image, int x, int y) {
  const uint8_t* p = image.pixel(x, y);
  return static_cast<uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
}

bool decode(const Bytes& file, PixelImage& image, uint32_t key = kNoColourKey) {
  return qvl_bmp_decode(file.data(), file.size(), key, image);
}

constexpr uint32_t kCompressionBitfields = 3;

// A bit-field BMP: the three masks R, G, B right after the 40-byte header.
Bytes bitfields(int bits, int32_t w, int32_t h, std::vector<uint32_t> masks, const Bytes& rows) {
  return fixtures::bmp40(bits, w, h, masks, rows, 0, kCompressionBitfields);
}

// The same file with the longer header of later Windows versions, whose
// first 52 bytes hold what the 40-byte header and the masks held.
Bytes with_header_size(Bytes file, uint32_t header_size) {
  const uint32_t grow = header_size - 52;
  file.insert(file.begin() + 66, grow, 0);
  file[14] = static_cast<uint8_t>(header_size);
  uint32_t offset = file[10] | file[11] << 8;
  offset += grow;
  file[10] = static_cast<uint8_t>(offset);
  file[11] = static_cast<uint8_t>(offset >> 8);
  return file;
}

// 2 x 2 red, green (top row), blue, white in 5-6-5.
const Bytes kRows565 = {0x1F, 0x00, 0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07};
// The same with R, G, B in bytes 0, 1, 2 of 32 bits.
const Bytes kRowsRgbx = {0, 0, 255, 0, 255, 255, 255, 0, 255, 0, 0, 0, 0, 255, 0, 0};

TEST(BmpWriter, ThreeByTwoImageIsThe78ByteFile) {
  PixelImage image;
  image.resize(3, 2);
  const uint8_t top[3][4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}};
  const uint8_t bottom[3][4] = {{1, 2, 3, 255}, {10, 20, 30, 254}, {255, 255, 255, 255}};
  for (int x = 0; x < 3; ++x) {
    std::memcpy(image.pixel(x, 0), top[x], 4);
    std::memcpy(image.pixel(x, 1), bottom[x], 4);
  }
  ImageBytes out;
  ASSERT_TRUE(qvl_bmp_encode(image, out));

  const Bytes expected = {
      'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
      40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,  // size, w, h, planes, bits
      0, 0, 0, 0, 0, 0, 0, 0, 0x10, 0x27, 0, 0, 0x10, 0x27, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      // bottom row first, B G R; the pixel with alpha 254 is the colour key
      3, 2, 1, 0x80, 0x00, 0xFF, 255, 255, 255, 0, 0, 0,
      0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0};
  ASSERT_EQ(out.size, 78u);
  EXPECT_EQ(Bytes(out.data, out.data + out.size), expected);

  PixelImage back;
  ASSERT_TRUE(decode(expected, back));
  EXPECT_EQ(back.has_alpha, 0);
  EXPECT_EQ(rgb_at(back, 0, 0), kRed);
  EXPECT_EQ(rgb_at(back, 1, 1), 0xFF0080u);
  EXPECT_EQ(rgb_at(back, 2, 1), kWhite);
}

TEST(BmpWriter, RoundTripOfAnOpaqueImageIsExact) {
  PixelImage image;
  image.resize(7, 5);  // 21 bytes a row: padding in every row
  for (int i = 0; i < 7 * 5 * 4; ++i) image.pixels[i] = static_cast<uint8_t>(i * 37);
  for (int i = 3; i < 7 * 5 * 4; i += 4) image.pixels[i] = 255;
  ImageBytes out;
  ASSERT_TRUE(qvl_bmp_encode(image, out));
  PixelImage back;
  ASSERT_TRUE(qvl_bmp_decode(out.data, out.size, kNoColourKey, back));
  ASSERT_EQ(back.width, 7);
  ASSERT_EQ(back.height, 5);
  EXPECT_EQ(0, std::memcmp(back.pixels, image.pixels, 7 * 5 * 4));

  PixelImage empty;
  EXPECT_FALSE(qvl_bmp_encode(empty, out));
}

struct Variant {
  const char* name;
  Bytes file;
  int width, height;
  std::vector<uint32_t> expected;  // 0xRRGGBB, rows top-down
};

std::vector<Variant> variants() {
  const std::vector<uint32_t> four = {kRed, kGreen, kBlue, kWhite};
  const std::vector<uint32_t> square = {kRed, kGreen, kBlue, kWhite};  // 2 x 2, top row first
  return {
      {"1 bit, 12 wide: rows of 4 bytes",
       fixtures::bmp40(1, 12, 1, {kBlack, kWhite}, {0xA0, 0x10, 0, 0}), 12, 1,
       {kWhite, kBlack, kWhite, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack,
        kWhite}},
      {"4 bits, 4 wide: high nibble first",
       fixtures::bmp40(4, 4, 1, four, {0x01, 0x23, 0, 0}), 4, 1, four},
      {"8 bits, bottom row first",
       fixtures::bmp40(8, 2, 2, four, {2, 3, 0, 0, 0, 1, 0, 0}), 2, 2, square},
      {"16 bits 5-5-5",
       fixtures::bmp40(16, 2, 2, {}, {0x1F, 0x00, 0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03}), 2, 2,
       square},
      {"16 bits, mid values scale by 255 / 31",
       fixtures::bmp40(16, 1, 1, {}, {0x10, 0x42, 0, 0}), 1, 1, {0x838383}},
      {"24 bits, 3 wide: rows of 12 bytes",
       fixtures::bmp40(24, 3, 1, {}, {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0}), 3, 1,
       {kRed, kGreen, kBlue}},
      {"32 bits: the fourth byte is not alpha",
       fixtures::bmp40(32, 2, 2, {},
                       {255, 0, 0, 0, 255, 255, 255, 7, 0, 0, 255, 0, 0, 255, 0, 0}),
       2, 2, square},
      {"24 bits, negative height: top-down",
       fixtures::bmp40(24, 2, -2, {},
                       {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0}),
       2, 2, square},
      {"12-byte header with its palette of 3-byte entries",
       fixtures::bmp12(1, 2, 2, {kBlue, kGreen}, {0x80, 0, 0, 0, 0x40, 0, 0, 0}), 2, 2,
       {kBlue, kGreen, kGreen, kBlue}},
      {"12-byte header, 24 bits",
       fixtures::bmp12(24, 1, 2, {}, {255, 255, 255, 0, 0, 0, 255, 0}), 1, 2, {kRed, kWhite}},
      {"palette indices beyond the palette give black",
       fixtures::bmp40(8, 3, 1, {kRed}, {0, 1, 255, 0}), 3, 1, {kRed, kBlack, kBlack}},
      {"8 bits, palette of 300 entries: 256 read, pixels still at the offset",
       fixtures::bmp40(8, 1, 1, std::vector<uint32_t>(300, kGreen), {255, 0, 0, 0}), 1, 1,
       {kGreen}},
      {"gap between palette and pixels: the offset is honoured",
       fixtures::bmp40(24, 1, 1, {}, {0, 0, 255, 0}, 70), 1, 1, {kRed}},
      // The usual 16-bit layout; read as 5-5-5 red came out F60000.
      {"16 bits, bit fields 5-6-5", bitfields(16, 2, 2, {0xF800, 0x07E0, 0x001F}, kRows565), 2, 2,
       square},
      {"16 bits, bit fields 5-6-5: green scales by 255 / 63",
       bitfields(16, 1, 1, {0xF800, 0x07E0, 0x001F}, {0x10, 0x84, 0, 0}), 1, 1, {0x838183}},
      {"32 bits, bit fields with red in the low byte",
       bitfields(32, 2, 2, {0xFF, 0xFF00, 0xFF0000}, kRowsRgbx), 2, 2, square},
      {"32 bits, bit fields 10-10-10",
       bitfields(32, 1, 1, {0x3FF00000, 0xFFC00, 0x3FF}, {0x00, 0x00, 0xF8, 0x3F}), 1, 1,
       {0xFF7F00}},
      {"108-byte header with 5-6-5 masks",
       with_header_size(bitfields(16, 2, 2, {0xF800, 0x07E0, 0x001F}, kRows565), 108), 2, 2,
       square},
      {"124-byte header with red in the low byte",
       with_header_size(bitfields(32, 2, 2, {0xFF, 0xFF00, 0xFF0000}, kRowsRgbx), 124), 2, 2,
       square},
      {"124-byte header without bit fields: its masks are not used",
       [] {
         Bytes f = with_header_size(bitfields(32, 2, 2, {0xFF, 0xFF00, 0xFF0000}, kRowsRgbx), 124);
         f[30] = 0;  // compression none: bytes B, G, R
         return f;
       }(),
       2, 2, {kBlue, kGreen, kRed, kWhite}},
  };
}

TEST(BmpReader, VariantsDecodeToTheSamePixels) {
  for (const Variant& v : variants()) {
    SCOPED_TRACE(v.name);
    PixelImage image;
    ASSERT_TRUE(decode(v.file, image));
    ASSERT_EQ(image.width, v.width);
    ASSERT_EQ(image.height, v.height);
    EXPECT_EQ(image.has_alpha, 0);
    for (int y = 0; y < v.height; ++y)
      for (int x = 0; x < v.width; ++x) {
        EXPECT_EQ(rgb_at(image, x, y), v.expected[y * v.width + x]) << x << "," << y;
        EXPECT_EQ(image.pixel(x, y)[3], 255);
      }
  }
}

TEST(BmpReader, ColourKeyMakesMatchingPixelsTransparentBlack) {
  // Pixel (255, 0, 128) is the key 0x8000FF; its neighbour is not.
  Bytes file = fixtures::bmp40(24, 2, 1, {}, {128, 0, 255, 128, 0, 254, 0, 0});
  PixelImage image;
  ASSERT_TRUE(decode(file, image, 0x8000FF));
  EXPECT_EQ(0, std::memcmp(image.pixel(0, 0), "\0\0\0\0", 4));
  EXPECT_EQ(image.pixel(1, 0)[3], 255);
  ASSERT_TRUE(decode(file, image));
  EXPECT_EQ(rgb_at(image, 0, 0), 0xFF0080u);
  EXPECT_EQ(image.pixel(0, 0)[3], 255);
}

TEST(BmpReader, EveryTruncationIsRefusedAndEmptiesTheImage) {
  Bytes file = fixtures::bmp40(24, 3, 2, {}, Bytes(24, 9));
  for (size_t n = 0; n < file.size(); ++n) {
    PixelImage image;
    image.resize(2, 2);
    ASSERT_FALSE(qvl_bmp_decode(file.data(), n, kNoColourKey, image)) << n;
    ASSERT_EQ(image.pixels, nullptr);
    ASSERT_EQ(image.width, 0);
    ASSERT_EQ(image.capacity, 0);
    ASSERT_EQ(image.has_alpha, 1);
  }
}

TEST(BmpReader, FilesThatCannotBeAnImageAreRefused) {
  auto with = [](size_t at, std::vector<uint8_t> bytes) {
    Bytes file = fixtures::bmp40(8, 2, 2, {kRed, kGreen}, Bytes(8, 1));
    std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<long>(at));
    return file;
  };
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"magic", with(1, {'X'})},
      {"header size 52", with(14, {52})},
      {"header size 64", with(14, {64})},
      {"2 bits per pixel", with(28, {2})},
      {"width 0", with(18, {0, 0, 0, 0})},
      {"negative width", with(18, {0xFE, 0xFF, 0xFF, 0xFF})},
      {"height 0", with(22, {0, 0, 0, 0})},
      {"height INT32_MIN", with(22, {0, 0, 0, 0x80})},
      {"65536 x 65536 overflows 32 bits", with(18, {0, 0, 1, 0, 0, 0, 1, 0})},
      {"width 2^31 - 1", with(18, {0xFF, 0xFF, 0xFF, 0x7F})},
      {"pixel offset past the end", with(10, {0xFF, 0xFF, 0xFF, 0xFF})},
      {"pixel offset inside the headers", with(10, {20, 0, 0, 0})},
      {"run-length compression", with(30, {1})},
      {"12-byte header of 0 x 0", fixtures::bmp12(24, 0, 0, {}, {})},
  };
  for (const auto& [name, file] : cases) {
    PixelImage image;
    EXPECT_FALSE(decode(file, image)) << name;
    EXPECT_EQ(image.pixels, nullptr) << name;
  }
  PixelImage image;
  EXPECT_TRUE(decode(with(0, {'B'}), image));  // the base file is good
}

TEST(BmpReader, BitFieldsThatCannotBeDecodedAreRefused) {
  auto masks = [](int bits, std::vector<uint32_t> m) {
    return bitfields(bits, 2, 2, m, Bytes(static_cast<size_t>(bits), 0));
  };
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"a mask of 0", masks(16, {0xF800, 0, 0x001F})},
      {"a mask with a gap", masks(16, {0xF00F, 0x07E0, 0x0010})},
      {"a mask beyond 16 bits", masks(16, {0x1F0000, 0x07E0, 0x001F})},
      {"bit fields on 24 bits", masks(24, {0xFF0000, 0xFF00, 0xFF})},
      {"bit fields on 8 bits", masks(8, {0xE0, 0x1C, 0x03})},
      {"no room for the masks before the pixels",
       fixtures::bmp40(16, 2, 2, {}, Bytes(8, 0), 54, kCompressionBitfields)},
  };
  for (const auto& [name, file] : cases) {
    PixelImage image;
    EXPECT_FALSE(decode(file, image)) << name;
    EXPECT_EQ(image.pixels, nullptr) << name;
  }
  PixelImage image;
  EXPECT_TRUE(decode(masks(32, {0xFF000000, 0xFF, 0xFF00}), image));  // the top bit is usable
}

}  // namespace
