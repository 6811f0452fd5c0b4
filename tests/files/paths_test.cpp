#include "files/paths.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "core/error_state.h"
#include "tests/support/test_files.h"

namespace {

std::string enter_fresh_folder() { return qvl_test::enter_fresh_folder("work"); }

void write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

int last_error() { return qvl_err_state.last_error; }

}  // namespace

TEST(Paths, ExistenceAndKinds) {
  enter_fresh_folder();
  write("File.txt", "x");
  mkdir("Folder", 0777);
  EXPECT_TRUE(qvl_file_exists(BasicString("File.txt")));
  EXPECT_TRUE(qvl_file_exists(BasicString("file.TXT")));  // second look-up ignores case
  EXPECT_FALSE(qvl_file_exists(BasicString("Folder")));
  EXPECT_FALSE(qvl_file_exists(BasicString("missing")));
  EXPECT_TRUE(qvl_file_exists(BasicString("mem://00000010.0x1234")));  // never looked at
  EXPECT_TRUE(qvl_file_is_dir(BasicString("Folder")));
  EXPECT_TRUE(qvl_file_is_dir(BasicString(".\\folder")));
  EXPECT_FALSE(qvl_file_is_dir(BasicString("File.txt")));
}

TEST(Paths, CreateAndDeleteReportWhatHappened) {
  enter_fresh_folder();
  EXPECT_TRUE(qvl_file_create_dir(BasicString("a")));
  EXPECT_FALSE(qvl_file_create_dir(BasicString("a")));
  EXPECT_FALSE(qvl_file_create_dir(BasicString("x/y")));  // parents are not made
  write("a/inside.txt", "x");
  EXPECT_EQ(qvl_file_delete(BasicString("a")), 0);  // not empty: not removed
  EXPECT_TRUE(qvl_file_is_dir(BasicString("a")));
  EXPECT_EQ(qvl_file_delete(BasicString("a/inside.txt")), 1);
  EXPECT_EQ(qvl_file_delete(BasicString("a")), 1);
  EXPECT_EQ(qvl_file_delete(BasicString("a")), -1);
}

TEST(Paths, CurrentFolder) {
  std::string dir = enter_fresh_folder();
  EXPECT_STREQ(qvl_file_current_dir().c_str(), (dir + "/").c_str());
  mkdir("Media", 0777);
  mkdir("Media/sub", 0777);
  BasicString path("Media/sub");
  EXPECT_EQ(qvl_file_set_current_dir(path), 1);
  EXPECT_STREQ(path.c_str(), "Media\\sub");  // the caller's string keeps '\'
  EXPECT_EQ(last_error(), 0);
  EXPECT_STREQ(qvl_file_current_dir().c_str(), (dir + "/Media/sub/").c_str());

  BasicString root("/");
  EXPECT_EQ(qvl_file_set_current_dir(root), 1);
  EXPECT_STREQ(qvl_file_current_dir().c_str(), "/");  // a root gets no second '/'

  BasicString nowhere("no/such/folder");
  EXPECT_EQ(qvl_file_set_current_dir(nowhere), 0);
  EXPECT_EQ(last_error(), 3);

  BasicString slashes("a\\b\\c");
  qvl_file_to_forward_slashes(slashes);
  EXPECT_STREQ(slashes.c_str(), "a/b/c");
}

TEST(Paths, MoveNeverReplacesATarget) {
  enter_fresh_folder();
  write("a.txt", "A");
  write("b.txt", "B");
  qvl_file_move(BasicString("a.txt"), BasicString("b.txt"));
  EXPECT_EQ(last_error(), 3);
  EXPECT_EQ(qvl_test::read_file("a.txt"), "A");
  EXPECT_EQ(qvl_test::read_file("b.txt"), "B");

  qvl_file_move(BasicString("missing.txt"), BasicString("c.txt"));
  EXPECT_EQ(last_error(), 3);
  qvl_file_move(BasicString("a.txt"), BasicString("mem://00000001.0x10"));
  EXPECT_EQ(last_error(), 3);

  mkdir("dir", 0777);
  qvl_file_move(BasicString("a.txt"), BasicString("dir"));  // a folder is a target too
  EXPECT_EQ(last_error(), 3);

  qvl_file_move(BasicString("a.txt"), BasicString("dir\\c.txt"));
  EXPECT_EQ(last_error(), 0);
  EXPECT_EQ(qvl_test::read_file("dir/c.txt"), "A");
  qvl_file_move(BasicString("dir"), BasicString("moved"));
  EXPECT_EQ(last_error(), 0);
  EXPECT_TRUE(qvl_file_is_dir(BasicString("moved")));
}

TEST(Paths, SizeIn64Bits) {
  enter_fresh_folder();
  write("small.bin", "12345");
  EXPECT_EQ(qvl_file_size(BasicString("small.bin")), 5);
  // A sparse file beyond 4 GB.
  int fd = open("big.bin", O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  const int64_t big = (int64_t{5} << 30) + 7;
  ASSERT_EQ(ftruncate(fd, big), 0);
  close(fd);
  EXPECT_EQ(qvl_file_size(BasicString("big.bin")), big);
  EXPECT_EQ(last_error(), 0);
  EXPECT_EQ(qvl_file_size(BasicString("missing.bin")), 0);
  EXPECT_EQ(last_error(), 3);
}

TEST(Paths, ModificationTime) {
  enter_fresh_folder();
  setenv("TZ", "UTC", 1);
  tzset();
  write("f.txt", "x");
  struct Case {
    time_t when;
    const char* text;
  } cases[] = {
      {1709961060, "2024-03-09 05:11:00"},
      {4102444800, "2100-01-01 00:00:00"},  // past 2038 and 2106 wraps of 32 bits
  };
  for (const Case& c : cases) {
    timeval times[2] = {{c.when, 0}, {c.when, 0}};
    ASSERT_EQ(utimes("f.txt", times), 0);
    EXPECT_STREQ(qvl_file_time(BasicString("f.txt")).c_str(), c.text);
    EXPECT_EQ(last_error(), 0);
  }
  for (const char* name : {"missing.txt", "mem://00000004.0x10", "."}) {
    EXPECT_STREQ(qvl_file_time(BasicString(name)).c_str(), "") << name;
    EXPECT_EQ(last_error(), 3) << name;
  }
}
