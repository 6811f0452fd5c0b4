#include "platform/temp_folder.h"

#include <cstdlib>
#include <cstring>

int qvl_os_temp_folder(char* out, int size) {
  if (!out || size <= 0) return 0;
  const char* dir = std::getenv("TMPDIR");
  if (!dir || !*dir) dir = "/tmp/";
  size_t n = std::strlen(dir);
  bool needs_slash = dir[n - 1] != '/';
  if (n + (needs_slash ? 1 : 0) + 1 > static_cast<size_t>(size)) {
    dir = "/tmp/";
    n = 5;
    needs_slash = false;
    if (n + 1 > static_cast<size_t>(size)) {
      out[0] = '\0';
      return 0;
    }
  }
  std::memcpy(out, dir, n);
  if (needs_slash) out[n++] = '/';
  out[n] = '\0';
  return static_cast<int>(n);
}
