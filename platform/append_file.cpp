#include "platform/append_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fd_write.h"
#include "platform/file_io.h"

bool qvl_os_append_file(const char* path, const char* bytes, size_t n) {
  if (!path) return false;
  int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = plat_fd_write_all(fd, bytes, n);
  if (close(fd) != 0) ok = false;
  return ok;
}

namespace {

// A regular file of this user's with no second name: a hard link planted
// by someone else cannot lead the bytes into a file elsewhere.
bool is_own_file(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() &&
         st.st_nlink == 1;
}

// The descriptor of the file when it is ours, else -1. O_NONBLOCK keeps a
// pipe without a reader from holding the open (it fails with ENXIO) and
// one with a reader is refused by the check; it is cleared for the write.
int open_own(const char* path, int extra_flags) {
  int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC |
                          extra_flags,
                0644);
  if (fd < 0) return -1;
  if (!is_own_file(fd) || !plat_fd_set_blocking(fd)) {
    close(fd);
    return -1;
  }
  return fd;
}

// Removes what stands at the path, never through a link: true when it went.
bool remove_entry(const char* path) {
  struct stat st;
  if (lstat(path, &st) != 0) return false;
  return (S_ISDIR(st.st_mode) ? rmdir(path) : unlink(path)) == 0;
}

}  // namespace

bool qvl_os_append_own_file(const char* path, const char* bytes, size_t n) {
  if (!path) return false;
  int fd = open_own(path, 0);
  // Made anew, exclusively: something planted again in between is not taken.
  if (fd < 0 && remove_entry(path)) fd = open_own(path, O_EXCL);
  if (fd < 0) return false;
  bool ok = plat_fd_write_all(fd, bytes, n);
  if (close(fd) != 0) ok = false;
  return ok;
}

unsigned qvl_os_user_id() { return static_cast<unsigned>(geteuid()); }
