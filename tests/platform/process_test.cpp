#include "platform/process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Args = std::vector<std::string>;

// Each row: a command line and the arguments a Windows program gets from it.
TEST(CommandLine, SplitsByTheWindowsRules) {
  struct Case {
    const char* line;
    Args args;
  } cases[] = {
      {"prog a b", {"prog", "a", "b"}},
      {"  prog \t a   b  ", {"prog", "a", "b"}},
      {"\"C:\\Program Files\\x.exe\" arg", {"C:\\Program Files\\x.exe", "arg"}},
      {"prog \"a b\" c", {"prog", "a b", "c"}},
      {"prog a\\\\b", {"prog", "a\\\\b"}},          // backslashes not before '"'
      {"prog a\\\"b", {"prog", "a\"b"}},            // \"  -> "
      {"prog a\\\\\"b c\"", {"prog", "a\\b c"}},    // \\" -> \ and a quote
      {"prog a\\\\\\\"b", {"prog", "a\\\"b"}},      // \\\" -> \"
      {"prog \"\"", {"prog", ""}},                  // an empty argument
      {"prog \"a\"\"b\" c", {"prog", "a\"b", "c"}},  // "" inside quotes
      {"prog ab\"c d\"e", {"prog", "abc de"}},
      {"pro\\\"g x", {"pro\\\"g", "x"}},            // program name: no escapes
      {"", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(qvl_proc_split_command_line(c.line), c.args) << c.line;
  }
}

TEST(CommandLine, JoinedArgumentsSplitBackTheSame) {
  const char* argv[] = {"/opt/my game/player", "plain", "two words", "", "quote\"inside",
                        "trail\\", "trail space\\", "a\\\\\"b"};
  int argc = static_cast<int>(sizeof argv / sizeof argv[0]);
  std::string line = qvl_proc_join_command_line(argc, argv);
  EXPECT_EQ(line.rfind("\"/opt/my game/player\" plain \"two words\" \"\"", 0), 0u) << line;
  Args back = qvl_proc_split_command_line(line.c_str());
  EXPECT_EQ(back, Args(argv, argv + argc));
}

TEST(Process, ExitCodeComesBack) {
  pid_t pid = qvl_proc_spawn({"sh", "-c", "exit 3"});
  ASSERT_GT(pid, 0);
  int code = -1;
  ASSERT_TRUE(qvl_proc_wait(pid, &code));
  EXPECT_EQ(code, 3);
}

TEST(Process, MissingProgramIsNotStarted) {
  EXPECT_EQ(qvl_proc_spawn({"qvl-no-such-program-here"}), -1);
  EXPECT_EQ(qvl_proc_spawn({"/nonexistent/dir/prog", "x"}), -1);
  EXPECT_EQ(qvl_proc_spawn({}), -1);
}

TEST(Process, BackslashesInTheProgramPathBecomeSlashes) {
  pid_t pid = qvl_proc_spawn({"\\bin\\sh", "-c", "exit 7"});
  ASSERT_GT(pid, 0);
  int code = -1;
  ASSERT_TRUE(qvl_proc_wait(pid, &code));
  EXPECT_EQ(code, 7);
}
