#include "platform/remove_path.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool same_file(const char* a, const char* b) {
  struct stat sa, sb;
  return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace

bool qvl_os_remove_path(const char* path) {
  if (!path || !*path) return false;
  struct stat st;
  if (lstat(path, &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) return unlink(path) == 0;

  // A folder cannot be removed while it is the current one; resolve it first
  // so that a relative path still names it after the move to the parent.
  char full[PATH_MAX];
  if (!realpath(path, full)) return false;
  if (same_file(".", full) && chdir("..") != 0) return false;
  return rmdir(full) == 0;
}
