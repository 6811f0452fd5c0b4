#include "files/line_cache.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/error_state.h"
#include "core/number_text.h"
#include "files/file_channel.h"
#include "files/file_resolve.h"
#include "files/mem_file.h"
#include "platform/file_io.h"

namespace {

constexpr int kErrFile = 3;
constexpr int kErrRange = 7;

// The cache's key for a name: memory-file names as they are, disk names
// made absolute. Empty when the name cannot be a key (too long).
std::string cache_key(const char* name) {
  if (!name || !*name) return std::string();
  if (qvl_mem_file_is_name(name)) return name;
  return plat_path_absolute(name);
}

void free_whole(LineCache& cache, int i) {
  std::free(cache.whole[i]);
  cache.whole[i] = nullptr;
  cache.whole_size[i] = 0;
}

// Line i becomes these bytes: its slot shows them up to the first NUL, at
// most 1023 of them, and a line the slot cannot show whole is also kept
// whole. False when that copy cannot be had.
bool set_line(LineCache& cache, int i, const char* bytes, size_t n) {
  free_whole(cache, i);
  char* slot = cache.lines[i];
  size_t shown = strnlen(bytes, n);
  if (shown > kLineCacheLineSize - 1) shown = kLineCacheLineSize - 1;
  std::memcpy(slot, bytes, shown);
  slot[shown] = '\0';
  if (shown == n) return true;
  cache.whole[i] = static_cast<char*>(std::malloc(n));
  if (!cache.whole[i]) return false;
  std::memcpy(cache.whole[i], bytes, n);
  cache.whole_size[i] = static_cast<int32_t>(n);
  return true;
}

void free_tail(LineCache& cache) {
  std::free(cache.tail);
  cache.tail = nullptr;
  cache.tail_size = 0;
  cache.tail_lost = 0;
}

// Lines 0 to the highest, each ended by "\r\n", then the kept tail; written
// to a temporary file renamed over the old one, so a failed write never
// destroys it. Memory files are never written; failures are skipped.
void write_back(LineCache& cache) {
  if (!cache.file_name[0] || !cache.dirty || cache.tail_lost) return;
  if (qvl_mem_file_is_name(cache.file_name)) return;
  PlatReplace replace;
  if (!plat_replace_begin(cache.file_name, replace)) return;
  bool ok = true;
  for (int i = 0; ok && i <= cache.highest_line; ++i) {
    const char* bytes = cache.whole[i] ? cache.whole[i] : cache.lines[i];
    size_t n = cache.whole[i] ? static_cast<size_t>(cache.whole_size[i]) : std::strlen(bytes);
    if (n > 0) ok = plat_file_write(replace.file, bytes, n);
    if (ok) ok = plat_file_write(replace.file, "\r\n", 2);
  }
  if (ok && cache.tail_size > 0)
    ok = plat_file_write(replace.file, cache.tail, static_cast<size_t>(cache.tail_size));
  if (ok)
    plat_replace_commit(replace);
  else
    plat_replace_abandon(replace);
}

void empty_cache(LineCache& cache) {
  for (auto& line : cache.lines) line[0] = '\0';
  for (int i = 0; i < kLineCacheLines; ++i) free_whole(cache, i);
  cache.highest_line = 0;
  cache.dirty = 0;
  cache.file_name[0] = '\0';
  free_tail(cache);
}

// Keeps whatever follows the 256th line, byte for byte.
void keep_tail(LineCache& cache, FileChannel& channel) {
  int64_t left = channel.size - channel.position;
  if (channel.position < 0 || left <= 0) return;
  cache.tail = static_cast<char*>(std::malloc(static_cast<size_t>(left)));
  bool ok = cache.tail != nullptr;
  for (int64_t done = 0; ok && done < left;) {
    int n = left - done > (1 << 20) ? (1 << 20) : static_cast<int>(left - done);
    ok = channel.read(cache.tail + done, n);
    done += n;
  }
  if (ok) {
    cache.tail_size = left;
  } else {
    free_tail(cache);
    cache.tail_lost = 1;
  }
}

// The text without its trailing control bytes (trailing blanks stay).
int trimmed_length(const char* text, size_t length) {
  int n = static_cast<int>(length);
  while (n > 0 && static_cast<unsigned char>(text[n - 1]) < 32) --n;
  return n;
}

// Truncation toward zero of a line number, with out-of-range values mapped
// to a number that fails the range check instead of to undefined behaviour.
int line_number(double line) {
  if (!(line > -2147483648.0 && line < 2147483648.0)) return -1;
  return static_cast<int>(line);
}

// More read than the cache may hold: the file grew while it loaded. The
// last line of the data leaves the position one past its end.
bool past_bound(const FileChannel& channel) {
  return channel.position > kLineCacheMaxFileBytes + 1;
}

}  // namespace

LineCache& qvl_file_linecache_state() {
  static LineCache* cache = [] {
    static LineCache storage;  // zeroed: static storage
    empty_cache(storage);
    std::atexit(qvl_file_linecache_at_exit);
    return &storage;
  }();
  return *cache;
}

double qvl_file_linecache_switch(LineCache& cache, const char* name) {
  qvl_err_clear();
  std::string key = cache_key(name);
  if (!key.empty() && key == cache.file_name) return 0;
  write_back(cache);
  empty_cache(cache);
  if (key.empty() || key.size() >= sizeof cache.file_name) {
    qvl_err_raise(kErrFile);
    return kErrFile;
  }
  std::memcpy(cache.file_name, key.c_str(), key.size() + 1);
  FileChannel channel;
  if (!channel.open_read(cache.file_name)) {
    qvl_err_raise(kErrFile);
    return kErrFile;
  }
  if (channel.size > kLineCacheMaxFileBytes) {
    // Too large to hold: nothing of it is read, and the empty cache is never
    // written over it.
    channel.close();
    cache.tail_lost = 1;
    qvl_err_raise(kErrFile);
    return kErrFile;
  }
  TextLine piece;
  std::string line;
  for (int i = 0; i < kLineCacheLines; ++i) {
    // One line of the file is one line of the cache, however long, but no
    // more of a file that grows while it loads than the cache may hold.
    if (!qvl_text_read_line(channel, piece)) break;
    line.assign(piece.text, static_cast<size_t>(piece.bytes));
    while (piece.cut && !past_bound(channel) && qvl_text_read_line(channel, piece))
      line.append(piece.text, static_cast<size_t>(piece.bytes));
    if (past_bound(channel)) {
      cache.tail_lost = 1;  // only part of it was read: never write back
      break;
    }
    if (!set_line(cache, i, line.data(), line.size())) {
      cache.tail_lost = 1;  // a line that cannot be kept: never write back
      break;
    }
    cache.highest_line = i;
  }
  if (!cache.tail_lost) keep_tail(cache, channel);
  channel.close();
  return 0;
}

double qvl_file_linecache_flush() {
  qvl_err_clear();
  LineCache& cache = qvl_file_linecache_state();
  write_back(cache);
  empty_cache(cache);
  return 0;
}

void qvl_file_linecache_at_exit() { qvl_file_linecache_flush(); }

void qvl_file_linecache_get(const char* name, unsigned line, BasicString& out) {
  qvl_err_clear();
  if (line >= static_cast<unsigned>(kLineCacheLines)) {
    out.assign_cstr("NO_DATA");
    qvl_err_raise(kErrRange);
    return;
  }
  LineCache& cache = qvl_file_linecache_state();
  if (qvl_file_linecache_switch(cache, name) != 0) {
    out.assign_cstr("NO_FILE");
    return;
  }
  const char* text = cache.whole[line] ? cache.whole[line] : cache.lines[line];
  size_t size = cache.whole[line] ? static_cast<size_t>(cache.whole_size[line])
                                  : std::strlen(text);
  int n = trimmed_length(text, strnlen(text, size));
  if (n == 0) {
    out.assign_cstr("NO_DATA");
    return;
  }
  std::string copy(text, static_cast<size_t>(n));
  out.assign_cstr(copy.c_str());
}

namespace {

// The line's text from the file the name resolves to; false (out untouched)
// when it resolves to nothing.
bool resolved_line(const BasicString& name, double line, BasicString& out) {
  BasicString resolved(name);
  if (!qvl_file_resolve(resolved)) return false;
  qvl_file_linecache_get(resolved.c_str(), static_cast<unsigned>(line_number(line)), out);
  return true;
}

}  // namespace

void qvl_file_linecache_get_string(const BasicString& name, double line, BasicString& out) {
  resolved_line(name, line, out);
}

void qvl_file_linecache_get_float(const BasicString& name, double line, double& out) {
  BasicString text;
  if (resolved_line(name, line, text)) out = qvl_fmt_atof(text.c_str());
}

void qvl_file_linecache_get_int(const BasicString& name, double line, int& out) {
  BasicString text;
  if (resolved_line(name, line, text)) out = qvl_fmt_atoi(text.c_str());
}

void qvl_file_linecache_put(const char* name, int line, const BasicString& text) {
  qvl_err_clear();
  if (static_cast<unsigned>(line) >= static_cast<unsigned>(kLineCacheLines)) {
    qvl_err_raise(kErrRange);
    return;
  }
  LineCache& cache = qvl_file_linecache_state();
  qvl_file_linecache_switch(cache, name);
  if (!cache.file_name[0]) return;  // a name that cannot be cached at all
  std::string one_line(text.c_str());
  for (char& c : one_line)
    if (c == '\r' || c == '\n') c = ' ';
  if (!set_line(cache, line, one_line.data(), one_line.size())) {
    cache.lines[line][0] = '\0';  // the put is lost; never write half a line
    return;
  }
  if (line > cache.highest_line) cache.highest_line = line;
  cache.dirty = 1;
}

void qvl_file_linecache_put_string(const BasicString& name, double line, const BasicString& text) {
  qvl_file_linecache_put(name.c_str(), line_number(line), text);
}

void qvl_file_linecache_put_number(const BasicString& name, double line, double value) {
  char digits[kQvlGcvtBufferSize];
  qvl_fmt_gcvt(value, digits);
  qvl_file_linecache_put_string(name, line, BasicString(digits));
}
