// DIM, REDIM, fill and array assignment of BasicArray<T>.
#include <gtest/gtest.h>

#include <string>

#include "core/basic_array.h"
#include "tests/core/array_test_types.h"
#include "tests/support/child_process.h"

using array_test::EndingScope;
using array_test::Rec;
using qvl_test::run_in_child;

namespace {

struct Shape {
  int a, b, c, d;
  int count, dim_count, stride1, stride2, stride3, size2, size3, size4, capacity;
};

TEST(BasicArrayDim, SizesStridesAndCapacities) {
  const Shape cases[] = {
      {10, 0, 0, 0, 10, 1, 10, 0, 0, 0, 0, 0, 16},
      {7, 0, 0, 0, 7, 1, 7, 0, 0, 0, 0, 0, 8},
      {8, 0, 0, 0, 8, 1, 8, 0, 0, 0, 0, 0, 16},
      {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8},
      {-3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8},
      {5, -2, 0, 0, 5, 2, 5, -10, 0, -2, 0, 0, 8},
      {5, 0, 3, 0, 15, 3, 5, 0, 0, 0, 3, 0, 16},
      {2, 3, 4, 5, 120, 4, 2, 6, 24, 3, 4, 5, 128},
      {3, 2, 0, 0, 6, 2, 3, 6, 0, 2, 0, 0, 8},
  };
  for (const Shape& s : cases) {
    SCOPED_TRACE(testing::Message() << s.a << "," << s.b << "," << s.c << "," << s.d);
    BasicArray<int> a;
    EXPECT_EQ(a.dim(s.a, s.b, s.c, s.d), s.count);
    EXPECT_EQ(a.count, s.count);
    EXPECT_EQ(a.size1, s.a > 0 ? s.a : 0);
    EXPECT_EQ(a.dim_count, s.dim_count);
    EXPECT_EQ(a.stride1, s.stride1);
    EXPECT_EQ(a.stride2, s.stride2);
    EXPECT_EQ(a.stride3, s.stride3);
    EXPECT_EQ(a.size2, s.size2);
    EXPECT_EQ(a.size3, s.size3);
    EXPECT_EQ(a.size4, s.size4);
    EXPECT_EQ(a.capacity, s.capacity);
    for (int k = 0; k < a.capacity; ++k) ASSERT_EQ(a.data[k], 0) << k;
  }
}

TEST(BasicArrayDim, EmptyingRenewsEvenALargerBlock) {
  for (int first : {0, -3}) {
    BasicArray<int> a;
    a.dim(40, 0, 0, 0);
    a.data[0] = 99;
    a.dim(first, 0, 0, 0);
    EXPECT_EQ(a.capacity, 8);
    EXPECT_EQ(a.data[0], 0);
    EXPECT_EQ(a.size1 | a.count | a.dim_count, 0);
  }
}

TEST(BasicArrayDim, ExactBlockHasNoSpareSlots) {
  BasicArray<int> exact;
  exact.dim_exact(4, 4, 0, 0);
  EXPECT_EQ(exact.capacity, 16);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(exact.data[k], 0);
  BasicArray<int> spare;
  spare.dim(4, 4, 0, 0);
  EXPECT_EQ(spare.capacity, 24);

  BasicArray<Rec> recs;
  recs.dim_exact(3, 0, 0, 0);
  EXPECT_EQ(recs.capacity, 3);
  EXPECT_EQ(recs.at(2).tag, -1);
}

TEST(BasicArrayDim, StringBlockIsKeptWhileItFits) {
  BasicArray<BasicString> a;
  a.dim(20, 0, 0, 0);
  ASSERT_EQ(a.capacity, 64);
  for (int k = 0; k < 64; ++k) a.data[k].assign_cstr(std::to_string(k).c_str());
  BasicString* block = a.data;

  a.dim(10, 0, 0, 0);
  EXPECT_EQ(a.data, block);
  for (int k = 0; k < 10; ++k) EXPECT_TRUE(a.data[k].empty()) << k;
  for (int k = 10; k < 64; ++k) EXPECT_STREQ(a.data[k].c_str(), std::to_string(k).c_str());

  a.dim(64, 0, 0, 0);
  EXPECT_EQ(a.data, block);
  a.dim(65, 0, 0, 0);
  EXPECT_EQ(a.capacity, 128);

  a.dim(0, 0, 0, 0);
  EXPECT_EQ(a.data, nullptr);
  EXPECT_EQ(a.capacity, 0);
  EXPECT_EQ(a.dim_count, 0);
}

TEST(BasicArrayDim, RecordStepIsDeclaredOrFollowsTheSize) {
  BasicArray<array_test::Wave> waves;
  waves.dim(8, 0, 0, 0);
  EXPECT_EQ(waves.capacity, 16);

  struct Big {
    char bytes[300] = {};
  };
  BasicArray<Big> big;  // undeclared large record: 8
  big.dim(8, 0, 0, 0);
  EXPECT_EQ(big.capacity, 16);
  BasicArray<Rec> small;
  small.dim(63, 0, 0, 0);
  EXPECT_EQ(small.capacity, 64);
}

TEST(BasicArrayDim, SizesBeyond32BitsRaiseSevenAndEnd) {
  auto r = run_in_child([] {
    BasicArray<unsigned char> a;
    a.dim(65536, 65536, 0, 0);
    std::printf("returned\n");
  });
  EXPECT_EQ(r.out, "error: 7\nexit\n");
}

TEST(BasicArrayDim, FailedDimWhileEndingKeepsTheOldBlock) {
  EndingScope ending;
  BasicArray<BasicString> a;
  a.dim(3, 0, 0, 0);
  a.at(1).assign_cstr("kept");
  EXPECT_EQ(a.dim(2, 65536, 65536, 0), 3);
  EXPECT_EQ(qvl_err_state.last_error, 7);
  EXPECT_EQ(a.size1, 3);
  EXPECT_STREQ(a.at(1).c_str(), "kept");

  EXPECT_EQ(a.dim(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX), 3);
  EXPECT_EQ(a.size1, 3);

  a.redim(100000, 100000, 0, 0);  // REDIM fails the same way
  EXPECT_EQ(a.size1, 3);
  EXPECT_STREQ(a.at(1).c_str(), "kept");
}

// ---- REDIM ---------------------------------------------------------------

TEST(BasicArrayRedim, NumberArrayKeepsTheOverlap) {
  BasicArray<int> a;
  a.dim(3, 2, 0, 0);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 2; ++j) a.at2(i, j) = 10 * i + j + 1;
  a.redim(2, 3, 0, 0);
  EXPECT_EQ(a.count, 6);
  EXPECT_EQ(a.stride1, 2);
  EXPECT_EQ(a.capacity, 8);
  EXPECT_EQ(a.at2(0, 0), 1);
  EXPECT_EQ(a.at2(1, 0), 11);
  EXPECT_EQ(a.at2(0, 1), 2);
  EXPECT_EQ(a.at2(1, 1), 12);
  EXPECT_EQ(a.at2(0, 2), 0);
  EXPECT_EQ(a.at2(1, 2), 0);
}

TEST(BasicArrayRedim, NumberArrayKeepsAllFourDimensions) {
  BasicArray<double> a;
  a.dim(2, 2, 2, 2);
  for (int s = 0; s < 16; ++s) a.data[s] = s + 0.5;
  double* old = a.data;
  a.redim(3, 2, 2, 3);
  EXPECT_NE(a.data, old);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 2; ++j)
      for (int k = 0; k < 2; ++k)
        for (int l = 0; l < 3; ++l) {
          double want = (i < 2 && l < 2) ? i + 2 * j + 4 * k + 8 * l + 0.5 : 0;
          EXPECT_EQ(a.at4(i, j, k, l), want) << i << j << k << l;
        }
}

TEST(BasicArrayRedim, ObjectArrayKeepsOnlyTheFirstTwoDimensions) {
  BasicArray<BasicString> a;
  a.dim(2, 2, 2, 0);
  for (int s = 0; s < 8; ++s) a.data[s].assign_cstr(std::to_string(s).c_str());
  a.redim(2, 2, 2, 0);
  for (int s = 0; s < 4; ++s) EXPECT_STREQ(a.data[s].c_str(), std::to_string(s).c_str());
  for (int s = 4; s < 8; ++s) EXPECT_TRUE(a.data[s].empty()) << s;

  BasicArray<BasicString> one;
  one.dim(5, 0, 0, 0);
  for (int s = 0; s < 5; ++s) one.at(s).assign_cstr(std::to_string(s).c_str());
  one.redim(7, 0, 0, 0);
  EXPECT_EQ(one.capacity, 64);
  EXPECT_STREQ(one.at(4).c_str(), "4");
  EXPECT_TRUE(one.at(5).empty());
  EXPECT_TRUE(one.at(6).empty());
}

TEST(BasicArrayRedim, OneDimensionBecomesTheFirstColumn) {
  BasicArray<int> a;
  a.dim(6, 0, 0, 0);
  for (int s = 0; s < 6; ++s) a.at(s) = s + 1;
  a.redim(4, 3, 0, 0);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(a.at2(i, 0), i + 1);
    EXPECT_EQ(a.at2(i, 1), 0);
  }
}

TEST(BasicArrayRedim, ToZeroKeepsTheBlock) {
  BasicArray<int> a;
  a.dim(3, 3, 0, 0);
  a.data[4] = 7;
  int* block = a.data;
  a.redim(0, 0, 0, 0);
  EXPECT_EQ(a.size1 | a.size2 | a.stride1 | a.stride2 | a.count | a.dim_count, 0);
  EXPECT_EQ(a.data, block);
  EXPECT_EQ(a.capacity, 16);
  EXPECT_EQ(a.data[4], 7);
}

// ---- fill and assignment -----------------------------------------------

TEST(BasicArrayFill, StoresTheValues) {
  const int values[] = {7, 8, 9};
  BasicArray<int> a;
  a.fill(3, values);
  EXPECT_EQ(a.size1, 3);
  EXPECT_EQ(a.capacity, 8);
  EXPECT_EQ(a.at(0), 7);
  EXPECT_EQ(a.at(2), 9);
}

TEST(BasicArrayAssign, CopiesSizesAndSlots) {
  BasicArray<double> src;
  src.dim(3, 2, 0, 0);
  for (int s = 0; s < 6; ++s) src.data[s] = s * 1.5;
  BasicArray<double> dst;
  dst = src;
  EXPECT_EQ(dst.size1, 3);
  EXPECT_EQ(dst.size2, 2);
  EXPECT_EQ(dst.count, 6);
  EXPECT_EQ(dst.capacity, 8);
  for (int s = 0; s < 6; ++s) EXPECT_EQ(dst.data[s], s * 1.5);

  BasicArray<double> never;
  dst.assign(never);
  EXPECT_EQ(dst.size1 | dst.dim_count | dst.count, 0);
  EXPECT_EQ(dst.capacity, 8);
}

TEST(BasicArrayAssign, SelfAssignmentKeepsTheContents) {
  BasicArray<int> a;
  a.dim(3, 0, 0, 0);
  a.at(0) = 5;
  a.at(2) = 6;
  BasicArray<int>& same = a;
  a = same;
  EXPECT_EQ(a.size1, 3);
  EXPECT_EQ(a.at(0), 5);
  EXPECT_EQ(a.at(2), 6);
}

TEST(BasicArrayAssign, RecordsCopyTheirMemberArrays) {
  struct Holder {
    BasicArray<BasicString> names;
  };
  Holder a;
  a.names.dim(2, 0, 0, 0);
  a.names.at(1).assign_cstr("b");
  Holder b = a;
  a.names.at(1).assign_cstr("changed");
  EXPECT_EQ(b.names.size1, 2);
  EXPECT_STREQ(b.names.at(1).c_str(), "b");
}

}  // namespace
