// The importer of the old text-based level files.
#include "game/old_level_import.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/support/test_files.h"

namespace {

constexpr int kColumns = 20, kRows = 50;

struct OldFile {
  int tiles[kColumns][kRows] = {};
  int objects[kColumns][kRows] = {};
  int records[8][10] = {};  // motion, variant, x, y, x2, y2, param_a, param_b

  std::string text(int drop_lines = 0) const {
    std::string s;
    int lines = 0;
    auto line = [&](int v) {
      s += std::to_string(v) + (lines++ % 2 ? "\r\n" : "\n");
    };
    for (int x = 0; x < kColumns; ++x)
      for (int y = 0; y < kRows; ++y) line(tiles[x][y]);
    for (int x = 0; x < kColumns; ++x)
      for (int y = 0; y < kRows; ++y) line(objects[x][y]);
    for (const auto& property : records)
      for (int v : property) line(v);
    line(0);
    line(0);
    for (int k = 0; k < drop_lines; ++k) s.erase(s.rfind('\n', s.size() - 2) + 1);
    return s;
  }
};

class OldLevelImport : public testing::Test {
 protected:
  void SetUp() override {
    const std::string dir = qvl_test::temp_dir();
    ASSERT_EQ(chdir(dir.c_str()), 0);
    mkdir("oldlevels", 0777);
    mkdir("oldlevels/set2", 0777);
  }
};

TEST_F(OldLevelImport, TilesObjectsAndEnemyRecordsBecomeALevel) {
  OldFile f;
  for (int x = 0; x < kColumns; ++x)
    for (int y = 0; y < kRows; ++y) f.tiles[x][y] = (x + y) % 5;
  f.objects[0][0] = 1;    // a wall tile
  f.objects[1][1] = 26;   // no wave, tile in layer 0
  f.objects[3][4] = 2;    // a platform moving right
  f.objects[5][6] = 12;   // a bonus on an empty cell
  f.objects[7][8] = 29;   // a power-up
  // Record 0: across the screen on row 10; record 1: standing, two
  // templates; record 2: variant 5, skipped.
  const int records[3][8] = {{2, 1, 4, 10, 0, 0, 7, 7}, {4, 3, 2, 3, 0, 0, 0, 0},
                             {1, 5, 1, 1, 5, 1, 0, 0}};
  for (int r = 0; r < 3; ++r)
    for (int p = 0; p < 8; ++p) f.records[p][r] = records[r][p];
  qvl_test::write_file("oldlevels/set2/level7", f.text());

  Tlevel level;
  ASSERT_EQ(gamefile_import_old_levels(2, 7, level), 1.0);
  BasicArray<int>& back = level.layers.data[0].tiles;
  BasicArray<int>& walls = level.layers.data[1].tiles;
  ASSERT_EQ(back.size1, 20);
  ASSERT_EQ(back.size2, 50);
  EXPECT_EQ(walls.at2(0, 0), 0 + 22);  // set 2 starts at tile 22
  EXPECT_EQ(back.at2(0, 0), -1);
  EXPECT_EQ(back.at2(1, 1), 2 + 22);
  EXPECT_EQ(walls.at2(1, 1), -1);
  EXPECT_EQ(back.at2(5, 6), 22);  // objects 10 to 25 stand on tile 0
  EXPECT_EQ(back.at2(9, 2), 1 + 22);

  ASSERT_EQ(level.waves.size1, 5);
  const Twave& platform = level.waves.data[0];
  EXPECT_EQ(platform.spawns.data[0].x, 48);
  EXPECT_EQ(platform.spawns.data[0].y, 64);
  ASSERT_EQ(platform.path.size1, 2);
  EXPECT_EQ(platform.path.data[1].x, 64);
  const Tobject& p = platform.enemies.data[0];
  EXPECT_EQ(p.anim, 155);
  EXPECT_EQ(p.platform, 1);
  EXPECT_EQ(p.loops, 1);
  EXPECT_EQ(p.lives, 1);
  EXPECT_EQ(p.solid, 0);
  EXPECT_EQ(p.shot_time, 0);
  EXPECT_EQ(level.waves.data[1].enemies.data[0].anim, 65);
  EXPECT_EQ(level.waves.data[1].enemies.data[0].respawns, 1);
  EXPECT_EQ(level.waves.data[2].enemies.data[0].powerup, 1);

  // Motion 2 starts one cell left of the screen and runs to x 320.
  const Twave& across = level.waves.data[3];
  ASSERT_EQ(across.path.size1, 2);
  EXPECT_EQ(across.path.data[0].x, -16);
  EXPECT_EQ(across.path.data[0].y, 160);
  EXPECT_EQ(across.path.data[1].x, 320);
  EXPECT_EQ(across.enemies.data[0].anim, 30);
  EXPECT_EQ(across.enemies.data[0].score, 100);  // the template's default
  const Twave& standing = level.waves.data[4];
  EXPECT_EQ(standing.path.size1, 1);
  EXPECT_EQ(standing.spawns.data[0].x, 160);  // variant 3
  ASSERT_EQ(standing.enemies.size1, 2);
  EXPECT_EQ(standing.enemies.data[1].anim, 11);
  EXPECT_EQ(standing.enemies.data[1].push.y, 32);

  EXPECT_EQ(level.starts.data[1].x, 274);
  EXPECT_EQ(level.starts.data[1].y, 754);
  EXPECT_EQ(level.wall_mode, 1);
  EXPECT_EQ(level.scroll_type, 0);
  EXPECT_EQ(level.time_limit, 999);
  EXPECT_EQ(level.jump_and_run, 1);
}

TEST_F(OldLevelImport, UnreadableFilesLeaveTheLevelAsItWas) {
  OldFile f;
  qvl_test::write_file("oldlevels/set2/level1", f.text(3));  // one number short
  qvl_test::write_file("oldlevels/set2/level2", f.text(2));  // the two spare lines gone
  Tlevel level;
  level.time_limit = 5;
  EXPECT_EQ(gamefile_import_old_levels(2, 1, level), 0.0);
  EXPECT_EQ(gamefile_import_old_levels(2, 9, level), 0.0);
  EXPECT_EQ(gamefile_import_old_levels(6, 1, level), 0.0);
  EXPECT_EQ(gamefile_import_old_levels(-1, 1, level), 0.0);
  EXPECT_EQ(level.time_limit, 5);
  EXPECT_EQ(level.layers.data[0].tiles.size1, 4);
  EXPECT_EQ(gamefile_import_old_levels(2, 2, level), 1.0);
}

}  // namespace
