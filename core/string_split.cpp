#include "core/string_split.h"

#include <cstring>
#include <functional>
#include <string>

namespace {

// Appends an empty field and writes the bytes straight into its slot, which
// keeps the buffer an earlier split left there when it is large enough.
void push_field(BasicArray<BasicString>& array, const char* bytes, size_t n) {
  static const BasicString empty;
  BasicString& field = array.push(empty);
  if (n > 0) {
    field.reserve(static_cast<int>(n), false);
    std::memcpy(field.text, bytes, n);
    field.text[n] = 0;
    field.length = static_cast<int>(n);
  }
}

}  // namespace

int qvl_str_split(const BasicString& text, BasicArray<BasicString>& array,
                  const BasicString& set, bool drop) {
  // The text may be an element of the array, which is about to be reused:
  // then it is read from a copy.
  std::string copy;
  const char* bytes = text.text;
  const std::less<const BasicString*> before;
  if (array.data && !before(&text, array.data) && before(&text, array.data + array.room())) {
    copy = text.text;
    bytes = copy.c_str();
  }
  bool is_delim[256] = {};
  for (const char* d = set.text; *d; ++d) is_delim[static_cast<unsigned char>(*d)] = true;
  auto delim = [&](size_t i) { return is_delim[static_cast<unsigned char>(bytes[i])]; };

  array.stride1 = array.stride2 = array.stride3 = 0;
  array.size1 = array.size2 = array.size3 = array.size4 = 0;
  array.count = 0;

  const size_t n = std::strlen(bytes);
  size_t i = 0;
  for (;;) {
    if (drop) {
      while (i < n && delim(i)) ++i;
    }
    if (i >= n) break;  // the text ended, or ended with a delimiter
    const size_t start = i;
    while (i < n && !delim(i)) ++i;
    if (i < n) {
      if (!(drop && i == start)) push_field(array, bytes + start, i - start);
      ++i;  // past the delimiter
    } else {
      push_field(array, bytes + start, i - start);
      break;
    }
  }
  return array.count;
}
