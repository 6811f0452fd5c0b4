#include "files/file_commands.h"

#include <climits>
#include <cstring>

#include "core/error_state.h"
#include "files/file_resolve.h"
#include "files/mem_file.h"
#include "platform/file_io.h"

namespace {

constexpr int kErrFile = 3;
constexpr int kErrRange = 7;

// The table closes its disk files at exit, last channel first; memory
// channels are only forgotten.
struct ChannelTable {
  FileChannel entries[kFileChannelCount];
  ~ChannelTable() {
    for (int i = kFileChannelCount - 1; i >= 0; --i)
      if (entries[i].handle) entries[i].close();
  }
};

ChannelTable g_table;

// Names read through a channel come from disk, a memory file or the archive.
bool resolve_read_name(BasicString& name) { return qvl_file_resolve(name); }

// The channel record, or null after error 7 and END for a number out of
// range (END returns only while the program is already ending).
FileChannel* channel_or_end(int channel) {
  if (static_cast<unsigned>(channel) < kFileChannelCount)
    return &g_table.entries[channel];
  qvl_err_raise(kErrRange);
  qvl_err_end_program_once();
  return nullptr;
}

void fail_and_end() {
  qvl_err_raise(kErrFile);
  qvl_err_end_program_once();
}

// Fills bytes (zeroed first) from the channel; a failed read ends the
// program, and a short memory read leaves the missing bytes 0.
void read_raw(int channel, unsigned char* bytes, int count) {
  std::memset(bytes, 0, static_cast<size_t>(count));
  FileChannel* ch = channel_or_end(channel);
  if (!ch) return;
  if (!ch->read(bytes, count)) fail_and_end();
}

void write_raw(int channel, const void* bytes, int count) {
  FileChannel* ch = channel_or_end(channel);
  if (!ch) return;
  if (!ch->write_all(bytes, count)) fail_and_end();
}

uint32_t load_le(const unsigned char* b, int width) {
  uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = (v << 8) | b[i];
  return v;
}

void write_le(int channel, uint32_t value, int width) {
  unsigned char b[4];
  for (int i = 0; i < width; ++i) b[i] = static_cast<unsigned char>(value >> (8 * i));
  write_raw(channel, b, width);
}

}  // namespace

FileChannel* qvl_file_channel_table() { return g_table.entries; }

bool qvl_file_channel_open(int channel, const BasicString& name, int mode) {
  qvl_err_clear();
  if (static_cast<unsigned>(channel) >= kFileChannelCount) {
    qvl_err_raise(kErrRange);
    return false;
  }
  FileChannel& ch = g_table.entries[channel];
  ch.close();
  if (mode > 0) {
    BasicString resolved(name);
    if (!resolve_read_name(resolved)) {
      qvl_err_raise(kErrFile);
      return false;
    }
    return ch.open_read(resolved.c_str());
  }
  bool ok = mode == 0 ? ch.open_write(name.c_str()) : ch.open_append(name.c_str());
  if (!ok) {
    ch.close();
    qvl_err_raise(kErrFile);
  }
  return ok;
}

void qvl_file_channel_close(int channel) {
  qvl_err_clear();
  if (FileChannel* ch = channel_or_end(channel)) ch->close();
}

int qvl_file_channel_free() {
  for (int i = 0; i < kFileChannelCount; ++i)
    if (!g_table.entries[i].is_open()) return i;
  return -1;
}

bool qvl_file_channel_eof(int channel) {
  if (static_cast<unsigned>(channel) >= kFileChannelCount) {
    qvl_err_raise(kErrRange);  // reported, but a question does not end the program
    return true;
  }
  const FileChannel& ch = g_table.entries[channel];
  if (!ch.is_open()) qvl_err_raise(kErrFile);
  return ch.position >= ch.size;
}

void qvl_file_close_all() {
  for (FileChannel& ch : g_table.entries) ch.close();
}

// --- Typed reads -----------------------------------------------------------------

void qvl_file_channel_read_int8(int channel, int& value) {
  unsigned char b[1];
  read_raw(channel, b, 1);
  value = static_cast<int8_t>(b[0]);
}

void qvl_file_channel_read_uint8(int channel, int& value) {
  unsigned char b[1];
  read_raw(channel, b, 1);
  value = b[0];
}

void qvl_file_channel_read_int16(int channel, int& value) {
  unsigned char b[2];
  read_raw(channel, b, 2);
  value = static_cast<int16_t>(load_le(b, 2));
}

void qvl_file_channel_read_uint16(int channel, int& value) {
  unsigned char b[2];
  read_raw(channel, b, 2);
  value = static_cast<int>(load_le(b, 2));
}

void qvl_file_channel_read_int32(int channel, int& value) {
  unsigned char b[4];
  read_raw(channel, b, 4);
  value = static_cast<int32_t>(load_le(b, 4));
}

void qvl_file_channel_read_uint32(int channel, int& value) {
  qvl_file_channel_read_int32(channel, value);
}

void qvl_file_channel_read_float(int channel, double& value) {
  unsigned char b[4];
  read_raw(channel, b, 4);
  uint32_t bits = load_le(b, 4);
  float f;
  std::memcpy(&f, &bits, 4);
  value = f;
}

void qvl_file_channel_read_double(int channel, double& value) {
  unsigned char b[8];
  read_raw(channel, b, 8);
  uint64_t bits = (static_cast<uint64_t>(load_le(b + 4, 4)) << 32) | load_le(b, 4);
  std::memcpy(&value, &bits, 8);
}

void qvl_file_channel_read_line(int channel, BasicString& line) {
  FileChannel* ch = channel_or_end(channel);
  if (!ch) return;
  // The string keeps a buffer an operating-system read may fill whole.
  line.reserve_os_buffer(true);
  std::memset(line.text, 0, TextLine::kMaxPiece);
  TextLine piece;
  if (!qvl_text_read_line(*ch, piece)) {
    line.length = 0;
    fail_and_end();
    return;
  }
  std::memcpy(line.text, piece.text, static_cast<size_t>(piece.length) + 1);
  line.length = piece.length;
}

void qvl_file_channel_read_line_float(int channel, double& value) {
  BasicString line;
  qvl_file_channel_read_line(channel, line);
  value = line.to_double();
}

void qvl_file_channel_read_line_int(int channel, int& value) {
  BasicString line;
  qvl_file_channel_read_line(channel, line);
  value = line.to_int();
}

void qvl_file_channel_read_bytes(int channel, BasicString& out, int count) {
  if (count <= 0) {
    out.truncate(0);
    return;
  }
  FileChannel* ch = channel_or_end(channel);
  if (!ch) return;
  // A count taken from data is checked before anything is allocated: it
  // must fit a string, and a disk file must still hold that many bytes (the
  // read would fail anyway); a memory channel must stand inside its block.
  bool possible = count <= INT_MAX - 64 && ch->is_open();
  if (possible && ch->handle) possible = count <= ch->size - ch->position;
  if (possible && ch->block) possible = ch->position >= 0 && ch->position <= ch->size;
  if (!possible) {
    out.truncate(0);
    fail_and_end();
    return;
  }
  out.reserve(count + 32, false);
  std::memset(out.text, 0, static_cast<size_t>(count) + 1);
  if (!ch->read(out.text, count)) {
    out.truncate(0);
    fail_and_end();
    return;
  }
  out.length = count;
  out.text[count] = '\0';
}

// --- Typed writes --------------------------------------------------------------

void qvl_file_channel_write_int8(int channel, int value) {
  write_le(channel, static_cast<uint32_t>(value), 1);
}
void qvl_file_channel_write_uint8(int channel, int value) {
  write_le(channel, static_cast<uint32_t>(value), 1);
}
void qvl_file_channel_write_int16(int channel, int value) {
  write_le(channel, static_cast<uint32_t>(value), 2);
}
void qvl_file_channel_write_uint16(int channel, int value) {
  write_le(channel, static_cast<uint32_t>(value), 2);
}
void qvl_file_channel_write_int32(int channel, int value) {
  write_le(channel, static_cast<uint32_t>(value), 4);
}
void qvl_file_channel_write_uint32(int channel, int value) {
  write_le(channel, static_cast<uint32_t>(value), 4);
}

void qvl_file_channel_write_float(int channel, double value) {
  float f = static_cast<float>(value);
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  write_le(channel, bits, 4);
}

void qvl_file_channel_write_double(int channel, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  unsigned char b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(bits >> (8 * i));
  write_raw(channel, b, 8);
}

void qvl_file_channel_write_string(int channel, const BasicString& text) {
  if (static_cast<unsigned>(channel) < kFileChannelCount && text.length <= 0)
    return;
  write_raw(channel, text.text, text.length);
}

void qvl_file_channel_write_line(int channel, const BasicString& text) {
  FileChannel* ch = channel_or_end(channel);
  if (!ch) return;
  if ((text.length > 0 && !ch->write_all(text.text, text.length)) ||
      !ch->write_all("\r\n", 2))
    fail_and_end();
}

int64_t qvl_file_channel_position(int channel) {
  FileChannel* ch = channel_or_end(channel);
  return ch ? ch->position : 0;
}

void qvl_file_channel_seek(int channel, int64_t offset, int mode) {
  FileChannel* ch = channel_or_end(channel);
  if (!ch || !ch->is_open()) return;
  // A position the system refuses (before the start) stays stored and makes
  // the next read fail.
  if (mode < 0)
    ch->seek(offset, 2);
  else if (mode > 0)
    ch->seek(offset, 1);
  else
    ch->seek(offset, 0);
}

// --- Copy ------------------------------------------------------------------------

void qvl_file_copy(const BasicString& from, const BasicString& to) {
  qvl_err_clear();
  BasicString source(from);
  if (!resolve_read_name(source)) return;
  // The copy goes to a temporary file beside the destination and takes its
  // name only once complete: a copy that fails (a full disk, a bad read)
  // leaves an old destination as it was.
  FileChannel in;
  PlatReplace out;
  if (!in.open_read(source.c_str()) || qvl_mem_file_is_name(to.c_str()) ||
      !plat_replace_begin(to.c_str(), out)) {
    in.close();
    qvl_err_raise(kErrFile);
    return;
  }
  static unsigned char chunk[4096];
  bool ok = true;
  for (int64_t left = in.size; ok && left > 0;) {
    int n = left < static_cast<int64_t>(sizeof chunk) ? static_cast<int>(left)
                                                       : static_cast<int>(sizeof chunk);
    ok = in.read(chunk, n) && plat_file_write(out.file, chunk, static_cast<size_t>(n));
    left -= n;
  }
  in.close();
  if (ok) ok = plat_replace_commit(out);
  else plat_replace_abandon(out);
  if (!ok) qvl_err_raise(kErrFile);
}
