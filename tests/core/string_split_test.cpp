#include "core/string_split.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/string_commands.h"

namespace {

std::vector<std::string> fields(const BasicArray<BasicString>& a) {
  std::vector<std::string> out;
  for (int i = 0; i < a.size1; ++i) out.emplace_back(a.data[i].text, a.data[i].length);
  return out;
}

using Fields = std::vector<std::string>;

TEST(StringSplit, FieldTable) {
  struct Case { const char* text; const char* set; bool drop; Fields want; };
  const Case cases[] = {
      {"a,,b", ",", false, {"a", "", "b"}},
      {"a,,b", ",", true, {"a", "b"}},
      {",a", ",", false, {"", "a"}},
      {",a", ",", true, {"a"}},
      {"a,b,", ",", false, {"a", "b"}},
      {"a,b,,", ",", false, {"a", "b", ""}},
      {",,", ",", true, {}},
      {",", ",", false, {""}},
      {"", ",", false, {}},
      {"a b;c", " ;", false, {"a", "b", "c"}},
      {"a,b", "", false, {"a,b"}},
      {"one", ",", false, {"one"}},
  };
  for (const Case& c : cases) {
    BasicArray<BasicString> array;
    const int n = qvl_str_split(BasicString(c.text), array, BasicString(c.set), c.drop);
    EXPECT_EQ(fields(array), c.want) << '"' << c.text << "\" drop=" << c.drop;
    EXPECT_EQ(n, static_cast<int>(c.want.size()));
    EXPECT_EQ(array.count, n);
  }
}

TEST(StringSplit, ReusesTheBlockAndReadsUpToTheFirstNul) {
  BasicArray<BasicString> array;
  qvl_str_split(BasicString("x,y,z"), array, BasicString(","), false);
  BasicString* block = array.data;
  const int capacity = array.capacity;

  BasicString with_nul("p,q");
  with_nul.append_char('\0');
  with_nul.append_cstr(",r");
  EXPECT_EQ(qvl_str_split(with_nul, array, BasicString(","), false), 2);
  EXPECT_EQ(fields(array), (Fields{"p", "q"}));
  EXPECT_EQ(array.data, block);
  EXPECT_EQ(array.capacity, capacity);
}

TEST(StringSplit, TextMayBeAnElementOfTheArray) {
  BasicArray<BasicString> array;
  qvl_str_split(BasicString("a-b-c|d"), array, BasicString("|"), false);
  ASSERT_EQ(array.size1, 2);
  EXPECT_EQ(qvl_str_split(array.data[0], array, BasicString("-"), false), 3);
  EXPECT_EQ(fields(array), (Fields{"a", "b", "c"}));
}

TEST(StringSplit, TwoDimensionalArrayIsEmptiedFirst) {
  BasicArray<BasicString> array;
  array.dim(3, 2, 0, 0);
  EXPECT_EQ(qvl_str_split(BasicString("u v"), array, BasicString(" "), false), 2);
  EXPECT_EQ(array.size2, 0);
  EXPECT_EQ(fields(array), (Fields{"u", "v"}));
}

TEST(StringSplit, NoCaseCompareSortsAStringArray) {
  BasicArray<BasicString> names;
  qvl_str_split(BasicString("beta,Alpha,gamma,ALPHA2"), names, BasicString(","), false);
  names.sort([](BasicString& a, BasicString& b) -> double {
    return qvl_str_compare_nocase(a, b);
  });
  EXPECT_EQ(fields(names), (Fields{"Alpha", "ALPHA2", "beta", "gamma"}));
}

}  // namespace
