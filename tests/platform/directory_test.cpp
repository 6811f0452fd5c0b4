#include "platform/directory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "tests/support/child_process.h"

namespace {

std::string make_tree() {
  std::string root = qvl_test::temp_dir() + "tree";
  mkdir(root.c_str(), 0777);
  mkdir((root + "/Sub").c_str(), 0777);
  std::ofstream(root + "/a.txt") << "a";
  symlink("Sub", (root + "/link").c_str());
  return root;
}

}  // namespace

TEST(Directory, ListsEveryEntryWithItsKind) {
  std::string root = make_tree();
  std::vector<PlatDirEntry> entries;
  ASSERT_TRUE(plat_dir_list(root.c_str(), entries));
  std::sort(entries.begin(), entries.end(),
            [](const PlatDirEntry& a, const PlatDirEntry& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].name, ".");
  EXPECT_TRUE(entries[0].is_dir);
  EXPECT_EQ(entries[1].name, "..");
  EXPECT_EQ(entries[2].name, "Sub");
  EXPECT_TRUE(entries[2].is_dir);
  EXPECT_EQ(entries[3].name, "a.txt");
  EXPECT_FALSE(entries[3].is_dir);
  EXPECT_EQ(entries[4].name, "link");
  EXPECT_TRUE(entries[4].is_dir);
  EXPECT_FALSE(plat_dir_list((root + "/nope").c_str(), entries));
}

TEST(Directory, CurrentFolderAndCreation) {
  std::string root = make_tree();
  ASSERT_TRUE(plat_dir_set_current((root + "\\sub").c_str()));  // case and '\'
  EXPECT_EQ(plat_dir_current(), root + "/Sub");
  EXPECT_TRUE(plat_dir_make("new"));
  EXPECT_FALSE(plat_dir_make("new"));
  EXPECT_FALSE(plat_dir_make("missing/child"));
  EXPECT_FALSE(plat_dir_set_current("nowhere"));
}

TEST(Directory, MoveNeverReplaces) {
  std::string root = make_tree();
  std::ofstream(root + "/b.txt") << "b";
  EXPECT_FALSE(plat_path_move((root + "/a.txt").c_str(), (root + "/b.txt").c_str()));
  EXPECT_EQ(qvl_test::read_file(root + "/b.txt"), "b");
  EXPECT_EQ(qvl_test::read_file(root + "/a.txt"), "a");
  EXPECT_TRUE(plat_path_move((root + "/a.txt").c_str(), (root + "/Sub/c.txt").c_str()));
  EXPECT_EQ(qvl_test::read_file(root + "/Sub/c.txt"), "a");
  EXPECT_FALSE(plat_path_move((root + "/a.txt").c_str(), (root + "/d.txt").c_str()));
  EXPECT_TRUE(plat_path_move((root + "/Sub").c_str(), (root + "/Moved").c_str()));
}
