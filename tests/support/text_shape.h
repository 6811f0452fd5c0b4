// Matching a text against the shape of what it should look like, for
// answers whose exact value changes (dates, ids, build stamps).
#pragma once

#include <string>

namespace qvl_test {

// True when text has the shape of pattern: '9' stands for a decimal digit,
// 'x' for a lower-case and 'X' for an upper-case hex digit, 'A' for a
// letter, '?' for anything; other characters stand for themselves.
inline bool shaped_like(const std::string& text, const std::string& pattern) {
  if (text.size() != pattern.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool digit = c >= '0' && c <= '9';
    bool ok;
    switch (pattern[i]) {
      case '9': ok = digit; break;
      case 'x': ok = digit || (c >= 'a' && c <= 'f'); break;
      case 'X': ok = digit || (c >= 'A' && c <= 'F'); break;
      case 'A': ok = (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; break;
      case '?': ok = true; break;
      default: ok = c == pattern[i];
    }
    if (!ok) return false;
  }
  return true;
}

}  // namespace qvl_test
