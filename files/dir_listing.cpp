#include "files/dir_listing.h"

#include <cstring>
#include <vector>

#include "core/grow_vector.h"
#include "core/string_commands.h"
#include "platform/directory.h"

namespace {

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Glob with '*' only, linear in practice: on a mismatch after a '*', the
// '*' takes one more character and matching resumes after it.
bool glob(const char* pattern, const char* name) {
  const char* star = nullptr;   // pattern position after the last '*'
  const char* resume = nullptr;  // name position where that '*' stopped
  while (*name != '\0') {
    if (*pattern == '*') {
      star = ++pattern;
      resume = name;
    } else if (*pattern != '\0' && fold(*pattern) == fold(*name)) {
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

double compare_nocase(BasicString& a, BasicString& b) { return qvl_str_compare_nocase(a, b); }

void init_names(GrowVector<BasicString>& v) {
  v.step = 128;
  v.minimum = 512;
}

}  // namespace

bool qvl_file_wildcard_match(const BasicString& pattern, const BasicString& name) {
  if (std::strcmp(pattern.text, "*") == 0 || std::strcmp(pattern.text, "*.*") == 0) return true;
  return glob(pattern.text, name.text);
}

double qvl_file_list_dir(const BasicString& pattern, BasicArray<BasicString>& out) {
  GrowVector<BasicString> dirs;
  GrowVector<BasicString> files;
  init_names(dirs);
  init_names(files);

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

  int n = dirs.count + files.count;
  out.dim(n, 0, 0, 0);
  if (n > 0) {
    for (int i = 0; i < dirs.count; ++i) out.data[i] = dirs.data[i];
    for (int i = 0; i < files.count; ++i) out.data[dirs.count + i] = files.data[i];
    if (dirs.count > 1) out.quicksort(0, dirs.count - 1, compare_nocase);
    if (files.count > 1) out.quicksort(dirs.count, n - 1, compare_nocase);
  }
  double result = files.count + 65536.0 * dirs.count;
  dirs.clear(true);
  files.clear(true);
  return result;
}
