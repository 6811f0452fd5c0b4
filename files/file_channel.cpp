#include "files/file_channel.h"

#include <cstdint>
#include <cstring>

#include "files/mem_file.h"
#include "platform/file_io.h"

namespace {

// Positions come from programs: an offset near the 64-bit limits stops at
// the limit instead of wrapping around.
int64_t saturating_add(int64_t a, int64_t b) {
  int64_t sum;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? INT64_MAX : INT64_MIN;
}

}  // namespace

bool FileChannel::open_read(const char* name) {
  close();
  if (!name || !*name) return false;
  if (qvl_mem_file_is_name(name)) {
    // Only a live registered block opens; the pin keeps it alive until close.
    const uint8_t* data = nullptr;
    uint32_t bytes = 0;
    if (!qvl_mem_file_acquire(name, &data, &bytes)) return false;
    block = data;
    size = bytes;
    position = 0;
    return true;
  }
  handle = plat_file_open(name, PlatOpenMode::read);
  if (!handle) return false;
  position = 0;
  size = plat_file_size(handle);
  if (size < 0) size = 0;
  return true;
}

bool FileChannel::open_write(const char* name) {
  close();
  if (!name || !*name || qvl_mem_file_is_name(name)) return false;
  // A new file takes the name's place: a file open here, a folder and a
  // read-only file are refused, and a link is replaced, never written through.
  handle = plat_file_open(name, PlatOpenMode::create);
  size = 0;
  position = 0;
  return handle != nullptr;
}

bool FileChannel::open_append(const char* name) {
  close();
  if (!name || !*name || qvl_mem_file_is_name(name)) return false;
  handle = plat_file_open(name, PlatOpenMode::append);
  size = 0;
  position = 0;
  return handle != nullptr;
}

void FileChannel::close() {
  if (handle) plat_file_close(handle);
  if (block) qvl_mem_file_unpin(block);
  handle = nullptr;
  block = nullptr;
  size = 0;
  position = 0;
}

bool FileChannel::read(void* destination, int count) {
  if (count < 0) return false;
  if (handle) {
    if (position < 0) return false;  // a refused seek before the start
    position = saturating_add(position, count);
    size_t got = 0;
    if (!plat_file_read(handle, destination, static_cast<size_t>(count), &got))
      return false;
    return got == static_cast<size_t>(count);
  }
  if (block) {
    // A position before the block, or beyond its end, reads nothing.
    if (position < 0 || position > size) return false;
    int64_t left = size - position;
    int64_t n = count < left ? count : left;
    if (n > 0) std::memcpy(destination, block + position, static_cast<size_t>(n));
    position += n;
    return true;
  }
  return false;
}

bool FileChannel::write_all(const void* data, int count) {
  if (!handle || count < 0) return false;
  return plat_file_write(handle, data, static_cast<size_t>(count));
}

bool FileChannel::seek(int64_t offset, int origin) {
  if (!is_open()) return false;
  if (origin == 1)
    position = saturating_add(position, offset);
  else if (origin == 2)
    position = saturating_add(size, offset);
  else
    position = offset;
  if (handle) return plat_file_seek(handle, position);
  return position >= 0 && position <= size;
}

// --- Text lines --------------------------------------------------------------------

namespace {

// Ends the piece of n bytes, dropping a '\r' that stood right before its
// line end (a '\n', or the end of the data); text is cut at its first NUL
// while bytes keeps them all.
void finish_line(TextLine& line, int n, bool drop_cr, bool cut) {
  if (drop_cr && n > 0 && line.text[n - 1] == '\r') --n;
  line.text[n] = '\0';
  line.bytes = n;
  line.length = static_cast<int>(strnlen(line.text, static_cast<size_t>(n)));
  line.cut = cut;
}

// What follows a piece that filled max_piece bytes without a '\n'.
enum class AfterPiece {
  newline,       // a '\n': the line ends, the '\n' is consumed
  cr_newline,    // "\r\n": the line ends, both are consumed
  end_of_data,   // nothing: the line ends with the data
  more,          // the line goes on: the piece is cut
};

AfterPiece classify(const unsigned char* next, size_t got) {
  if (got == 0) return AfterPiece::end_of_data;
  if (next[0] == '\n') return AfterPiece::newline;
  if (got == 2 && next[0] == '\r' && next[1] == '\n') return AfterPiece::cr_newline;
  return AfterPiece::more;
}

// A full piece is only cut when the line really goes on, so a line that
// just fits never leaves its line end behind as an empty line of its own.
// Moves the position past what it consumed.
void finish_full_piece(FileChannel& channel, TextLine& line, int n, AfterPiece after) {
  switch (after) {
    case AfterPiece::newline:
      channel.position += 1;
      finish_line(line, n, true, false);
      break;
    case AfterPiece::cr_newline:
      channel.position += 2;
      finish_line(line, n, false, false);
      break;
    case AfterPiece::end_of_data:
      channel.position += 1;  // one past the size, as every last line ends
      finish_line(line, n, true, false);
      break;
    case AfterPiece::more:
      finish_line(line, n, false, true);
      break;
  }
}

// Disk: 64-byte slices from the file's buffer, one seek back to just after
// the '\n' that ends the line.
bool read_line_disk(FileChannel& channel, TextLine& line, int max_piece) {
  constexpr int kSlice = 64;
  int total = 0;
  // The end of the data ends the line, one past the size, as a memory
  // channel ends it.
  auto end_at_data_end = [&] {
    channel.position += 1;
    plat_file_seek(channel.handle, channel.position);
    finish_line(line, total, true, false);
    return true;
  };
  while (total < max_piece) {
    int want = max_piece - total < kSlice ? max_piece - total : kSlice;
    size_t got = 0;
    if (!plat_file_read(channel.handle, line.text + total,
                        static_cast<size_t>(want), &got))
      return false;
    if (got == 0) {
      if (total == 0) return false;  // no data left at all
      return end_at_data_end();      // it ended right after a full slice
    }
    int n = static_cast<int>(got);
    void* newline = std::memchr(line.text + total, '\n', got);
    if (newline) {
      int at = static_cast<int>(static_cast<char*>(newline) - line.text);
      channel.position += at - total + 1;
      plat_file_seek(channel.handle, channel.position);
      finish_line(line, at, true, false);
      return true;
    }
    channel.position += n;
    total += n;
    if (n < want) return end_at_data_end();  // a short slice
  }
  unsigned char next[2];
  size_t got = 0;
  AfterPiece after = AfterPiece::more;
  if (plat_file_read(channel.handle, next, sizeof next, &got)) after = classify(next, got);
  finish_full_piece(channel, line, total, after);
  plat_file_seek(channel.handle, channel.position);
  return true;
}

bool read_line_memory(FileChannel& channel, TextLine& line, int max_piece) {
  if (channel.position < 0 || channel.position >= channel.size) return false;
  int64_t left = channel.size - channel.position;
  int n = left < max_piece ? static_cast<int>(left) : max_piece;
  const unsigned char* start = channel.block + channel.position;
  const void* newline = std::memchr(start, '\n', static_cast<size_t>(n));
  if (newline) {
    int at = static_cast<int>(static_cast<const unsigned char*>(newline) - start);
    std::memcpy(line.text, start, static_cast<size_t>(at));
    channel.position += at + 1;
    finish_line(line, at, true, false);
    return true;
  }
  std::memcpy(line.text, start, static_cast<size_t>(n));
  if (n < max_piece) {
    channel.position = channel.size + 1;
    finish_line(line, n, true, false);
    return true;
  }
  channel.position += n;
  const int64_t rest = channel.size - channel.position;
  finish_full_piece(channel, line, n,
                    classify(start + n, static_cast<size_t>(rest < 2 ? rest : 2)));
  return true;
}

}  // namespace

bool qvl_text_read_line(FileChannel& channel, TextLine& line, int max_piece) {
  line.text[0] = '\0';
  line.length = 0;
  line.bytes = 0;
  line.cut = false;
  if (max_piece < 1) max_piece = 1;
  if (max_piece > TextLine::kMaxPiece) max_piece = TextLine::kMaxPiece;
  if (channel.handle)
    return channel.position >= 0 && read_line_disk(channel, line, max_piece);
  if (channel.block) return read_line_memory(channel, line, max_piece);
  return false;
}

int qvl_file_path_remove(const char* path) { return plat_path_remove(path); }
