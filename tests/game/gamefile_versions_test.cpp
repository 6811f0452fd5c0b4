// Every format version from 1 to 34 against one small hand-made game: which
// fields each version holds, and what the reader makes of the rest.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "game/gamefile.h"
#include "tests/game/game_fixtures.h"

namespace {

using game_test::Bytes;

// The small game, written in the layout of version v by hand (not by the
// writer, which knows version 33 only). Every stored value differs from its
// default, so the table below can tell stored from defaulted fields.
std::string small_game_file(int v) {
  Bytes b;
  b.i32(v);
  if (v >= 33) b.i8(0).raw("ZEMO").text32("Tiny");
  if (v >= 13) {
    b.i32(48);
    for (int i = 0; i < 48; ++i) b.i32(0x010101 * i);
  }
  // One object image and one tile, 2 x 2: 42 was the old transparent index.
  auto image = [&](const std::string& pixels) {
    b.i32(1).i32(2).i32(2).raw(pixels);
    if (v > 25) b.i32(77);
    if (v > 31) b.i8(5);
  };
  image(std::string("\x2a\x00\x01\x02", 4));
  image(std::string("\xfe\x00\x01\x02", 4));
  // Eight animations, record k: one frame, mode k, speed 10 + k, sound
  // 20 + k, flags 0x30 + k, mask 0x40 + k, 1500 + k ms.
  b.i32(8);
  for (int k = 0; k < 8; ++k) {
    b.i32(1).i32(0);
    if (v == 29) b.i32(-99);
    b.i32(k).i32(10 + k);
    if (v > 3) b.i32(20 + k);
    if (v > 17) b.i32(0x30 + k);
    if (v > 19) b.i32(0x40 + k);
    if (v > 23) b.i32(1500 + k);
  }
  // One level: two 3 x 2 layers, three start points, one wave.
  b.i32(1).i32(2);
  for (int layer = 0; layer < 2; ++layer) {
    b.i32(3).i32(2);
    for (int t : {0, -1, 0, 0, -1, 0}) b.i16(t);
  }
  b.i32(1).i32(3).i32(5).i32(60);
  if (v > 10) b.i8(1);
  if (v >= 23) b.i32(3).i32(7).i32(8).i32(9).i32(10).i32(11).i32(12);
  b.i32(1);
  b.i32(2);
  for (int s = 0; s < 2; ++s) {
    if (v > 9) b.i32(100 + s);
    b.i32(200 + s);
  }
  b.i16(2).i16(5).i16(6).i16(7).i16(8);
  auto enemy = [&](int flags_byte) {
    b.i32(12).i16(9).i8(3);
    if (v <= 17) b.i8(flags_byte);
    b.i16(1);
    if (v > 16) b.i16(1);
    b.i8(1).i32(555).i8(4).i32(6).i32(700).i32(0).i32(0).i32(0).i32(0);
    if (v > 11) b.i32(0);
    b.i16(3).i16(-4);
    if (v > 21) b.i16(2);
    if (v > 27) b.i8(1);
    if (v > 30) b.i8(1);
  };
  if (v >= 7) {
    b.i32(2);
    enemy(0x0F);
    enemy(0x30);
  } else {
    b.i32(12).i16(9).i8(3).i16(1);
    if (v > 2) b.i8(1);
    b.i32(555).i8(4).i32(6).i32(700).i32(0).i32(0).i32(0).i32(0);
  }
  if (v > 1) {
    // Three players: more than the two tables a new game holds.
    const int flags[] = {0x07, 0x05, 0x03};
    b.i8(3);
    for (int i = 0; i < 3; ++i) {
      b.i8(5);
      if (v <= 17) b.i8(flags[i]);
      if (v > 20) b.i32(4).i32(8).i32(0).i32(4).i32(0).i32(10).i32(20).i32(0);
      if (v == 19 || v == 20) b.i32(4 * i);
      b.i8(3).i8(4).i8(5).i32(900).i8(0);
      if (v > 5) b.i8(0);
      if (v >= 11) b.i32(80);
    }
  }
  if (v > 4) b.text32("Hello");
  if (v > 8) b.i32(5000);
  if (v > 14) b.i32(400).i32(300);
  if (v > 15) b.i32(2).text16("").text16("1,2,3");
  return b.s;
}

// The value a field has after reading a version-v file: stored from `since`
// on, the default before.
struct Field {
  const char* name;
  std::function<long long(const Tgame&)> get;
  std::function<long long(int v)> expected;
};

long long since(int v, int first, long long stored, long long fallback) {
  return v >= first ? stored : fallback;
}

const Tobject& enemy0(const Tgame& g) { return g.levels.data[0].waves.data[0].enemies.data[0]; }
const Tobject& player(const Tgame& g, int i) { return g.players.data[i]; }
int pixel(const BasicArray<Timage>& images, int i) { return images.data[0].pixels.data[i]; }

const Field kFields[] = {
    {"title is stored", [](const Tgame& g) { return g.title.length == 4; },
     [](int v) { return v >= 33; }},
    {"palette size", [](const Tgame& g) { return g.palette.size1; },
     [](int v) { return since(v, 13, 48, 56); }},
    {"palette[1]", [](const Tgame& g) { return g.palette.data[1]; },
     [](int v) { return since(v, 13, 0x010101, int(0xFF7C7C7C)); }},
    {"palette[0] is the key", [](const Tgame& g) { return g.palette.data[0]; },
     [](int) { return 0x8000FF; }},
    // Before version 13, index 42 was transparent and 0 was colour 14.
    {"image pixel 42", [](const Tgame& g) { return pixel(g.images, 0); },
     [](int v) { return since(v, 13, 42, 0); }},
    {"image pixel 0", [](const Tgame& g) { return pixel(g.images, 1); },
     [](int v) { return since(v, 13, 0, 14); }},
    {"tile pixel 0xFE is signed", [](const Tgame& g) { return pixel(g.tiles, 0); },
     [](int) { return -2; }},
    {"user_value", [](const Tgame& g) { return g.images.data[0].user_value; },
     [](int v) { return since(v, 26, 77, 0); }},
    {"transparency", [](const Tgame& g) { return g.tiles.data[0].transparency; },
     [](int v) { return since(v, 32, 5, 10); }},
    {"anims size", [](const Tgame& g) { return g.anims.size1; }, [](int) { return 60; }},
    // Four animations per kind in the file up to version 29, five in memory:
    // record 4 goes to slot 5 and slot 4 is a copy of slot 0.
    {"slot 5 speed", [](const Tgame& g) { return g.anims.data[5].speed; },
     [](int v) { return since(v, 30, 15, 14); }},
    {"slot 4 speed", [](const Tgame& g) { return g.anims.data[4].speed; },
     [](int v) { return since(v, 30, 14, 10); }},
    {"slot 9 speed", [](const Tgame& g) { return g.anims.data[9].speed; },
     [](int v) { return since(v, 30, 0, 14); }},
    {"anim sound", [](const Tgame& g) { return g.anims.data[1].sound; },
     [](int v) { return since(v, 4, 21, 0); }},
    // Up to version 17 a player's flags byte replaces its firing animation's
    // flags (slot 5 * i + 1); a template's byte is OR-ed into its kind's.
    {"slot 1 flags", [](const Tgame& g) { return g.anims.data[1].flags; },
     [](int v) { return v >= 18 ? 0x31 : v >= 2 ? 0x07 : 0; }},
    {"slot 6 flags", [](const Tgame& g) { return g.anims.data[6].flags; },
     [](int v) { return v >= 30 ? 0x36 : v >= 18 ? 0x35 : v >= 2 ? 0x05 : 0; }},
    {"template kind's firing flags", [](const Tgame& g) {
       return g.anims.data[enemy0(g).anim + 1].flags; },
     [](int v) { return v >= 7 && v <= 17 ? 0x3F : 0; }},
    {"anim mask", [](const Tgame& g) { return g.anims.data[1].mask; },
     [](int v) { return since(v, 20, 0x41, 0); }},
    {"anim ms", [](const Tgame& g) { return (long long)(g.anims.data[1].seconds * 1000 + 0.5); },
     [](int v) { return since(v, 24, 1501, 1000); }},
    {"jump_and_run", [](const Tgame& g) { return g.levels.data[0].jump_and_run; },
     [](int v) { return since(v, 11, 1, 0); }},
    {"start count", [](const Tgame& g) { return g.levels.data[0].starts.size1; },
     [](int v) { return since(v, 23, 3, 2); }},
    // Without stored starts: 160 apart, 64 above rows x last tile height.
    {"start 1 x", [](const Tgame& g) { return g.levels.data[0].starts.data[1].x; },
     [](int v) { return since(v, 23, 9, 320); }},
    {"start 1 y", [](const Tgame& g) { return g.levels.data[0].starts.data[1].y; },
     [](int v) { return since(v, 23, 10, 2 * 2 - 64); }},
    {"spawn x", [](const Tgame& g) { return g.levels.data[0].waves.data[0].spawns.data[1].x; },
     [](int v) { return since(v, 10, 101, 240); }},
    {"templates", [](const Tgame& g) { return g.levels.data[0].waves.data[0].enemies.size1; },
     [](int v) { return since(v, 7, 2, 1); }},
    {"template anim", [](const Tgame& g) { return enemy0(g).anim; },
     [](int v) { return since(v, 30, 12, 15); }},
    {"template loops", [](const Tgame& g) { return enemy0(g).loops; },
     [](int v) { return since(v, 3, 1, 0); }},
    {"template kills_group", [](const Tgame& g) { return enemy0(g).kills_group; },
     [](int v) { return since(v, 17, 1, 0); }},
    {"template stompable", [](const Tgame& g) { return enemy0(g).stompable; },
     [](int v) { return since(v, 12, 0, 1); }},
    {"template push.y", [](const Tgame& g) { return enemy0(g).push.y; },
     [](int v) { return since(v, 7, -4, 0); }},
    {"template powerup", [](const Tgame& g) { return enemy0(g).powerup; },
     [](int v) { return since(v, 22, 2, -1); }},
    {"template respawns", [](const Tgame& g) { return enemy0(g).respawns; },
     [](int v) { return since(v, 28, 1, 0); }},
    {"template platform", [](const Tgame& g) { return enemy0(g).platform; },
     [](int v) { return since(v, 31, 1, 0); }},
    {"template score", [](const Tgame& g) { return enemy0(g).score; }, [](int) { return 555; }},
    {"players", [](const Tgame& g) { return g.players.size1; },
     [](int v) { return since(v, 2, 3, 2); }},
    {"jump states", [](const Tgame& g) { return g.jumps.size1; },
     [](int v) { return since(v, 2, 3, 2); }},
    {"power-up tables", [](const Tgame& g) { return g.powerups.size1; },
     [](int v) { return since(v, 2, 3, 2); }},
    {"player 2 lives", [](const Tgame& g) { return player(g, 1).lives; },
     [](int v) { return since(v, 2, 5, 3); }},
    // Player i's kind is 5 * i; versions 19 and 20 store it in the file's
    // numbering (4 * i), which is spread like every other.
    {"player 3 anim", [](const Tgame& g) { return g.players.size1 > 2 ? player(g, 2).anim : 10; },
     [](int) { return 10; }},
    {"player 3 power-up 1", [](const Tgame& g) {
       return g.powerups.size1 > 2 ? g.powerups.data[2].anims.data[1] : 0; },
     [](int v) { return v >= 30 ? 8 : v >= 21 ? 10 : v >= 2 ? 10 : 0; }},
    {"player 1 power-up 0", [](const Tgame& g) { return g.powerups.data[1].anims.data[0]; },
     [](int v) { return v >= 30 ? 4 : v >= 21 ? 5 : v >= 2 ? 5 : 0; }},
    {"power-up seconds", [](const Tgame& g) { return g.powerups.data[0].seconds.data[2]; },
     [](int v) { return since(v, 21, 20, 0); }},
    {"player solid", [](const Tgame& g) { return player(g, 0).solid; },
     [](int v) { return since(v, 6, 0, 1); }},
    {"player jump_height", [](const Tgame& g) { return player(g, 0).jump_height; },
     [](int v) { return since(v, 11, 80, 64); }},
    {"game text length", [](const Tgame& g) { return g.game_text.length; },
     [](int v) { return since(v, 5, 5, 29); }},
    {"extra_life_step", [](const Tgame& g) { return g.extra_life_step; },
     [](int v) { return since(v, 9, 5000, 10000); }},
    {"game_width", [](const Tgame& g) { return g.game_width; },
     [](int v) { return since(v, 15, 400, 320); }},
    {"sounds", [](const Tgame& g) { return g.sounds.size1; },
     [](int v) { return since(v, 16, 2, 0); }},
};

TEST(GameFileVersions, EachVersionHoldsItsFields) {
  for (int v = 1; v <= 33; ++v) {
    Tgame g;
    std::string reason;
    ASSERT_TRUE(game_test::parse(small_game_file(v), g, &reason)) << "version " << v << ": " << reason;
    for (const Field& f : kFields)
      EXPECT_EQ(f.get(g), f.expected(v)) << "version " << v << ", " << f.name;
    EXPECT_STREQ(g.title.c_str(), v >= 33 ? "Tiny" : "my_game") << v;
    if (v > 15) {
      EXPECT_STREQ(g.sounds.data[1].c_str(), "1,2,3");
    }
  }
}

TEST(GameFileVersions, NewerVersionStopsAfterTheVersionLine) {
  Tgame g;
  GameFileError error;
  static std::string printed;
  GameFileProgress progress;
  progress.print = [](const char* line) { printed += line; };
  const std::string bytes = small_game_file(34);
  EXPECT_FALSE(gamefile_parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                              BasicString("x.zemo"), g, progress, error));
  EXPECT_TRUE(error.newer_version);
  EXPECT_EQ(printed, "version:34. Supports up to:33\n");
}

TEST(GameFileVersions, ProgressLinesOfOldAndNewFiles) {
  static std::string printed;
  GameFileProgress progress;
  progress.print = [](const char* line) { printed += line; };
  for (int v : {1, 12, 33}) {
    printed.clear();
    Tgame g;
    GameFileError error;
    const std::string bytes = small_game_file(v);
    ASSERT_TRUE(gamefile_parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                               BasicString("x.zemo"), g, progress, error));
    const std::string version = "version:" + std::to_string(v) + ". Supports up to:33\n";
    const std::string palette = v < 13 ? "default palette\n" : "read palette\n";
    const std::string fix = v <= 12 ? "fix old transparency\n" : "";
    EXPECT_EQ(printed, version + palette + "wait cursor\nimages\ntiles\n" + fix +
                           "anims\nlevels\nplayers\n")
        << v;
  }
}

}  // namespace
