#include "gfx2d/image_files.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "files/mem_file.h"
#include "image_fixtures.h"
#include "tests/support/child_process.h"
#include "tools/hostile_files.h"

namespace {

using fixtures::Bytes;

std::string tmp(const std::string& name) { return qvl_test::temp_dir() + name; }

void opaque_image(PixelImage& image, int w, int h) {
  image.resize(w, h);
  for (int i = 0; i < w * h * 4; ++i) image.pixels[i] = static_cast<uint8_t>(i * 29 + 5);
  for (int i = 3; i < w * h * 4; i += 4) image.pixels[i] = 255;
}

std::string kind(const Bytes& file) {
  if (file.size() >= 4 && std::memcmp(file.data(), "\x89PNG", 4) == 0) return "png";
  if (file.size() >= 2 && file[0] == 0xFF && file[1] == 0xD8) return "jpeg";
  if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') return "bmp";
  return "?";
}

TEST(ImageFiles, SaveChoosesTheFormatByTheLastFourCharacters) {
  PixelImage image;
  opaque_image(image, 5, 4);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a.png", "png"}, {"b.PnG", "png"},   {"c.jpg", "jpeg"}, {"d.JPG", "jpeg"},
      {"e.jpeg", "bmp"}, {"f.bmp", "bmp"}, {"g.txt", "bmp"},  {"h", "bmp"},
  };
  for (const auto& [name, expected] : cases) {
    ASSERT_TRUE(qvl_img_save(tmp(name).c_str(), image)) << name;
    EXPECT_EQ(kind(fixtures::read_file(tmp(name))), expected) << name;
  }
  // Only the name itself counts, not the folder: ".png" alone is 4
  // characters, so it is a BMP (written here through a relative name).
  std::string cwd_file = ".png";
  ASSERT_EQ(0, chdir(qvl_test::temp_dir().c_str()));
  ASSERT_TRUE(qvl_img_save(cwd_file.c_str(), image));
  EXPECT_EQ(kind(fixtures::read_file(tmp(".png"))), "bmp");
}

TEST(ImageFiles, SavedFilesLoadBackExactlyAndJpegLeavesTheImageAlone) {
  PixelImage image;
  opaque_image(image, 9, 6);
  image.pixel(2, 3)[3] = 17;  // PNG keeps any alpha
  ASSERT_TRUE(qvl_img_save(tmp("x.png").c_str(), image));
  PixelImage back;
  ASSERT_TRUE(back.load_png(tmp("x.png").c_str(), kNoColourKey));
  EXPECT_EQ(0, std::memcmp(back.pixels, image.pixels, 9 * 6 * 4));

  image.pixel(2, 3)[3] = 255;
  ASSERT_TRUE(qvl_img_save(tmp("x.bmp").c_str(), image));
  ASSERT_TRUE(back.load_bmp(tmp("x.bmp").c_str(), kNoColourKey));
  EXPECT_EQ(0, std::memcmp(back.pixels, image.pixels, 9 * 6 * 4));

  PixelImage smooth;
  fixtures::smooth_image(smooth, 40, 30);
  std::vector<uint8_t> before(smooth.pixels, smooth.pixels + 40 * 30 * 4);
  ASSERT_TRUE(qvl_img_save(tmp("x.jpg").c_str(), smooth));
  EXPECT_EQ(0, std::memcmp(smooth.pixels, before.data(), before.size()));
  ASSERT_TRUE(back.load_jpeg(tmp("x.jpg").c_str()));
  EXPECT_GT(fixtures::psnr_rgb(smooth, back), 30.0);  // red and blue not swapped
}

TEST(ImageFiles, BmpSaveTurnsPixelsThatAreNotOpaqueIntoTheKey) {
  PixelImage image;
  opaque_image(image, 2, 1);
  image.pixel(1, 0)[3] = 254;
  ASSERT_TRUE(qvl_img_save(tmp("k.bmp").c_str(), image));
  PixelImage back;
  ASSERT_TRUE(back.load_bmp(tmp("k.bmp").c_str(), 0x8000FF));
  EXPECT_EQ(back.pixel(0, 0)[3], 255);
  EXPECT_EQ(0, std::memcmp(back.pixel(1, 0), "\0\0\0\0", 4));
}

TEST(ImageFiles, FailedSavesLeaveTheOldFileAndMemoryNamesAreRefused) {
  PixelImage good;
  opaque_image(good, 3, 3);
  for (const char* name : {"old.png", "old.jpg", "old.bmp"}) {
    ASSERT_TRUE(qvl_img_save(tmp(name).c_str(), good));
    Bytes before = fixtures::read_file(tmp(name));
    PixelImage empty;
    EXPECT_FALSE(qvl_img_save(tmp(name).c_str(), empty)) << name;
    EXPECT_EQ(fixtures::read_file(tmp(name)), before) << name;
  }
  EXPECT_FALSE(qvl_img_save(tmp("no-such-folder/a.png").c_str(), good));
  EXPECT_FALSE(qvl_png_save(tmp("no-such-folder/a.png").c_str(), good.pixels, 3, 3));

  static uint8_t block[16];
  char name[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(block, sizeof block, nullptr, name));
  EXPECT_FALSE(qvl_img_save(name, good));
  EXPECT_FALSE(qvl_png_save(name, good.pixels, 3, 3));
  EXPECT_FALSE(qvl_jpeg_save(name, good.pixels, 3, 3));
  qvl_mem_file_release(block);
}

TEST(ImageFiles, ReadersTakeMemoryFiles) {
  PixelImage image;
  opaque_image(image, 4, 4);
  ASSERT_TRUE(qvl_img_save(tmp("m.png").c_str(), image));
  Bytes file = fixtures::read_file(tmp("m.png"));
  auto* block = static_cast<uint8_t*>(std::malloc(file.size()));
  std::memcpy(block, file.data(), file.size());
  char name[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(block, static_cast<uint32_t>(file.size()), std::free, name));
  PixelImage back;
  EXPECT_FALSE(back.load_bmp(name, kNoColourKey));
  ASSERT_TRUE(back.load_png(name, kNoColourKey));
  EXPECT_EQ(0, std::memcmp(back.pixels, image.pixels, 4 * 4 * 4));
  qvl_mem_file_release(block);
  EXPECT_FALSE(back.load_png(name, kNoColourKey));  // released: no longer opens
}

TEST(ImageFiles, TheReaderChainLogsFilesNoReaderTakes) {
  PixelImage source;
  fixtures::smooth_image(source, 16, 16);
  ASSERT_TRUE(qvl_img_save(tmp("ok.jpg").c_str(), source));
  ASSERT_TRUE(qvl_img_save(tmp("ok.png").c_str(), source));
  Bytes png = fixtures::read_file(tmp("ok.png"));
  png[png.size() / 2] ^= 0xFF;  // breaks the data's CRC
  fixtures::write_file(tmp("bad.png"), png);
  fixtures::write_file(tmp("bad.jpg"), Bytes{0xFF, 0xD8, 0xFF, 0xC0, 0, 3, 1});
  fixtures::write_file(tmp("text.bmp"), Bytes{'h', 'e', 'l', 'l', 'o'});
  fixtures::write_file(tmp("two.jpg"), fixtures::jpeg_file(2, 8, 8, Bytes(128, 9)));
  ASSERT_TRUE(qvl_img_save(tmp("ok.bmp").c_str(), source));
  Bytes bmp = fixtures::read_file(tmp("ok.bmp"));
  fixtures::write_file(tmp("cut.bmp"), Bytes(bmp.begin(), bmp.end() - 1));
  fixtures::write_file(tmp("cut.png"), Bytes(png.begin(), png.begin() + 60));

  PixelImage image;
  EXPECT_TRUE(qvl_img_load_file(image, tmp("ok.jpg").c_str(), kNoColourKey));
  EXPECT_EQ(image.has_alpha, 0);
  EXPECT_TRUE(qvl_img_load_file(image, tmp("ok.png").c_str(), kNoColourKey));
  EXPECT_EQ(fixtures::error_log(), "");

  std::string expected;
  for (const char* name : {"bad.png", "cut.png", "bad.jpg", "cut.bmp", "text.bmp", "missing.png", "two.jpg"}) {
    EXPECT_FALSE(qvl_img_load_file(image, tmp(name).c_str(), kNoColourKey)) << name;
    if (std::string(name) == "two.jpg") expected += "JPEG: Channels: 2 not supported!\n";
    expected += "Image can't be loaded: " + tmp(name) + "\n";
  }
  EXPECT_EQ(fixtures::error_log(), expected);
}

// Small files declaring 16384 x 16384 pixels, read by the reader chain as
// the sprite loader reads them: each once took a gigabyte or more (the
// stubs before their data was found missing, the blank PNG to decode it,
// the JPEG of 1,000 empty progressive scans also 20 s of CPU). Each is
// refused from its header, within 64 MB.
TEST(ImageFiles, SmallFilesDeclaringHugeImagesAreRefusedCheaply) {
  const struct {
    const char* name;
    std::string bytes;
  } files[] = {
      {"stub.png", hostile::png_declaring(16384, 16384)},
      {"blank.png", hostile::png_blank(16384, 16384, PNG_COLOR_TYPE_GRAY, 1, 9)},
      {"stub.jpg", hostile::jpeg_grey(16384, 16384, false, 1, 4)},
      {"scans.jpg", hostile::jpeg_grey(16384, 16384, true, 1000, 0)},
  };
  for (const auto& f : files) {
    const std::string path = tmp(f.name);
    fixtures::write_file(path, Bytes(f.bytes.begin(), f.bytes.end()));
    const auto cost = qvl_test::measure_in_child([&path] {
      PixelImage image;
      std::printf(qvl_img_read_file(image, path.c_str(), kNoColourKey) ? "read\n" : "refused\n");
    }, 600, 60);
    EXPECT_FALSE(cost.stopped) << f.name << ": " << cost.peak_mb << " MB";
    EXPECT_EQ(cost.result.out, "refused\n") << f.name;
    EXPECT_LT(cost.peak_mb, 64.0) << f.name;
  }
}

TEST(ImageFiles, ReadU32IsLittleEndian) {
  fixtures::write_file(tmp("u32"), Bytes{0x78, 0x56, 0x34, 0x12, 0xAA});
  FileChannel channel;
  ASSERT_TRUE(channel.open_read(tmp("u32").c_str()));
  uint32_t value = 0;
  ASSERT_TRUE(qvl_img_read_u32(channel, value));
  EXPECT_EQ(value, 0x12345678u);
  EXPECT_FALSE(qvl_img_read_u32(channel, value));  // one byte left on disk
  channel.close();
}

}  // namespace
