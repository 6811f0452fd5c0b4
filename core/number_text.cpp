// Numbers as text and text as numbers.
//
// Nothing here goes through printf, strtod or the locale: programs compare
// and store these texts, so they must come out byte for byte the same
// everywhere. std::to_chars and std::from_chars do the exact decimal work;
// the layout around the digits is ours.
#include "core/number_text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

const char kDigitsLower[] = "0123456789abcdefghijklmnopqrstuvwxyz";
const char kHexUpper[] = "0123456789ABCDEF";

bool is_space(char c) { return c == ' ' || (c >= 9 && c <= 13); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Unsigned digits, lowest first, then reversed into out; returns the length.
int unsigned_digits(uint64_t v, unsigned base, char* out) {
  char tmp[64];
  int n = 0;
  do {
    tmp[n++] = kDigitsLower[v % base];
    v /= base;
  } while (v != 0);
  for (int i = 0; i < n; ++i) out[i] = tmp[n - 1 - i];
  out[n] = 0;
  return n;
}

// The texts the runtime has always shown for values that are not numbers.
int special_text(double v, char* out) {
  const char* t;
  if (std::isinf(v)) {
    t = v < 0 ? "-1.#INF" : "1.#INF";
  } else {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    const uint64_t kIndefinite = 0xfff8000000000000ull;  // 0/0 on x86
    const bool quiet = (bits & 0x0008000000000000ull) != 0;
    if (bits == kIndefinite)
      t = "-1.#IND";
    else if (!quiet)
      t = std::signbit(v) ? "-1.#SNAN" : "1.#SNAN";
    else
      t = std::signbit(v) ? "-1.#QNAN" : "1.#QNAN";
  }
  std::strcpy(out, t);
  return static_cast<int>(std::strlen(t));
}

// A double cut to int after clamping into [lo, hi]; NaN gives fallback.
int clamp_to_int(double v, int lo, int hi, int fallback) {
  if (std::isnan(v)) return fallback;
  if (v < lo) return lo;
  if (v > hi) return hi;
  return static_cast<int>(v);
}

// Pads text (cut to kQvlFixedTextMax first) to |width| characters: spaces
// in front for a positive width, behind for a negative one.
BasicString pad_to_width(const char* text, int n, int width) {
  if (n > kQvlFixedTextMax) n = kQvlFixedTextMax;
  const bool left = width < 0;
  int w = left ? -width : width;
  if (w > kQvlFixedTextMax) w = kQvlFixedTextMax;
  const int pad = w > n ? w - n : 0;
  BasicString result;
  char* p = result.buffer(n + pad);
  if (!left) std::memset(p, ' ', pad);
  std::memcpy(p + (left ? 0 : pad), text, n);
  if (left) std::memset(p + n, ' ', pad);
  p[n + pad] = 0;
  result.length = n + pad;
  return result;
}

// The 17 significant digits the Windows library starts every floating
// text from, and where the decimal point sits among them (decpt 1 means
// "d.dddd"). a must be finite and above 0.
struct Digits17 {
  char d[17];
  int decpt;
};

Digits17 digits17(double a) {
  char sci[40];
  auto res = std::to_chars(sci, sci + sizeof sci - 1, a,
                           std::chars_format::scientific, 16);
  *res.ptr = 0;
  Digits17 r;
  r.d[0] = sci[0];
  std::memcpy(r.d + 1, sci + 2, 16);
  r.decpt = qvl_fmt_atoi(sci + 19) + 1;  // after "d.dddddddddddddddde"
  return r;
}

// "%.<decimals>f" of a finite value the Windows way: the 17 digits are
// rounded at the last digit shown by the next one alone, half away from
// zero (2.5 gives "3", 0.125 with 2 decimals "0.13"), and places past the
// 17th digit print as 0. Returns the length written to out.
int fixed_text(double value, int decimals, char* out) {
  char* p = out;
  if (std::signbit(value)) *p++ = '-';
  const double a = std::fabs(value);
  Digits17 s{};
  std::memset(s.d, '0', sizeof s.d);
  s.decpt = 1;
  if (a != 0) s = digits17(a);
  // kept[0 .. n) are the digits from the first significant one up to the
  // last place shown.
  char kept[512];
  int n = s.decpt + decimals;
  if (n < 0) {
    n = 0;  // every shown place lies before the first digit: 0
    s.decpt = -decimals;
  } else {
    for (int i = 0; i < n; ++i) kept[i] = i < 17 ? s.d[i] : '0';
    if (n < 17 && s.d[n] >= '5') {
      int k = n - 1;
      while (k >= 0 && kept[k] == '9') kept[k--] = '0';
      if (k >= 0) {
        ++kept[k];
      } else {  // carried past the first digit: one more in front
        std::memmove(kept + 1, kept, static_cast<size_t>(n));
        kept[0] = '1';
        ++n;
        ++s.decpt;
      }
    }
  }
  auto digit_at = [&](int i) { return i >= 0 && i < n ? kept[i] : '0'; };
  if (s.decpt <= 0) {
    *p++ = '0';
  } else {
    for (int i = 0; i < s.decpt; ++i) *p++ = digit_at(i);
  }
  if (decimals > 0) {
    *p++ = '.';
    for (int j = 0; j < decimals; ++j) *p++ = digit_at(s.decpt + j);
  }
  *p = 0;
  return static_cast<int>(p - out);
}

}  // namespace

// --- Number to text -------------------------------------------------------

int qvl_fmt_int_text(int v, char* out) {
  return qvl_fmt_int64_text(v, out);
}

int qvl_fmt_int64_text(int64_t v, char* out) {
  if (v < 0) {
    out[0] = '-';
    // Negating as unsigned keeps the most negative value exact.
    return 1 + unsigned_digits(0 - static_cast<uint64_t>(v), 10, out + 1);
  }
  return unsigned_digits(static_cast<uint64_t>(v), 10, out);
}

// Ten significant digits. With e the decimal exponent of the first digit,
// -1 <= e <= 9 prints fixed ("0.3333333333", "1234567890"), anything else
// as d.ddddddddde+XXX; trailing zeros after the point go, and so does a
// point left at the end ("1.", "100." become "1", "100"; "1.e+010" stays).
int qvl_fmt_gcvt(double v, char* out) {
  if (!std::isfinite(v)) return special_text(v, out);
  char* p = out;
  if (std::signbit(v)) {
    *p++ = '-';
    v = -v;
  }
  if (v == 0) {
    *p++ = '0';
    *p = 0;
    return static_cast<int>(p - out);
  }
  // The Windows library first forms 17 significant digits and then rounds
  // those to 10 by looking at the 11th alone, half away from zero. So an
  // exact half (1234567890.5) goes up, where rounding the binary value to
  // nearest-even would go down; texts must match byte for byte.
  char sci[40];
  auto res = std::to_chars(sci, sci + sizeof sci - 1, v,
                           std::chars_format::scientific, 16);
  *res.ptr = 0;
  char digits[10];
  digits[0] = sci[0];
  std::memcpy(digits + 1, sci + 2, 9);
  int e = qvl_fmt_atoi(sci + 19);  // after "d.dddddddddddddddde"
  if (sci[11] >= '5') {  // the 11th significant digit
    int k = 9;
    while (k >= 0 && digits[k] == '9') digits[k--] = '0';
    if (k >= 0) {
      ++digits[k];
    } else {  // 9999999999.5 carries into a new leading digit
      digits[0] = '1';
      ++e;
    }
  }

  int point_at;  // index in p where the '.' stands, or -1
  if (e >= -1 && e <= 9) {
    if (e == -1) {
      std::memcpy(p, "0.", 2);
      std::memcpy(p + 2, digits, 10);
      point_at = 1;
      p += 12;
    } else {
      std::memcpy(p, digits, e + 1);
      p += e + 1;
      point_at = -1;
      if (e < 9) {
        point_at = static_cast<int>(p - out);
        *p++ = '.';
        std::memcpy(p, digits + e + 1, 9 - e);
        p += 9 - e;
      }
    }
    if (point_at >= 0) {
      while (p[-1] == '0') --p;
      if (p[-1] == '.') --p;
    }
    *p = 0;
  } else {
    *p++ = digits[0];
    *p++ = '.';
    int last = 9;
    while (last >= 1 && digits[last] == '0') --last;
    std::memcpy(p, digits + 1, last);
    p += last;
    *p++ = 'e';
    *p++ = e < 0 ? '-' : '+';
    const int a = e < 0 ? -e : e;
    *p++ = static_cast<char>('0' + a / 100);
    *p++ = static_cast<char>('0' + a / 10 % 10);
    *p++ = static_cast<char>('0' + a % 10);
    *p = 0;
  }
  return static_cast<int>(p - out);
}

char* qvl_fmt_int64_base(int64_t value, char* buffer, int base) {
  if (base < 2 || base > 36) {
    buffer[0] = 0;
    return buffer;
  }
  if (base == 10) {
    qvl_fmt_int64_text(value, buffer);
  } else {
    unsigned_digits(static_cast<uint64_t>(value), static_cast<unsigned>(base),
                    buffer);
  }
  return buffer;
}

BasicString qvl_fmt_int_hex(int value) {
  BasicString result;
  char* p = result.buffer(16);
  result.length =
      unsigned_digits(static_cast<uint32_t>(value), 16, p);
  return result;
}

BasicString qvl_fmt_fixed_double(double width, double decimals, double value) {
  const int w = clamp_to_int(width, -kQvlFixedTextMax, kQvlFixedTextMax, 0);
  // A negative precision counts as none given: six decimals, as in printf.
  int d = clamp_to_int(decimals, -1, kQvlFixedTextMax, 6);
  if (d < 0) d = 6;
  char text[512];
  int n;
  if (!std::isfinite(value)) {
    n = special_text(value, text);
  } else {
    // The integer part of a double has at most 309 digits; anything beyond
    // the 143 characters we keep is cut by pad_to_width.
    n = fixed_text(value, d, text);
  }
  return pad_to_width(text, n, w);
}

BasicString qvl_fmt_fixed_int(double width, double /*decimals*/, int value) {
  char text[16];
  int n = qvl_fmt_int_text(value, text);
  return pad_to_width(
      text, n, clamp_to_int(width, -kQvlFixedTextMax, kQvlFixedTextMax, 0));
}

BasicString qvl_fmt_fixed_int64(double width, double /*decimals*/,
                                int64_t value) {
  char text[24];
  int n = qvl_fmt_int64_text(value, text);
  return pad_to_width(
      text, n, clamp_to_int(width, -kQvlFixedTextMax, kQvlFixedTextMax, 0));
}

BasicString qvl_fmt_int_width4(int value) {
  return qvl_fmt_fixed_int(4, 0, value);
}

BasicString qvl_fmt_hex_encode(const void* bytes, int count, bool upper_case) {
  BasicString result;
  if (count <= 0) return result;
  const char* table = upper_case ? kHexUpper : kDigitsLower;
  const auto* in = static_cast<const unsigned char*>(bytes);
  const int64_t total = static_cast<int64_t>(count) * 2;
  if (total > INT_MAX) return result;  // no string can be that long
  char* p = result.buffer(static_cast<int>(total));
  for (int i = 0; i < count; ++i) {
    p[2 * i] = table[in[i] >> 4];
    p[2 * i + 1] = table[in[i] & 15];
  }
  p[total] = 0;
  result.length = static_cast<int>(total);
  return result;
}

BasicString qvl_fmt_url_encode(const BasicString& text) {
  BasicString result;
  auto escape = [&result](unsigned b) {
    result.append_char('%');
    result.append_char(kDigitsLower[b >> 4]);
    result.append_char(kDigitsLower[b & 15]);
  };
  for (int i = 0; i < text.length; ++i) {
    const auto b = static_cast<unsigned char>(text.text[i]);
    const bool plain = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                       (b >= '0' && b <= '9');
    if (plain) {
      result.append_char(static_cast<char>(b));
    } else if (b < 0x80) {
      escape(b);
    } else {
      // A Latin-1 byte as its two-byte UTF-8 form.
      escape(b < 0xc0 ? 0xc2 : 0xc3);
      escape((b & 0x3f) | 0x80);
    }
  }
  return result;
}

// --- Text to number -------------------------------------------------------

int qvl_fmt_atoi(const char* text) {
  if (!text) return 0;
  const char* p = text;
  while (is_space(*p)) ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  const int64_t limit = negative ? -static_cast<int64_t>(INT_MIN) : INT_MAX;
  int64_t v = 0;
  for (; is_digit(*p); ++p) {
    v = v * 10 + (*p - '0');
    if (v > limit) v = limit;  // clamp, and keep v from overflowing
  }
  return static_cast<int>(negative ? -v : v);
}

double qvl_fmt_atof(const char* text) {
  if (!text) return 0.0;
  const char* p = text;
  while (is_space(*p)) ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  const char* start = p;
  // Mantissa: digits, an optional point, digits; at least one digit.
  int digit_count = 0;
  int first_nonzero_order = INT_MIN;  // decimal order of the first non-zero
  int order = 0;                      // order of the digit being read
  const char* int_begin = p;
  while (is_digit(*p)) ++p;
  int int_digits = static_cast<int>(p - int_begin);
  digit_count += int_digits;
  order = int_digits - 1;
  for (const char* q = int_begin; q < p; ++q, --order) {
    if (*q != '0' && first_nonzero_order == INT_MIN) first_nonzero_order = order;
  }
  if (*p == '.') {
    ++p;
    order = -1;
    for (; is_digit(*p); ++p, --order) {
      ++digit_count;
      if (*p != '0' && first_nonzero_order == INT_MIN) first_nonzero_order = order;
    }
  }
  if (digit_count == 0) return 0.0;
  // Exponent: 'e' or 'E', a sign, at least one digit; else not part of it.
  int64_t exponent = 0;
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    const bool exp_negative = *q == '-';
    if (*q == '-' || *q == '+') ++q;
    if (is_digit(*q)) {
      for (; is_digit(*q); ++q) {
        if (exponent < 100000) exponent = exponent * 10 + (*q - '0');
      }
      if (exp_negative) exponent = -exponent;
      p = q;
    }
  }
  if (first_nonzero_order == INT_MIN) return negative ? -0.0 : 0.0;
  double v = 0.0;
  auto res = std::from_chars(start, p, v, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // Too large gives HUGE_VAL, too small 0, as the C library does.
    v = first_nonzero_order + exponent > 0 ? HUGE_VAL : 0.0;
  }
  return negative ? -v : v;
}

int64_t qvl_fmt_parse_int64(const char* text) {
  if (!text) return 0;
  const char* p = text;
  while (is_space(*p)) ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  uint64_t v = 0;  // unsigned, so that overflow wraps instead of being UB
  for (; is_digit(*p); ++p) v = v * 10 + static_cast<uint64_t>(*p - '0');
  if (negative) v = 0 - v;
  return static_cast<int64_t>(v);
}

int qvl_fmt_hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int qvl_fmt_hex_byte(char high, char low) {
  auto worth = [](char c) {
    int h = qvl_fmt_hex_digit(c);
    return h >= 0 ? h : static_cast<int>(static_cast<unsigned char>(c));
  };
  return worth(high) * 16 + worth(low);
}

BasicString qvl_fmt_url_decode(const BasicString& text) {
  BasicString result;
  const char* s = text.text;
  const int n = text.length;
  // Past the end counts as a non-hex character; nothing beyond n is read.
  auto hex_at = [&](int i) { return i < n ? qvl_fmt_hex_digit(s[i]) : -1; };
  int i = 0;
  while (i < n) {
    const char c = s[i];
    if (c == '+') {
      result.append_char(' ');
      ++i;
    } else if (c == '%') {
      const int hi = hex_at(i + 1);
      if (hi < 0) {
        i += 2;  // drop '%' and the character after it
      } else {
        const int lo = hex_at(i + 2);
        if (lo < 0) {
          i += 2;  // drop '%' and the first digit, read the next again
        } else {
          result.append_char(static_cast<char>(hi * 16 + lo));
          i += 3;
        }
      }
    } else {
      result.append_char(c);
      ++i;
    }
  }
  qvl_fmt_utf8_to_8bit(result);
  return result;
}

BasicString& qvl_fmt_utf8_to_8bit(BasicString& text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.text);
  const int n = text.length;
  BasicString folded;
  int i = 0;
  while (i < n) {
    const unsigned b = s[i];
    const int left = n - i - 1;  // bytes after this one
    if (b < 0x80) {
      folded.append_char(static_cast<char>(b));
      i += 1;
    } else if ((b & 0xe0) == 0xc0 && left >= 1) {
      folded.append_char(static_cast<char>((b << 6) | (s[i + 1] & 0x3f)));
      i += 2;
    } else if ((b & 0xf0) == 0xe0 && left >= 2) {
      folded.append_char(
          static_cast<char>((s[i + 1] << 6) | (s[i + 2] & 0x3f)));
      i += 3;
    } else if ((b & 0xf8) == 0xf0 && left >= 3) {
      // The four-byte form is shifted down by 0x50, as it always was.
      folded.append_char(
          static_cast<char>(((s[i + 2] << 6) | (s[i + 3] & 0x3f)) - 0x50));
      i += 4;
    } else {
      i += 1;  // a stray byte is dropped
    }
  }
  text.assign(folded);
  return text;
}
