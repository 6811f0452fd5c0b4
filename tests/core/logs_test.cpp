// The diagnostic channels: error log, debug log, standard streams, break.
#include "core/logs.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "core/call_by_name.h"
#include "platform/append_file.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"

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

// What stands where the log goes and is not a log file of ours is made
// anew when it may be removed; nothing that was there receives a line.
TEST(ErrorLog, WhatIsNoLogFileOfOursIsMadeAnew) {
  const std::string twin = temp_dir() + "twin.txt";
  const std::string own = temp_dir() + "ErrorLog-" + std::to_string(geteuid()) + ".txt";
  struct Case {
    const char* what;
    std::function<bool(const std::string&)> plant;
    bool removable;  // else the line goes to the user's own name
  } cases[] = {
      {"a named pipe", [](const std::string& p) { return mkfifo(p.c_str(), 0600) == 0; }, true},
      {"a link to no file", [](const std::string& p) { return symlink("nowhere", p.c_str()) == 0; },
       true},
      // A second name of another file: the file itself keeps its bytes.
      {"a hard link",
       [&](const std::string& p) {
         qvl_test::write_file(twin, "kept");
         return link(twin.c_str(), p.c_str()) == 0;
       },
       true},
      {"an empty folder", [](const std::string& p) { return mkdir(p.c_str(), 0700) == 0; }, true},
      {"a folder with a file",
       [](const std::string& p) {
         return mkdir(p.c_str(), 0700) == 0 && qvl_os_append_file((p + "/f").c_str(), "x", 1);
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(c.plant(log_path()));
    auto r = run_in_child([] {
      alarm(10);  // a watchdog: a log open that waits is killed
      qvl_log_error_file("line\n");
    });
    EXPECT_EQ(r.signal, 0);
    // Read only once it is a file: a pipe left in place would hold the test.
    struct stat st;
    ASSERT_EQ(lstat((c.removable ? log_path() : own).c_str(), &st), 0);
    ASSERT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(read_file(c.removable ? log_path() : own), "line\n");
    if (c.removable) {
      EXPECT_NE(access(own.c_str(), F_OK), 0);
    }
    EXPECT_EQ(read_file(twin), access(twin.c_str(), F_OK) == 0 ? "kept" : "");
    // The start-up's delete leaves neither name behind.
    if (!c.removable) {
      ASSERT_EQ(unlink((log_path() + "/f").c_str()), 0);
    }
    qvl_log_error_file_delete();
    EXPECT_NE(access(log_path().c_str(), F_OK), 0);
    EXPECT_NE(access(own.c_str(), F_OK), 0);
  }
}

// Another user's named pipe or file where the log goes, in a sticky folder
// that every user may write to (as /tmp): this user may not remove it, so
// the log goes to a name of its own beside it and the planted one never
// receives a line. Both users are other than root, each a child process.
TEST(ErrorLog, AnotherUsersPipeOrFileInASharedFolderNeverReceivesALine) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root, to act as two other users in child processes";
  const uid_t planter = 61001, user = 61002;
  const std::string shared = temp_dir() + "shared/";
  ASSERT_EQ(mkdir(shared.c_str(), 0700), 0);
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  const std::string planted = shared + "ErrorLog.txt";
  const std::string own = shared + "ErrorLog-" + std::to_string(user) + ".txt";
  // The body as that user, in the shared folder (reached before the user
  // changes, so the folders above it need not be open to it); status 77
  // when the user cannot be taken on, else 0 when the body succeeded.
  auto as_user = [&](uid_t uid, const std::function<bool()>& body) {
    return run_in_child([&] {
      if (chdir(shared.c_str()) != 0 || setgid(uid) != 0 || setuid(uid) != 0) _exit(77);
      setenv("TMPDIR", ".", 1);
      _exit(body() ? 0 : 1);
    });
  };
  auto plant_pipe = [] { return mkfifo("ErrorLog.txt", 0666) == 0; };
  auto plant_file = [](mode_t mode) {
    return [mode] {
      return qvl_os_append_file("ErrorLog.txt", "planted", 7) && chmod("ErrorLog.txt", mode) == 0;
    };
  };
  struct Case {
    const char* what;
    std::function<bool()> plant;  // run as the planter
    bool reader;                  // a reader holds the pipe open
    const char* bytes;            // what the planted file holds
  } cases[] = {
      {"a named pipe", plant_pipe, false, ""},
      {"a named pipe with a reader", plant_pipe, true, ""},
      {"a file all may write", plant_file(0666), false, "planted"},
      {"a file only its owner may write", plant_file(0644), false, "planted"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    unlink(planted.c_str());
    unlink(own.c_str());
    auto planting = as_user(planter, c.plant);
    if (planting.exit_status == 77) GTEST_SKIP() << "cannot act as user " << planter;
    ASSERT_EQ(planting.exit_status, 0);
    int reader = c.reader ? open(planted.c_str(), O_RDONLY | O_NONBLOCK) : -1;
    auto logging = as_user(user, [] {
      alarm(10);  // a watchdog: a log open that waits is killed
      qvl_log_error_file_delete();
      qvl_log_error_file("secret\n");
      return true;
    });
    EXPECT_EQ(logging.signal, 0);
    EXPECT_EQ(logging.exit_status, 0);
    if (reader >= 0) {
      char got[16];
      EXPECT_LE(read(reader, got, sizeof got), 0) << "the pipe received a line";
      close(reader);
    }
    struct stat st;
    ASSERT_EQ(lstat(planted.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, planter);
    if (S_ISREG(st.st_mode)) {
      EXPECT_EQ(read_file(planted), c.bytes);
    }
    EXPECT_EQ(read_file(own), "secret\n");
  }
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
