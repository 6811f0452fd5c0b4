// The game file as a whole: round trips through the writer and the reader,
// the reader's frame, damaged files, and the writer's refusals.
#include "game/gamefile.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>

#include "files/strongbox.h"
#include "core/logs.h"
#include "host/sound_slots.h"
#include "tests/game/game_fixtures.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"
#include "tools/demo_game.h"
#include "tools/hostile_games.h"

namespace {

using game_test::encode;
using game_test::game_diff;
using game_test::parse;

std::string demo_file() {
  Tgame g;
  demo_game_build(g);
  return encode(g);
}

class GameFile : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = qvl_test::temp_dir();
    ASSERT_EQ(chdir(dir_.c_str()), 0);
  }
  std::string dir_;
};

TEST_F(GameFile, DemoGameReadsBackEqualToWhatWasWritten) {
  Tgame written;
  demo_game_build(written);
  ASSERT_TRUE(gamefile_write(written, BasicString("zzz_game.zemo"), false));
  EXPECT_EQ(written.modified, 0);
  Tgame read;
  read.file_name = written.file_name;
  ASSERT_TRUE(gamefile_read(read, BasicString("zzz_game.zemo")));
  EXPECT_EQ(game_diff(written, read), "");
  EXPECT_STREQ(read.title.c_str(), "Star Patrol");
}

// Reading grows the animation array to at least 60 and to 15 past its last
// kind; sizing from the last animation in use makes that a fixed point, so
// a game read once writes the same bytes however often it goes round.
TEST_F(GameFile, WriteReadWriteGivesTheSameBytes) {
  Tgame demo;
  demo_game_build(demo);
  for (int kinds : {7, 13}) {
    // 13 kinds (65 animations) end the load with 80.
    while (demo.anims.size1 < kinds * 5) demo.anims.push(demo.anims.data[0]);
    Tgame once;
    ASSERT_TRUE(parse(encode(demo), once));
    EXPECT_EQ(once.anims.size1, kinds == 7 ? 60 : 80);
    const std::string first = encode(once);
    Tgame twice;
    ASSERT_TRUE(parse(first, twice));
    EXPECT_EQ(encode(twice), first);
  }
}

// A length the reader made from 4007 ms goes back as 4007 ms (truncating
// 4.007 * 1000 would give 4006).
TEST(GameFileAnims, LengthsKeepTheirMilliseconds) {
  Tgame g;
  demo_game_build(g);
  for (int ms : {4007, 4015, 1, 999, 123456}) {
    g.anims.data[1].seconds = ms * 0.001;
    Tgame back;
    ASSERT_TRUE(parse(encode(g), back));
    EXPECT_EQ(back.anims.data[1].seconds, ms * 0.001) << ms;
  }
}

TEST(GameFileAnims, SizeAndUse) {
  struct Case {
    int size, in_use, sized;
  } cases[] = {{12, 12, 60}, {63, 63, 75}, {65, 65, 80}, {80, 65, 80}, {90, 3, 60}};
  for (const Case& c : cases) {
    BasicArray<Tanim> anims;
    anims.dim(c.size, 0, 0, 0);
    anims.data[c.in_use - 1].speed = 1;  // the last animation in use
    EXPECT_EQ(gamefile_anims_in_use(anims), c.in_use);
    gamefile_size_anims(anims, gamefile_anims_in_use(anims));
    EXPECT_EQ(anims.size1, c.sized) << c.size;
    EXPECT_EQ(anims.data[c.in_use - 1].speed, 1);
  }
}

TEST(GameFileTitle, FromPath) {
  struct Case {
    const char* path;
    bool keep;
    const char* title;
  } cases[] = {{"C:\\games/dir\\Star Patrol.zemo", false, "Star Patrol"},
               {"a/b/c.zemo", true, "c.zemo"},
               {"dir/12345", false, ""},   // exactly five characters
               {"dir/abc", false, "abc"},  // shorter: kept whole
               {"///", false, "///"},      // no part at all
               {"", false, ""}};
  for (const Case& c : cases)
    EXPECT_STREQ(gamefile_title_from_path(BasicString(c.path), c.keep).c_str(), c.title) << c.path;
}

// Every way a file can lie about itself ends in a reason, never in a read
// beyond the bytes, an allocation from a wild count, or a crash later.
TEST(GameFileDamage, TruncatedFilesFail) {
  const std::string full = demo_file();
  Tgame g;
  ASSERT_TRUE(parse(full, g));
  for (size_t n = 0; n < full.size(); n += (n < 600 ? 1 : 53)) {
    Tgame cut;
    std::string reason;
    EXPECT_FALSE(parse(full.substr(0, n), cut, &reason)) << n;
    EXPECT_EQ(reason, "the file ends early") << n;
  }
}

TEST(GameFileDamage, CorruptedBytesFailOrLoadConsistently) {
  const std::string full = demo_file();
  uint32_t seed = 12345;
  for (int round = 0; round < 400; ++round) {
    std::string bytes = full;
    for (int k = 0; k < 1 + round % 4; ++k) {
      seed = seed * 1103515245u + 12345u;
      const size_t at = (seed >> 8) % (round < 200 ? 1200 : bytes.size());
      const char values[] = {'\x00', '\x7f', '\x80', '\xff', '\x10'};
      bytes[at] = values[(seed >> 3) % 5];
    }
    Tgame g;
    if (parse(bytes, g)) {
      EXPECT_EQ(gamefile_check(g), nullptr) << round;
    }
  }
}

// A defect put into a valid game, the reason the reader gives for it.
struct Defect {
  const char* what;
  std::function<void(Tgame&)> make;
  const char* reason;
};

const Defect kDefects[] = {
    {"pixel beyond the palette", [](Tgame& g) { g.images.data[3].pixels.data[40] = 200; },
     "a pixel's colour is not in the palette"},
    {"tile pixel counting back too far", [](Tgame& g) { g.tiles.data[0].pixels.data[0] = -100; },
     "a pixel's colour is not in the palette"},
    {"image wider than high", [](Tgame& g) { g.images.data[1].pixels.dim(16, 8, 0, 0); },
     "an image wider than high"},
    {"first tile without rows", [](Tgame& g) { g.tiles.data[0].pixels.dim(16, 0, 0, 0); },
     "an image wider than high"},
    {"no tiles", [](Tgame& g) { g.tiles.dim(0, 0, 0, 0); }, "an image array without images"},
    {"no images", [](Tgame& g) { g.images.dim(0, 0, 0, 0); }, "an image array without images"},
    {"too many images", [](Tgame& g) { g.tiles.dim(1025, 0, 0, 0); },
     "more than 1024 images in one array"},
    {"no levels", [](Tgame& g) { g.levels.dim(0, 0, 0, 0); }, "a game without levels"},
    {"no players", [](Tgame& g) { g.players.dim(0, 0, 0, 0); }, "a game without players"},
    {"three layers", [](Tgame& g) { g.levels.data[0].layers.dim(3, 0, 0, 0); },
     "a level with more than two layers"},
    {"wave without a path point", [](Tgame& g) { g.levels.data[1].waves.data[2].path.dim(0, 0, 0, 0); },
     "a wave without a path point"},
    {"power-up level 4", [](Tgame& g) { g.levels.data[0].waves.data[4].enemies.data[0].powerup = 4; },
     "a power-up level above 3"},
    {"enemy kind past the animations",
     [](Tgame& g) { g.levels.data[0].waves.data[0].enemies.data[0].anim = 56; },
     "an enemy's animations are not there"},
    {"frame past the images", [](Tgame& g) { g.anims.data[3].frames.data[0] = 23; },
     "an animation frame names an image that is not there"},
    {"layer cell past the tiles", [](Tgame& g) { g.levels.data[1].layers.data[1].tiles.data[7] = 7; },
     "a layer cell names a tile that is not there"},
    {"power-up kind past the animations", [](Tgame& g) { g.powerups.data[1].anims.data[2] = -5; },
     "a power-up's animations are not there"},
    // Player 13's kind (animations 60 to 64) is beyond the 60 a load gives.
    {"more players than kinds",
     [](Tgame& g) {
       g.players.dim(13, 0, 0, 0);
       g.powerups.dim(13, 0, 0, 0);
     },
     "a player's animations are not there"},
};

// What a game asks of the graphics is weighed at load: its play picture
// (a render target of its size, 3.25 GB for 16384 x 16384 from a 30 KB
// file) and the textures of its pictures (a 146 KB game of one 340-pixel
// image and 511 empty ones asked for 1.45 GB of sheet).
const char* const kViewTooLarge = "the play picture is larger than 16384 a side or 4096 x 4096 in all";
const char* const kPicturesTooLarge = "the pictures would take more than 33554432 texels";

const Defect kCostlyGames[] = {
    {"play picture 16384 x 16384", [](Tgame& g) { g.game_width = g.game_height = 16384; },
     kViewTooLarge},
    {"play picture 16385 wide", [](Tgame& g) { g.game_width = 16385, g.game_height = 16; },
     kViewTooLarge},
    // Its texture would be 8192 x 4096.
    {"play picture 4097 x 4096", [](Tgame& g) { g.game_width = 4097, g.game_height = 4096; },
     kViewTooLarge},
    {"play picture of negative width", [](Tgame& g) { g.game_width = -1; }, kViewTooLarge},
    {"a 340-pixel image and 511 empty ones",
     [](Tgame& g) {
       g.images.redim(512, 0, 0, 0);
       g.images.data[0].pixels.dim(340, 340, 0, 0);
     },
     kPicturesTooLarge},
    // 64 rows of 300-pixel cells: a sheet 19,200 pixels high.
    {"a tile sheet past the largest texture",
     [](Tgame& g) {
       g.tiles.redim(1024, 0, 0, 0);
       g.tiles.data[0].pixels.dim(300, 300, 0, 0);
     },
     kPicturesTooLarge},
};

// Each defect made in the demo game: the file is refused for its reason.
template <size_t N>
void expect_refused(const Defect (&defects)[N]) {
  for (const Defect& d : defects) {
    Tgame g;
    demo_game_build(g);
    d.make(g);
    Tgame read;
    std::string reason;
    EXPECT_FALSE(parse(encode(g), read, &reason)) << d.what;
    EXPECT_EQ(reason, d.reason) << d.what;
  }
}

TEST(GameFileDamage, CostlyPlayPicturesAndPicturesAreRefused) {
  expect_refused(kCostlyGames);
  // Within the budgets: no off-screen picture, the largest sides, the
  // largest texture, 1,024 images in 128-pixel cells (a 2048 x 8192 sheet).
  const struct {
    int w, h;
  } views[] = {{0, 0}, {16384, 1024}, {1024, 16384}, {4096, 4096}, {3840, 2160}};
  for (const auto& v : views) {
    Tgame g;
    std::string reason;
    EXPECT_TRUE(parse(hostile::game_with_view(v.w, v.h), g, &reason)) << v.w << " x " << v.h;
  }
  Tgame g;
  EXPECT_TRUE(parse(hostile::game_with_wide_sheets(128, 1024, false), g));
}

// Every sprite and both sheets at their texture sizes: sides rounded up to
// powers of two of at least 16, a sheet as many cells wide as it holds up
// to 16, in cells of its first image's width.
TEST(GameFileDamage, PicturesAreCountedAtTheirTextureSizes) {
  Tgame g;
  g.images.dim(3, 0, 0, 0);
  g.images.data[0].pixels.dim(20, 20, 0, 0);  // 32 x 32
  g.images.data[2].pixels.dim(17, 30, 0, 0);  // 32 x 32: the top 17 x 17
  g.tiles.dim(1, 0, 0, 0);                    // empty: 16 x 16
  // Sprites 1024 + 256 + 1024; the image sheet 60 x 20: 64 x 32; the tile
  // sheet 16 x 16.
  EXPECT_EQ(gamefile_picture_texels(g), 2304 + 2048 + 256 + 256);
  g.images.data[1].pixels.dim(16, 8, 0, 0);  // wider than high: no sprite
  EXPECT_EQ(gamefile_picture_texels(g), 2048 + 2048 + 256 + 256);
}

TEST(GameFileDamage, ReferencesPlayWouldFollowOutOfRange) {
  expect_refused(kDefects);
}

// Counts from the file are never believed before the bytes are there.
TEST(GameFileDamage, WildCountsFailBeforeAnyAllocation) {
  const std::string full = demo_file();
  // The object-image count follows the header (4 + 1 + 4 + 4 + 11 bytes)
  // and the palette (4 + 24 * 4).
  const size_t images = 24 + 4 + 24 * 4;
  struct Case {
    int32_t count;
    const char* reason;
  } cases[] = {{-1, "an image count below 0"},
               {0x7FFFFFFF, "the file ends early"},
               {1000, "the file ends early"}};
  for (const Case& c : cases) {
    std::string bytes = full;
    game_test::Bytes b;
    b.i32(c.count);
    bytes.replace(images, 4, b.s);
    Tgame g;
    std::string reason;
    EXPECT_FALSE(parse(bytes, g, &reason)) << c.count;
    EXPECT_EQ(reason, c.reason) << c.count;
  }
  std::string bytes = full;
  bytes.replace(images + 8, 4, std::string("\xff\xff\xff\x7f", 4));  // first image's height
  Tgame g;
  std::string reason;
  EXPECT_FALSE(parse(bytes, g, &reason));
  EXPECT_EQ(reason, "the file ends early");
}

// The reader's frame, in a child that owns its standard output.
TEST_F(GameFile, ReadTranscriptAndSoundSlots) {
  const std::string bytes = demo_file();
  qvl_test::write_file(dir_ + "zzz_game.zemo", bytes);
  auto r = qvl_test::run_in_child([] {
    qvl_snd_startup(nullptr);
    Tgame g;
    const bool ok = gamefile_read(g, BasicString("zzz_game.zemo"));
    // Slot 0 stays empty; every other sound string became a slot of 4 copies.
    bool slots = qvl_snd_slots[0].count == 0;
    for (int i = 1; i < g.sounds.size1; ++i) slots = slots && qvl_snd_slots[i].count == 4;
    qvl_snd_shutdown();
    _exit(ok && slots ? 0 : 1);
  });
  EXPECT_EQ(r.exit_status, 0) << r.out;
  EXPECT_EQ(r.out, "reading zzz_game.zemo\nfilesize is " + std::to_string(bytes.size()) +
                       "\nfile can be opened\nversion:33. Supports up to:33\nread palette\n"
                       "wait cursor\nimages\ntiles\nanims\nlevels\nplayers\ndone\n");
  // No work file is left in (or taken from) the shared temporary folder.
  EXPECT_EQ(qvl_test::read_file(dir_ + "sfxrtemp.wav"), "");
}

TEST_F(GameFile, FailedReadsSayWhyAndKeepTheGame) {
  qvl_test::write_file(dir_ + "empty.zemo", "");
  std::string cut = demo_file();
  cut.resize(cut.size() / 2);
  qvl_test::write_file(dir_ + "cut.zemo", cut);
  std::string newer = demo_file();
  newer[0] = 40;
  qvl_test::write_file(dir_ + "newer.zemo", newer);
  // One byte past 64 MB, sparse: refused before anything is read.
  qvl_test::write_file(dir_ + "huge.zemo", "");
  ASSERT_EQ(truncate((dir_ + "huge.zemo").c_str(), (int64_t(64) << 20) + 1), 0);
  // Noise after a version that is too new, one that is none, and one that
  // is read.
  std::string noise;
  for (uint32_t k = 1; noise.size() < 4096; k = k * 1103515245u + 12345u) noise += char(k >> 24);
  qvl_test::write_file(dir_ + "noise_new.zemo", std::string("\x9c\x41\xe7\x05", 4) + noise);
  qvl_test::write_file(dir_ + "noise_none.zemo", std::string("\xd2\x04\x00\x80", 4) + noise);
  qvl_test::write_file(dir_ + "noise_20.zemo", std::string("\x14\x00\x00\x00", 4) + noise);
  const std::string newer_line =
      "load failed: the file's format version is newer than this player reads\n";
  struct Case {
    const char* name;
    std::string out;  // the end of what is printed: the reason
  } cases[] = {
      {"missing.zemo",
       "reading missing.zemo\nerror: 3\nfilesize is 0\nload failed: there is no such file\n"},
      {"empty.zemo", "reading empty.zemo\nfilesize is 0\nload failed: the file is empty\n"},
      {"newer.zemo", "version:40. Supports up to:33\n" + newer_line},
      {"cut.zemo", "load failed: the file ends early at byte " + std::to_string(cut.size()) + "\n"},
      {"huge.zemo", "load failed: the file is too large\n"},
      {"noise_new.zemo", "version:99041692. Supports up to:33\n" + newer_line},
      {"noise_none.zemo", "load failed: the version is not one of a game file at byte 4\n"},
      {"noise_20.zemo", "load failed: "},
  };
  for (const Case& c : cases) {
    auto r = qvl_test::run_in_child([&c] {
      Tgame g;
      g.title.assign_cstr("kept");
      const bool ok = gamefile_read(g, BasicString(c.name));
      _exit(!ok && std::string(g.title.c_str()) == "kept" ? 0 : 1);
    });
    EXPECT_EQ(r.exit_status, 0) << c.name;
    const size_t at = r.out.rfind(c.out);
    ASSERT_NE(at, std::string::npos) << c.name << ":\n" << r.out;
    // The reason is the last line.
    EXPECT_EQ(r.out.find('\n', at + c.out.size() - 1), r.out.size() - 1)
        << c.name << ":\n" << r.out;
  }
}

// The longest sound string, 300,032 samples (6.8 s) of noise, and one of
// 25,088 samples (sustain 0.3, decay 0.4).
const char* const kLongestSound = "3,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1";
const char* const kShortSound = "0,0,0.3,0,0.4,0.3,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0,0";

std::string demo_with_sounds(int n, const char* params) {
  Tgame g;
  demo_game_build(g);
  g.sounds.dim(n, 0, 0, 0);
  for (int i = 0; i < n; ++i) g.sounds.data[i].assign_cstr(params);
  return encode(g);
}

// What all sound strings of a file may render together is bounded before
// any is synthesised: 334 short sounds fit 8,388,608 samples, 335 do not.
TEST(GameFileDamage, SoundsPastTheirBudgetAreRefused) {
  for (int n : {334, 335}) {
    Tgame g;
    std::string reason;
    EXPECT_EQ(parse(demo_with_sounds(n, kShortSound), g, &reason), n == 334) << n;
    EXPECT_EQ(reason, n == 334 ? "" : "the sounds would take more than 8388608 samples") << n;
  }
}

// 31 KB asking for 512 of the longest sounds (150 million samples,
// gigabytes if synthesised) is refused before any is rendered: the child
// stays under 100 MB. Its speed is a benchmark's business, not this test's.
TEST_F(GameFile, ManySoundStringsAreRefusedCheaply) {
  const std::string bytes = demo_with_sounds(512, kLongestSound);
  qvl_test::write_file(dir_ + "zzz_game.zemo", bytes);
  const auto cost = qvl_test::measure_in_child([] {
    qvl_snd_startup(nullptr);
    Tgame g;
    if (gamefile_read(g, BasicString("zzz_game.zemo"))) qvl_log_print(BasicString("loaded\n"));
    qvl_snd_shutdown();
  }, 400, 10);
  EXPECT_FALSE(cost.stopped) << cost.peak_mb << " MB";
  EXPECT_LT(cost.peak_mb, 100.0);
  const std::string end = "load failed: the sounds would take more than 8388608 samples\n";
  EXPECT_EQ(cost.result.out.substr(cost.result.out.size() - std::min(cost.result.out.size(), end.size())), end)
      << cost.result.out;
}

// A game that is only in the archive appended to the program is found and
// sized through the name resolution.
TEST_F(GameFile, GameOnlyInTheArchiveLoads) {
  const std::string exe = dir_ + "player";
  qvl_test::write_file(exe, qvl_test::read_file("/bin/true"));
  qvl_test::write_file(dir_ + "zzz_game.zemo", demo_file());
  const std::string pack = std::string(SBPACK_PATH) + " " + exe + " " + dir_ + "zzz_game.zemo";
  ASSERT_EQ(std::system((pack + " > /dev/null").c_str()), 0);
  ASSERT_EQ(unlink((dir_ + "zzz_game.zemo").c_str()), 0);
  qvl_arc_create();
  qvl_arc_set_paths(BasicString(exe.c_str()), BasicString(exe.c_str()));
  Tgame g;
  EXPECT_TRUE(gamefile_read(g, BasicString("Media/zzz_game.zemo")));
  EXPECT_STREQ(g.title.c_str(), "Star Patrol");
  qvl_arc_release();
}

// ---- The writer ----

TEST_F(GameFile, WriterRefusesWhatItsFieldsCannotHoldAndKeepsTheOldFile) {
  Tgame good;
  demo_game_build(good);
  ASSERT_TRUE(gamefile_write(good, BasicString("game.zemo"), false));
  const std::string before = qvl_test::read_file(dir_ + "game.zemo");
  struct Case {
    const char* what;
    std::function<void(Tgame&)> make;
  } cases[] = {
      {"path point", [](Tgame& g) { g.levels.data[0].waves.data[0].path.data[1].x = 40000; }},
      {"sound length",
       [](Tgame& g) { g.sounds.data[1].assign_cstr(std::string(40000, '1').c_str()); }},
      {"player count", [](Tgame& g) { g.players.dim(128, 0, 0, 0); }},
      {"template lives", [](Tgame& g) { g.levels.data[0].waves.data[0].enemies.data[0].lives = 40000; }},
      {"player speed", [](Tgame& g) { g.players.data[0].speed = 200; }},
      {"pixel", [](Tgame& g) { g.images.data[0].pixels.data[0] = 256; }},
      {"tile index", [](Tgame& g) { g.levels.data[0].layers.data[0].tiles.data[0] = 70000; }},
      {"animation length", [](Tgame& g) { g.anims.data[0].seconds = 3e6; }},
  };
  for (const auto& c : cases) {
    Tgame g;
    demo_game_build(g);
    c.make(g);
    EXPECT_FALSE(gamefile_write(g, BasicString("game.zemo"), false)) << c.what;
    EXPECT_EQ(qvl_test::read_file(dir_ + "game.zemo"), before) << c.what;
  }
  auto r = qvl_test::run_in_child([] {
    Tgame g;
    demo_game_build(g);
    g.players.dim(128, 0, 0, 0);
    _exit(gamefile_write(g, BasicString("game.zemo"), false) ? 1 : 0);
  });
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.out, "save as: game.zemo\npal\nimg\nanim\nsave refused: more than 127 players\n");
}

TEST_F(GameFile, WriterTakesTheTitleFromTheFileNameAndLeavesNoTemporaryFile) {
  Tgame g;
  demo_game_build(g);
  g.file_name.assign_cstr("games/Other Name.zemo");
  g.modified = 1;
  ASSERT_TRUE(gamefile_write(g, BasicString("out.zemo"), false));
  EXPECT_STREQ(g.title.c_str(), "Other Name");
  EXPECT_EQ(g.modified, 0);
  Tgame back;
  ASSERT_TRUE(parse(qvl_test::read_file(dir_ + "out.zemo"), back));
  EXPECT_STREQ(back.title.c_str(), "Other Name");
  DIR* folder = opendir(".");
  ASSERT_NE(folder, nullptr);
  std::string names;
  while (dirent* e = readdir(folder))
    if (std::string(e->d_name).find("out") != std::string::npos) names += std::string(e->d_name) + " ";
  closedir(folder);
  EXPECT_EQ(names, "out.zemo ");
  // A folder that cannot be written leaves no file and reports failure.
  EXPECT_FALSE(gamefile_write(g, BasicString("no/such/folder/out.zemo"), false));
}

}  // namespace
