#include "files/dir_listing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace {

using qvl_test::enter_fresh_folder;

std::vector<std::string> contents(const BasicArray<BasicString>& a) {
  std::vector<std::string> out;
  for (int i = 0; i < a.count; ++i) out.push_back(a.data[i].c_str());
  return out;
}

}  // namespace

TEST(Wildcard, Rules) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"*", "README", true},           {"*.*", "README", true},
      {"*.png", "TITLE.PNG", true},    {"*.png", "title.png.bak", false},
      {"a?c", "abc", false},           {"a?c", "a?c", true},
      {"*a*b", "xxaxxab", true},       {"*a*b", "xxaxxabx", false},
      {"a*", "a", true},               {"a**", "abc", true},
      {"*.t*t", "notes.txt", true},    {"Level*.DAT", "level12.dat", true},
      {"", "", true},                  {"", "a", false},
      {"abc", "ab", false},            {"\xc4*", "\xe4x", false},  // only ASCII folds
  };
  for (const Case& c : cases) {
    EXPECT_EQ(qvl_file_wildcard_match(BasicString(c.pattern), BasicString(c.name)), c.match)
        << c.pattern << " / " << c.name;
  }
}

TEST(DirListing, FoldersFirstThenMatchingFilesEachSorted) {
  enter_fresh_folder("list");
  mkdir("beta", 0777);
  mkdir("Alpha", 0777);
  std::ofstream("title.png") << "x";
  std::ofstream("notes.txt") << "x";
  std::ofstream("data.bin") << "x";
  BasicArray<BasicString> out;
  EXPECT_EQ(qvl_file_list_dir(BasicString("*.png"), out), 1 + 65536 * 4);
  EXPECT_EQ(contents(out), (std::vector<std::string>{".", "..", "Alpha", "beta", "title.png"}));
  EXPECT_EQ(out.dim_count, 1);

  std::ofstream("B.PNG") << "x";
  std::ofstream("a.png") << "x";
  EXPECT_EQ(qvl_file_list_dir(BasicString("*.PNG"), out), 3 + 65536 * 4);
  EXPECT_EQ(contents(out), (std::vector<std::string>{".", "..", "Alpha", "beta", "a.png",
                                                    "B.PNG", "title.png"}));

  // Names equal but for case can both exist here; their bytes order them.
  std::ofstream("A.png") << "x";
  EXPECT_EQ(qvl_file_list_dir(BasicString("a*"), out), 2 + 65536 * 4);
  EXPECT_EQ(contents(out), (std::vector<std::string>{".", "..", "Alpha", "beta", "A.png", "a.png"}));
}

TEST(DirListing, ManyEntriesAllListed) {
  enter_fresh_folder("many");
  for (int i = 0; i < 1500; ++i) std::ofstream(std::string("f").append(std::to_string(i)).append(".dat")) << "";
  BasicArray<BasicString> out;
  EXPECT_EQ(qvl_file_list_dir(BasicString("*.*"), out), 1500 + 65536 * 2);
  ASSERT_EQ(out.count, 1502);
  for (int i = 3; i < out.count; ++i) {
    EXPECT_LE(strcasecmp(out.data[i - 1].c_str(), out.data[i].c_str()), 0) << i;
  }
}

TEST(DirListing, UnreadableFolderGivesAnEmptyListing) {
  std::string dir = enter_fresh_folder("gone");
  ASSERT_EQ(rmdir(dir.c_str()), 0);  // the current folder no longer exists
  BasicArray<BasicString> out;
  EXPECT_EQ(qvl_file_list_dir(BasicString("*"), out), 0);
  EXPECT_EQ(out.count, 0);
  EXPECT_EQ(out.dim_count, 0);
}
