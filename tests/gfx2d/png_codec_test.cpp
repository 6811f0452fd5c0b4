#include "gfx2d/png_codec.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image_fixtures.h"
#include "tests/support/child_process.h"
#include "tools/hostile_files.h"

namespace {

using fixtures::Bytes;
using fixtures::PngSpec;

bool decode(const Bytes& file, PixelImage& image, uint32_t key = kNoColourKey) {
  return qvl_png_decode(file.data(), file.size(), "test.png", key, image);
}

Bytes rgba(const PixelImage& image) {
  return Bytes(image.pixels, image.pixels + image.width * image.height * 4);
}

struct Case {
  const char* name;
  PngSpec spec;
  uint32_t key;
  uint8_t has_alpha;
  Bytes expected;  // RGBA, rows top-down
};

TEST(PngReader, FormatsComeOutAsEightBitRgba) {
  const std::vector<Case> cases = {
      {"palette with transparency",
       {PNG_COLOR_TYPE_PALETTE, 8, 3, 1, {0, 1, 2}, {0xFF0000, 0x00FF00, 0x0000FF}, {0, 128}},
       kNoColourKey, 1, {255, 0, 0, 0, 0, 255, 0, 128, 0, 0, 255, 255}},
      {"palette of 2 bits without transparency",
       {PNG_COLOR_TYPE_PALETTE, 2, 3, 1, {0x18}, {0x102030, 0x405060, 0x708090}, {}},
       kNoColourKey, 0, {16, 32, 48, 255, 64, 80, 96, 255, 112, 128, 144, 255}},
      {"grey of 4 bits", {PNG_COLOR_TYPE_GRAY, 4, 3, 1, {0x0F, 0x50}, {}, {}}, kNoColourKey, 0,
       {0, 0, 0, 255, 255, 255, 255, 255, 0x55, 0x55, 0x55, 255}},
      {"grey of 1 bit", {PNG_COLOR_TYPE_GRAY, 1, 2, 1, {0x40}, {}, {}}, kNoColourKey, 0,
       {0, 0, 0, 255, 255, 255, 255, 255}},
      {"RGBA of 16 bits keeps the high bytes",
       {PNG_COLOR_TYPE_RGB_ALPHA, 16, 1, 1, {0xAB, 0xCD, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}, {}, {}},
       kNoColourKey, 1, {0xAB, 0x12, 0x56, 0x9A}},
      {"RGB with the colour key",
       {PNG_COLOR_TYPE_RGB, 8, 2, 1, {255, 0, 128, 255, 0, 127}, {}, {}}, 0x8000FF, 0,
       {0, 0, 0, 0, 255, 0, 127, 255}},
      {"RGBA ignores the colour key",
       {PNG_COLOR_TYPE_RGB_ALPHA, 8, 1, 1, {255, 0, 128, 40}, {}, {}}, 0x8000FF, 1,
       {255, 0, 128, 40}},
      {"interlaced RGB",
       {PNG_COLOR_TYPE_RGB, 8, 3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17,
                                      18, 19, 20, 21, 22, 23, 24, 25, 26, 27}, {}, {}, true},
       kNoColourKey, 0, {1,  2,  3,  255, 4,  5,  6,  255, 7,  8,  9,  255,
                         10, 11, 12, 255, 13, 14, 15, 255, 16, 17, 18, 255,
                         19, 20, 21, 255, 22, 23, 24, 255, 25, 26, 27, 255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PixelImage image;
    ASSERT_TRUE(decode(fixtures::png_file(c.spec), image, c.key));
    EXPECT_EQ(image.width, c.spec.w);
    EXPECT_EQ(image.height, c.spec.h);
    EXPECT_EQ(image.has_alpha, c.has_alpha);
    EXPECT_EQ(rgba(image), c.expected);
  }
}

TEST(PngReader, AlphaFlagFollowsTheFileAlsoInAReusedImage) {
  PixelImage image;
  image.resize(8, 8);
  image.has_alpha = 0;  // left by an earlier file without alpha
  ASSERT_TRUE(decode(fixtures::png_file({PNG_COLOR_TYPE_RGB_ALPHA, 8, 1, 1, {1, 2, 3, 4}, {}, {}}),
                     image));
  EXPECT_EQ(image.has_alpha, 1);
  PixelImage fresh;  // and a new block does not hide a file without alpha
  ASSERT_TRUE(decode(fixtures::png_file({PNG_COLOR_TYPE_RGB, 8, 1, 1, {1, 2, 3}, {}, {}}), fresh));
  EXPECT_EQ(fresh.has_alpha, 0);
}

TEST(PngReader, GreyWithAlphaIsRefusedWithoutAMessage) {
  Bytes file = fixtures::png_file({PNG_COLOR_TYPE_GRAY_ALPHA, 8, 1, 1, {9, 9}, {}, {}});
  auto child = qvl_test::run_in_child([&] {
    PixelImage image;
    std::exit(decode(file, image) ? 1 : 0);
  });
  EXPECT_EQ(child.exit_status, 0);
  EXPECT_EQ(child.out, "");
  EXPECT_EQ(child.err, "");
}

TEST(PngCodec, RoundTripIsExact) {
  const int w = 37, h = 11;
  std::vector<uint8_t> pixels(w * h * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 131 + i / 7);
  ImageBytes out;
  ASSERT_TRUE(qvl_png_encode(pixels.data(), w, h, out));
  PixelImage back;
  ASSERT_TRUE(qvl_png_decode(out.data, out.size, "x", kNoColourKey, back));
  EXPECT_EQ(back.width, w);
  EXPECT_EQ(back.height, h);
  EXPECT_EQ(back.has_alpha, 1);
  EXPECT_EQ(rgba(back), pixels);

  EXPECT_FALSE(qvl_png_encode(pixels.data(), 0, 5, out));
}

TEST(PngReader, TruncatedAndCorruptedFilesGiveFalse) {
  Bytes file = fixtures::png_file(
      {PNG_COLOR_TYPE_RGB, 8, 4, 4, Bytes(48, 200), {}, {}});
  for (size_t n = 0; n < file.size(); ++n) {
    PixelImage image;
    ASSERT_FALSE(qvl_png_decode(file.data(), n, "x", kNoColourKey, image)) << n;
  }
  // A flipped byte anywhere after the signature breaks a chunk's CRC (or
  // its length or type); an ancillary chunk would only be skipped, and this
  // file has none.
  for (size_t at = 8; at < file.size(); ++at) {
    Bytes bad = file;
    bad[at] ^= 0x20;
    PixelImage image;
    EXPECT_FALSE(decode(bad, image)) << at;
  }
  PixelImage image;
  EXPECT_FALSE(decode(Bytes{'x', 'P', 'N'}, image));
  EXPECT_FALSE(decode(Bytes(100, 0), image));
}

// A chunk as the file holds it: length, type, data, CRC of type and data.
void put_chunk(Bytes& file, const char* type, const Bytes& data) {
  auto be32 = [&](uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) file.push_back(static_cast<uint8_t>(v >> shift));
  };
  be32(static_cast<uint32_t>(data.size()));
  size_t start = file.size();
  file.insert(file.end(), type, type + 4);
  file.insert(file.end(), data.begin(), data.end());
  be32(static_cast<uint32_t>(crc32(0, file.data() + start, static_cast<uInt>(file.size() - start))));
}

// 57 bytes that declare 23000 x 23000 RGB (2 GB as RGBA) are refused before
// a pixel block is taken.
TEST(PngReader, HugeDeclaredSizeIsRefusedBeforeAllocating) {
  Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const uint8_t side[4] = {0, 0, 23000 >> 8, 23000 & 0xFF};
  Bytes header(side, side + 4);
  header.insert(header.end(), side, side + 4);
  header.insert(header.end(), {8, PNG_COLOR_TYPE_RGB, 0, 0, 0});
  put_chunk(file, "IHDR", header);
  put_chunk(file, "IDAT", {});
  put_chunk(file, "IEND", {});
  PixelImage image;
  EXPECT_FALSE(decode(file, image));
  EXPECT_EQ(image.pixels, nullptr);
}

// A chunk may only announce data the file holds: libpng would take a block
// of the announced length before finding the file ends. Whole ancillary
// chunks, and bytes after IEND, still decode.
TEST(PngReader, ChunksAnnouncingMoreThanTheFileHoldsAreRefused) {
  const Bytes good = fixtures::png_file({PNG_COLOR_TYPE_RGB, 8, 2, 2, Bytes(12, 90), {}, {}});
  const size_t after_header = 8 + 25;  // signature, IHDR
  auto with = [&](const Bytes& inserted, const Bytes& tail = {}) {
    // Copied into place: GCC 12 at -O2 takes a growing insert here for an
    // out-of-bounds copy.
    Bytes file(good.size() + inserted.size() + tail.size());
    auto out = std::copy(good.begin(), good.begin() + after_header, file.begin());
    out = std::copy(inserted.begin(), inserted.end(), out);
    out = std::copy(good.begin() + after_header, good.end(), out);
    std::copy(tail.begin(), tail.end(), out);
    return file;
  };
  Bytes text;
  put_chunk(text, "tEXt", {'T', 'i', 't', 'l', 'e', 0, 'x'});
  // An sPLT announcing 1.9 GB, then a 2 GB tEXt, each followed by the rest of
  // a good file, then a whole chunk whose CRC is cut off at the file's end.
  const Bytes huge_splt = {0x73, 0x73, 0x73, 0x73, 's', 'P', 'L', 'T', 's', 's', 's', 's'};
  const Bytes huge_text = {0x7F, 0xFF, 0xFF, 0xFF, 't', 'E', 'X', 't', 0, 0, 0, 0};
  Bytes no_crc(good.begin(), good.begin() + after_header);
  no_crc.insert(no_crc.end(), text.begin(), text.end() - 4);

  PixelImage image;
  EXPECT_TRUE(decode(with(text), image));
  EXPECT_TRUE(decode(with(text, {'j', 'u', 'n', 'k'}), image));
  EXPECT_FALSE(decode(with(huge_splt), image));
  EXPECT_FALSE(decode(with(huge_text), image));
  EXPECT_FALSE(decode(no_crc, image));
}

bool decode_text(const std::string& file, PixelImage& image) {
  return qvl_png_decode(reinterpret_cast<const uint8_t*>(file.data()), file.size(), "test.png",
                        kNoColourKey, image);
}

// What a file declares is held, before any pixel block is taken, to 8192 x
// 8192 pixels and to what its compressed data can make (deflate gives at
// most 1032 bytes for one): the 68-byte stub of 16384 x 16384 took 1 GB
// before its data was found missing, the valid 32 KB file of 16384 x 16384
// blank 1-bit pixels 4.6 GB.
TEST(PngReader, DeclaredSizesAreHeldToTheBudgetAndToTheData) {
  // A stub IDAT of 2 bytes may stand for rows of 1 + 4 bytes up to
  // 3 * 1032 - 1 bytes in all: 619 rows.
  struct Case {
    const char* what;
    std::string file;
    bool block;  // a pixel block is taken before the data fails
  } cases[] = {
      {"16384 x 16384, stub", hostile::png_declaring(16384, 16384), false},
      {"8192 x 8192, stub", hostile::png_declaring(8192, 8192), false},
      {"16384 x 16384 blank, 1 bit", hostile::png_blank(16384, 16384, PNG_COLOR_TYPE_GRAY, 1, 9),
       false},
      {"1 x 620, stub", hostile::png_declaring(1, 620), false},
      {"1 x 619, stub", hostile::png_declaring(1, 619), true},
  };
  for (const Case& c : cases) {
    PixelImage image;
    EXPECT_FALSE(decode_text(c.file, image)) << c.what;
    EXPECT_EQ(image.pixels != nullptr, c.block) << c.what;
  }
  PixelImage image;
  ASSERT_TRUE(decode_text(hostile::png_blank(4096, 64, PNG_COLOR_TYPE_GRAY, 1, 9), image));
  EXPECT_EQ(image.width, 4096);
  EXPECT_EQ(image.pixel(4095, 63)[0], 0);
}

// The rows of a plain image take memory as they arrive: 8192 x 8192 RGBA
// (256 MB) whose stored data ends after 256 rows has taken room for a few
// hundred rows when it fails, not for the whole image.
TEST(PngReader, DataEndingEarlyTakesRoomOnlyForTheRowsItHeld) {
  const std::string file = hostile::png_blank(8192, 8192, PNG_COLOR_TYPE_RGB_ALPHA, 8, 0, 256);
  PixelImage image;
  EXPECT_FALSE(decode_text(file, image));
  EXPECT_LE(image.capacity, 8192 * 4 * 512);
}

}  // namespace
