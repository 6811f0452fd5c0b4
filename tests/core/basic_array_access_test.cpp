// Element access, bound query and the bounds report of BasicArray<T>.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/basic_array.h"
#include "tests/core/array_test_types.h"
#include "tests/support/child_process.h"

using array_test::EndingScope;
using array_test::Rec;
using qvl_test::run_in_child;

namespace {

TEST(BasicArrayAccess, StartsEmptyWithTheFixedRecord) {
  BasicArray<Rec> a;
  EXPECT_EQ(a.data, nullptr);
  EXPECT_EQ(a.size1 | a.size2 | a.size3 | a.size4 | a.count | a.dim_count | a.capacity, 0);
  EXPECT_EQ(sizeof(BasicArray<BasicString>), 48u);
}

TEST(BasicArrayAccess, AddressesSlotsFirstIndexFastest) {
  BasicArray<int> a;
  a.dim(4, 3, 0, 0);
  for (int s = 0; s < 12; ++s) a.data[s] = s;
  EXPECT_EQ(a.at2(2, 2), 10);
  EXPECT_EQ(a.at(2), 2);  // (2, 0)
  EXPECT_EQ(a.at(-1), 3);
  EXPECT_EQ(a.at(-4), 0);

  BasicArray<int> b;
  b.dim(2, 3, 4, 5);
  for (int s = 0; s < 120; ++s) b.data[s] = s;
  EXPECT_EQ(b.at4(1, 2, 3, 4), 1 + 2 * 2 + 3 * 6 + 4 * 24);
  EXPECT_EQ(b.at2_strict(1, 2), 5);

  BasicArray<int> one;
  one.dim(5, 0, 0, 0);
  one.data[3] = 33;
  EXPECT_EQ(one.at2(3, 0), 33);  // a missing dimension takes index 0
}

TEST(BasicArrayAccess, BoundGivesTheFourSizes) {
  BasicArray<double> a;
  a.dim(2, 3, 4, 5);
  EXPECT_EQ(a.bound(0), 2);
  EXPECT_EQ(a.bound(1), 3);
  EXPECT_EQ(a.bound(2), 4);
  EXPECT_EQ(a.bound(3), 5);
  EXPECT_EQ(a.bound(4), 0);
  EXPECT_EQ(a.bound(-1), 0);
}

struct ReportCase {
  const char* name;
  std::function<void()> access;
  std::string err;  // what standard error must hold
};

std::string lines(const std::string& bounds, const std::string& access, int times = 1) {
  std::string one = "bounds: " + bounds + "\naccess: " + access + "\n";
  std::string all;
  for (int t = 0; t < times; ++t) all += one;
  return all;
}

TEST(BasicArrayAccess, BadIndexReportsRaisesNineAndEnds) {
  const ReportCase cases[] = {
      {"past the end", [] { BasicArray<int> a; a.dim(10, 0, 0, 0); a.at(10); },
       lines("[  10]", "[  10]")},
      {"index 12", [] { BasicArray<double> a; a.dim(10, 0, 0, 0); a.at(12); },
       lines("[  10]", "[  12]")},
      {"negative beyond size", [] { BasicArray<int> a; a.dim(10, 0, 0, 0); a.at(-11); },
       lines("[  10]", "[  -1]")},
      {"never dimensioned", [] { BasicArray<BasicString> a; a.at(0); },
       lines("[   0]", "[   0]")},
      {"dimensioned to 0", [] { BasicArray<int> a; a.dim(0, 0, 0, 0); a.at(0); },
       lines("[   0]", "[   0]")},
      {"second index on 1-D", [] { BasicArray<int> a; a.dim(5, 0, 0, 0); a.at2(3, 1); },
       lines("[   5]", "[   3]")},
      {"2-D", [] { BasicArray<Rec> a; a.dim(5, 3, 0, 0); a.at2(7, 1); },
       lines("[   5][   3]", "[   7][   1]")},
      {"at on 2-D lists both", [] { BasicArray<int> a; a.dim(10, 3, 0, 0); a.at(12); },
       lines("[  10][   3]", "[  12][   0]")},
      {"wide index in full", [] { BasicArray<int> a; a.dim(10, 0, 0, 0); a.at(12345); },
       lines("[  10]", "[12345]")},
      {"at2_strict reports thrice",
       [] { BasicArray<int> a; a.dim(4, 2, 0, 0); a.at2_strict(1, 2); },
       lines("[   4][   2]", "[   1][   2]", 3)},
      {"4-D number array lists two dimensions",
       [] { BasicArray<int> a; a.dim(2, 3, 4, 5); a.at4(1, 1, 4, 0); },
       lines("[   2][   3]", "[   1][   1]", 3)},
      {"4-D byte array lists four",
       [] { BasicArray<unsigned char> a; a.dim(2, 3, 4, 5); a.at4(1, 2, 3, 7); },
       lines("[   2][   3][   4][   5]", "[   1][   2][   0][   0]") +
           lines("[   2][   3][   4][   5]", "[   1][   2][   3][   0]") +
           lines("[   2][   3][   4][   5]", "[   1][   2][   3][   7]")},
      {"negative used size fails",
       [] { BasicArray<int> a; a.dim(5, -2, 0, 0); a.at2(0, 0); },
       lines("[   5]", "[   0]")},
  };
  for (const ReportCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto r = run_in_child([&] {
      c.access();
      std::printf("returned\n");
    });
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "error: 9\nexit\n");
    EXPECT_EQ(r.exit_status, 9);  // the shell sees the failure
    EXPECT_EQ(r.signal, 0);  // ended through END, not by a crash
  }
}

TEST(BasicArrayAccess, ByteReportNestsOnlyUsedDimensions) {
  auto r = run_in_child([] {
    BasicArray<unsigned char> a;
    a.dim(4, 3, 2, 0);
    a.report_bounds(1, 5, 0, 0);
    BasicArray<unsigned char> b;
    b.dim(4, 0, 2, 0);  // no second size: the third is not listed either
    b.report_bounds(1, 0, 1, 0);
  });
  EXPECT_EQ(r.err, lines("[   4][   3][   2]", "[   1][   5][   0]") +
                       lines("[   4]", "[   1]"));
  EXPECT_EQ(r.out, "");  // the report alone raises nothing
}

TEST(BasicArrayAccess, WhileEndingBadAccessReturnsOneFallbackPerForm) {
  EndingScope ending;
  BasicArray<Rec> a;
  Rec& first = a.at(3);
  EXPECT_EQ(first.key, 0);
  EXPECT_EQ(first.tag, -1);  // built by the record's constructor
  first.key = 42;
  Rec& again = a.at(-7);
  EXPECT_EQ(&again, &first);
  EXPECT_EQ(again.key, 42);
  EXPECT_EQ(&a.at_first(), &first);
  EXPECT_NE(&a.at2(0, 1), &first);
  EXPECT_EQ(qvl_err_state.last_error, 9);

  BasicArray<BasicString> s;
  EXPECT_TRUE(s.at(0).empty());

  BasicArray<int> n;
  int& strict = n.at2_strict(0, 1);
  strict = 5;
  EXPECT_EQ(n.at4(0, 1, 0, 0), 0);  // each form keeps its own fallback
  EXPECT_EQ(n.at2_strict(1, 1), 5);
}

}  // namespace
