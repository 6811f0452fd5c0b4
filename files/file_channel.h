// FileChannel: one open file, on disk or on a block of memory (a MemFile).
// Every loader of the runtime keeps one of these for its own files, and the
// language's eight numbered channels are a table of them (file_commands.h).
#pragma once

#include <cstdint>

struct PlatFile;

struct FileChannel {
  // Fields in their fixed order.
  PlatFile* handle = nullptr;           // open disk file; null when closed or in memory
  const unsigned char* block = nullptr;  // a MemFile's bytes; never owned
  int64_t size = 0;      // taken at open; writes do not change it
  int64_t position = 0;  // moved by reads, line reads and seeks only

  bool is_open() const { return handle != nullptr || block != nullptr; }

  // Opens a disk file or a "mem://" name for reading; closes what the record
  // held first. False for an empty name, a missing file, a folder, a file
  // already open, or a "mem://" name that names no live block.
  bool open_read(const char* name);
  // A new empty disk file at the name, for reading and writing. Whatever
  // file or symbolic link was there is replaced, not written through (a
  // link's target and a hard-linked twin keep their contents). False for a
  // "mem://" name, a folder (never removed), a file that is already open and
  // a file the user may not write.
  bool open_write(const char* name);
  // Opens a disk file for writing at its end, creating it when missing;
  // size and position stay 0.
  bool open_append(const char* name);
  void close();

  // Reads count bytes at the position. Disk: true only when all of them
  // came. Memory: copies what is left of the block (possibly nothing) and
  // succeeds, unless the position lies outside the block.
  bool read(void* destination, int count);
  // Writes all bytes to a disk file; false for memory or closed records.
  bool write_all(const void* data, int count);
  // origin 1: from the position, 2: from the size, anything else: absolute.
  // The new position is stored even when it is refused.
  bool seek(int64_t offset, int origin);
};
static_assert(sizeof(FileChannel) == 32, "FileChannel is two pointers and two 64-bit words");

// Removes a file or an empty folder: -1 when missing, 1 when removed, 0 when
// it could not be (a folder that is not empty, a file open here, ...).
int qvl_file_path_remove(const char* path);

// The shared rule for text lines, used by the channels, the INI loader and
// the line cache, and the same for disk and memory channels:
// - '\n' ends a line and is consumed; a '\r' right before it is dropped;
// - the end of the data ends the last line (a '\r' right before it is
//   dropped too), and the position then stands one past the size (so the
//   next read finds no data);
// - a line longer than the piece size comes in pieces of exactly that size;
//   a line that just fills a piece takes its line end with it, so that it
//   never comes back followed by an empty line;
// - text is cut at its first NUL byte (the whole line is still consumed);
//   bytes counts every byte of the piece, NULs and what follows included.
struct TextLine {
  static constexpr int kMaxPiece = 1024;
  char text[kMaxPiece + 1];  // the piece's bytes, then a NUL
  int length;                // bytes before the first NUL
  int bytes;                 // all bytes of the piece
  bool cut;                  // the line goes on in the next piece
};

// Reads the next line (or piece of one, of at most max_piece bytes, 1 to
// 1024). False, with nothing consumed, when there is no data left, the read
// fails or the channel is closed.
bool qvl_text_read_line(FileChannel& channel, TextLine& line,
                        int max_piece = TextLine::kMaxPiece);
