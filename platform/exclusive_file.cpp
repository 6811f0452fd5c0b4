#include "platform/exclusive_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "platform/fd_write.h"

struct PlatNewFile {
  int fd;
  bool failed;
  size_t used;
  unsigned char buffer[64 * 1024];
};

namespace {

bool flush(PlatNewFile* f) {
  if (f->used > 0 && !f->failed) f->failed = !plat_fd_write_all(f->fd, f->buffer, f->used);
  f->used = 0;
  return !f->failed;
}

}  // namespace

PlatNewFile* plat_new_file_create(const char* path) {
  if (!path || !*path) {
    errno = ENOENT;
    return nullptr;
  }
  int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  auto* f = new (std::nothrow) PlatNewFile;
  if (!f) {
    ::close(fd);
    ::unlink(path);
    errno = ENOMEM;
    return nullptr;
  }
  f->fd = fd;
  f->failed = false;
  f->used = 0;
  return f;
}

bool plat_new_file_write(PlatNewFile* f, const void* data, size_t n) {
  if (!f || f->failed) return false;
  const auto* p = static_cast<const unsigned char*>(data);
  if (n >= sizeof f->buffer) {
    if (!flush(f)) return false;
    f->failed = !plat_fd_write_all(f->fd, p, n);
    return !f->failed;
  }
  if (f->used + n > sizeof f->buffer && !flush(f)) return false;
  std::memcpy(f->buffer + f->used, p, n);
  f->used += n;
  return true;
}

bool plat_new_file_close(PlatNewFile* f) {
  if (!f) return false;
  bool ok = flush(f);
  if (::close(f->fd) != 0) ok = false;
  delete f;
  return ok;
}
