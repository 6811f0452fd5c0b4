// The diagnostic channels: error log, debug log, standard streams, break.
#include "core/logs.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "core/call_by_name.h"
#include "tests/support/child_process.h"

using qvl_test::read_file;
using qvl_test::run_in_child;
using qvl_test::temp_dir;

namespace {

std::string log_path() { return temp_dir() + "ErrorLog.txt"; }

TEST(ErrorLog, AppendsTextAsGivenAndNullAsNULL) {
  qvl_log_error_file("Start new log...\n");
  qvl_log_error_file("timer");
  qvl_log_error_file(nullptr);
  qvl_log_error_file("");
  EXPECT_EQ(read_file(log_path()), "Start new log...\ntimerNULL");
}

TEST(ErrorLog, OneSeparatorWhetherOrNotFolderEndsInOne) {
  std::string dir = temp_dir();  // ends in '/'
  std::string bare = dir.substr(0, dir.size() - 1);
  setenv("TMPDIR", bare.c_str(), 1);
  qvl_log_error_file("a");
  setenv("TMPDIR", dir.c_str(), 1);
  qvl_log_error_file("b");
  EXPECT_EQ(read_file(dir + "ErrorLog.txt"), "ab");
}

TEST(ErrorLog, DeleteRemovesFileOrEmptyFolder) {
  qvl_log_error_file("old run\n");
  qvl_log_error_file_delete();
  EXPECT_NE(access(log_path().c_str(), F_OK), 0);

  // A folder of that name, even the current one, is removed as well.
  ASSERT_EQ(mkdir(log_path().c_str(), 0700), 0);
  ASSERT_EQ(chdir(log_path().c_str()), 0);
  qvl_log_error_file_delete();
  EXPECT_NE(access(log_path().c_str(), F_OK), 0);
  qvl_log_error_file("new\n");
  EXPECT_EQ(read_file(log_path()), "new\n");
}

// A link planted where the log goes must not redirect the writes.
TEST(ErrorLog, DoesNotFollowSymbolicLink) {
  std::string target = temp_dir() + "victim.txt";
  {
    FILE* f = fopen(target.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("precious", f);
    fclose(f);
  }
  ASSERT_EQ(symlink(target.c_str(), log_path().c_str()), 0);
  qvl_log_error_file("attack\n");
  EXPECT_EQ(read_file(target), "precious");
  // The start-up's delete removes the link itself, then logging works.
  qvl_log_error_file_delete();
  EXPECT_EQ(read_file(target), "precious");
  qvl_log_error_file("ok\n");
  EXPECT_EQ(read_file(log_path()), "ok\n");
}

TEST(DebugLog, WritesTxLinesOnlyWhileADebuggerListens) {
  auto r = run_in_child([] {
    unsetenv("QVL_DEBUG_LOG");
    qvl_log_debug(BasicString("unheard\n"));
  });
  EXPECT_EQ(r.err, "");  // the test runner is not traced

  std::string debug_log = temp_dir() + "debug.txt";
  setenv("QVL_DEBUG_LOG", debug_log.c_str(), 1);
  qvl_log_debug(BasicString("first\n"));
  BasicString with_nul("cut");
  with_nul.append_char('\0');
  with_nul.append_cstr("hidden");
  qvl_log_debug(with_nul);
  EXPECT_EQ(read_file(debug_log), "TXfirst\nTXcut");
}

TEST(Console, PrintGoesToItsStreamUpToTheFirstNul) {
  auto r = run_in_child([] {
    BasicString s("out");
    s.append_char('\0');
    s.append_cstr("gone");
    qvl_log_print(s);
    qvl_log_print_err(BasicString("err\n"));
  });
  EXPECT_EQ(r.out, "out");
  EXPECT_EQ(r.err, "err\n");
}

TEST(Console, ReadLineDropsOneNewlineAndSplitsLongLines) {
  std::string long_line(5000, 'x');
  auto r = run_in_child(
      [] {
        for (int i = 0; i < 5; ++i) {
          BasicString line = qvl_log_read_line();
          std::printf("[%d:%s]", line.length, line.length < 20 ? line.c_str() : "...");
        }
      },
      "abc\n\n\n" + long_line + "\n");
  // "abc", one empty line and the next, then 4094 bytes, then the rest.
  EXPECT_EQ(r.out, "[3:abc][0:][0:][4094:...][906:...]");

  r = run_in_child(
      [] {
        BasicString a = qvl_log_read_line();
        BasicString b = qvl_log_read_line();
        std::printf("[%s][%d]", a.c_str(), b.length);
      },
      "last without newline");
  EXPECT_EQ(r.out, "[last without newline][0]");
}

int g_before = 0;
int g_after = 0;

TEST(Break, NoticeOnlyWithDebuggerThenResumes) {
  qvl_log_set_break_hooks([] { ++g_before; }, [] { ++g_after; });
  unsetenv("QVL_DEBUG_LOG");
  qvl_call_paused = 1;
  qvl_log_break(255);
  EXPECT_EQ(g_before + g_after, 0);
  EXPECT_EQ(qvl_call_paused, 1);

  std::string debug_log = temp_dir() + "debug.txt";
  setenv("QVL_DEBUG_LOG", debug_log.c_str(), 1);
  qvl_log_break(255);
  qvl_log_break(-1);
  EXPECT_EQ(read_file(debug_log), "BPffBPffffffff");
  EXPECT_EQ(g_before, 2);
  EXPECT_EQ(g_after, 2);
  EXPECT_EQ(qvl_call_paused, 0);
  qvl_log_set_break_hooks(nullptr, nullptr);
}

}  // namespace
