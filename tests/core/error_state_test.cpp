// The error state, its notices and texts, END and its exit status.
#include "core/error_state.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "core/logs.h"
#include "tests/support/test_files.h"

using qvl_test::error_log;
using qvl_test::read_file;
using qvl_test::run_in_child;
using qvl_test::temp_dir;

namespace {

class ErrorStateTest : public testing::Test {
 protected:
  void SetUp() override { qvl_err_state = ErrorState{}; }
};

TEST_F(ErrorStateTest, RaisePrintsHexNoticeAndStoresCodeAndLine) {
  struct Case {
    int code;
    const char* notice;
  };
  const Case cases[] = {{255, "error: ff\n"}, {-1, "error: ffffffff\n"}, {9, "error: 9\n"},
                        {0, ""}};
  for (const Case& c : cases) {
    auto r = run_in_child([&] {
      qvl_err_state.current_line = 12;
      int result = qvl_err_raise(c.code);
      // Report through the exit status what the parent cannot see.
      bool ok = result == c.code &&
                qvl_err_state.last_error == c.code &&
                qvl_err_state.error_line == (c.code ? 12 : 0);
      _exit(ok ? 0 : 1);
    });
    EXPECT_EQ(r.out, c.notice) << c.code;
    EXPECT_EQ(r.exit_status, 0) << c.code;
  }
}

TEST_F(ErrorStateTest, TextFormsCodeAndMessage) {
  struct Case {
    int code;
    const char* text;
  };
  const Case cases[] = {
      {0, "0000 success"},        {3, "0003 no such file"},    {7, "0007 out of memory"},
      {9, "0009 out of bounds"},  {20, "0020 out of data"},    {8, "0008 unknown error"},
      {21, "0021 unknown error"}, {-1, "-0001 unknown error"}, {12345, "12345 unknown error"},
  };
  for (const Case& c : cases) {
    qvl_err_state.last_error = c.code;
    EXPECT_STREQ(qvl_err_text().c_str(), c.text) << c.code;
  }
  qvl_err_state.last_error = 9;
  qvl_err_clear();
  EXPECT_STREQ(qvl_err_text().c_str(), "0000 success");
}

TEST_F(ErrorStateTest, SetPositionTakesSecondValueFirst) {
  qvl_err_set_position(5, 77);
  EXPECT_EQ(qvl_err_state.position2, 5);
  EXPECT_EQ(qvl_err_state.current_line, 77);
}

TEST_F(ErrorStateTest, FatalErrorPrintsNoticeAndExitAfterStartLine) {
  auto r = run_in_child([] {
    qvl_log_error_file_delete();
    qvl_log_error_file("Start new log...\n");
    qvl_err_raise(255);
    qvl_err_end_program_once();
  });
  EXPECT_EQ(r.out, "error: ff\nexit\n");
  EXPECT_EQ(r.exit_status, 255);
  // Not in debug mode: END adds nothing to the log.
  EXPECT_EQ(error_log(), "Start new log...\n");
}

// A fatal END reports the error to the shell; a normal END reports the end
// status, 0 unless the program has said its run failed.
TEST_F(ErrorStateTest, ExitStatusFollowsHowTheProgramEnded) {
  struct Case {
    const char* what;
    int raised;
    bool fatal_entry;
    int end_status;
    int status;
  };
  const Case cases[] = {
      {"normal END", 0, false, 0, 0},
      {"normal END after a survived error", 3, false, 0, 0},
      {"END-once without an error", 0, true, 0, 0},
      {"bounds", 9, true, 0, 9},
      {"failed assertion", 21, true, 0, 21},
      {"largest code that fits", 255, true, 0, 255},
      {"code too large for a status", 256, true, 0, 1},
      {"negative code", -1, true, 0, 1},
      {"normal END of a failed run", 3, false, 2, 2},
      {"END-once of a failed run", 0, true, 2, 2},
      {"fatal error in a failed run", 9, true, 2, 9},
  };
  for (const Case& c : cases) {
    auto r = run_in_child([&] {
      qvl_err_set_end_status(c.end_status);
      qvl_err_raise(c.raised);
      if (c.fatal_entry) qvl_err_end_program_once();
      qvl_err_end_program();
    });
    EXPECT_EQ(r.exit_status, c.status) << c.what;
    EXPECT_EQ(r.out.substr(r.out.size() >= 5 ? r.out.size() - 5 : 0), "exit\n") << c.what;
  }
}

TEST_F(ErrorStateTest, DebugModeEndWritesTrailer) {
  auto r = run_in_child([] {
    qvl_err_state.debug_mode = 1;
    qvl_err_set_position(7, 42);
    qvl_err_raise(9);
    qvl_err_set_position(8, 50);
    qvl_err_end_program_once();
  });
  EXPECT_EQ(r.exit_status, 9);
  // Last error, the line it was raised on less one, the current line, the
  // second position value.
  EXPECT_EQ(error_log(), "-End On Line\n9\n41\n50\n8\n");
}

int g_shutdowns = 0;

// The shutdown fails fatally itself: the notice appears, but neither a
// second shutdown nor a second "exit".
void failing_shutdown() {
  ++g_shutdowns;
  std::printf("shutdown %d\n", g_shutdowns);
  qvl_err_raise(3);
  qvl_err_end_program_once();
}

TEST_F(ErrorStateTest, ErrorDuringShutdownDoesNotEndAgain) {
  auto r = run_in_child([] {
    qvl_err_set_shutdown_hook(failing_shutdown);
    qvl_err_raise(9);
    qvl_err_end_program_once();
  });
  EXPECT_EQ(r.out, "error: 9\nshutdown 1\nerror: 3\nexit\n");
  // The status is settled when END starts.
  EXPECT_EQ(r.exit_status, 9);
}

TEST_F(ErrorStateTest, AssertPassesNonZeroAndEndsOnZero) {
  EXPECT_EQ(qvl_err_assert(1), 1);
  EXPECT_EQ(qvl_err_assert(-5), -5);
  EXPECT_EQ(qvl_err_state.last_error, 0);

  std::string debug_log = temp_dir() + "debug.txt";
  auto r = run_in_child([&] {
    setenv("QVL_DEBUG_LOG", debug_log.c_str(), 1);
    qvl_err_assert(0);
  });
  EXPECT_EQ(r.out, "error: 15\nexit\n");
  EXPECT_EQ(r.exit_status, 21);
  EXPECT_EQ(read_file(debug_log), "TXAssertion: Value = 0\n");

  // While ending, a failed assertion reports 21 to its caller.
  r = run_in_child([] {
    qvl_err_state.ending = 1;
    _exit(qvl_err_assert(0) == 21 ? 0 : 1);
  });
  EXPECT_EQ(r.out, "error: 15\n");
  EXPECT_EQ(r.exit_status, 0);
}

}  // namespace
