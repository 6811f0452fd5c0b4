#include "platform/debugger.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* debug_log_file() {
  const char* path = std::getenv("QVL_DEBUG_LOG");
  return (path && *path) ? path : nullptr;
}

// Looks the attached state up on every call, as a debugger may attach or
// detach while the program runs.
bool tracer_attached() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return false;
  char line[256];
  bool attached = false;
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, "TracerPid:", 10) == 0) {
      attached = std::atoi(line + 10) != 0;
      break;
    }
  }
  std::fclose(f);
  return attached;
}

void write_all(int fd, const char* text, size_t n) {
  while (n > 0) {
    ssize_t w = write(fd, text, n);
    if (w <= 0) return;
    text += w;
    n -= static_cast<size_t>(w);
  }
}

}  // namespace

bool qvl_os_debugger_attached() { return debug_log_file() != nullptr || tracer_attached(); }

void qvl_os_debugger_output(const char* text) {
  if (!text) return;
  size_t n = std::strlen(text);
  if (const char* path = debug_log_file()) {
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return;
    write_all(fd, text, n);
    close(fd);
    return;
  }
  std::fflush(stderr);
  write_all(STDERR_FILENO, text, n);
}
