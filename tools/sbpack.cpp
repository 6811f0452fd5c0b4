// sbpack: packs files into a Strongbox archive and appends it to a file
// (normally the player's executable, after any strip: stripping afterwards
// would cut the archive off).
//
//   sbpack TARGET FILE...
//
// Each FILE is stored under its bare file name and found at run time by the
// last component of the name a program asks for. The archive uses offsets
// counted from the end of the file, so it stays valid whatever precedes it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "files/lz_codec.h"
#include "platform/ascii.h"
#include "platform/fd_write.h"
#include "platform/file_io.h"

namespace {

constexpr int64_t kMaxArchive = INT32_MAX;  // offsets are signed 32-bit

void put_le32(std::vector<uint8_t>& out, int32_t v) {
  auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

std::string base_name(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The reader's own comparison, so that no two stored names are one to it.
bool same_nocase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && plat_ascii_equal_nocase_n(a.data(), b.data(), a.size());
}

// Reads a regular file whole. Anything else (a folder, a device, a pipe) is
// refused at once, before a byte is read and without waiting for a pipe's
// writer; false with errno set (EINVAL for what is not a file).
bool read_file(const std::string& path, std::vector<uint8_t>& data) {
  int fd = plat_open_regular_fd(path.c_str());
  if (fd < 0) return false;
  bool ok = true;
  data.clear();
  uint8_t chunk[65536];
  while (ok) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    if (data.size() + static_cast<size_t>(n) > static_cast<size_t>(kMaxArchive)) {
      errno = EFBIG;
      ok = false;
      break;
    }
    data.insert(data.end(), chunk, chunk + n);
  }
  int saved = errno;
  close(fd);
  errno = saved;
  return ok;
}

bool has_trailer(int fd) {
  off_t size = lseek(fd, 0, SEEK_END);
  char tail[3];
  return size >= 7 && pread(fd, tail, 3, size - 7) == 3 &&
         std::memcmp(tail, "sbX", 3) == 0;
}

struct Entry {
  std::string name;
  int64_t position;  // of the packed data within the archive
  int32_t packed_size;
};

// Builds the archive: packed data, directory, end byte, trailer.
bool build_archive(const std::vector<std::string>& files, std::vector<uint8_t>& archive) {
  std::vector<Entry> entries;
  LzCodec codec;
  for (const std::string& path : files) {
    std::string name = base_name(path);
    if (name.empty() || name.size() > 255) {
      std::fprintf(stderr, "sbpack: %s: the stored name must have 1 to 255 bytes\n", path.c_str());
      return false;
    }
    for (const Entry& e : entries) {
      if (same_nocase(e.name, name)) {
        std::fprintf(stderr, "sbpack: %s: a file named %s is already packed\n", path.c_str(), e.name.c_str());
        return false;
      }
    }
    std::vector<uint8_t> data;
    if (!read_file(path, data)) {
      std::fprintf(stderr, "sbpack: %s: %s\n", path.c_str(), plat_open_error_text(errno));
      return false;
    }
    int packed = codec.encode(data.data(), static_cast<int>(data.size()));
    entries.push_back({name, static_cast<int64_t>(archive.size()), packed});
    archive.insert(archive.end(), codec.output, codec.output + packed);
    if (archive.size() > static_cast<size_t>(kMaxArchive) / 2) {
      std::fprintf(stderr, "sbpack: the archive grows past 1 GB\n");
      return false;
    }
  }
  // Offsets are counted back from the end of the file: work out the
  // archive's final size first.
  int64_t total = static_cast<int64_t>(archive.size()) + 1 + 7;
  for (const Entry& e : entries) total += 1 + static_cast<int64_t>(e.name.size()) + 8;
  int64_t directory = static_cast<int64_t>(archive.size());
  for (const Entry& e : entries) {
    archive.push_back(static_cast<uint8_t>(e.name.size()));
    archive.insert(archive.end(), e.name.begin(), e.name.end());
    put_le32(archive, static_cast<int32_t>(e.position - total));
    put_le32(archive, e.packed_size);
  }
  archive.push_back(0);
  archive.insert(archive.end(), {'s', 'b', 'X'});
  put_le32(archive, static_cast<int32_t>(directory - total));
  return static_cast<int64_t>(archive.size()) == total;
}

}  // namespace

int pack(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: sbpack TARGET FILE...\n"
                         "packs the files into an archive appended to TARGET\n");
    return 2;
  }
  std::vector<std::string> files(argv + 2, argv + argc);
  std::vector<uint8_t> archive;
  if (!build_archive(files, archive)) return 1;

  const char* target = argv[1];
  // The archive goes at the end of a regular file only: a pipe or a device
  // is refused at once, never waited on.
  int fd = plat_open_regular_fd(target, true);
  if (fd < 0) {
    std::fprintf(stderr, "sbpack: %s: %s\n", target, plat_open_error_text(errno));
    return 1;
  }
  if (has_trailer(fd)) {
    std::fprintf(stderr, "sbpack: %s already ends in an archive\n", target);
    close(fd);
    return 1;
  }
  off_t old_size = lseek(fd, 0, SEEK_END);
  bool ok = plat_fd_write_all(fd, archive.data(), archive.size()) && fsync(fd) == 0;
  if (!ok) {
    std::fprintf(stderr, "sbpack: %s: %s\n", target, std::strerror(errno));
    // Leave the target as it was rather than with half an archive.
    if (ftruncate(fd, old_size) != 0) std::perror("sbpack: restoring the target");
  }
  close(fd);
  if (ok)
    std::printf("sbpack: %zu file(s), %zu bytes appended to %s\n", files.size(),
                archive.size(), target);
  return ok ? 0 : 1;
}

// Whatever goes wrong ends with a reason and status 1, never an abort: the
// archive is only appended once it is complete, so the target is untouched.
int main(int argc, char** argv) {
  try {
    return pack(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sbpack: %s\n", e.what());
    return 1;
  }
}
