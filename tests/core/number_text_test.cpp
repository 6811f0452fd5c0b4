#include "core/number_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "tests/support/basic_string_text.h"

namespace {

using qvl_test::bytes;
using qvl_test::str;

std::string double_text(double v) {
  BasicString s;
  s.init_double(v);
  return str(s);
}


TEST(NumberText, Integers) {
  struct Case { int64_t v; const char* text; };
  const Case ints[] = {{0, "0"}, {7, "7"}, {-1, "-1"}, {INT_MAX, "2147483647"},
                       {INT_MIN, "-2147483648"}};
  for (const Case& c : ints) {
    BasicString s;
    s.init_int(static_cast<int>(c.v));
    EXPECT_EQ(str(s), c.text);
  }
  const Case int64s[] = {{0, "0"},
                         {INT64_MAX, "9223372036854775807"},
                         {INT64_MIN, "-9223372036854775808"},
                         {-10, "-10"}};
  for (const Case& c : int64s) {
    BasicString s;
    s.init_int64(c.v);
    EXPECT_EQ(str(s), c.text);
  }
}

TEST(NumberText, DoublesUseTheCompactTenDigitForm) {
  struct Case { double v; const char* text; };
  const Case cases[] = {
      {1.0, "1"},
      {100.0, "100"},
      {0.5, "0.5"},
      {-2.5, "-2.5"},
      {1.0 / 3, "0.3333333333"},
      {2.0 / 3, "0.6666666667"},
      {1234567890.0, "1234567890"},
      {9999999999.4, "9999999999"},
      {9999999999.5, "1.e+010"},  // rounding carries into a new digit
      {0.05, "5.e-002"},
      {0.1, "0.1"},
      {0.099999999996, "0.1"},
      {10000000000.0, "1.e+010"},
      {123456789012.0, "1.23456789e+011"},
      {-1.5e-7, "-1.5e-007"},
      {1e100, "1.e+100"},
      {1.7976931348623157e308, "1.797693135e+308"},
      {4.9406564584124654e-324, "4.940656458e-324"},
      {0.0, "0"},
      {-0.0, "-0"},
      {12.0, "12"},
      {1.25, "1.25"},
      // An exact half of the 10th digit goes away from zero.
      {1234567890.5, "1234567891"},
      {12345678.125, "12345678.13"},
      {-12345678.125, "-12345678.13"},
      {1234567891.5, "1234567892"},
  };
  for (const Case& c : cases) EXPECT_EQ(double_text(c.v), c.text) << c.v;
}

TEST(NumberText, FloatsAreWidenedFirst) {
  BasicString s;
  s.init_float(0.1f);
  EXPECT_EQ(str(s), "0.1000000015");
  s.release();
  s.init_float(0.5f);
  EXPECT_EQ(str(s), "0.5");
}

TEST(NumberText, NotANumberAndInfinityTexts) {
  const double inf = std::numeric_limits<double>::infinity();
  const double qnan = std::numeric_limits<double>::quiet_NaN();
  volatile double zero = 0.0;
  EXPECT_EQ(double_text(inf), "1.#INF");
  EXPECT_EQ(double_text(-inf), "-1.#INF");
  EXPECT_EQ(double_text(qnan), "1.#QNAN");
  EXPECT_EQ(double_text(-qnan), "-1.#IND");  // the x86 default NaN
  EXPECT_EQ(double_text(std::copysign(std::nan("1"), -1.0)), "-1.#QNAN");
  EXPECT_EQ(double_text(zero / zero), "-1.#IND");
  EXPECT_EQ(double_text(std::numeric_limits<double>::signaling_NaN()), "1.#SNAN");
}

TEST(NumberText, Int64InAnyBase) {
  struct Case { int64_t v; int base; const char* text; };
  const Case cases[] = {
      {-1, 16, "ffffffffffffffff"}, {-255, 10, "-255"}, {35, 36, "z"},
      {5, 2, "101"}, {0, 8, "0"}, {INT64_MIN, 10, "-9223372036854775808"},
      {INT64_MIN, 2, "1000000000000000000000000000000000000000000000000000000000000000"},
      {10, 1, ""}, {10, 37, ""}, {10, 0, ""}, {10, -16, ""},
  };
  for (const Case& c : cases) {
    char buffer[65];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_STREQ(qvl_fmt_int64_base(c.v, buffer, c.base), c.text)
        << c.v << " base " << c.base;
  }
}

TEST(NumberText, HexOfTheIntPattern) {
  EXPECT_EQ(str(qvl_fmt_int_hex(255)), "ff");
  EXPECT_EQ(str(qvl_fmt_int_hex(-1)), "ffffffff");
  EXPECT_EQ(str(qvl_fmt_int_hex(0)), "0");
}

TEST(NumberText, FixedWidthFormats) {
  EXPECT_EQ(str(qvl_fmt_fixed_double(8, 2, 3.14159)), "    3.14");
  EXPECT_EQ(str(qvl_fmt_fixed_double(-8, 2, 3.14159)), "3.14    ");
  // Rounded from 17 digits, an exact half away from zero; zeros past them.
  struct Case { double decimals, value; const char* text; };
  const Case fixed[] = {
      {0, 2.5, "3"},          {0, -2.5, "-3"},         {0, 0.5, "1"},
      {0, 0.4, "0"},          {2, 0.125, "0.13"},      {2, 1.005, "1.00"},
      {1, 9.96, "10.0"},      {2, 0.0, "0.00"},        {1, -0.0, "-0.0"},
      {2, 123.456, "123.46"}, {3, 1e-5, "0.000"},      {0, 1e20, "100000000000000000000"},
      {20, 0.1, "0.10000000000000001000"},
  };
  for (const Case& c : fixed)
    EXPECT_EQ(str(qvl_fmt_fixed_double(0, c.decimals, c.value)), c.text) << c.value;
  EXPECT_EQ(str(qvl_fmt_fixed_double(1, 3, -0.0005)), "-0.001");
  EXPECT_EQ(str(qvl_fmt_fixed_double(6.9, 1.9, 1.0)), "   1.0");  // cut to int
  EXPECT_EQ(str(qvl_fmt_fixed_double(0, -2, 1.0)), "1.000000");
  EXPECT_EQ(str(qvl_fmt_fixed_int(4, 99, 7)), "   7");
  EXPECT_EQ(str(qvl_fmt_fixed_int(-4, 0, -7)), "-7  ");
  EXPECT_EQ(str(qvl_fmt_fixed_int(1, 0, 12345)), "12345");
  EXPECT_EQ(str(qvl_fmt_fixed_int64(21, 0, INT64_MIN)), " -9223372036854775808");
  EXPECT_EQ(str(qvl_fmt_int_width4(7)), "   7");
  EXPECT_EQ(str(qvl_fmt_int_width4(-12345)), "-12345");
}

TEST(NumberText, FixedWidthFormatsStayWithinTheScratchSize) {
  struct Case { BasicString s; size_t length; };
  const Case cases[] = {
      {qvl_fmt_fixed_double(1e9, 2, 1.0), 143},
      {qvl_fmt_fixed_double(-1e300, 2, 1.0), 143},
      {qvl_fmt_fixed_double(NAN, NAN, 1.0), 8},
      {qvl_fmt_fixed_double(8, 1e9, 1.0), 143},
      {qvl_fmt_fixed_double(0, 2, 1e300), 143},
      {qvl_fmt_fixed_int(1e12, 0, 1), 143},
      {qvl_fmt_fixed_int64(-1e12, 0, 1), 143},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(static_cast<size_t>(c.s.length), c.length) << str(c.s);
    EXPECT_EQ(std::strlen(c.s.text), c.length);
  }
  EXPECT_EQ(str(qvl_fmt_fixed_double(0, 2, 1e300)).substr(0, 4), "1000");
}

TEST(NumberText, HexEncode) {
  const unsigned char b[] = {0x00, 0xff, 0x1a};
  EXPECT_EQ(str(qvl_fmt_hex_encode(b, 3, false)), "00ff1a");
  EXPECT_EQ(str(qvl_fmt_hex_encode(b, 3, true)), "00FF1A");
  EXPECT_EQ(qvl_fmt_hex_encode(b, 0, false).length, 0);
  EXPECT_EQ(qvl_fmt_hex_encode(b, -4, true).length, 0);
}

TEST(NumberText, Atoi) {
  struct Case { const char* text; int v; };
  const Case cases[] = {
      {"42", 42}, {"  -17xyz", -17}, {"+8", 8}, {"\t\n\v\f\r 5", 5}, {"", 0},
      {"abc", 0}, {"0x1f", 0}, {"1e3", 1}, {"- 5", 0}, {"12.9", 12},
      {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
      {"99999999999999999999", INT_MAX}, {"-99999999999", INT_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(qvl_fmt_atoi(c.text), c.v) << c.text;
  EXPECT_EQ(qvl_fmt_atoi(nullptr), 0);
}

TEST(NumberText, AtofIsDecimalOnly) {
  struct Case { const char* text; double v; };
  const Case cases[] = {
      {"1.5", 1.5}, {"  -2.25e2x", -225.0}, {"1e3", 1000.0}, {".5", 0.5},
      {"5.", 5.0}, {"+.5e-1", 0.05}, {"1e", 1.0}, {"1e+", 1.0}, {"2E2", 200.0},
      {".", 0.0}, {"", 0.0}, {"abc", 0.0}, {"0x10", 0.0}, {"inf", 0.0},
      {"nan", 0.0}, {"infinity", 0.0}, {"1,5", 1.0}, {"0.1", 0.1},
      {"1e400", HUGE_VAL}, {"-1e400", -HUGE_VAL}, {"1e-400", 0.0},
      {"123456789012345678901234567890", 1.2345678901234568e29},
      {"0.000000000000000000000000000000000000001e400", HUGE_VAL},
      {"100000000000000000000e-420", 0.0}, {"100000000000000000000e-325", 1e-305},
  };
  for (const Case& c : cases) EXPECT_EQ(qvl_fmt_atof(c.text), c.v) << c.text;
  EXPECT_TRUE(std::signbit(qvl_fmt_atof("-0")));
}

TEST(NumberText, ParseInt64) {
  struct Case { const char* text; int64_t v; };
  const Case cases[] = {
      {" -42x", -42}, {"+7", 7}, {"abc", 0}, {"", 0},
      {"9223372036854775807", INT64_MAX}, {"-9223372036854775808", INT64_MIN},
      {"18446744073709551616", 0},  // wraps modulo 2^64
      {"4294967296", 4294967296LL},
  };
  for (const Case& c : cases) EXPECT_EQ(qvl_fmt_parse_int64(c.text), c.v) << c.text;
}

TEST(NumberText, HexByte) {
  EXPECT_EQ(qvl_fmt_hex_byte('f', 'F'), 255);
  EXPECT_EQ(qvl_fmt_hex_byte('0', '9'), 9);
  EXPECT_EQ(qvl_fmt_hex_byte('A', '0'), 160);
  EXPECT_EQ(qvl_fmt_hex_byte('g', '0'), 'g' * 16);  // unchecked
}

TEST(NumberText, UrlEncode) {
  struct Case { std::string in; const char* out; };
  const Case cases[] = {
      {"a b", "a%20b"}, {"Az09", "Az09"}, {"-._~", "%2d%2e%5f%7e"},
      {"\xe9", "%c3%a9"}, {"\x80\xbf\xc0", "%c2%80%c2%bf%c3%80"},
      {std::string("a\0b", 3), "a%00b"}, {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(str(qvl_fmt_url_encode(bytes(c.in))), c.out) << c.in;
}

TEST(NumberText, UrlDecode) {
  struct Case { std::string in; std::string out; };
  const Case cases[] = {
      {"a+b%41", "a bA"}, {"%zz1", "z1"}, {"%4", ""}, {"%", ""}, {"%4g", "g"},
      {"x%", "x"}, {"%c3%a9", "\xe9"}, {"%e9", ""}, {"%41%4", "A"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(str(qvl_fmt_url_decode(bytes(c.in))), c.out) << c.in;
}

TEST(NumberText, UrlDecodeReadsNothingPastTheEnd) {
  // The text's bytes sit at the very end of an exact buffer; a read past
  // the length would be caught by the address sanitizer.
  for (const char* tail : {"%", "%4", "%41"}) {
    BasicString s;
    s.assign_cstr_exact(tail);
    s.text[s.length] = '4';  // no NUL for a scan to stop at
    BasicString out = qvl_fmt_url_decode(s);
    s.text[s.length] = 0;
    EXPECT_LE(out.length, 1) << tail;
  }
}

TEST(NumberText, Utf8FoldsToSingleBytes) {
  struct Case { std::string in; std::string out; };
  const Case cases[] = {
      {"\xc3\xa9", "\xe9"},
      {"a\xc3", "a"},                      // lead byte without its follower
      {"\xe2\x82\xac", "\xac"},            // U+20AC keeps its low 8 bits
      {"\xf0\x9f\x98\x80", "\xb0"},        // four-byte form, shifted by 0x50
      {"\x80x\xff", "x"},                  // stray bytes dropped
      {"\xe2\x82", ""},
      {std::string("\0z", 2), std::string("\0z", 2)},
  };
  for (const Case& c : cases) {
    BasicString s = bytes(c.in);
    EXPECT_EQ(str(qvl_fmt_utf8_to_8bit(s)), c.out);
  }
}

}  // namespace
