// BasicString to and from std::string for tests, byte for byte (NULs kept).
#pragma once

#include <string>

#include "core/basic_string.h"

namespace qvl_test {

inline BasicString bytes(const std::string& s) {
  BasicString r;
  for (char c : s) r.append_char(c);
  return r;
}

inline std::string str(const BasicString& s) { return std::string(s.text, s.length); }

}  // namespace qvl_test
