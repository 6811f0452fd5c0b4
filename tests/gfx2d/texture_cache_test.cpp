// The texture cache on Mesa: a round trip byte for byte with the file gone
// afterwards, restores that find no file, files that fail the checks, and
// saves that cannot be completed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gfx2d/texture_cache_file.h"
#include "gfx2d/texture_cache_name.h"
#include "tests/gfx2d/gfx_fixture.h"
#include "tests/gfx2d/gfx_log_reader.h"

namespace {

using TextureCache = GfxTest;

std::vector<uint8_t> read_file(const char* name) {
  std::vector<uint8_t> bytes;
  if (FILE* f = std::fopen(name, "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
  }
  return bytes;
}

void write_file(const char* name, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(name, "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

bool exists(const char* name) {
  struct stat st;
  return ::lstat(name, &st) == 0;
}

// A w x h image with a different value in every byte, alpha included.
void make_pattern(PixelImage& image, int w, int h, int seed) {
  ASSERT_TRUE(image.resize(w, h));
  for (int i = 0; i < w * h * 4; ++i) image.pixels[i] = static_cast<uint8_t>(i * 7 + seed);
}

void append_record(std::vector<uint8_t>& file, int32_t id, int32_t w, int32_t h,
                   const uint8_t* pixels, size_t n) {
  uint8_t header[kTexCacheHeaderBytes];
  qvl_tex_cache_encode_header({id, w, h}, header);
  file.insert(file.end(), header, header + sizeof header);
  file.insert(file.end(), pixels, pixels + n);
}

TEST_F(TextureCache, RoundTripIsByteForByteAndRemovesTheFile) {
  const char* name = qvl_tex_cache_file_name(gfx_);
  struct Sprite {
    int id, w, h;
  };
  const Sprite sprites[] = {{3, 2, 2}, {700, 17, 5}, {65504, 16, 16}};
  PixelImage images[3];
  std::vector<uint8_t> expected;
  for (int i = 0; i < 3; ++i) {
    make_pattern(images[i], sprites[i].w, sprites[i].h, i);
    ASSERT_TRUE(gfx_->set_sprite_image(sprites[i].id, images[i], false));
    append_record(expected, sprites[i].id, sprites[i].w, sprites[i].h, images[i].pixels,
                  images[i].width * images[i].height * 4);
  }
  gfx_->set_anim_size(700, 4, 5);

  ASSERT_TRUE(gfx_->move_textures(false));
  EXPECT_EQ(read_file(name), expected);
  EXPECT_EQ(gfx_->sprites[3].img_width, 2) << "saving changed the sprites";

  for (const Sprite& s : sprites) gfx_->free_sprite(s.id);
  ASSERT_TRUE(gfx_->move_textures(true));
  EXPECT_FALSE(exists(name));
  for (int i = 0; i < 3; ++i) {
    PixelImage back;
    ASSERT_TRUE(gfx_->sprite_to_image(sprites[i].id, back)) << sprites[i].id;
    ASSERT_EQ(back.width, sprites[i].w);
    ASSERT_EQ(back.height, sprites[i].h);
    EXPECT_EQ(0, std::memcmp(back.pixels, images[i].pixels, back.width * back.height * 4))
        << sprites[i].id;
  }
  EXPECT_EQ(gfx_->sprites[700].tex_width, 32);
  EXPECT_NE(gfx_->sprites[700].mip_texture, 0u);
  EXPECT_EQ(gfx_->sprites[700].anim_width, 4);

  // A second restore finds no file.
  EXPECT_FALSE(gfx_->move_textures(true));
  std::string log = read_error_log();
  EXPECT_NE(log.find(std::string("move textures from mem to temp file\n   \"") + name +
                     "\"\n   ...done\nrestoring textures from temp file\n   ...done\n"
                     "restoring textures from temp file\n"),
            std::string::npos)
      << log;
}

TEST_F(TextureCache, EmptyTableSavesAnEmptyFile) {
  const char* name = qvl_tex_cache_file_name(gfx_);
  ASSERT_TRUE(gfx_->move_textures(false));
  EXPECT_TRUE(exists(name));
  EXPECT_TRUE(read_file(name).empty());
  ASSERT_TRUE(gfx_->move_textures(true));
  EXPECT_FALSE(exists(name));
}

// Every file that fails a check is refused whole: the sprites stay as they
// were, and the file goes.
TEST_F(TextureCache, RestoreRefusesDamagedFilesWithoutTouchingSprites) {
  const char* name = qvl_tex_cache_file_name(gfx_);
  PixelImage keep;
  make_pattern(keep, 2, 2, 9);
  ASSERT_TRUE(gfx_->set_sprite_image(5, keep, false));
  std::vector<uint8_t> px(4 * 4 * 4, 0xAB);

  std::vector<uint8_t> good;
  append_record(good, 5, 2, 2, px.data(), 16);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  auto with = [&](const char* what, auto build) {
    std::vector<uint8_t> f = good;
    build(f);
    cases.push_back({what, f});
  };
  with("short header", [](auto& f) { f.insert(f.end(), {1, 2, 3}); });
  with("trailing pixels missing", [&](auto& f) { append_record(f, 6, 2, 2, px.data(), 15); });
  with("id beyond the table", [&](auto& f) { append_record(f, 65536, 1, 1, px.data(), 4); });
  with("negative id", [&](auto& f) { append_record(f, -1, 1, 1, px.data(), 4); });
  with("ids out of order", [&](auto& f) { append_record(f, 4, 1, 1, px.data(), 4); });
  with("same id twice", [&](auto& f) { append_record(f, 5, 1, 1, px.data(), 4); });
  with("zero width", [&](auto& f) { append_record(f, 6, 0, 2, px.data(), 0); });
  with("negative height", [&](auto& f) { append_record(f, 6, 2, -2, px.data(), 0); });
  with("size beyond a sprite", [&](auto& f) { append_record(f, 6, 40000, 1, px.data(), 64); });
  with("size overflowing 32 bits", [&](auto& f) {
    append_record(f, 6, 32767, 32767, px.data(), 64);
  });

  for (const Case& c : cases) {
    write_file(name, c.bytes);
    EXPECT_FALSE(gfx_->move_textures(true)) << c.what;
    EXPECT_FALSE(exists(name)) << c.what;
    PixelImage now;
    ASSERT_TRUE(gfx_->sprite_to_image(5, now)) << c.what;
    EXPECT_EQ(0, std::memcmp(now.pixels, keep.pixels, 16)) << c.what;
    EXPECT_EQ(gfx_->sprites[6].img_width, 0) << c.what;
  }
  EXPECT_NE(read_error_log().find("   ...bad cache file: "), std::string::npos);
}

// Only a plain file of this user's is read: a link to a good cache file or
// a pipe planted at the name is removed (a pipe would block the read).
TEST_F(TextureCache, RestoreReadsNothingButAPlainFile) {
  const char* name = qvl_tex_cache_file_name(gfx_);
  std::vector<uint8_t> good;
  std::vector<uint8_t> px(16, 0x11);
  append_record(good, 9, 2, 2, px.data(), px.size());
  std::string elsewhere = std::string(name) + ".elsewhere";
  write_file(elsewhere.c_str(), good);

  ASSERT_EQ(::symlink(elsewhere.c_str(), name), 0);
  EXPECT_FALSE(gfx_->move_textures(true));
  EXPECT_FALSE(exists(name));
  EXPECT_TRUE(exists(elsewhere.c_str()));
  EXPECT_EQ(gfx_->sprites[9].img_width, 0);

  ASSERT_EQ(::mkfifo(name, 0600), 0);
  EXPECT_FALSE(gfx_->move_textures(true));
  EXPECT_FALSE(exists(name));
}

TEST_F(TextureCache, SaveReportsWhatItCannotWrite) {
  const char* name = qvl_tex_cache_file_name(gfx_);
  // The name is taken by something the save may not remove.
  ASSERT_EQ(::mkdir(name, 0700), 0);
  ASSERT_EQ(::mkdir((std::string(name) + "/x").c_str(), 0700), 0);
  EXPECT_FALSE(gfx_->move_textures(false));
  ::rmdir((std::string(name) + "/x").c_str());
  ::rmdir(name);

  // A sprite whose image cannot be read back fails the save: a cache
  // without it would lose it on restore.
  PixelImage image;
  make_pattern(image, 2, 2, 1);
  ASSERT_TRUE(gfx_->set_sprite_image(1, image, false));
  gfx_->sprites[2].img_width = 4;
  gfx_->sprites[2].img_height = 4;
  EXPECT_FALSE(gfx_->move_textures(false));
  EXPECT_FALSE(exists(name)) << "a half-written cache was left";
  gfx_->sprites[2].img_width = 0;
}

}  // namespace
