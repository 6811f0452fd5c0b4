#include "gfx2d/jpeg_codec.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "image_fixtures.h"
#include "tests/support/child_process.h"
#include "tools/hostile_files.h"

namespace {

using fixtures::Bytes;

bool decode(const Bytes& file, PixelImage& image, int& components) {
  return qvl_jpeg_decode(file.data(), file.size(), image, components);
}

TEST(JpegCodec, RoundTripIsAbove30dB) {
  PixelImage image;
  fixtures::smooth_image(image, 96, 64);
  for (JpegPixelOrder order : {JpegPixelOrder::rgbx, JpegPixelOrder::bgrx}) {
    std::vector<uint8_t> pixels(image.pixels, image.pixels + image.capacity);
    if (order == JpegPixelOrder::bgrx)
      for (size_t i = 0; i < pixels.size(); i += 4) std::swap(pixels[i], pixels[i + 2]);
    ImageBytes out;
    ASSERT_TRUE(qvl_jpeg_encode(pixels.data(), order, 96, 64, out));
    PixelImage back;
    int components = 0;
    ASSERT_TRUE(qvl_jpeg_decode(out.data, out.size, back, components));
    EXPECT_EQ(components, 3);
    EXPECT_EQ(back.has_alpha, 0);
    ASSERT_EQ(back.width, 96);
    ASSERT_EQ(back.height, 64);
    EXPECT_GT(fixtures::psnr_rgb(image, back), 30.0);
    EXPECT_EQ(back.pixel(50, 30)[3], 255);
  }
}

TEST(JpegReader, GreyBecomesGreyRgbAndCmykKeepsItsFourthByte) {
  Bytes grey(16 * 8);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<uint8_t>(i * 2);
  PixelImage image;
  int components = 0;
  ASSERT_TRUE(decode(fixtures::jpeg_file(1, 16, 8, grey), image, components));
  EXPECT_EQ(components, 1);
  EXPECT_EQ(image.has_alpha, 0);
  for (int i = 0; i < 16 * 8; ++i) {
    const uint8_t* p = image.pixels + i * 4;
    ASSERT_EQ(p[0], p[1]);
    ASSERT_EQ(p[0], p[2]);
    ASSERT_EQ(p[3], 255);
    ASSERT_NEAR(p[0], grey[i], 6);
  }

  Bytes cmyk(8 * 8 * 4);
  for (size_t i = 0; i < cmyk.size(); i += 4) {
    cmyk[i] = 10, cmyk[i + 1] = 100, cmyk[i + 2] = 200, cmyk[i + 3] = 150;
  }
  ASSERT_TRUE(decode(fixtures::jpeg_file(4, 8, 8, cmyk, 100), image, components));
  EXPECT_EQ(components, 4);
  EXPECT_EQ(image.has_alpha, 1);
  const uint8_t* p = image.pixel(3, 3);
  EXPECT_NEAR(p[0], 10, 3);
  EXPECT_NEAR(p[1], 100, 3);
  EXPECT_NEAR(p[2], 200, 3);
  EXPECT_NEAR(p[3], 150, 3);
}

TEST(JpegReader, TwoComponentsAreRefusedWithTheirCount) {
  PixelImage image;
  int components = 0;
  EXPECT_FALSE(decode(fixtures::jpeg_file(2, 8, 8, Bytes(128, 50)), image, components));
  EXPECT_EQ(components, 2);
}

// A file cut short would decode its missing rows as made-up grey: it is
// refused. Only a missing final end-of-image marker is forgiven, since every
// row is there.
TEST(JpegReader, CutShortIsRefusedButAMissingEndMarkerIsNot) {
  PixelImage image;
  fixtures::smooth_image(image, 256, 256);
  ImageBytes out;
  ASSERT_TRUE(qvl_jpeg_encode(image.pixels, JpegPixelOrder::rgbx, 256, 256, out));
  ASSERT_GT(out.size, 4000u);
  ASSERT_EQ(out.data[out.size - 2], 0xFF);
  ASSERT_EQ(out.data[out.size - 1], 0xD9);
  PixelImage back;
  int components = 0;
  EXPECT_FALSE(qvl_jpeg_decode(out.data, out.size / 2, back, components));
  EXPECT_FALSE(qvl_jpeg_decode(out.data, out.size - 16, back, components));
  ASSERT_TRUE(qvl_jpeg_decode(out.data, out.size - 2, back, components));
  EXPECT_EQ(back.height, 256);
  ASSERT_TRUE(qvl_jpeg_decode(out.data, out.size, back, components));
}

// The offset of the first marker `code` (0xFF code) in the file.
size_t marker_at(const Bytes& file, uint8_t code) {
  for (size_t i = 0; i + 1 < file.size(); ++i)
    if (file[i] == 0xFF && file[i + 1] == code) return i;
  return file.size();
}

// A few hundred bytes that declare a 20000 x 20000 image and end after the
// scan header: refused before a pixel block is taken.
TEST(JpegReader, HugeDeclaredSizeIsRefusedBeforeAllocating) {
  Bytes file = fixtures::jpeg_file(1, 16, 8, Bytes(16 * 8, 90));
  size_t sof = marker_at(file, 0xC0), sos = marker_at(file, 0xDA);
  ASSERT_LT(sos, file.size());
  for (size_t at : {sof + 5, sof + 7}) {  // height, width: big-endian
    file[at] = 20000 >> 8;
    file[at + 1] = 20000 & 0xFF;
  }
  file.resize(sos + 2 + (file[sos + 2] << 8 | file[sos + 3]));
  PixelImage image;
  int components = 0;
  EXPECT_FALSE(decode(file, image, components));
  EXPECT_EQ(image.pixels, nullptr);
}

TEST(JpegReader, DamagedFilesReturnFalseAndNeverEndTheProcess) {
  PixelImage source;
  fixtures::smooth_image(source, 32, 32);
  ImageBytes out;
  ASSERT_TRUE(qvl_jpeg_encode(source.pixels, JpegPixelOrder::rgbx, 32, 32, out));
  Bytes file(out.data, out.data + out.size);

  // In a child, so a library that ends the process would show as a failure
  // rather than take the test runner with it.
  auto child = qvl_test::run_in_child([&] {
    PixelImage image;
    int components = 0;
    int false_results = 0;
    for (size_t n = 0; n < 200 && n < file.size(); ++n)  // cut inside the headers
      if (!qvl_jpeg_decode(file.data(), n, image, components)) ++false_results;
    for (size_t at = 0; at < file.size(); at += 3) {  // every third byte damaged
      Bytes bad = file;
      bad[at] ^= 0xA5;
      qvl_jpeg_decode(bad.data(), bad.size(), image, components);
    }
    Bytes noise(500);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 7919 >> 3);
    if (qvl_jpeg_decode(noise.data(), noise.size(), image, components)) std::exit(3);
    std::exit(false_results == 200 ? 0 : 2);
  });
  EXPECT_EQ(child.signal, 0);
  EXPECT_EQ(child.exit_status, 0);
  EXPECT_EQ(child.err, "");
}

bool decode_text(const std::string& file, PixelImage& image) {
  int components = 0;
  return qvl_jpeg_decode(reinterpret_cast<const uint8_t*>(file.data()), file.size(), image,
                         components);
}

// What a file declares is held, before any pixel block is taken, to 8192 x
// 8192 pixels and to a bit for every block (its Huffman DC code); files
// coded arithmetically are refused. A 144-byte file of 16384 x 16384 took
// 1 GB before its data was found missing. A blank grey 1024 x 1024
// baseline file takes 2 bits a block, 4096 bytes of data.
TEST(JpegReader, DeclaredSizesAreHeldToTheBudgetAndToTheData) {
  struct Case {
    const char* what;
    std::string file;
    bool decodes;
    bool block;  // a pixel block is taken
  } cases[] = {
      {"16384 x 16384, 4 bytes", hostile::jpeg_grey(16384, 16384, false, 1, 4), false, false},
      {"8192 x 8192, 4 bytes", hostile::jpeg_grey(8192, 8192, false, 1, 4), false, false},
      {"1024 x 1024, whole", hostile::jpeg_grey(1024, 1024, false, 1, 4096), true, true},
      // 2,048 bytes of file hold a bit for every block: decoded until the
      // data runs out.
      {"1024 x 1024, 2000 bytes", hostile::jpeg_grey(1024, 1024, false, 1, 2000), false, true},
      {"1024 x 1024, 1900 bytes", hostile::jpeg_grey(1024, 1024, false, 1, 1900), false, false},
      // Arithmetic coding makes a flat image of a few bytes, whatever its
      // size: 100 bytes of progressive 8192 x 8192 took 900 MB and 6 s.
      {"arithmetic, progressive 8192 x 8192", hostile::jpeg_grey(8192, 8192, true, 1, 8, true),
       false, false},
      {"arithmetic, 64 x 64", hostile::jpeg_grey(64, 64, false, 1, 8, true), false, false},
  };
  for (const Case& c : cases) {
    PixelImage image;
    EXPECT_EQ(decode_text(c.file, image), c.decodes) << c.what;
    EXPECT_EQ(image.pixels != nullptr, c.block) << c.what;
    if (c.decodes) {
      EXPECT_EQ(image.height, 1024) << c.what;
    }
  }
}

// Each scan of a progressive file passes over the whole image: a file of
// more than 256 scans is refused, however little each holds.
TEST(JpegReader, ScansPastTheLimitAreRefused) {
  for (int scans : {1, 256, 257, 1000}) {
    PixelImage image;
    // 64 x 64: 64 blocks, a DC scan of 8 bytes.
    EXPECT_EQ(decode_text(hostile::jpeg_grey(64, 64, true, scans, 8), image), scans <= 256)
        << scans;
  }
}

}  // namespace
