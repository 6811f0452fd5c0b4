#include "core/string_ops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "core/number_text.h"
#include "tests/support/basic_string_text.h"

namespace {

using qvl_test::bytes;
using qvl_test::str;


// The six members of one operand pair, in the order eq ne lt le gt ge.
#define QVL_SIX(l, r)                                                 \
  {                                                                   \
    qvl_str_eq_##l##_##r, qvl_str_ne_##l##_##r, qvl_str_lt_##l##_##r, \
        qvl_str_le_##l##_##r, qvl_str_gt_##l##_##r, qvl_str_ge_##l##_##r \
  }

template <typename T>
bool reference(int op, T a, T b) {
  switch (op) {
    case 0: return a == b;
    case 1: return a != b;
    case 2: return a < b;
    case 3: return a <= b;
    case 4: return a > b;
    default: return a >= b;
  }
}

const char* const kTexts[] = {"", "0", "5", " 12abc", "-3", "1e3", "0.5",
                              "0.1", "4294967296", "abc", "nan", "7.25"};

// Every member with a number on one side against the rule: the text read
// as the number's kind, the operator applied with the text on its side.
TEST(StringOps, NumberWithTextMembersCompareAsNumbers) {
  using IntCstr = bool (*)(int, const char*);
  using IntStr = bool (*)(int, const BasicString&);
  using CstrInt = bool (*)(const char*, int);
  using StrInt = bool (*)(const BasicString&, int);
  const IntCstr int_cstr[] = QVL_SIX(int, cstr);
  const IntStr int_str[] = QVL_SIX(int, str);
  const CstrInt cstr_int[] = QVL_SIX(cstr, int);
  const StrInt str_int[] = QVL_SIX(str, int);
  using L64Cstr = bool (*)(int64_t, const char*);
  using L64Str = bool (*)(int64_t, const BasicString&);
  using CstrL64 = bool (*)(const char*, int64_t);
  using StrL64 = bool (*)(const BasicString&, int64_t);
  const L64Cstr int64_cstr[] = QVL_SIX(int64, cstr);
  const L64Str int64_str[] = QVL_SIX(int64, str);
  const CstrL64 cstr_int64[] = QVL_SIX(cstr, int64);
  const StrL64 str_int64[] = QVL_SIX(str, int64);
  using FCstr = bool (*)(float, const char*);
  using FStr = bool (*)(float, const BasicString&);
  using CstrF = bool (*)(const char*, float);
  using StrF = bool (*)(const BasicString&, float);
  const FCstr float_cstr[] = QVL_SIX(float, cstr);
  const FStr float_str[] = QVL_SIX(float, str);
  const CstrF cstr_float[] = QVL_SIX(cstr, float);
  const StrF str_float[] = QVL_SIX(str, float);
  using DCstr = bool (*)(double, const char*);
  using DStr = bool (*)(double, const BasicString&);
  using CstrD = bool (*)(const char*, double);
  using StrD = bool (*)(const BasicString&, double);
  const DCstr double_cstr[] = QVL_SIX(double, cstr);
  const DStr double_str[] = QVL_SIX(double, str);
  const CstrD cstr_double[] = QVL_SIX(cstr, double);
  const StrD str_double[] = QVL_SIX(str, double);

  const double numbers[] = {0, 5, 12, -3, 1000, 0.5, 0.1, 4294967296.0, NAN};
  for (const char* t : kTexts) {
    const BasicString s(t);
    const int ti = qvl_fmt_atoi(t);
    const int64_t tl = qvl_fmt_parse_int64(t);
    const double td = qvl_fmt_atof(t);
    for (double x : numbers) {
      const int xi = std::isnan(x) || x > 1e9 ? 7 : static_cast<int>(x);
      const int64_t xl = std::isnan(x) ? 7 : static_cast<int64_t>(x);
      const float xf = static_cast<float>(x);
      for (int op = 0; op < 6; ++op) {
        SCOPED_TRACE(testing::Message() << "text '" << t << "' number " << x
                                        << " op " << op);
        EXPECT_EQ(int_cstr[op](xi, t), reference(op, xi, ti));
        EXPECT_EQ(int_str[op](xi, s), reference(op, xi, ti));
        EXPECT_EQ(cstr_int[op](t, xi), reference(op, ti, xi));
        EXPECT_EQ(str_int[op](s, xi), reference(op, ti, xi));
        EXPECT_EQ(int64_cstr[op](xl, t), reference(op, xl, tl));
        EXPECT_EQ(int64_str[op](xl, s), reference(op, xl, tl));
        EXPECT_EQ(cstr_int64[op](t, xl), reference(op, tl, xl));
        EXPECT_EQ(str_int64[op](s, xl), reference(op, tl, xl));
        EXPECT_EQ(float_cstr[op](xf, t), reference(op, double{xf}, td));
        EXPECT_EQ(float_str[op](xf, s), reference(op, double{xf}, td));
        EXPECT_EQ(cstr_float[op](t, xf), reference(op, td, double{xf}));
        EXPECT_EQ(str_float[op](s, xf), reference(op, td, double{xf}));
        EXPECT_EQ(double_cstr[op](x, t), reference(op, x, td));
        EXPECT_EQ(double_str[op](x, s), reference(op, x, td));
        EXPECT_EQ(cstr_double[op](t, x), reference(op, td, x));
        EXPECT_EQ(str_double[op](s, x), reference(op, td, x));
      }
    }
  }
}

// Every member with texts on both sides: strcmp order up to the first NUL,
// except eq with a str operand, which compares every stored byte.
TEST(StringOps, TextWithTextMembersCompareBytes) {
  using CC = bool (*)(const char*, const char*);
  using CS = bool (*)(const char*, const BasicString&);
  using SC = bool (*)(const BasicString&, const char*);
  using SS = bool (*)(const BasicString&, const BasicString&);
  const CC cstr_cstr[] = QVL_SIX(cstr, cstr);
  const CS cstr_str[] = QVL_SIX(cstr, str);
  const SC str_cstr[] = QVL_SIX(str, cstr);
  const SS str_str[] = QVL_SIX(str, str);
  const char* const texts[] = {"", "a", "ab", "abc", "b", "B", "\xe9"};
  for (const char* a : texts) {
    for (const char* b : texts) {
      const BasicString sa(a), sb(b);
      const int order = std::strcmp(a, b);
      for (int op = 0; op < 6; ++op) {
        SCOPED_TRACE(testing::Message() << "'" << a << "' '" << b << "' op " << op);
        const bool want = reference(op, order, 0);
        EXPECT_EQ(cstr_cstr[op](a, b), want);
        EXPECT_EQ(cstr_str[op](a, sb), want);
        EXPECT_EQ(str_cstr[op](sa, b), want);
        EXPECT_EQ(str_str[op](sa, sb), want);
      }
    }
  }
}

TEST(StringOps, EmbeddedNulIsSeenOnlyByEqWithAStr) {
  const BasicString abnc = bytes(std::string("ab\0c", 4));
  const BasicString ab("ab");
  EXPECT_FALSE(qvl_str_eq_str_cstr(abnc, "ab"));
  EXPECT_FALSE(qvl_str_eq_cstr_str("ab", abnc));
  EXPECT_FALSE(qvl_str_eq_str_str(abnc, ab));
  EXPECT_FALSE(qvl_str_ne_str_cstr(abnc, "ab"));
  EXPECT_FALSE(qvl_str_ne_str_str(abnc, ab));
  EXPECT_FALSE(qvl_str_lt_str_str(ab, abnc));
  const BasicString abnd = bytes(std::string("ab\0d", 4));
  EXPECT_FALSE(qvl_str_eq_str_str(abnc, abnd));
  EXPECT_TRUE(qvl_str_eq_str_str(abnc, bytes(std::string("ab\0c", 4))));
}

TEST(StringOps, NumbersAgainstTextEdgeCases) {
  EXPECT_TRUE(qvl_str_eq_int_cstr(12, "12abc"));
  EXPECT_TRUE(qvl_str_eq_int_cstr(12, "   12"));
  EXPECT_TRUE(qvl_str_eq_int_cstr(0, "no digits"));
  EXPECT_TRUE(qvl_str_eq_double_cstr(1000.0, "1e3"));
  EXPECT_FALSE(qvl_str_eq_int_cstr(1000, "1e3"));
  EXPECT_TRUE(qvl_str_eq_float_cstr(0.5f, "0.5"));
  EXPECT_FALSE(qvl_str_eq_float_cstr(0.1f, "0.1"));
  EXPECT_TRUE(qvl_str_eq_double_cstr(0.1, "0.1"));
  EXPECT_TRUE(qvl_str_lt_int64_cstr(-1, "0"));
  EXPECT_TRUE(qvl_str_gt_int64_cstr(int64_t{1} << 32, "4294967295"));
  EXPECT_TRUE(qvl_str_eq_str_cstr(BasicString(), ""));
  EXPECT_TRUE(qvl_str_le_cstr_cstr("", "a"));
  EXPECT_TRUE(qvl_str_eq_cstr_cstr(nullptr, ""));
  EXPECT_TRUE(qvl_str_eq_str_cstr(BasicString(), nullptr));
  EXPECT_TRUE(qvl_str_eq_int_cstr(0, nullptr));
  const double nan = std::nan("");
  EXPECT_FALSE(qvl_str_eq_double_cstr(nan, "0"));
  EXPECT_FALSE(qvl_str_le_cstr_double("0", nan));
  EXPECT_TRUE(qvl_str_ne_str_double(BasicString("0"), nan));
}

TEST(StringOps, Concatenation) {
  const BasicString a("a");
  const BasicString nul = bytes(std::string("x\0y", 3));
  struct Case { BasicString got; std::string want; };
  const Case cases[] = {
      {qvl_str_concat_double_cstr(1.5, "x"), "1.5x"},
      {qvl_str_concat_double_cstr(2.0, "x"), "2x"},
      {qvl_str_concat_int_str(-3, a), "-3a"},
      {qvl_str_concat_int_cstr(0, ""), "0"},
      {qvl_str_concat_int64_cstr(INT64_MIN, "!"), "-9223372036854775808!"},
      {qvl_str_concat_int64_str(5, nul), std::string("5x\0y", 4)},
      {qvl_str_concat_float_cstr(0.1f, ""), "0.1000000015"},
      {qvl_str_concat_float_str(0.5f, a), "0.5a"},
      {qvl_str_concat_double_str(1e10, a), "1.e+010a"},
      {qvl_str_concat_cstr_cstr("ab", "cd"), "abcd"},
      {qvl_str_concat_cstr_cstr(nullptr, nullptr), ""},
      {qvl_str_concat_cstr_str("p", nul), std::string("px\0y", 4)},
      {qvl_str_concat_cstr_int("n", -7), "n-7"},
      {qvl_str_concat_cstr_int64("n", 1LL << 40), "n1099511627776"},
      {qvl_str_concat_cstr_float("f", 0.25f), "f0.25"},
      {qvl_str_concat_cstr_double("d", 0.05), "d5.e-002"},
      {qvl_str_concat_str_cstr(nul, "z"), std::string("x\0yz", 4)},
      {qvl_str_concat_str_str(nul, nul), std::string("x\0yx\0y", 6)},
      {qvl_str_concat_str_int(a, 12), "a12"},
      {qvl_str_concat_str_int64(a, -1), "a-1"},
      {qvl_str_concat_str_float(a, 1.0f), "a1"},
      {qvl_str_concat_str_double(a, 1.0 / 3), "a0.3333333333"},
  };
  for (const Case& c : cases) EXPECT_EQ(str(c.got), c.want);
  BasicString empty = qvl_str_concat_cstr_str("", BasicString());
  EXPECT_TRUE(empty.is_shared_empty());
}

TEST(StringOps, ThreeWayComparisons) {
  EXPECT_EQ(BasicString("abc").compare_double(0.0), 0);
  EXPECT_EQ(BasicString("5").compare_int(7), -1);
  EXPECT_EQ(BasicString("9").compare_int(7), 1);
  EXPECT_EQ(BasicString(" 7x").compare_int(7), 0);
  EXPECT_EQ(BasicString("2.5").compare_double(2.4), 1);
  EXPECT_EQ(BasicString("nan").compare_double(std::nan("")), 0);
  EXPECT_LT(BasicString("abc").compare_text("abd"), 0);
  EXPECT_GT(BasicString("b").compare_text(""), 0);
  EXPECT_EQ(BasicString("same").compare_text("same"), 0);
  EXPECT_GT(BasicString("x").compare_text(nullptr), 0);
}

}  // namespace
