// Letter case as the system compares names: ASCII letters only, whatever
// the C library's locale says; bytes above 127 compare as they are.
#pragma once

#include <cstddef>

inline char plat_ascii_lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

// Equal up to the first NUL, letters folded.
inline bool plat_ascii_equal_nocase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    if (plat_ascii_lower(*a) != plat_ascii_lower(*b)) return false;
    if (*a == '\0') return true;
  }
}

// The first n bytes equal, letters folded (NULs compare as bytes).
inline bool plat_ascii_equal_nocase_n(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (plat_ascii_lower(a[i]) != plat_ascii_lower(b[i])) return false;
  return true;
}
