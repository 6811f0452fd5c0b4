#include "core/string_commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "tests/support/basic_string_text.h"
#include "tests/support/child_process.h"

namespace {

using qvl_test::bytes;
using qvl_test::str;

TEST(StringCommands, SubstringAndPrefix) {
  const BasicString hello("hello");
  struct Case { int pos, n; const char* want; };
  for (const Case& c : {Case{1, 3, "ell"}, Case{1, -1, "ello"}, Case{1, 99, "ello"},
                        Case{5, 1, ""}, Case{-1, 2, ""}, Case{0, 0, ""}}) {
    EXPECT_EQ(str(qvl_str_substring(hello, c.pos, c.n)), c.want) << c.pos << "," << c.n;
  }
  struct PrefixCase { int n; const char* want; };
  for (const PrefixCase& c : {PrefixCase{0, ""}, PrefixCase{2, "he"}, PrefixCase{5, "hello"},
                              PrefixCase{9, "hello"}, PrefixCase{-1, "hello"}}) {
    EXPECT_EQ(str(qvl_str_prefix(hello, c.n)), c.want) << c.n;
  }
  // An empty result owns no buffer.
  EXPECT_EQ(qvl_str_substring(hello, 9, 1).capacity, 0u);
  // Embedded NUL bytes are ordinary bytes.
  EXPECT_EQ(str(qvl_str_substring(bytes(std::string("a\0bc", 4)), 1, 2)), std::string("\0b", 2));
}

TEST(StringCommands, FindTable) {
  struct Case { const char* text; const char* needle; int start; int want; };
  const Case cases[] = {
      {"hello", "l", 0, 2},    {"hello", "l", 3, 3},     {"hello", "l", 4, -1},
      {"hello", "l", -5, 2},   {"hello", "", 0, -1},     {"hello", "hello", 0, 0},
      {"hello", "hellox", 0, -1}, {"hello", "lo", 0, 3}, {"", "a", 0, -1},
      {"abcabcabd", "abd", 0, 6}, {"abcabcabd", "abc", 1, 3}, {"hello", "o", 5, -1},
  };
  for (const Case& c : cases) {
    const BasicString text(c.text), needle(c.needle);
    EXPECT_EQ(qvl_str_find(text, needle, c.start), c.want) << c.text << "/" << c.needle;
    EXPECT_EQ(qvl_str_find(c.text, c.needle, c.start), c.want);
    EXPECT_EQ(qvl_str_find(text, c.needle, c.start), c.want);
    EXPECT_EQ(qvl_str_find(c.text, needle, c.start), c.want);
  }
  // A stored string is searched past its NUL bytes; a zero-terminated one is not.
  const BasicString with_nul = bytes(std::string("ab\0cd", 5));
  EXPECT_EQ(qvl_str_find(with_nul, "cd", 0), 3);
  EXPECT_EQ(qvl_str_find(with_nul.text, "cd", 0), -1);
  EXPECT_EQ(qvl_str_find(with_nul, bytes(std::string("\0c", 2)), 0), 2);
}

TEST(StringCommands, FindLastTable) {
  struct Case { const char* text; const char* needle; int start; int want; };
  const Case cases[] = {
      {"hello", "l", -1, 3},  {"hello", "l", 2, 2},   {"hello", "l", 1, -1},
      {"hello", "l", 100, 3}, {"hello", "o", 100, 4}, {"", "a", 0, -1},
      {"aaaa", "aa", -1, 2},  {"aaaa", "aa", 1, 1},   {"hello", "", -1, -1},
      {"ab", "abc", -1, -1},  {"ab", "abc", 5, -1},   {"abcab", "ab", -1, 3},
      {"abcab", "ab", 2, 0},  {"hello", "h", 0, 0},
  };
  for (const Case& c : cases) {
    const BasicString text(c.text), needle(c.needle);
    EXPECT_EQ(qvl_str_find_last(text, needle, c.start), c.want)
        << c.text << "/" << c.needle << " from " << c.start;
    EXPECT_EQ(qvl_str_find_last(c.text, c.needle, c.start), c.want);
    EXPECT_EQ(qvl_str_find_last(text, c.needle, c.start), c.want);
    EXPECT_EQ(qvl_str_find_last(c.text, needle, c.start), c.want);
  }
}

// Find-last as its definition reads: step through every occurrence from the
// left and keep the last one that begins at or before start.
int literal_find_last(const std::string& text, const std::string& needle, int start) {
  const int c = static_cast<int>(text.size()), b = static_cast<int>(needle.size());
  if (start < 0) start = c - b;
  if (start < 0 || b == 0) return -1;
  int p = 0, last = -1;
  while (p != c) {
    const size_t r = text.find(needle, p);
    if (r == std::string::npos || static_cast<int>(r) > start) break;
    last = static_cast<int>(r);
    p = last + 1;
  }
  return last;
}

std::string random_text(std::mt19937& rng, int max_len, const char* alphabet) {
  const int alpha = static_cast<int>(std::char_traits<char>::length(alphabet));
  std::string s(std::uniform_int_distribution<int>(0, max_len)(rng), 'a');
  for (char& ch : s) ch = alphabet[std::uniform_int_distribution<int>(0, alpha - 1)(rng)];
  return s;
}

TEST(StringCommands, FindAndFindLastAgreeWithPlainSearchOnRandomTexts) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20000; ++round) {
    const std::string text = random_text(rng, 24, "ab\xe9");
    const std::string needle = random_text(rng, 4, "ab\xe9");
    const int start = std::uniform_int_distribution<int>(-3, 28)(rng);
    const BasicString t = bytes(text), n = bytes(needle);
    int want = -1;
    if (!needle.empty() && start < static_cast<int>(text.size())) {
      const size_t r = text.find(needle, start < 0 ? 0 : start);
      want = r == std::string::npos ? -1 : static_cast<int>(r);
    }
    ASSERT_EQ(qvl_str_find(t, n, start), want) << text << "/" << needle << " " << start;
    ASSERT_EQ(qvl_str_find_last(t, n, start), literal_find_last(text, needle, start))
        << text << "/" << needle << " " << start;
  }
}

TEST(StringCommands, FindBytesEdges) {
  EXPECT_EQ(qvl_str_find_bytes(nullptr, 3, "a", 1), -1);
  EXPECT_EQ(qvl_str_find_bytes("abc", 3, nullptr, 1), -1);
  EXPECT_EQ(qvl_str_find_bytes("abc", 3, "abc", 3), 0);
  EXPECT_EQ(qvl_str_find_bytes("abc", 3, "abd", 3), -1);
  EXPECT_EQ(qvl_str_find_bytes("abc", 2, "abc", 3), -1);
  // The skip table takes bytes above 0x7f as unsigned.
  EXPECT_EQ(qvl_str_find_bytes("x\xff\xfey\xfe", 5, "y\xfe", 2), 3);
}

// Replace-all as its definition reads: rebuild the text after each match and
// resume one byte past the match's start, counted before the replacement.
std::string literal_replace_all(std::string text, const std::string& search,
                                const std::string& rep) {
  const long a = static_cast<long>(rep.size()), b = static_cast<long>(search.size());
  if (b == 0) return text;
  long n = 0;
  while (n < static_cast<long>(text.size())) {
    const size_t r = text.find(search, n);
    if (r == std::string::npos) break;
    n = static_cast<long>(r);
    if (a == b) {
      text.replace(n, b, rep);
      n += b;
    } else {
      text = text.substr(0, n) + rep + text.substr(n + b);
      n = std::max(0L, n + a - b + 1);
    }
  }
  return text;
}

TEST(StringCommands, ReplaceAllTable) {
  struct Case { const char* source; const char* search; const char* rep; const char* want; };
  const Case cases[] = {
      {"a.b.c", ".", "-", "a-b-c"},
      {"abc", "b", "xyz", "axyzc"},
      {"aabb", "ab", "", ""},         // each removal steps back into the text before
      {",,,", ",,", ",0,", ",0,0,"},  // the replacement's end takes part in the next match
      {"abab", "ab", "cd", "cdcd"},
      {"aaa", "aa", "b", "ba"},
      {"xaaa", "aa", "a", "xa"},
      {"abc", "", "x", "abc"},
      {"", "a", "b", ""},
      {"hello", "xyz", "q", "hello"},
      {"abc", "abc", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(str(qvl_str_replace_all(BasicString(c.source), BasicString(c.search),
                                      BasicString(c.rep))),
              c.want)
        << c.source << " / " << c.search << " -> " << c.rep;
    EXPECT_EQ(literal_replace_all(c.source, c.search, c.rep), c.want);
  }
  // NUL bytes are matched and replaced like any other byte.
  EXPECT_EQ(str(qvl_str_replace_all(bytes(std::string("a\0b\0", 4)), bytes(std::string("\0", 1)),
                                    BasicString("--"))),
            "a--b--");
}

TEST(StringCommands, ReplaceAllMatchesLiteralVersionOnRandomTexts) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 30000; ++round) {
    const std::string source = random_text(rng, 20, "ab,");
    const std::string search = random_text(rng, 4, "ab,");
    const std::string rep = random_text(rng, 5, "ab,");
    const std::string got = str(qvl_str_replace_all(bytes(source), bytes(search), bytes(rep)));
    ASSERT_EQ(got, literal_replace_all(source, search, rep))
        << '"' << source << "\" / \"" << search << "\" -> \"" << rep << '"';
  }
}

TEST(StringCommands, ReplaceAllOnLongTextStaysFast) {
  // A megabyte with a match every other byte: a rebuild per match would take
  // minutes here; the linear version takes milliseconds.
  std::string source;
  for (int i = 0; i < 500000; ++i) source += "a,";
  const BasicString result =
      qvl_str_replace_all(bytes(source), BasicString(","), BasicString(";;"));
  EXPECT_EQ(result.length, 1500000);
  const BasicString shrunk = qvl_str_replace_all(bytes(source), BasicString("a,"), BasicString());
  EXPECT_EQ(shrunk.length, 0);
}

// A result of 2 GB or more cannot be a string: error 7 and END, found
// before anything that large is built.
TEST(StringCommands, ReplaceAllPastTwoGigabytesRaisesErrorSevenAndEnds) {
  auto r = qvl_test::run_in_child([] {
    const BasicString source(std::string(1 << 20, 'a').c_str());
    const BasicString replacement(std::string(2049, 'b').c_str());
    const BasicString result = qvl_str_replace_all(source, BasicString("a"), replacement);
    std::printf("survived %d\n", result.length);
  });
  EXPECT_NE(r.out.find("error: 7\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("exit\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("survived"), std::string::npos) << r.out;
  EXPECT_EQ(r.signal, 0);
}

TEST(StringCommands, TrimAndStrip) {
  const BasicString blank(" ");
  EXPECT_EQ(str(qvl_str_trim_left(BasicString("  x "), blank)), "x ");
  EXPECT_EQ(str(qvl_str_trim_right(BasicString("  x "), blank)), "  x");
  EXPECT_EQ(str(qvl_str_trim_left(BasicString("  x "), BasicString())), "  x ");
  EXPECT_EQ(str(qvl_str_trim_right(BasicString("\t \t"), BasicString(" \t"))), "");
  EXPECT_EQ(str(qvl_str_trim_left(BasicString(), blank)), "");
  // The set is counted by its length, so a NUL byte can be a member.
  EXPECT_EQ(str(qvl_str_trim_right(bytes(std::string("ab\0\0", 4)), bytes(std::string("\0", 1)))),
            "ab");

  BasicString line = bytes(std::string("text\r\n\0\x1f", 8));
  qvl_str_strip_controls(line);
  EXPECT_EQ(str(line), "text");
  EXPECT_EQ(line.text[4], 0);
  BasicString high = bytes("ok\xe9");  // bytes from 0x80 are not controls
  qvl_str_strip_controls(high);
  EXPECT_EQ(str(high), "ok\xe9");
  BasicString empty;
  qvl_str_strip_controls(empty);
  EXPECT_EQ(empty.length, 0);
}

TEST(StringCommands, CaseFoldsAsciiOnly) {
  const BasicString mixed = bytes(std::string("aZ09\xe9\xc9{@`[\0q", 12));
  EXPECT_EQ(str(qvl_str_upper(mixed)), std::string("AZ09\xe9\xc9{@`[\0Q", 12));
  EXPECT_EQ(str(qvl_str_lower(mixed)), std::string("az09\xe9\xc9{@`[\0q", 12));
  BasicString s("Hello");
  qvl_str_to_upper_in_place(s);
  EXPECT_EQ(str(s), "HELLO");
  qvl_str_to_lower_in_place(s);
  EXPECT_EQ(str(s), "hello");
  BasicString empty;
  qvl_str_to_upper_in_place(empty);  // must not touch the shared empty text
  EXPECT_EQ(empty.length, 0);
}

TEST(StringCommands, CharacterCodes) {
  EXPECT_EQ(qvl_str_first_code(BasicString("A")), 65);
  EXPECT_EQ(qvl_str_first_code(BasicString()), 0);
  EXPECT_EQ(qvl_str_first_code(BasicString("\xff")), 255);
  EXPECT_EQ(qvl_str_code_at(BasicString("A"), 0), 65);
  EXPECT_EQ(qvl_str_code_at(BasicString("A"), 1), 0);
  EXPECT_EQ(qvl_str_code_at(BasicString("A"), -1), 0);
  EXPECT_EQ(str(qvl_str_from_code(65)), "A");
  EXPECT_EQ(str(qvl_str_from_code(321)), "A");
  EXPECT_EQ(str(qvl_str_from_code(0)), std::string("\0", 1));
  EXPECT_EQ(str(qvl_str_from_code(-1)), "\xff");
}

TEST(StringCommands, SpansAndNoCaseCompare) {
  const char* text = "  x1";
  EXPECT_EQ(qvl_str_span_in(text, "1x"), text + 2);
  EXPECT_EQ(qvl_str_span_not_in(text, " "), text + 2);
  EXPECT_EQ(qvl_str_span_in(text, ""), nullptr);
  EXPECT_EQ(qvl_str_span_not_in(text, ""), text);
  EXPECT_EQ(qvl_str_span_not_in("   ", " "), nullptr);
  EXPECT_EQ(qvl_str_span_in("", "a"), nullptr);

  EXPECT_EQ(qvl_str_compare_nocase(BasicString("ABC"), BasicString("abc")), 0);
  EXPECT_LT(qvl_str_compare_nocase(BasicString("abc"), BasicString("ABD")), 0);
  EXPECT_GT(qvl_str_compare_nocase(BasicString("b"), BasicString("A")), 0);
  EXPECT_LT(qvl_str_compare_nocase(BasicString("ab"), BasicString("abc")), 0);
  // Letters compare as lower case, so '_' (0x5f) sorts before 'Z' (read as 'z').
  EXPECT_LT(qvl_str_compare_nocase(BasicString("_"), BasicString("Z")), 0);
  // Bytes from 0x80 are not folded and compare unsigned.
  EXPECT_NE(qvl_str_compare_nocase(BasicString("\xe9"), BasicString("\xc9")), 0);
  EXPECT_GT(qvl_str_compare_nocase(BasicString("\xe9"), BasicString("z")), 0);
}

}  // namespace
