#include "core/basic_string.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/basic_string_text.h"
#include "tests/support/child_process.h"

namespace {

using qvl_test::str;

// Checks the invariants every operation must leave behind.
void expect_valid(const BasicString& s) {
  ASSERT_NE(s.text, nullptr);
  EXPECT_EQ(s.text[s.length], 0);
  if (s.capacity == 0) {
    EXPECT_TRUE(s.is_shared_empty());
    EXPECT_EQ(s.length, 0);
  } else {
    EXPECT_FALSE(s.is_shared_empty());
    EXPECT_LT(static_cast<uint32_t>(s.length), s.capacity);
  }
}

TEST(BasicString, EmptyStringsShareTheEmptyTextAndAllocateNothing) {
  BasicString a, b(""), c(static_cast<const char*>(nullptr)), d(a);
  for (const BasicString* s : {&a, &b, &c, &d}) {
    expect_valid(*s);
    EXPECT_TRUE(s->is_shared_empty());
    EXPECT_EQ(s->capacity, 0u);
  }
}

TEST(BasicString, CapacityFollowsTheSixteenByteRule) {
  struct Case { int n; uint32_t capacity; };
  const Case cases[] = {{0, 16}, {14, 16}, {15, 32}, {100, 112}, {1023, 1040}};
  for (const Case& c : cases) {
    BasicString s;
    s.reserve(c.n, false);
    EXPECT_EQ(s.capacity, c.capacity) << "n = " << c.n;
    expect_valid(s);
  }
  BasicString s;
  s.reserve(15, false);
  char* before = s.text;
  s.reserve(3, false);  // smaller: nothing changes
  EXPECT_EQ(s.capacity, 32u);
  EXPECT_EQ(s.text, before);
}

TEST(BasicString, ReserveKeepsTheTextOnlyWhenAsked) {
  BasicString s("hello");
  s.reserve(40, true);
  EXPECT_EQ(str(s), "hello");
  EXPECT_EQ(s.capacity, 48u);
  s.reserve(100, false);
  EXPECT_STREQ(s.text, "");  // the caller sets the length itself
  EXPECT_EQ(s.length, 5);
}

TEST(BasicString, NegativeReserveDoesNothing) {
  for (int n : {-1, -2, -100, INT_MIN}) {
    BasicString s("abc");
    uint32_t capacity = s.capacity;
    s.reserve(n, true);
    s.grow(n, false);
    EXPECT_EQ(s.capacity, capacity);
    EXPECT_EQ(str(s), "abc");
  }
  BasicString empty;
  empty.reserve(-5, false);
  EXPECT_TRUE(empty.is_shared_empty());
}

TEST(BasicString, GrowWithZeroDoesNothing) {
  BasicString s;
  s.grow(0, false);
  EXPECT_TRUE(s.is_shared_empty());
  s.grow(1, false);
  EXPECT_EQ(s.capacity, 16u);
}

TEST(BasicString, OsBufferIs1040BytesUnlessAlreadyLarger) {
  BasicString s;
  s.reserve(1000, false);  // capacity 1008
  s.reserve_os_buffer(false);
  EXPECT_EQ(s.capacity, 1040u);
  s.reserve_os_buffer(false);
  EXPECT_EQ(s.capacity, 1040u);
  BasicString big;
  big.reserve(2000, false);
  big.reserve_os_buffer(false);
  EXPECT_EQ(big.capacity, 2016u);
  BasicString kept("keep me");
  kept.reserve_os_buffer(true);
  EXPECT_EQ(str(kept), "keep me");
}

TEST(BasicString, BufferZeroOnAnEmptyStringIsWritable) {
  BasicString s;
  char* p = s.buffer(0);
  EXPECT_NE(p, qvl_str_empty_text);
  EXPECT_GT(s.capacity, 0u);
  p[0] = 'x';
  p[1] = 0;
  s.sync_length();
  EXPECT_EQ(str(s), "x");
  EXPECT_EQ(qvl_str_empty_text[0], 0);
  BasicString t;
  EXPECT_NE(t.buffer(-3), qvl_str_empty_text);
}

TEST(BasicString, SyncLengthFindsTheFirstNulOrSacrificesTheLastByte) {
  BasicString s;
  char* p = s.buffer(3);
  std::memcpy(p, "abc", 4);
  s.sync_length();
  EXPECT_EQ(s.length, 3);

  std::memset(p, 'z', s.capacity);  // no NUL anywhere
  s.sync_length();
  EXPECT_EQ(s.length, 15);
  EXPECT_EQ(s.text[15], 0);

  p[0] = 0;
  s.sync_length();
  EXPECT_EQ(s.length, 0);
}

TEST(BasicString, TruncateOnlyShortens) {
  BasicString s("abcdef");
  for (int n : {6, 7, -1}) {
    s.truncate(n);
    EXPECT_EQ(str(s), "abcdef") << n;
  }
  uint32_t capacity = s.capacity;
  s.truncate(2);
  EXPECT_EQ(str(s), "ab");
  EXPECT_EQ(s.capacity, capacity);
}

TEST(BasicString, AssignReusesTheBufferAndHandlesSelf) {
  BasicString s("a long enough text");
  char* buffer = s.text;
  uint32_t capacity = s.capacity;
  s.assign(s);
  EXPECT_EQ(str(s), "a long enough text");
  s.assign(BasicString("short"));
  EXPECT_EQ(s.text, buffer);
  EXPECT_EQ(str(s), "short");
  s.assign(BasicString());
  EXPECT_EQ(s.text, buffer);
  EXPECT_EQ(s.capacity, capacity);
  EXPECT_EQ(s.length, 0);
  EXPECT_EQ(s.text[0], 0);
  expect_valid(s);
}

TEST(BasicString, CopiesKeepEmbeddedNulBytes) {
  BasicString s("ab");
  s.append_char('\0');
  EXPECT_EQ(s.length, 3);
  EXPECT_EQ(s.c_length(), 2);
  BasicString copy(s), assigned, appended("x");
  assigned = s;
  appended.append(s);
  EXPECT_EQ(str(copy), std::string("ab\0", 3));
  EXPECT_EQ(str(assigned), std::string("ab\0", 3));
  EXPECT_EQ(str(appended), std::string("xab\0", 4));
}

TEST(BasicString, AssignCstrFromInsideItself) {
  BasicString s("hello world");
  s.assign_cstr(s.text + 6);
  EXPECT_EQ(str(s), "world");
  s.assign_cstr(nullptr);
  EXPECT_TRUE(s.is_shared_empty());
}

TEST(BasicString, AssignCstrExactUsesExactCapacityAndMayReadItself) {
  BasicString s("key=value");
  s.assign_cstr_exact(s.text + 4);
  EXPECT_EQ(str(s), "value");
  EXPECT_EQ(s.capacity, 6u);
  s.assign_cstr_exact("");
  EXPECT_TRUE(s.is_shared_empty());
  s.assign_cstr_exact(nullptr);
  EXPECT_TRUE(s.is_shared_empty());
  // Later growth still works from an exact buffer.
  s.assign_cstr_exact("ab");
  s.append_cstr("cdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(str(s), "abcdefghijklmnopqrstuvwxyz");
  expect_valid(s);
}

TEST(BasicString, AppendingToItselfDoubles) {
  BasicString s("0123456789abc");  // capacity 16: appending must grow
  s.append(s);
  EXPECT_EQ(str(s), "0123456789abc0123456789abc");
  s.append_copy(s);
  EXPECT_EQ(s.length, 52);
  BasicString t("xyz0123456789");
  t.append_cstr(t.text);  // the source lies in the buffer being replaced
  EXPECT_EQ(str(t), "xyz0123456789xyz0123456789");
  t.append_cstr(t.text + 20);
  EXPECT_EQ(str(t), "xyz0123456789xyz0123456789456789");
  expect_valid(t);
}

TEST(BasicString, AppendCstrCountsToTheNul) {
  BasicString s;
  s.append_cstr(nullptr);
  s.append_cstr("");
  EXPECT_TRUE(s.is_shared_empty());
  s.append_cstr("ab\0cd");
  EXPECT_EQ(str(s), "ab");
}

TEST(BasicString, ByteByByteBuildingKeepsTheCapacityRule) {
  BasicString s;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    char c = static_cast<char>('a' + i % 26);
    s.append_char(c);
    expected += c;
    // It last grew when the length reached its old capacity.
    ASSERT_EQ(s.capacity, (static_cast<uint32_t>(s.length) & ~15u) + 16)
        << "length " << s.length;
  }
  EXPECT_EQ(str(s), expected);
  expect_valid(s);
}

TEST(BasicString, MoveLeavesTheSourceEmpty) {
  BasicString a("moving text");
  BasicString b(std::move(a));
  EXPECT_TRUE(a.is_shared_empty());  // NOLINT: the moved-from state is defined
  EXPECT_EQ(str(b), "moving text");
  BasicString c("old");
  c = std::move(b);
  EXPECT_EQ(str(c), "moving text");
  EXPECT_TRUE(b.is_shared_empty());  // NOLINT
}

TEST(BasicString, WideConversionsAreLatin1AndCut) {
  BasicString s;
  s.init_wide(L"ab\u00e9");
  EXPECT_EQ(str(s), "ab\xe9");
  s.assign_wide(L"x\u20acy");  // beyond Latin-1
  EXPECT_EQ(str(s), "x?y");
  s.assign_wide(nullptr);
  EXPECT_EQ(s.length, 0);

  BasicString text("h\xe9llo");
  EXPECT_EQ(std::wstring(text.to_wide()), L"h\u00e9llo");
  std::string long_text(600, 'q');
  BasicString big(long_text.c_str());
  EXPECT_EQ(std::wcslen(big.to_wide()), 511u);
}

TEST(BasicString, NumberConstructorsReserveTheirFixedSizes) {
  BasicString i, i64, d;
  i.init_int(-42);
  i64.init_int64(INT64_MIN);
  d.init_double(0.5);
  EXPECT_EQ(str(i), "-42");
  EXPECT_EQ(i.capacity, 16u);
  EXPECT_EQ(str(i64), "-9223372036854775808");
  EXPECT_EQ(i64.capacity, 64u);
  EXPECT_EQ(str(d), "0.5");
  EXPECT_EQ(d.capacity, 64u);
  BasicString s("n=");
  s.append_int(7);
  s.append_int64(-8);
  s.append_float(0.25f);
  s.append_double(1e10);
  EXPECT_EQ(str(s), "n=7-80.251.e+010");
}

TEST(BasicString, ReadsNumbersUpToTheFirstNul) {
  BasicString s(" 42");
  s.append_char('\0');
  s.append_cstr("9");
  EXPECT_EQ(s.to_int(), 42);
  EXPECT_EQ(s.to_int64(), 42);
  EXPECT_EQ(s.to_double(), 42.0);
}

TEST(BasicString, GrowingPastTheLargestLengthRaisesErrorSevenAndEnds) {
  auto r = qvl_test::run_in_child([] {
    // A hand-built record that claims a length near the limit; the append
    // must stop before it touches any memory.
    BasicString s;
    s.text = static_cast<char*>(std::malloc(32));
    s.capacity = 32;
    s.length = INT_MAX - 2;
    s.append_cstr("0123456789");
    std::puts("survived");
  });
  EXPECT_NE(r.out.find("error: 7\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("exit\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("survived"), std::string::npos);
  EXPECT_EQ(r.signal, 0);
}

}  // namespace
