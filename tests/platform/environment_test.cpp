#include "platform/environment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(Environment, PutCopiesTheValue) {
  char assignment[] = "QVL_ENV_TEST=first";
  ASSERT_EQ(qvl_env_put(assignment), 0);
  // The environment must not follow later changes of the caller's text.
  std::strcpy(assignment, "QVL_ENV_TEST=other");
  EXPECT_STREQ(qvl_env_get("QVL_ENV_TEST"), "first");
}

TEST(Environment, EmptyValueRemovesAndBadTextsFail) {
  ASSERT_EQ(qvl_env_put("QVL_ENV_GONE=1"), 0);
  ASSERT_EQ(qvl_env_put("QVL_ENV_GONE="), 0);
  EXPECT_EQ(qvl_env_get("QVL_ENV_GONE"), nullptr);
  EXPECT_EQ(qvl_env_put("no equals sign"), -1);
  EXPECT_EQ(qvl_env_put("=value"), -1);
  EXPECT_EQ(qvl_env_get(""), nullptr);
}

TEST(Environment, DumpHasEveryVariableOnItsOwnLine) {
  ASSERT_EQ(qvl_env_put("QVL_ENV_DUMP=a b=c"), 0);
  std::string dump = qvl_env_dump();
  ASSERT_FALSE(dump.empty());
  EXPECT_EQ(dump.back(), '\n');
  EXPECT_NE(dump.find("\nQVL_ENV_DUMP=a b=c\n"), std::string::npos);
}
