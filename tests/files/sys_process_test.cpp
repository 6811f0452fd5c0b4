#include "files/sys_process.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>

#include "core/error_state.h"
#include "tests/support/child_process.h"

namespace {

std::string g_events;
bool g_fullscreen = false;

SysHostHooks recording_hooks(bool escape) {
  SysHostHooks h{};
  h.escape_allowed = escape ? +[] { return true; } : +[] { return false; };
  h.shutdown = [] { g_events += "shutdown;"; };
  h.is_fullscreen = [] { return g_fullscreen; };
  h.set_windowed = [] { g_events += "windowed;"; };
  h.set_fullscreen = [] { g_events += "fullscreen;"; };
  h.activate_window = [] { g_events += "activate;"; };
  return h;
}

}  // namespace

TEST(RunProcess, WaitsAndStoresTheExitCode) {
  BasicString line("sh -c \"exit 3\"");
  double code = -1;
  EXPECT_EQ(qvl_sys_run_process(line, 1, 0, code), 1);
  EXPECT_EQ(code, 3);
  EXPECT_STREQ(line.c_str(), "sh -c \"exit 3\"");
}

TEST(RunProcess, MissingProgramGivesZeroNotAShellsCode) {
  BasicString line("qvl-no-such-program --flag");
  double code = 99;
  EXPECT_EQ(qvl_sys_run_process(line, 1, 0, code), 0);
  EXPECT_EQ(code, 0);
}

TEST(RunProcess, ExitCode259DoesNotKeepTheWaitGoing) {
  // 259 is STILL_ACTIVE on Windows; here the code arrives as 259 & 255.
  BasicString line("sh -c \"exit 259\"");
  double code = -1;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(qvl_sys_run_process(line, 1, 0, code), 1);
  EXPECT_EQ(code, 3);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(RunProcess, WithoutWaitReturnsAtOnce) {
  BasicString line("sleep 5");
  double code = -1;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(qvl_sys_run_process(line, 0, 0, code), 1);
  EXPECT_EQ(code, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(RunProcess, LeavesFullScreenWhileStartingAndActivatesWhenShown) {
  qvl_sys_set_host_hooks(recording_hooks(false));
  g_events.clear();
  g_fullscreen = true;
  BasicString line("true");
  double code = -1;
  qvl_sys_run_process(line, 1, 1, code);
  EXPECT_EQ(g_events, "windowed;activate;fullscreen;");
  g_events.clear();
  g_fullscreen = false;
  qvl_sys_run_process(line, 1, 0, code);
  EXPECT_EQ(g_events, "");
  qvl_sys_set_host_hooks(SysHostHooks{});
}

TEST(ShellOpen, StartsXdgOpenWithTheTarget) {
  // A stand-in xdg-open first in PATH records what it was given.
  std::string dir = qvl_test::temp_dir() + "bin";
  mkdir(dir.c_str(), 0777);
  std::string out = qvl_test::temp_dir() + "opened.txt";
  std::ofstream(dir + "/xdg-open") << "#!/bin/sh\nprintf '%s' \"$1\" > " << out << ".part\nmv "
                                   << out << ".part " << out << "\n";
  chmod((dir + "/xdg-open").c_str(), 0755);
  setenv("PATH", (dir + ":" + getenv("PATH")).c_str(), 1);

  struct Case {
    const char* file;
    const char* given;  // what xdg-open receives
  } cases[] = {
      {"https://example.org/a b", "https://example.org/a b"},
      // A name that begins with '-' stays a file name, never an option.
      {"--version", "./--version"},
      {"-x.txt", "./-x.txt"},
  };
  for (const Case& c : cases) {
    unlink(out.c_str());
    EXPECT_EQ(qvl_sys_shell_open(BasicString(c.file)), 1);
    std::string got;
    for (int i = 0; i < 200 && got.empty(); ++i) {
      qvl_sys_sleep(10);
      got = qvl_test::read_file(out);
    }
    EXPECT_EQ(got, c.given);
  }
}

TEST(ShellOpen, WithEscapeOnShutsDownAndEnds) {
  auto r = qvl_test::run_in_child([] {
    SysHostHooks hooks = recording_hooks(true);
    hooks.shutdown = [] {
      printf("shutdown\n");
      fflush(stdout);
    };
    qvl_sys_set_host_hooks(hooks);
    qvl_sys_shell_open(BasicString("nothing-to-open"));
    printf("returned\n");
  });
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.out.find("returned"), std::string::npos);
  EXPECT_NE(r.out.find("shutdown\nexit"), std::string::npos) << r.out;
}

TEST(RunAndExit, ShutsDownStartsTheProgramAndExits) {
  std::string marker = qvl_test::temp_dir() + "ran.txt";
  auto r = qvl_test::run_in_child([marker] {
    SysHostHooks hooks{};
    hooks.shutdown = [] {
      printf("shutdown\n");
      fflush(stdout);
    };
    qvl_sys_set_host_hooks(hooks);
    qvl_sys_run_and_exit(BasicString(("sh -c \"echo started > " + marker + "\"").c_str()));
  });
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.out, "shutdown\n");
  std::string got;
  for (int i = 0; i < 200 && got.empty(); ++i) {
    qvl_sys_sleep(10);
    got = qvl_test::read_file(marker);
  }
  EXPECT_EQ(got, "started\n");
}
