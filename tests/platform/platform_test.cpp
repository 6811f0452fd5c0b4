// The first platform services: temporary folder, debugger channel, clock,
// console, appending and removing files.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/append_file.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/debugger.h"
#include "platform/remove_path.h"
#include "platform/temp_folder.h"
#include "tests/support/child_process.h"

using qvl_test::read_file;
using qvl_test::run_in_child;
using qvl_test::temp_dir;

namespace {

std::string temp_folder_for(const char* tmpdir, int size = 1024) {
  if (tmpdir)
    setenv("TMPDIR", tmpdir, 1);
  else
    unsetenv("TMPDIR");
  char out[1024];
  int n = qvl_os_temp_folder(out, size);
  EXPECT_EQ(n, static_cast<int>(std::string(out).size()));
  return out;
}

TEST(TempFolder, EndsInOneSlashAndFallsBackToTmp) {
  EXPECT_EQ(temp_folder_for("/var/x"), "/var/x/");
  EXPECT_EQ(temp_folder_for("/var/x/"), "/var/x/");
  EXPECT_EQ(temp_folder_for(nullptr), "/tmp/");
  EXPECT_EQ(temp_folder_for(""), "/tmp/");
  // Too long for the caller's room: the default rather than a cut path.
  EXPECT_EQ(temp_folder_for("/a/very/long/folder", 10), "/tmp/");
}

TEST(Debugger, FileNamedByEnvironmentStandsInForDebugger) {
  std::string path = temp_dir() + "dbg.txt";
  setenv("QVL_DEBUG_LOG", path.c_str(), 1);
  EXPECT_TRUE(qvl_os_debugger_attached());
  qvl_os_debugger_output("one ");
  qvl_os_debugger_output("two");
  EXPECT_EQ(read_file(path), "one two");

  unsetenv("QVL_DEBUG_LOG");
  EXPECT_FALSE(qvl_os_debugger_attached());  // the test runner is not traced
  auto r = run_in_child([] { qvl_os_debugger_output("to stderr"); });
  EXPECT_EQ(r.err, "to stderr");
}

TEST(Clock, MonotonicAndConsistent) {
  EXPECT_EQ(qvl_os_clock_frequency(), 1000000);
  int64_t c0 = qvl_os_clock_counter();
  double m0 = qvl_os_clock_ms();
  uint32_t t0 = qvl_os_clock_tick_ms();
  usleep(20000);
  int64_t c1 = qvl_os_clock_counter();
  double m1 = qvl_os_clock_ms();
  uint32_t t1 = qvl_os_clock_tick_ms();
  EXPECT_GE(c1 - c0, 20000);
  EXPECT_GE(m1 - m0, 20.0);
  EXPECT_GE(t1 - t0, 19u);
  // Same clock, different units.
  EXPECT_NEAR(static_cast<double>(c1) / 1000.0, m1, 5.0);
}

TEST(Console, WritesFlushedStreamsAndReadsLines) {
  auto r = run_in_child(
      [] {
        qvl_os_console_write_out("out");
        qvl_os_console_write_err("err");
        char line[8];
        while (qvl_os_console_read_line(line, sizeof line)) {
          qvl_os_console_write_out("[");
          qvl_os_console_write_out(line);
          qvl_os_console_write_out("]");
        }
        if (line[0] == '\0') qvl_os_console_write_out("end");
      },
      "ab\n0123456789");
  EXPECT_EQ(r.out, "out[ab\n][0123456][789]end");
  EXPECT_EQ(r.err, "err");
}

TEST(AppendFile, AppendsCreatesAndRefusesSymbolicLinks) {
  std::string path = temp_dir() + "log.txt";
  EXPECT_TRUE(qvl_os_append_file(path.c_str(), "ab", 2));
  EXPECT_TRUE(qvl_os_append_file(path.c_str(), "", 0));
  EXPECT_TRUE(qvl_os_append_file(path.c_str(), "c\0d", 3));
  EXPECT_EQ(read_file(path), std::string("abc\0d", 5));

  std::string link = temp_dir() + "link.txt";
  ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
  EXPECT_FALSE(qvl_os_append_file(link.c_str(), "x", 1));
  EXPECT_EQ(read_file(path).size(), 5u);
  EXPECT_FALSE(qvl_os_append_file((temp_dir() + "no/such/dir/f").c_str(), "x", 1));
}

TEST(RemovePath, FilesLinksAndEmptyFolders) {
  std::string file = temp_dir() + "f";
  std::string link = temp_dir() + "l";
  std::string dir = temp_dir() + "d";
  ASSERT_TRUE(qvl_os_append_file(file.c_str(), "x", 1));
  ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
  EXPECT_TRUE(qvl_os_remove_path(link.c_str()));
  EXPECT_EQ(read_file(file), "x");  // the link goes, not its target
  EXPECT_TRUE(qvl_os_remove_path(file.c_str()));
  EXPECT_FALSE(qvl_os_remove_path(file.c_str()));

  // The current folder, named relatively: the process moves to the parent.
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  ASSERT_EQ(chdir(temp_dir().c_str()), 0);
  ASSERT_EQ(chdir("d"), 0);
  EXPECT_TRUE(qvl_os_remove_path("../d"));
  EXPECT_NE(access(dir.c_str(), F_OK), 0);

  // A folder that is not empty stays.
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  ASSERT_TRUE(qvl_os_append_file((dir + "/keep").c_str(), "x", 1));
  EXPECT_FALSE(qvl_os_remove_path(dir.c_str()));
  EXPECT_EQ(read_file(dir + "/keep"), "x");
}

}  // namespace
