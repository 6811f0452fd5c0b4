#include "files/sys_env.h"

#include <gtest/gtest.h>

#include <string>

extern char** environ;

TEST(SysEnv, PutEnvRewritesItsArgument) {
  BasicString name("QVL_A");
  EXPECT_EQ(qvl_sys_put_env(name, BasicString("1")), 0);
  EXPECT_STREQ(name.c_str(), "QVL_A=1");
  EXPECT_STREQ(qvl_sys_get_env(BasicString("QVL_A")).c_str(), "1");
  // The environment holds its own copy of the text.
  name.assign_cstr("QVL_A=changed");
  EXPECT_STREQ(qvl_sys_get_env(BasicString("QVL_A")).c_str(), "1");
  EXPECT_STREQ(qvl_sys_get_env(BasicString("QVL_NOT_SET_ANYWHERE")).c_str(), "");
}

TEST(SysEnv, EmptyNameDumpsTheEnvironment) {
  BasicString name("QVL_DUMPED");
  qvl_sys_put_env(name, BasicString("x y"));
  std::string dump = qvl_sys_get_env(BasicString()).c_str();
  std::string expected;
  for (char** e = environ; *e != nullptr; ++e) expected += std::string(*e) + "\n";
  EXPECT_EQ(dump, expected);
  EXPECT_NE(dump.find("QVL_DUMPED=x y\n"), std::string::npos);
}

TEST(SysEnv, CommandLineFromArgv) {
  const char* argv[] = {"./zemo-player", "-level", "two words", "say \"hi\""};
  qvl_sys_set_command_line_from_argv(4, argv);
  EXPECT_STREQ(qvl_sys_get_command_line().c_str(),
               "./zemo-player -level \"two words\" \"say \\\"hi\\\"\"");
  qvl_sys_set_command_line("other");
  EXPECT_STREQ(qvl_sys_command_line_ref().c_str(), "other");
}
