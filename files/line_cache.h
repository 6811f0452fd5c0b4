// LineCache: read or write one numbered line of a text file without opening
// a channel. One file of up to 256 lines is held at a time; switching to
// another file writes the old one back when it was changed, and so does the
// program's exit.
#pragma once

#include <cstdint>

#include "core/basic_string.h"

// The largest file the cache takes: it holds the whole file (its lines and
// the bytes after them) in memory. A larger file is refused as one that
// cannot be opened, and never written back.
constexpr int64_t kLineCacheMaxFileBytes = int64_t(64) << 20;

constexpr int kLineCacheLines = 256;
constexpr int kLineCacheLineSize = 1024;  // a line's text and its NUL

struct LineCache {
  // Fields in their fixed order.
  char file_name[kLineCacheLineSize];  // absolute, so a change of folder does not redirect it
  char lines[kLineCacheLines][kLineCacheLineSize];
  int highest_line;  // highest line loaded or written; 0 when none
  uint8_t dirty;     // 1 after a put, until written back or switched
  // A line that its slot cannot show whole (longer than 1023 bytes, or
  // holding a NUL byte) is kept here byte for byte, its slot showing its
  // start; null for the others. A get answers from it, and the write-back
  // writes it, so that no line comes back changed unless a put changed it.
  char* whole[kLineCacheLines];
  int32_t whole_size[kLineCacheLines];
  // The bytes after the 256th line, kept as they are, so that writing the
  // cache back never cuts a longer file short.
  char* tail;
  int64_t tail_size;
  uint8_t tail_lost;  // the tail could not be kept: never write this file back
};

// The cache, emptied at first use; its write-back at exit is registered then.
LineCache& qvl_file_linecache_state();
// 0 on success or when the name is already cached, 3 when the file cannot be
// opened (error 3 raised, the program goes on; the name stays cached, empty):
// missing, no regular file (a folder, a named pipe, a device), or larger
// than kLineCacheMaxFileBytes.
double qvl_file_linecache_switch(LineCache& cache, const char* name);
// Writes a changed cache back and empties it. Returns 0.
double qvl_file_linecache_flush();
void qvl_file_linecache_at_exit();

// Line n of a file, whole and up to its first NUL: "NO_DATA" (error 7) for
// n >= 256, "NO_FILE" when the file cannot be opened, "NO_DATA" for an empty
// line; trailing control bytes are removed.
void qvl_file_linecache_get(const char* name, unsigned line, BasicString& out);
// The forms the language calls: the name is resolved first (disk, memory file
// or archive); when it is found nowhere the result is left unchanged.
void qvl_file_linecache_get_string(const BasicString& name, double line, BasicString& out);
void qvl_file_linecache_get_float(const BasicString& name, double line, double& out);
void qvl_file_linecache_get_int(const BasicString& name, double line, int& out);

// Puts a text into line n (0 to 255, else error 7). The name is used as given;
// a missing file is created at write-back. The text is taken up to its first
// NUL, whole (its slot shows the first 1023 bytes), and line breaks inside it
// become blanks so they cannot add lines.
void qvl_file_linecache_put(const char* name, int line, const BasicString& text);
void qvl_file_linecache_put_string(const BasicString& name, double line, const BasicString& text);
void qvl_file_linecache_put_number(const BasicString& name, double line, double value);
