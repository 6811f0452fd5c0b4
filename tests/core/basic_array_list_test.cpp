// push, remove and sort of BasicArray<T>.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/basic_array.h"
#include "tests/core/array_test_types.h"
#include "tests/support/child_process.h"

using array_test::EndingScope;
using array_test::Rec;
using qvl_test::run_in_child;

namespace {

BasicArray<BasicString> strings(std::initializer_list<const char*> texts) {
  BasicArray<BasicString> a;
  for (const char* t : texts) a.push(BasicString(t));
  return a;
}

// ---- push ----------------------------------------------------------------

TEST(BasicArrayPush, FirstPushMakesABlockOfOneStep) {
  BasicArray<BasicString> s;
  s.push(BasicString("x"));
  EXPECT_EQ(s.size1, 1);
  EXPECT_EQ(s.count, 1);
  EXPECT_EQ(s.capacity, 64);
  EXPECT_STREQ(s.at(0).c_str(), "x");

  BasicArray<Rec> r;
  r.push(Rec(3, 4)).tag = 5;  // push hands back the new element
  EXPECT_EQ(r.at(0).tag, 5);
}

TEST(BasicArrayPush, GrowsWhenTheLastSlotWouldBeUsed) {
  BasicArray<BasicString> s;
  s.dim(62, 0, 0, 0);
  for (int k = 0; k < 62; ++k) s.at(k).assign_cstr(std::to_string(k).c_str());
  BasicString* block = s.data;
  s.push(BasicString("62"));
  EXPECT_EQ(s.size1, 63);
  EXPECT_EQ(s.data, block);  // 63 < 64: in place
  s.push(BasicString("63"));
  EXPECT_EQ(s.size1, 64);
  EXPECT_EQ(s.capacity, 128);
  for (int k = 0; k < 64; ++k) ASSERT_STREQ(s.at(k).c_str(), std::to_string(k).c_str());
}

TEST(BasicArrayPush, OwnElementSurvivesTheGrowth) {
  BasicArray<BasicString> s;
  s.dim(63, 0, 0, 0);
  s.at(0).assign_cstr("first element");
  s.push(s.at(0));  // 64 < 64 fails: the block is replaced
  EXPECT_EQ(s.capacity, 128);
  EXPECT_STREQ(s.at(-1).c_str(), "first element");

  BasicArray<int> n;
  n.dim(7, 0, 0, 0);
  n.at(6) = 77;
  n.push(n.at(6));
  EXPECT_EQ(n.at(7), 77);
}

// The capacity grows by the type's step, as programs expect, while the
// block under it doubles: n pushes copy each value once and move each
// element a bounded number of times, instead of copying the whole array at
// every step.
TEST(BasicArrayPush, LongListsGrowInLinearTime) {
  using array_test::Counted;
  constexpr int n = 20000;
  Counted::reset();
  BasicArray<Counted> a;
  const Counted item(5);
  int size = 0, capacity = 0;  // the language's rule, step 64
  for (int i = 0; i < n; ++i) {
    a.push(item);
    capacity = size + 1 < capacity ? capacity : 64 * ((size + 1) / 64 + 1);
    ++size;
    ASSERT_EQ(a.capacity, capacity) << i;
  }
  EXPECT_EQ(a.size1, n);
  EXPECT_EQ(Counted::copies, n);
  EXPECT_LE(Counted::moves + Counted::built, 8L * n);
  EXPECT_GE(a.room(), a.capacity);
  for (int i = 0; i < n; ++i) ASSERT_EQ(a.at(i).value, 5);

  // Strings and numbers move with their block, byte for byte.
  BasicArray<BasicString> texts;
  BasicArray<double> numbers;
  for (int i = 0; i < n; ++i) {
    texts.push(BasicString(std::to_string(i).c_str()));
    numbers.push(i * 0.5);
  }
  for (int i = 0; i < n; ++i) {
    ASSERT_STREQ(texts.at(i).c_str(), std::to_string(i).c_str());
    ASSERT_EQ(numbers.at(i), i * 0.5);
  }
  for (int64_t s = n; s < texts.capacity; ++s) ASSERT_EQ(texts.data[s].length, 0);
  for (int64_t s = n; s < numbers.capacity; ++s) ASSERT_EQ(numbers.data[s], 0.0);
}

// Growing in the room the block already has resets what the capacity
// newly covers, as a new block would hold it.
TEST(BasicArrayPush, GrowthInPlaceShowsOnlyFreshSlots) {
  BasicArray<BasicString> s;
  for (int k = 0; k < 200; ++k) s.push(BasicString("x"));
  const int64_t room = s.room();
  s.redim(0, 0, 0, 0);  // emptied: the block and its old texts stay
  for (int k = 0; k < 100; ++k) s.push(BasicString("y"));
  s.remove(0);          // slot 99 keeps a copy of the last "y"
  s.redim(130, 0, 0, 0);
  EXPECT_EQ(s.room(), room);
  EXPECT_EQ(s.capacity, 192);
  for (int k = 0; k < 99; ++k) ASSERT_STREQ(s.at(k).c_str(), "y") << k;
  for (int k = 99; k < 192; ++k) ASSERT_EQ(s.data[k].length, 0) << k;
  s.redim(10, 0, 0, 0);  // shrinking gives the room back
  EXPECT_EQ(s.capacity, 64);
  EXPECT_EQ(s.room(), 64);
  EXPECT_STREQ(s.at(9).c_str(), "y");
}

TEST(BasicArrayPush, SecondDimensionRaisesEight) {
  auto r = run_in_child([] {
    BasicArray<BasicString> s;
    s.dim(3, 2, 0, 0);
    s.push(BasicString("x"));
  });
  EXPECT_EQ(r.out, "error: 8\nexit\n");
}

// ---- remove --------------------------------------------------------------

TEST(BasicArrayRemove, ClosesTheGapAndKeepsTheLastSlot) {
  auto s = strings({"a", "b", "c"});
  EXPECT_EQ(s.remove(1), 2);
  EXPECT_EQ(s.count, 2);
  EXPECT_STREQ(s.at(0).c_str(), "a");
  EXPECT_STREQ(s.at(1).c_str(), "c");
  EXPECT_STREQ(s.data[2].c_str(), "c");

  auto t = strings({"a", "b", "c"});
  t.remove(-1);
  EXPECT_EQ(t.size1, 2);
  EXPECT_STREQ(t.at(1).c_str(), "b");
}

TEST(BasicArrayRemove, BadIndexReportsAndRaisesNine) {
  auto r = run_in_child([] {
    auto s = strings({"a", "b", "c"});
    s.remove(-4);
  });
  EXPECT_EQ(r.err, "bounds: [   3]\naccess: [  -1]\n");
  EXPECT_EQ(r.out, "error: 9\nexit\n");

  EndingScope ending;  // while ending the array is left alone
  auto s = strings({"a", "b"});
  EXPECT_EQ(s.remove(5), 2);
  EXPECT_STREQ(s.at(1).c_str(), "b");
}

TEST(BasicArrayRemove, TwoDimensionsKeepTheirSlots) {
  BasicArray<BasicString> a;
  a.dim(3, 2, 0, 0);
  for (int k = 0; k < 3; ++k)
    for (int j = 0; j < 2; ++j) a.at2(k, j).assign_cstr((std::to_string(k) + std::to_string(j)).c_str());
  EXPECT_EQ(a.remove(1), 2);
  EXPECT_EQ(a.stride1, 3);
  EXPECT_EQ(a.count, 5);
  EXPECT_STREQ(a.at2(1, 0).c_str(), "20");
  EXPECT_STREQ(a.at2(1, 1).c_str(), "21");
  const char* slots[] = {"00", "20", "20", "01", "21", "21"};
  for (int s = 0; s < 6; ++s) EXPECT_STREQ(a.data[s].c_str(), slots[s]) << s;
}

// ---- sort ----------------------------------------------------------------

// Compare routines answer -1, 0 or 1: the sort's test rejects larger
// results for the first two elements.
template <class N>
double sign(N v) {
  return v < 0 ? -1 : v > 0 ? 1 : 0;
}

int g_calls = 0;

double by_key(Rec& a, Rec& b) {
  ++g_calls;
  return sign(a.key - b.key);
}

double by_number(double& a, double& b) { return sign(a - b); }

double by_text(BasicString& a, BasicString& b) { return sign(std::strcmp(a.c_str(), b.c_str())); }

// The sort exactly as the language defines it, written plainly: recursion on
// both parts, left part first. The array's sort must leave the same order.
void reference_quicksort(std::vector<Rec>& v, int first, int last) {
  int p = first, q = last;
  for (;;) {
    while (v[p].key < v[last].key && p < last) ++p;
    while (v[q].key > v[last].key && q < last) ++q;
    if (p > q) break;
    Rec t = v[p];
    v[p] = v[q];
    v[q] = t;
    ++p;
    --q;
    if (q < p) break;
  }
  if (first < q) reference_quicksort(v, first, q);
  if (p < last) reference_quicksort(v, p, last);
}

TEST(BasicArraySort, EqualElementsEndInTheLanguagesOrder) {
  BasicArray<Rec> a;
  for (int t = 1; t <= 3; ++t) a.push(Rec(7, t));
  a.sort(by_key);
  EXPECT_EQ(a.at(0).tag, 3);
  EXPECT_EQ(a.at(1).tag, 2);
  EXPECT_EQ(a.at(2).tag, 1);

  std::mt19937 rng(12345);
  for (int round = 0; round < 50; ++round) {
    int n = 2 + int(rng() % 300);
    std::vector<Rec> want;
    BasicArray<Rec> by_routine, by_first;
    for (int k = 0; k < n; ++k) {
      Rec r(int(rng() % 6) - 3, k);  // many equal keys
      want.push_back(r);
      by_routine.push(r);
      by_first.push(r);
    }
    reference_quicksort(want, 0, n - 1);
    by_routine.sort(by_key);
    by_first.sort(nullptr);
    for (int k = 0; k < n; ++k) {
      ASSERT_EQ(by_routine.at(k).tag, want[k].tag) << "round " << round << " pos " << k;
      ASSERT_EQ(by_first.at(k).tag, want[k].tag) << "round " << round << " pos " << k;
    }
  }
}

TEST(BasicArraySort, OrdersNumbersAndStrings) {
  BasicArray<double> d;
  for (double v : {3.0, 1.0, 2.0}) d.push(v);
  d.sort(by_number);
  EXPECT_EQ(d.at(0), 1.0);
  EXPECT_EQ(d.at(1), 2.0);
  EXPECT_EQ(d.at(2), 3.0);

  auto s = strings({"pear", "apple", "fig", "apple"});
  s.sort(by_text);
  EXPECT_STREQ(s.at(0).c_str(), "apple");
  EXPECT_STREQ(s.at(2).c_str(), "fig");
  EXPECT_STREQ(s.at(3).c_str(), "pear");
}

TEST(BasicArraySort, FewerThanTwoElementsCallNothing) {
  g_calls = 0;
  BasicArray<Rec> a;
  a.sort(by_key);
  a.push(Rec(1, 1));
  a.sort(by_key);
  EXPECT_EQ(g_calls, 0);
}

struct TestCase {
  double forward, backward;  // results for (element 0, element 1) and reversed
  bool error;
};
TestCase g_case;

double scripted(double& a, double& b) { return a < b ? g_case.forward : g_case.backward; }

TEST(BasicArraySort, CompareThatIsNotAntisymmetricRaisesFour) {
  const TestCase cases[] = {
      {1, 1, true}, {2, -2, true}, {-1, 1, false}, {0.5, -0.5, false}, {0.9, 0, false},
  };
  for (const TestCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.forward << " / " << c.backward);
    g_case = c;
    auto r = run_in_child([] {
      BasicArray<double> d;
      d.push(1);
      d.push(2);
      d.sort(scripted);
      std::printf("sorted\n");
    });
    EXPECT_EQ(r.out, c.error ? "error: 4\nexit\n" : "sorted\n");
  }
}

double always_before(Rec&, Rec&) { return -1; }

TEST(BasicArraySort, WildCompareWhileEndingStaysInsideTheBlock) {
  EndingScope ending;
  BasicArray<Rec> a;
  for (int k = 0; k < 200; ++k) a.push(Rec(k % 7, k));
  a.sort(always_before);
  EXPECT_EQ(qvl_err_state.last_error, 4);
  std::vector<bool> seen(200);
  for (int k = 0; k < 200; ++k) seen[a.at(k).tag] = true;
  for (int k = 0; k < 200; ++k) EXPECT_TRUE(seen[k]) << k;
}

TEST(BasicArraySort, HundredThousandSortedNumbersKeepTheStackSmall) {
  BasicArray<Rec> a;
  const int n = 100000;
  a.dim(n, 0, 0, 0);
  for (int k = 0; k < n; ++k) a.at(k) = Rec(k, k);
  a.sort(nullptr);
  for (int k = 0; k < n; ++k) ASSERT_EQ(a.at(k).key, k);
}

}  // namespace
