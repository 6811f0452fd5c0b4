#include "platform/new_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/fd_write.h"

bool plat_file_write_new(std::string& path, size_t suffix_length,
                         const void* data, size_t size) {
  if (path.empty()) return false;
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0 && errno == EEXIST) {
    if (suffix_length > path.size()) suffix_length = path.size();
    std::string pattern = path;
    pattern.insert(pattern.size() - suffix_length, "XXXXXX");
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    fd = mkostemps(buffer.data(), static_cast<int>(suffix_length), O_CLOEXEC);
    if (fd >= 0) path.assign(buffer.data());
  }
  if (fd < 0) return false;
  bool ok = plat_fd_write_all(fd, data, size);
  if (close(fd) != 0) ok = false;
  if (!ok) unlink(path.c_str());
  return ok;
}
