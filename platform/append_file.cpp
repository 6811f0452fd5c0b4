#include "platform/append_file.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/fd_write.h"

bool qvl_os_append_file(const char* path, const char* bytes, size_t n) {
  if (!path) return false;
  int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = plat_fd_write_all(fd, bytes, n);
  if (close(fd) != 0) ok = false;
  return ok;
}
