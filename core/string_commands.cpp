#include "core/string_commands.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace {

// A new string holding bytes[0..n); empty (no buffer) when n is 0.
BasicString string_from_bytes(const char* bytes, size_t n) {
  BasicString r;
  if (n == 0) return r;
  if (n > static_cast<size_t>(INT_MAX)) qvl_str_out_of_memory();
  r.reserve(static_cast<int>(n), false);
  std::memcpy(r.text, bytes, n);
  r.text[n] = 0;
  r.length = static_cast<int>(n);
  return r;
}

int cstr_length(const char* s) { return s ? static_cast<int>(std::strlen(s)) : 0; }

// Membership table of a byte set.
struct ByteSet {
  bool member[256] = {};
  ByteSet(const char* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) member[static_cast<unsigned char>(bytes[i])] = true;
  }
  bool has(char c) const { return member[static_cast<unsigned char>(c)]; }
};

unsigned char ascii_upper(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }
unsigned char ascii_lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

// The forward search with its Horspool skip table built once, so that
// replace-all can search many times with one table.
class ForwardSearch {
 public:
  ForwardSearch(const char* needle, int m)
      : p_(reinterpret_cast<const unsigned char*>(needle)), m_(m) {
    std::fill(skip_, skip_ + 256, m);
    for (int i = 0; i < m - 1; ++i) skip_[p_[i]] = m - 1 - i;  // later positions win
  }

  // Leftmost occurrence in range[0..n), or -1 (m >= 1).
  int find(const char* range, int n) const {
    if (n <= 0 || m_ > n) return -1;
    if (m_ == n) return std::memcmp(range, p_, m_) == 0 ? 0 : -1;
    if (m_ == 1) {  // the table cannot skip anything: let memchr scan
      const void* hit = std::memchr(range, p_[0], n);
      return hit ? static_cast<int>(static_cast<const char*>(hit) - range) : -1;
    }
    return horspool(range, n);
  }

  // Boyer-Moore-Horspool: compare a window when its last byte matches, then
  // move on by the table entry of that last byte.
  int horspool(const char* range, int n) const {
    const auto* t = reinterpret_cast<const unsigned char*>(range);
    const unsigned char last = p_[m_ - 1];
    for (int pos = 0; pos <= n - m_; pos += skip_[t[pos + m_ - 1]]) {
      if (t[pos + m_ - 1] == last && std::memcmp(t + pos, p_, m_ - 1) == 0) return pos;
    }
    return -1;
  }

 private:
  const unsigned char* p_;
  int m_;
  int skip_[256];
};

int find_in(const char* text, int c, const char* needle, int b, int start) {
  if (start < 0) start = 0;
  if (start >= c) return -1;
  const int r = qvl_str_find_bytes(text + start, c - start, needle, b);
  return r < 0 ? -1 : start + r;
}

// The last occurrence that begins at or before start. Scans backwards with a
// mirrored Horspool table keyed on the window's first byte; this gives the
// same result as visiting every occurrence from the left, without a fresh
// search per occurrence.
int find_last_in(const char* text, int c, const char* needle, int b, int start) {
  if (!text || !needle || b <= 0) return -1;
  if (start < 0 || start > c - b) start = c - b;
  if (start < 0) return -1;
  if (b == 1) {
    const void* hit = memrchr(text, needle[0], static_cast<size_t>(start) + 1);
    return hit ? static_cast<int>(static_cast<const char*>(hit) - text) : -1;
  }
  const auto* t = reinterpret_cast<const unsigned char*>(text);
  const auto* p = reinterpret_cast<const unsigned char*>(needle);
  int skip[256];
  std::fill(skip, skip + 256, b);
  for (int i = b - 1; i >= 1; --i) skip[p[i]] = i;  // the smallest i wins
  for (int q = start; q >= 0; q -= skip[t[q]]) {
    if (t[q] == p[0] && std::memcmp(t + q + 1, p + 1, b - 1) == 0) return q;
  }
  return -1;
}

}  // namespace

BasicString qvl_str_substring(const BasicString& text, int pos, int n) {
  if (pos < 0 || pos >= text.length) return BasicString();
  const int rest = text.length - pos;
  return string_from_bytes(text.text + pos, n < 0 || n > rest ? rest : n);
}

BasicString qvl_str_prefix(const BasicString& text, int n) {
  if (n < 0 || n > text.length) return text;
  return string_from_bytes(text.text, n);
}

int qvl_str_find_bytes(const char* range, int n, const char* needle, int m) {
  if (!range || !needle || m <= 0 || n <= 0) return -1;
  return ForwardSearch(needle, m).find(range, n);
}

int qvl_str_find_horspool(const char* range, int n, const char* needle, int m) {
  if (!range || !needle || m <= 0 || m > n) return -1;
  return ForwardSearch(needle, m).horspool(range, n);
}

int qvl_str_find(const BasicString& text, const BasicString& needle, int start) {
  return find_in(text.text, text.length, needle.text, needle.length, start);
}
int qvl_str_find(const BasicString& text, const char* needle, int start) {
  return find_in(text.text, text.length, needle, cstr_length(needle), start);
}
int qvl_str_find(const char* text, const BasicString& needle, int start) {
  return find_in(text, cstr_length(text), needle.text, needle.length, start);
}
int qvl_str_find(const char* text, const char* needle, int start) {
  return find_in(text, cstr_length(text), needle, cstr_length(needle), start);
}

int qvl_str_find_last(const BasicString& text, const BasicString& needle, int start) {
  return find_last_in(text.text, text.length, needle.text, needle.length, start);
}
int qvl_str_find_last(const BasicString& text, const char* needle, int start) {
  return find_last_in(text.text, text.length, needle, cstr_length(needle), start);
}
int qvl_str_find_last(const char* text, const BasicString& needle, int start) {
  return find_last_in(text, cstr_length(text), needle.text, needle.length, start);
}
int qvl_str_find_last(const char* text, const char* needle, int start) {
  return find_last_in(text, cstr_length(text), needle, cstr_length(needle), start);
}

namespace {

// The text being rebuilt, as a replace-all sees it: what has been built so
// far (out), then the untouched rest of the source.
class BuiltText {
 public:
  explicit BuiltText(size_t expected) { out_.reserve(expected); }
  size_t size() const { return out_.size(); }
  void append(const char* bytes, size_t n) {
    if (out_.size() + n > static_cast<size_t>(INT_MAX)) qvl_str_out_of_memory();
    out_.append(bytes, n);
  }
  void truncate(size_t n) { out_.resize(n); }
  // Appends out[pos..] to window.
  void tail(size_t pos, std::string& window) const {
    window.append(out_, pos, out_.size() - pos);
  }
  BasicString take() const { return string_from_bytes(out_.data(), out_.size()); }

 private:
  std::string out_;
};

// The same walk counting bytes only, to find a result's length before
// building it. Only for a replacement longer than the search: then every
// search that begins inside out begins inside the replacement just added,
// which is all this keeps of out.
class CountedText {
 public:
  explicit CountedText(const BasicString& replacement) : replacement_(replacement) {}
  size_t size() const { return length_; }
  void append(const char*, size_t n) { length_ += n; }
  void truncate(size_t n) { length_ = n; }
  void tail(size_t pos, std::string& window) const {
    const size_t n = length_ - pos;
    window.append(replacement_.text + replacement_.length - n, n);
  }

 private:
  const BasicString& replacement_;
  size_t length_ = 0;
};

// The language's replace-all, written to out. The text is held as out +
// source[t..]. A search resumes at pos, which lies at most search-length - 1
// bytes inside out, so any match consumes at least one source byte; out
// only shrinks by those few bytes before it grows by the replacement. Every
// byte is thus handled a bounded number of times, where rebuilding the
// whole text per match would be quadratic. Returns the result's length.
template <class Text>
size_t replace_walk(const BasicString& source, const BasicString& search,
                    const BasicString& replacement, Text& out) {
  const int b = search.length;
  const int a = replacement.length;
  const char* src = source.text;
  const int total = source.length;
  const ForwardSearch finder(search.text, b);
  std::string window;
  int t = 0;       // next source byte not yet in out
  size_t pos = 0;  // where the next search starts, in out + source[t..]
  for (;;) {
    size_t g = 0;  // position of the match, in out + source[t..]
    bool found = false;
    if (pos < out.size()) {
      // A match may begin in the tail of out and run into the source.
      const size_t inside = out.size() - pos;
      window.clear();
      out.tail(pos, window);
      window.append(src + t, std::min(b - 1, total - t));
      const int j = finder.find(window.data(), static_cast<int>(window.size()));
      if (j >= 0 && static_cast<size_t>(j) < inside) {
        g = pos + j;
        found = true;
      }
    }
    if (!found) {
      const int r = finder.find(src + t, total - t);
      if (r < 0) break;
      out.append(src + t, r);
      t += r;
      g = out.size();
    }
    t += static_cast<int>(g + b - out.size());  // source bytes the match covers
    out.truncate(g);
    out.append(replacement.text, a);
    if (a == b) {
      pos = g + b;
    } else {
      pos = g + a + 1 > static_cast<size_t>(b) ? g + a + 1 - b : 0;
    }
  }
  out.append(src + t, total - t);
  return out.size();
}

}  // namespace

// A result that cannot be held (2 GB or more) is error 7, as for every
// string that cannot be had; it is found by counting before anything large
// is built.
BasicString qvl_str_replace_all(const BasicString& source, const BasicString& search,
                                const BasicString& replacement) {
  const int b = search.length;
  const int a = replacement.length;
  if (b == 0) return source;
  // Each match consumes at least one source byte, so a result can outgrow
  // the source by at most (a - b) bytes per source byte.
  const int64_t most = int64_t{source.length} * (1 + std::max(0, a - b));
  if (most > INT_MAX) {
    CountedText counted(replacement);
    if (replace_walk(source, search, replacement, counted) > static_cast<size_t>(INT_MAX))
      qvl_str_out_of_memory();
  }
  BuiltText built(static_cast<size_t>(source.length));
  replace_walk(source, search, replacement, built);
  return built.take();
}

BasicString qvl_str_trim_left(const BasicString& text, const BasicString& set) {
  const ByteSet members(set.text, set.length);
  int i = 0;
  while (i < text.length && members.has(text.text[i])) ++i;
  return string_from_bytes(text.text + i, text.length - i);
}

BasicString qvl_str_trim_right(const BasicString& text, const BasicString& set) {
  const ByteSet members(set.text, set.length);
  int n = text.length;
  while (n > 0 && members.has(text.text[n - 1])) --n;
  return string_from_bytes(text.text, n);
}

void qvl_str_strip_controls(BasicString& s) {
  while (s.length > 0 && static_cast<unsigned char>(s.text[s.length - 1]) < 32) {
    s.text[--s.length] = 0;
  }
}

void qvl_str_to_upper_in_place(BasicString& s) {
  for (int i = 0; i < s.length; ++i) {
    s.text[i] = static_cast<char>(ascii_upper(static_cast<unsigned char>(s.text[i])));
  }
}

void qvl_str_to_lower_in_place(BasicString& s) {
  for (int i = 0; i < s.length; ++i) {
    s.text[i] = static_cast<char>(ascii_lower(static_cast<unsigned char>(s.text[i])));
  }
}

BasicString qvl_str_upper(const BasicString& text) {
  BasicString r = string_from_bytes(text.text, text.length);
  qvl_str_to_upper_in_place(r);
  return r;
}

BasicString qvl_str_lower(const BasicString& text) {
  BasicString r = string_from_bytes(text.text, text.length);
  qvl_str_to_lower_in_place(r);
  return r;
}

int qvl_str_first_code(const BasicString& text) {
  return text.length > 0 ? static_cast<unsigned char>(text.text[0]) : 0;
}

int qvl_str_code_at(const BasicString& text, int pos) {
  if (pos < 0 || pos >= text.length) return 0;
  return static_cast<unsigned char>(text.text[pos]);
}

BasicString qvl_str_from_code(int code) {
  const char byte = static_cast<char>(code & 0xff);
  return string_from_bytes(&byte, 1);
}

const char* qvl_str_span_in(const char* text, const char* set) {
  if (!text) return nullptr;
  const ByteSet members(set, cstr_length(set));
  for (; *text; ++text) {
    if (members.has(*text)) return text;
  }
  return nullptr;
}

const char* qvl_str_span_not_in(const char* text, const char* set) {
  if (!text) return nullptr;
  const ByteSet members(set, cstr_length(set));
  for (; *text; ++text) {
    if (!members.has(*text)) return text;
  }
  return nullptr;
}

int qvl_str_compare_nocase(const BasicString& a, const BasicString& b) {
  const auto* x = reinterpret_cast<const unsigned char*>(a.text);
  const auto* y = reinterpret_cast<const unsigned char*>(b.text);
  for (;; ++x, ++y) {
    const int cx = ascii_lower(*x);
    const int cy = ascii_lower(*y);
    if (cx != cy || cx == 0) return cx - cy;
  }
}
