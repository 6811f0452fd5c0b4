// Numbers as text and text as numbers, the runtime's way.
//
// Every number the language prints and every text it reads as a number goes
// through here, so that the results are the same on every platform and in
// every locale: integers in plain decimal, floating values with 10
// significant digits in the compact form programs written for this runtime
// expect ("1", "0.5", "5.e-002", "1.e+010"), and parsers that take decimal
// text only.
#pragma once

#include <cstdint>

#include "core/basic_string.h"

// Scratch size that holds any text qvl_fmt_gcvt writes (NUL included).
inline constexpr int kQvlGcvtBufferSize = 64;
// Longest text the fixed-width formats return; wider requests are clamped.
inline constexpr int kQvlFixedTextMax = 143;

// --- Number to text -------------------------------------------------------

// Decimal text of v into out (at least 12 bytes); returns the length.
int qvl_fmt_int_text(int v, char* out);
// Decimal text of v into out (at least 21 bytes); returns the length.
// The most negative value prints correctly.
int qvl_fmt_int64_text(int64_t v, char* out);
// Floating text of v (10 significant digits) into out, which holds
// kQvlGcvtBufferSize bytes; returns the length. 1.0 gives "1", 0.05 gives
// "5.e-002", infinity "1.#INF", NaN "1.#QNAN" (the default NaN of 0/0
// "-1.#IND").
int qvl_fmt_gcvt(double v, char* out);

// Digits of value in base 2..36 (lower-case letters from 10) and a NUL into
// buffer, which holds 65 bytes; returns buffer. Only base 10 writes a '-';
// other bases show a negative value as its unsigned 64-bit pattern. A base
// outside 2..36 gives "".
char* qvl_fmt_int64_base(int64_t value, char* buffer, int base);

// Lower-case hexadecimal of the 32-bit pattern: -1 gives "ffffffff".
BasicString qvl_fmt_int_hex(int value);
// printf-style "%<width>.<decimals>f"; a negative width aligns left.
// Width and decimals are cut to int and clamped so that the text stays
// within kQvlFixedTextMax characters; a longer number is cut there.
BasicString qvl_fmt_fixed_double(double width, double decimals, double value);
// "%<width>d"; decimals is not used.
BasicString qvl_fmt_fixed_int(double width, double decimals, int value);
// "%<width>lld"; decimals is not used.
BasicString qvl_fmt_fixed_int64(double width, double decimals, int64_t value);
// "%4d": the value right-aligned in 4 characters.
BasicString qvl_fmt_int_width4(int value);
// Two hex digits per byte, high half first; count <= 0 gives "".
BasicString qvl_fmt_hex_encode(const void* bytes, int count, bool upper_case);
// Letters and digits stay, every other byte becomes "%xx"; bytes from 0x80
// are taken as Latin-1 and written as their escaped two-byte UTF-8 form.
BasicString qvl_fmt_url_encode(const BasicString& text);

// --- Text to number -------------------------------------------------------

// Leading white space, optional sign, decimal digits; stops at the first
// other byte; no digits gives 0. Values beyond int clamp to INT_MIN/INT_MAX.
int qvl_fmt_atoi(const char* text);
// Leading white space, optional sign, digits with an optional '.', then an
// optional exponent; decimal only (no hex, "inf" or "nan"), independent of
// the locale. Nothing convertible gives 0.0; overflow gives +-HUGE_VAL.
double qvl_fmt_atof(const char* text);
// Like qvl_fmt_atoi for 64 bits, but wraps modulo 2^64 instead of clamping.
int64_t qvl_fmt_parse_int64(const char* text);
// high * 16 + low, each worth 0..15 as a hex digit of either case; any
// other character is worth its own code (unchecked, not cut to 8 bits).
int qvl_fmt_hex_byte(char high, char low);
// The value of a hexadecimal digit (either case), or -1 for any other byte.
int qvl_fmt_hex_digit(char c);
// '+' becomes a space and "%xx" one byte; a broken escape is dropped; then
// the result is folded with qvl_fmt_utf8_to_8bit.
BasicString qvl_fmt_url_decode(const BasicString& text);
// Folds UTF-8 sequences in place to one byte each (the low 8 bits of the
// code point; U+00E9 becomes 0xe9); stray bytes are dropped. Returns text.
BasicString& qvl_fmt_utf8_to_8bit(BasicString& text);
