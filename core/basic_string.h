// BasicString: the runtime's one string type, a counted run of bytes that
// may hold NUL bytes and is always followed by a NUL.
//
// Owned buffers come from malloc/realloc and go back with free (release).
// The record holds no pointer to itself, so containers may move records
// bitwise; a record made by hand must start with init_empty (or a
// constructor), never with zeroed bytes.
#pragma once

#include <cstdint>
#include <cstdlib>

// The one shared empty text: at least 8 zero bytes, never written or freed.
extern const char qvl_str_empty_text[8];

class BasicString {
 public:
  // Fields in their fixed order (the record is shared with compiled code).
  char* text;         // never null; the shared empty text while capacity is 0
  uint32_t capacity;  // bytes allocated, the NUL's place included
  int32_t length;     // bytes in use, NUL not counted

  BasicString() { init_empty(); }
  BasicString(const char* s) { init_cstr(s); }  // NOLINT: implicit on purpose
  BasicString(const BasicString& other) { init_copy(other); }
  BasicString(BasicString&& other) noexcept;
  ~BasicString() { release(); }
  BasicString& operator=(const BasicString& other) {
    assign(other);
    return *this;
  }
  BasicString& operator=(BasicString&& other) noexcept;

  // Construction and release.
  // Inline: containers build empty strings by the thousand.
  void init_empty() {
    text = const_cast<char*>(qvl_str_empty_text);
    capacity = 0;
    length = 0;
  }
  void init_cstr(const char* s);
  void init_copy(const BasicString& other);
  void init_wide(const wchar_t* w);
  void init_int(int v);
  void init_int64(int64_t v);
  void init_float(float v);
  void init_double(double v);
  // Frees an owned buffer; the string is empty afterwards. Inline for the
  // same reason as init_empty.
  void release() {
    if (!is_shared_empty() && text != nullptr) std::free(text);
    init_empty();
  }

  // Assignment.
  void assign(const BasicString& other);
  void assign_cstr(const char* s);
  void assign_cstr_exact(const char* s);
  void assign_wide(const wchar_t* w);

  // Capacity and raw buffer access.
  void reserve(int n, bool keep);
  void reserve_keep(int n) { reserve(n, true); }
  void grow(int n, bool keep);
  void reserve_os_buffer(bool keep);
  char* buffer(int n);
  void sync_length();
  void truncate(int n);

  // Appending.
  void append_cstr(const char* s);
  void append(const BasicString& other);
  void append_copy(const BasicString& other);
  void append_char(char c);
  void append_int(int v);
  void append_int64(int64_t v);
  void append_float(float v);
  void append_double(double v);

  // Reading.
  int c_length() const;
  int to_int() const;
  double to_double() const;
  int64_t to_int64() const;
  const wchar_t* to_wide() const;
  int compare_text(const char* s) const;
  int compare_double(double v) const;
  int compare_int(int v) const;

  // Convenience for C++ callers.
  bool empty() const { return length == 0; }
  const char* c_str() const { return text; }

  // True while text is the shared empty text (no owned buffer).
  bool is_shared_empty() const { return text == qvl_str_empty_text; }
};

// Raises error 7 and ends the program: the one way out for a string that
// cannot be had (no memory, or a length of 2 GB or more).
[[noreturn]] void qvl_str_out_of_memory();


