#include "platform/codepage.h"

#include <cstdint>

namespace {

// Unicode of the bytes 0x80..0x9F; 0 where the code page leaves them unused.
const uint16_t kHighRow[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void put_utf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

int to_cp1252(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i)
    if (kHighRow[i] != 0 && kHighRow[i] == cp) return 0x80 + i;
  return -1;
}

}  // namespace

std::string plat_cp1252_to_utf8(const char* text) {
  std::string out;
  if (!text) return out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    uint32_t cp = *p;
    if (cp >= 0x80 && cp < 0xA0 && kHighRow[cp - 0x80] != 0) cp = kHighRow[cp - 0x80];
    put_utf8(out, cp);
  }
  return out;
}

std::string plat_utf8_to_cp1252(const char* utf8) {
  std::string out;
  if (!utf8) return out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
  while (*p) {
    uint32_t cp;
    int extra;
    if (*p < 0x80) {
      cp = *p;
      extra = 0;
    } else if ((*p & 0xE0) == 0xC0) {
      cp = *p & 0x1F;
      extra = 1;
    } else if ((*p & 0xF0) == 0xE0) {
      cp = *p & 0x0F;
      extra = 2;
    } else if ((*p & 0xF8) == 0xF0) {
      cp = *p & 0x07;
      extra = 3;
    } else {
      ++p;  // stray continuation or invalid lead byte
      continue;
    }
    int i = 1;
    for (; i <= extra; ++i) {
      if ((p[i] & 0xC0) != 0x80) break;
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (i <= extra) {  // truncated sequence: drop the lead byte only
      ++p;
      continue;
    }
    p += extra + 1;
    int b = to_cp1252(cp);
    out += static_cast<char>(b < 0 ? '?' : b);
  }
  return out;
}
