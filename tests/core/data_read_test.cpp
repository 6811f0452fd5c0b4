#include "core/data_read.h"

#include <gtest/gtest.h>

#include <string>

#include "core/error_state.h"
#include "tests/support/basic_string_text.h"
#include "tests/support/child_process.h"

namespace {

using qvl_test::str;

DataItem g_items[] = {{3.7, nullptr}, {0.0, "12abc"}, {-2.9, nullptr}};

TEST(DataRead, ConvertsEachItemToTheTargetType) {
  DataBlock block{g_items, 3, 0};
  qvl_data_restore(&block);
  int i[3] = {};
  for (int& v : i) qvl_data_read_int(v);
  EXPECT_EQ(i[0], 3);
  EXPECT_EQ(i[1], 12);
  EXPECT_EQ(i[2], -2);

  qvl_data_restore(&block);
  BasicString s[3];
  for (BasicString& v : s) qvl_data_read_str(v);
  EXPECT_EQ(str(s[0]), "3.7");
  EXPECT_EQ(str(s[1]), "12abc");
  EXPECT_EQ(str(s[2]), "-2.9");

  qvl_data_restore(&block);
  double d[3] = {};
  for (double& v : d) qvl_data_read_float(v);
  EXPECT_DOUBLE_EQ(d[0], 3.7);
  EXPECT_DOUBLE_EQ(d[1], 12.0);
  EXPECT_DOUBLE_EQ(d[2], -2.9);
}

TEST(DataRead, TextAndNumberEdgeConversions) {
  DataItem items[] = {{0.0, "x"}, {0.0, "  -7.5e1z"}, {1.0, nullptr}, {1e12, nullptr},
                      {-1e12, nullptr}, {0.0, ""}};
  DataBlock block{items, 6, 0};
  qvl_data_restore(&block);
  double x = 5;
  qvl_data_read_float(x);
  EXPECT_EQ(x, 0.0);
  qvl_data_read_float(x);
  EXPECT_EQ(x, -75.0);
  BasicString one;
  qvl_data_read_str(one);
  EXPECT_EQ(str(one), "1");
  int big = 0, small = 0;
  qvl_data_read_int(big);  // outside int: saturates instead of undefined behaviour
  qvl_data_read_int(small);
  EXPECT_EQ(big, 2147483647);
  EXPECT_EQ(small, -2147483647 - 1);
  BasicString empty("old");
  qvl_data_read_str(empty);
  EXPECT_EQ(empty.length, 0);
}

TEST(DataRead, EachBlockKeepsItsPositionAndRestoreRewinds) {
  DataItem a_items[] = {{1, nullptr}, {2, nullptr}};
  DataItem b_items[] = {{10, nullptr}};
  DataBlock a{a_items, 2, 0}, b{b_items, 1, 0};
  int v = 0;
  qvl_data_restore(&a);
  qvl_data_read_int(v);
  EXPECT_EQ(v, 1);
  qvl_data_restore(&b);
  qvl_data_read_int(v);
  EXPECT_EQ(v, 10);
  qvl_data_restore(&a);  // rewinds a, whatever it had read
  qvl_data_read_int(v);
  EXPECT_EQ(v, 1);
}

TEST(DataRead, ReadPastTheDataRaises20AndEnds) {
  auto r = qvl_test::run_in_child([] {
    DataBlock block{g_items, 3, 0};
    qvl_data_restore(&block);
    BasicString s;
    for (int i = 0; i < 3; ++i) qvl_data_read_str(s);
    std::printf("read 3\n");
    qvl_data_read_str(s);
    std::printf("not reached\n");
  });
  EXPECT_EQ(r.exit_status, 20);  // a fatal error is the exit status
  EXPECT_EQ(r.out, "read 3\nerror: 14\nexit\n");
}

TEST(DataRead, ReadBeforeAnyRestoreRaises20) {
  auto r = qvl_test::run_in_child([] {
    int v = 0;
    qvl_data_read_int(v);
    std::printf("not reached\n");
  });
  EXPECT_EQ(r.exit_status, 20);  // a fatal error is the exit status
  EXPECT_EQ(r.out, "error: 14\nexit\n");
}

TEST(DataRead, WhileEndingAFailedReadLeavesTargetAndPosition) {
  DataItem items[] = {{4, nullptr}};
  DataBlock block{items, 1, 0};
  qvl_data_restore(&block);
  int v = 0;
  qvl_data_read_int(v);
  qvl_err_state.ending = 1;  // END is running: END-once returns
  v = 99;
  testing::internal::CaptureStdout();
  qvl_data_read_int(v);
  const std::string out = testing::internal::GetCapturedStdout();
  qvl_err_state.ending = 0;
  EXPECT_EQ(v, 99);
  EXPECT_EQ(block.read_index, 1);
  EXPECT_EQ(qvl_err_state.last_error, 20);
  EXPECT_EQ(out, "error: 14\n");
}

}  // namespace
