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

// Ends the piece of n bytes: drops a '\r' before a found '\n', and cuts the
// text at its first NUL.
void finish_line(TextLine& line, int n, bool ended_by_newline) {
  if (ended_by_newline && n > 0 && line.text[n - 1] == '\r') --n;
  line.text[n] = '\0';
  line.length = static_cast<int>(strnlen(line.text, static_cast<size_t>(n)));
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
    finish_line(line, total, false);
    line.cut = false;
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
      finish_line(line, at, true);
      line.cut = false;
      return true;
    }
    channel.position += n;
    total += n;
    if (n < want) return end_at_data_end();  // a short slice
  }
  finish_line(line, total, false);
  line.cut = true;
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
    finish_line(line, at, true);
    line.cut = false;
    return true;
  }
  std::memcpy(line.text, start, static_cast<size_t>(n));
  if (n < max_piece) {
    channel.position = channel.size + 1;
    line.cut = false;
  } else {
    channel.position += n;
    line.cut = true;
  }
  finish_line(line, n, false);
  return true;
}

}  // namespace

bool qvl_text_read_line(FileChannel& channel, TextLine& line, int max_piece) {
  line.text[0] = '\0';
  line.length = 0;
  line.cut = false;
  if (max_piece < 1) max_piece = 1;
  if (max_piece > TextLine::kMaxPiece) max_piece = TextLine::kMaxPiece;
  if (channel.handle)
    return channel.position >= 0 && read_line_disk(channel, line, max_piece);
  if (channel.block) return read_line_memory(channel, line, max_piece);
  return false;
}

int qvl_file_path_remove(const char* path) { return plat_path_remove(path); }
