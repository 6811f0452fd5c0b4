// The options file: where it lives, what it holds, and what a missing or
// foreign file leaves.
#include "game/options_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "tests/support/test_files.h"

namespace {

std::string options_path() {
  return std::string(std::getenv("XDG_CONFIG_HOME")) + "/Quarvel/ZEMO/playgame.ini";
}

TEST(OptionsFile, SavedAndReadBack) {
  Tplaygame pg;
  pg.input = 1;
  pg.autofire = 1;
  testing::internal::CaptureStdout();
  options_load_save(pg, 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Save to: " + options_path() + "\n");
  EXPECT_EQ(qvl_test::read_file(options_path()), "[options]\r\ninput=1\r\nautofire=1\r\n");
  Tplaygame fresh;
  testing::internal::CaptureStdout();
  options_load_save(fresh, 1);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(fresh.input, 1);
  EXPECT_EQ(fresh.autofire, 1);
}

TEST(OptionsFile, MissingOrForeignFilesLeaveTheValues) {
  Tplaygame pg;
  pg.input = 1;
  testing::internal::CaptureStdout();
  options_load_save(pg, 1);  // no file yet
  EXPECT_EQ(pg.input, 1);
  EXPECT_EQ(pg.autofire, 0);
  qvl_test::write_file(options_path(), "[other]\ninput=7\n[options]\nautofire=1\n");
  options_load_save(pg, 1);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(pg.input, 1);
  EXPECT_EQ(pg.autofire, 1);
}

TEST(OptionsFile, NoApplicationDataFolderNoFile) {
  EXPECT_STREQ(options_file_path(BasicString("NO_DATA")).c_str(), "");
  EXPECT_STREQ(options_file_path(BasicString()).c_str(), "");
  const std::string dir = qvl_test::temp_path("data");
  mkdir(dir.c_str(), 0777);
  EXPECT_EQ(options_file_path(BasicString(dir.c_str())).c_str(), dir + "/ZEMO/playgame.ini");
  struct stat st {};
  EXPECT_EQ(stat((dir + "/ZEMO").c_str(), &st), 0);  // the folder is made
}

}  // namespace
