#include "files/strongbox.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/lz_codec.h"
#include "files/mem_file.h"
#include "platform/ascii.h"
#include "platform/file_io.h"
#include "platform/new_file.h"
#include "platform/temp_folder.h"

Strongbox* qvl_arc_resolver = nullptr;
Strongbox* qvl_arc_movie = nullptr;

namespace {

constexpr int kTrailerSize = 7;  // "sbX" + directory offset

// The archive file, opened for one lookup and closed on every way out.
class ArchiveFile {
 public:
  explicit ArchiveFile(const char* path)
      : file_(plat_file_open(path, PlatOpenMode::read)) {
    if (file_) size_ = plat_file_size(file_);
  }
  ~ArchiveFile() { close(); }
  ArchiveFile(const ArchiveFile&) = delete;
  ArchiveFile& operator=(const ArchiveFile&) = delete;

  bool is_open() const { return file_ != nullptr && size_ >= 0; }
  int64_t size() const { return size_; }
  void close() {
    plat_file_close(file_);
    file_ = nullptr;
  }

  // Reads exactly count bytes at position; false for any part outside
  // [0, limit) or a short read. Nothing outside the file is ever asked for.
  bool read_at(int64_t position, void* destination, int64_t count,
               int64_t limit) {
    if (!file_ || position < 0 || count < 0 || position > limit ||
        count > limit - position)
      return false;
    if (!plat_file_seek(file_, position)) return false;
    size_t got = 0;
    return plat_file_read(file_, destination, static_cast<size_t>(count), &got) &&
           got == static_cast<size_t>(count);
  }

 private:
  PlatFile* file_ = nullptr;
  int64_t size_ = -1;
};

int32_t load_le32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 |
                              uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24);
}

// The request's last path component: the text after its last '/' or '\'.
const char* last_component(const char* name) {
  const char* last = name;
  for (const char* p = name; *p; ++p)
    if (*p == '/' || *p == '\\') last = p + 1;
  return last;
}

// A stored name that could leave the temporary folder or cut a path short.
bool unsafe_entry_name(const StrongboxEntry& e) {
  for (int i = 0; i < e.name_length; ++i) {
    char c = e.name[i];
    if (c == '/' || c == '\\' || c == '\0') return true;
  }
  return false;
}

std::string temp_folder() {
  char folder[Strongbox::kPathSize];
  qvl_os_temp_folder(folder, sizeof folder);
  return folder;
}

void set_result(char* result, const char* text) {
  std::snprintf(result, Strongbox::kPathSize, "%s", text);
}

// Where the directory walk may read: the directory lies between its start
// and the trailer.
struct Directory {
  int64_t start = 0;
  int64_t end = 0;
  bool from_end = false;
};

enum class Trailer { ok, missing, bad };

Trailer read_trailer(ArchiveFile& archive, Directory& dir) {
  int64_t size = archive.size();
  if (size < kTrailerSize) return Trailer::missing;
  uint8_t trailer[kTrailerSize];
  if (!archive.read_at(size - kTrailerSize, trailer, kTrailerSize, size))
    return Trailer::bad;
  if (std::memcmp(trailer, "sbX", 3) != 0) return Trailer::missing;
  int32_t offset = load_le32(trailer + 3);
  dir.from_end = offset < 0;
  dir.start = dir.from_end ? size + offset : offset;
  dir.end = size - kTrailerSize;
  if (dir.start < 0 || dir.start > dir.end) return Trailer::bad;
  return Trailer::ok;
}

// Walks the directory for the entry named like the request's last
// component. False when it is absent or the directory is damaged.
bool find_entry(ArchiveFile& archive, const Directory& dir, const char* request,
                StrongboxEntry& found) {
  const char* wanted = last_component(request);
  size_t m = std::strlen(wanted);
  int64_t at = dir.start;
  for (;;) {
    StrongboxEntry e{};
    if (!archive.read_at(at, &e.name_length, 1, dir.end)) return false;
    if (e.name_length == 0) return false;
    ++at;
    uint8_t numbers[8];
    if (!archive.read_at(at, e.name, e.name_length, dir.end) ||
        !archive.read_at(at + e.name_length, numbers, 8, dir.end))
      return false;
    at += e.name_length + 8;
    e.offset = load_le32(numbers);
    e.packed_size = load_le32(numbers + 4);
    // The whole stored name must equal the component, never a prefix of it
    // up to an embedded NUL.
    if (e.name_length == m && !unsafe_entry_name(e) &&
        plat_ascii_equal_nocase_n(e.name, wanted, m)) {
      found = e;
      return true;
    }
  }
}

// Reads and unpacks an entry. False when its data lies outside the file or
// does not decode to its end marker.
bool unpack_entry(ArchiveFile& archive, const Directory& dir,
                  const StrongboxEntry& e, LzCodec& codec) {
  int64_t start = dir.from_end ? archive.size() + e.offset : e.offset;
  if (e.packed_size < 0) return false;
  // A size from the directory is checked against the file before anything
  // is allocated for it: a lying entry must not cost gigabytes.
  if (start < 0 || start > archive.size() || e.packed_size > archive.size() - start)
    return false;
  if (e.packed_size == 0) {
    // No stream at all: an empty file, like a stream holding only its end.
    codec.reset_output();
    archive.close();
    return true;
  }
  // Rounded up to whole 32-bit words, at least one byte more than packed.
  size_t allocation = (static_cast<size_t>(e.packed_size) + 4) / 4 * 4;
  uint8_t* packed = static_cast<uint8_t*>(std::calloc(allocation, 1));
  if (!packed) return false;
  bool ok = archive.read_at(start, packed, e.packed_size, archive.size());
  archive.close();
  if (ok) {
    codec.decode(packed, e.packed_size);
    ok = codec.complete;
  }
  std::free(packed);
  return ok;
}

}  // namespace

void Strongbox::drop_product() {
  if (last_block) {
    qvl_mem_file_release(last_block);
    last_block = nullptr;
  } else if (last_temp_file[0]) {
    std::remove(last_temp_file);
  }
  last_temp_file[0] = '\0';
}

void Strongbox::set_path(const char* path) {
  usable = 1;
  drop_product();
  archive_path[0] = '\0';
  // An over-long path is refused (left empty), never cut to another file.
  if (path && std::strlen(path) < sizeof archive_path)
    std::memcpy(archive_path, path, std::strlen(path) + 1);
}

bool Strongbox::resolve(const char* name, char* result, bool to_memory) {
  // A request for the block this reader handed out last keeps that block:
  // a loader may resolve its own MemFile name once more before reading it.
  bool keep_block = false;
  if (last_block && qvl_mem_file_is_name(name)) {
    const uint8_t* block = nullptr;
    uint32_t size = 0;
    if (qvl_mem_file_acquire(name, &block, &size)) {
      keep_block = block == last_block;
      qvl_mem_file_unpin(block);
    }
  }
  if (!keep_block) drop_product();

  result[0] = '\0';
  if (!name || !name[0] || std::strlen(name) >= kPathSize) return false;
  set_result(result, name);

  if (qvl_mem_file_is_name(name)) return qvl_mem_file_known(name);
  PlatPathInfo info = plat_path_info(name);
  if (info.exists && !info.is_dir) return true;
  if (!usable) return false;

  if (!archive_path[0]) {
    usable = 0;
    return false;
  }
  ArchiveFile archive(archive_path);
  if (!archive.is_open()) {
    usable = 0;
    return false;
  }
  Directory dir;
  switch (read_trailer(archive, dir)) {
    case Trailer::missing:
      usable = 0;
      return false;
    case Trailer::bad:
      result[0] = '\0';
      return false;
    case Trailer::ok:
      break;
  }
  StrongboxEntry entry{};
  LzCodec codec;
  if (!find_entry(archive, dir, name, entry) ||
      !unpack_entry(archive, dir, entry, codec)) {
    result[0] = '\0';
    return false;
  }
  if (to_memory) return hand_out_block(codec, result);
  if (!write_temp_file(entry, codec, result)) {
    set_result(result, name);
    return false;
  }
  return true;
}

// The unpacked bytes become a MemFile owned by this reader until its next
// lookup; the codec gives the block up without a copy.
bool Strongbox::hand_out_block(LzCodec& codec, char* result) {
  uint32_t length = static_cast<uint32_t>(codec.output_length);
  uint8_t* block = codec.take_output();
  // An empty entry still needs a block of its own to be named.
  if (!block) block = static_cast<uint8_t*>(std::calloc(1, 1));
  if (!block || !qvl_mem_file_register(block, length, std::free, result)) {
    std::free(block);
    result[0] = '\0';
    return false;
  }
  last_block = block;
  return true;
}

// The unpacked bytes go to "sbx" + two letters from the entry's offset and
// size + its stored name in the temporary folder, created as a new file.
bool Strongbox::write_temp_file(const StrongboxEntry& entry, const LzCodec& codec,
                                char* result) {
  std::string path = temp_folder();
  path += "sbx";
  path += static_cast<char>('A' + (entry.offset & 0xFF) % 26);
  path += static_cast<char>('A' + (entry.packed_size & 0xFF) % 26);
  path.append(entry.name, entry.name_length);
  // Room for the six characters a unique name may add.
  if (path.size() >= kPathSize - 6 ||
      !plat_file_write_new(path, entry.name_length, codec.output,
                           static_cast<size_t>(codec.output_length)))
    return false;
  set_result(last_temp_file, path.c_str());
  set_result(result, path.c_str());
  return true;
}

void qvl_arc_create() {
  if (!qvl_arc_resolver) qvl_arc_resolver = new Strongbox();
  if (!qvl_arc_movie) qvl_arc_movie = new Strongbox();
}

void qvl_arc_set_paths(const BasicString& resolving_path,
                       const BasicString& movie_path) {
  if (qvl_arc_resolver) qvl_arc_resolver->set_path(resolving_path.c_str());
  if (qvl_arc_movie) qvl_arc_movie->set_path(movie_path.c_str());
}

void qvl_arc_release() {
  for (Strongbox** reader : {&qvl_arc_movie, &qvl_arc_resolver}) {
    delete *reader;  // the destructor drops the block or temporary file
    *reader = nullptr;
  }
}
