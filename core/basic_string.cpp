// BasicString: construction, capacity, raw buffer access and appending.
//
// Capacities follow one rule: room for n bytes (plus the NUL) becomes
// ((n + 1) with its low four bits cleared) + 16 bytes. Growing a buffer
// that keeps its text asks realloc for a little more than that (half as much
// again), and later growth uses the slack without another call, so building
// a long string one byte at a time stays linear whatever the allocator does.
#include "core/basic_string.h"

#include <malloc.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <utility>

#include "core/error_state.h"
#include "core/number_text.h"

alignas(8) const char qvl_str_empty_text[8] = {0, 0, 0, 0, 0, 0, 0, 0};

// A buffer that cannot be had is fatal: the program cannot go on with a
// string that is shorter than its caller was promised.
[[noreturn]] void qvl_str_out_of_memory() {
  // Raising the error or ending may need strings of their own; a failure
  // while already on this path must not recurse.
  static bool failing = false;
  if (!failing) {
    failing = true;
    qvl_err_raise(7);
    qvl_err_end_program_once();
  }
  // Already ending (a failure inside the shutdown): there is no safe way on.
  std::fflush(nullptr);
  std::_Exit(7);
}

namespace {

uint32_t capacity_for(uint32_t n) { return ((n + 1) & ~15u) + 16; }

// Room the allocator actually gave an owned buffer.
size_t usable_size(const BasicString& s) { return malloc_usable_size(s.text); }

// Lengths are 32-bit: a string that would grow past INT_MAX cannot exist.
int checked_total(int64_t total) {
  if (total > INT_MAX) qvl_str_out_of_memory();
  return static_cast<int>(total);
}

// Gives s a buffer of new_capacity bytes (new_capacity > s.capacity).
// keep: the text stays; otherwise the text reads as empty afterwards.
void replace_buffer(BasicString& s, uint32_t new_capacity, bool keep) {
  const bool owned = !s.is_shared_empty();
  if (owned && usable_size(s) >= new_capacity) {
    s.capacity = new_capacity;
  } else if (owned && keep) {
    size_t request = static_cast<size_t>(s.capacity) + s.capacity / 2;
    if (request < new_capacity) request = new_capacity;
    if (request > UINT32_MAX) request = UINT32_MAX;
    char* grown = static_cast<char*>(std::realloc(s.text, request));
    if (!grown && request != new_capacity)
      grown = static_cast<char*>(std::realloc(s.text, new_capacity));
    if (!grown) qvl_str_out_of_memory();
    s.text = grown;
    s.capacity = new_capacity;
  } else {
    char* fresh = static_cast<char*>(std::malloc(new_capacity));
    if (!fresh) qvl_str_out_of_memory();
    if (owned) std::free(s.text);
    s.text = fresh;
    s.capacity = new_capacity;
  }
  if (keep && s.length != 0) {
    s.text[s.length] = 0;
  } else {
    std::memset(s.text, 0, 4);  // capacity is at least 16
  }
}

size_t cstr_length(const char* s) { return s ? std::strlen(s) : 0; }

}  // namespace

BasicString::BasicString(BasicString&& other) noexcept
    : text(other.text), capacity(other.capacity), length(other.length) {
  other.init_empty();
}

BasicString& BasicString::operator=(BasicString&& other) noexcept {
  if (this != &other) {
    release();
    text = other.text;
    capacity = other.capacity;
    length = other.length;
    other.init_empty();
  }
  return *this;
}

// --- Construction and release ----------------------------------------------


void BasicString::init_cstr(const char* s) {
  init_empty();
  int n = checked_total(static_cast<int64_t>(cstr_length(s)));
  if (n == 0) return;
  reserve(n, false);
  std::memcpy(text, s, n);
  text[n] = 0;
  length = n;
}

void BasicString::init_copy(const BasicString& other) {
  init_empty();
  if (other.length <= 0) return;
  reserve(other.length, false);
  std::memcpy(text, other.text, other.length);
  text[other.length] = 0;
  length = other.length;
}

// Wide characters map to bytes as Latin-1; anything beyond 0xff becomes '?'.
// The conversion does not depend on the process locale.
void BasicString::init_wide(const wchar_t* w) {
  init_empty();
  assign_wide(w);
}

// Number texts get fixed buffers: 16 bytes for an int, 64 for the rest.
void BasicString::init_int(int v) {
  init_empty();
  replace_buffer(*this, 16, false);
  length = qvl_fmt_int_text(v, text);
}

void BasicString::init_int64(int64_t v) {
  init_empty();
  replace_buffer(*this, 64, false);
  length = qvl_fmt_int64_text(v, text);
}

void BasicString::init_float(float v) { init_double(static_cast<double>(v)); }

void BasicString::init_double(double v) {
  init_empty();
  replace_buffer(*this, 64, false);
  qvl_fmt_gcvt(v, text);
  sync_length();
}

// --- Assignment ----------------------------------------------------------------

void BasicString::assign(const BasicString& other) {
  if (text == other.text) return;
  if (other.length != 0) {
    reserve(other.length, false);
    std::memcpy(text, other.text, static_cast<size_t>(other.length) + 1);
    length = other.length;
  } else {
    if (!is_shared_empty()) text[0] = 0;
    length = 0;
  }
}

void BasicString::assign_cstr(const char* s) {
  // Built aside first, so s may point into this string; the temporary takes
  // the old buffer away with it.
  BasicString fresh(s);
  std::swap(text, fresh.text);
  std::swap(capacity, fresh.capacity);
  std::swap(length, fresh.length);
}

void BasicString::assign_cstr_exact(const char* s) {
  int n = checked_total(static_cast<int64_t>(cstr_length(s)));
  char* fresh = nullptr;
  if (n != 0) {
    fresh = static_cast<char*>(std::malloc(static_cast<size_t>(n) + 1));
    if (!fresh) qvl_str_out_of_memory();
    std::memcpy(fresh, s, n);  // s may lie in the old buffer: copy first
    fresh[n] = 0;
  }
  release();
  if (n != 0) {
    text = fresh;
    capacity = static_cast<uint32_t>(n) + 1;
    length = n;
  }
}

void BasicString::assign_wide(const wchar_t* w) {
  size_t n = w ? std::wcslen(w) : 0;
  int len = checked_total(static_cast<int64_t>(n) + 1) - 1;
  reserve(len + 1, false);
  for (int i = 0; i < len; ++i) {
    auto c = static_cast<uint32_t>(w[i]);
    text[i] = c <= 0xff ? static_cast<char>(c) : '?';
  }
  text[len] = 0;
  length = len;
}

// --- Capacity and raw buffer access ----------------------------------------

void BasicString::reserve(int n, bool keep) {
  if (n < 0) return;  // a negative size asks for nothing
  uint32_t m = static_cast<uint32_t>(n) + 1;
  if (m <= capacity) return;
  replace_buffer(*this, capacity_for(static_cast<uint32_t>(n)), keep);
}

void BasicString::grow(int n, bool keep) {
  if (n != 0) reserve(n, keep);
}

void BasicString::reserve_os_buffer(bool keep) {
  if (capacity > 1024) return;
  replace_buffer(*this, 1040, keep);
}

char* BasicString::buffer(int n) {
  // Even buffer(0) hands out writable memory, never the shared empty text.
  if (is_shared_empty() && n <= 0) n = 0;
  if (n != 0 || is_shared_empty()) reserve_keep(n);
  return text;
}

void BasicString::sync_length() {
  length = 0;
  if (capacity == 0 || text[0] == 0) return;
  const void* nul = std::memchr(text + 1, 0, capacity - 1);
  if (nul) {
    length = static_cast<int>(static_cast<const char*>(nul) - text);
  } else {
    text[capacity - 1] = 0;
    length = static_cast<int>(capacity - 1);
  }
}

void BasicString::truncate(int n) {
  if (n >= 0 && n < length) {
    text[n] = 0;
    length = n;
  }
}

// --- Appending -----------------------------------------------------------------

void BasicString::append_cstr(const char* s) {
  int n = checked_total(static_cast<int64_t>(cstr_length(s)));
  if (n == 0) return;
  // s may lie inside this string; find it again after a reallocation.
  const auto from = reinterpret_cast<uintptr_t>(s);
  const auto base = reinterpret_cast<uintptr_t>(text);
  const bool inside = !is_shared_empty() && from >= base && from < base + capacity;
  const uintptr_t offset = inside ? from - base : 0;
  int total = checked_total(static_cast<int64_t>(length) + n);
  reserve_keep(total);
  if (inside) s = text + offset;
  std::memmove(text + length, s, n);
  length = total;
  text[length] = 0;
}

void BasicString::append(const BasicString& other) {
  int n = other.length;
  if (n == 0) return;
  int total = checked_total(static_cast<int64_t>(length) + n);
  reserve_keep(total);
  // Read after the reserve, so appending a string to itself works.
  std::memmove(text + length, other.text, n);
  length = total;
  text[length] = 0;
}

void BasicString::append_copy(const BasicString& other) {
  BasicString copy(other);
  append(copy);
}

void BasicString::append_char(char c) {
  int total = checked_total(static_cast<int64_t>(length) + 1);
  reserve_keep(total);
  text[length] = c;
  length = total;
  text[length] = 0;
}

void BasicString::append_int(int v) {
  BasicString t;
  t.init_int(v);
  append(t);
}

void BasicString::append_int64(int64_t v) {
  BasicString t;
  t.init_int64(v);
  append(t);
}

void BasicString::append_float(float v) { append_double(static_cast<double>(v)); }

void BasicString::append_double(double v) {
  BasicString t;
  t.init_double(v);
  append(t);
}

// --- Reading ---------------------------------------------------------------------

int BasicString::c_length() const { return static_cast<int>(std::strlen(text)); }

int BasicString::to_int() const { return qvl_fmt_atoi(text); }

double BasicString::to_double() const { return qvl_fmt_atof(text); }

int64_t BasicString::to_int64() const { return qvl_fmt_parse_int64(text); }

// Bytes map to wide characters as Latin-1, up to the first NUL; a text of
// more than 511 bytes is cut so that the static buffer is never overrun.
const wchar_t* BasicString::to_wide() const {
  static wchar_t wide[512];
  int i = 0;
  for (; i < 511 && text[i] != 0; ++i)
    wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
  wide[i] = 0;
  return wide;
}
