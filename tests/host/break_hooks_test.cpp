// The debugger break notice with the host's hooks installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/call_by_name.h"
#include "core/logs.h"
#include "host/break_hooks.h"
#include "host/show_screen.h"
#include "tests/support/child_process.h"

TEST(BreakHooks, BreakResumesAndAsksForTheWindow) {
  const std::string log = qvl_test::temp_dir() + "debug.txt";
  setenv("QVL_DEBUG_LOG", log.c_str(), 1);
  qvl_win_install_break_hooks();
  qvl_call_paused = 1;
  qvl_win_activation_request = 0;
  qvl_log_break(0x1f);
  EXPECT_EQ(qvl_call_paused, 0);
  EXPECT_EQ(qvl_win_activation_request, 1);
  EXPECT_NE(qvl_test::read_file(log).find("BP1f"), std::string::npos);
  unsetenv("QVL_DEBUG_LOG");
}
