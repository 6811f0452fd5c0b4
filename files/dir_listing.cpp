#include "files/dir_listing.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/grow_vector.h"
#include "core/string_commands.h"
#include "platform/ascii.h"
#include "platform/directory.h"

namespace {

// Glob with '*' only, linear in practice: on a mismatch after a '*', the
// '*' takes one more character and matching resumes after it.
bool glob(const char* pattern, const char* name) {
  const char* star = nullptr;   // pattern position after the last '*'
  const char* resume = nullptr;  // name position where that '*' stopped
  while (*name != '\0') {
    if (*pattern == '*') {
      star = ++pattern;
      resume = name;
    } else if (*pattern != '\0' && plat_ascii_lower(*pattern) == plat_ascii_lower(*name)) {
      ++pattern;
      ++name;
    } else if (star != nullptr) {
      pattern = star;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

// Case-insensitive order; names equal but for case (possible here, not on
// Windows) are kept apart by their bytes, so the listing is the same every
// time.
bool before(const BasicString& a, const BasicString& b) {
  int c = qvl_str_compare_nocase(a, b);
  return c != 0 ? c < 0 : std::strcmp(a.text, b.text) < 0;
}

}  // namespace

bool qvl_file_wildcard_match(const BasicString& pattern, const BasicString& name) {
  if (std::strcmp(pattern.text, "*") == 0 || std::strcmp(pattern.text, "*.*") == 0) return true;
  return glob(pattern.text, name.text);
}

double qvl_file_list_dir(const BasicString& pattern, BasicArray<BasicString>& out) {
  GrowVector<BasicString> dirs(128, 512);
  GrowVector<BasicString> files(128, 512);

  std::vector<PlatDirEntry> entries;
  if (plat_dir_list(".", entries)) {
    for (const PlatDirEntry& e : entries) {
      BasicString name(e.name.c_str());
      if (e.is_dir) {
        dirs.push(name);
      } else if (qvl_file_wildcard_match(pattern, name)) {
        files.push(name);
      }
    }
  }

  // A total order sorts as the language's quicksort would for names that
  // differ without regard to case, but in n log n time: that quicksort
  // takes quadratic time on some folder orders.
  std::sort(dirs.data, dirs.data + dirs.count, before);
  std::sort(files.data, files.data + files.count, before);

  int dir_count = dirs.count;
  int file_count = files.count;
  int n = dir_count + file_count;
  out.dim(n, 0, 0, 0);
  if (n > 0) {
    for (int i = 0; i < dir_count; ++i) out.data[i] = std::move(dirs[i]);
    for (int i = 0; i < file_count; ++i) out.data[dir_count + i] = std::move(files[i]);
  }
  return file_count + 65536.0 * dir_count;
}
