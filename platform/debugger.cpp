#include "platform/debugger.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/append_file.h"
#include "platform/fd_write.h"

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

}  // namespace

bool qvl_os_debugger_attached() { return debug_log_file() != nullptr || tracer_attached(); }

void qvl_os_debugger_output(const char* text) {
  if (!text) return;
  size_t n = std::strlen(text);
  if (const char* path = debug_log_file()) {
    qvl_os_append_file(path, text, n);
    return;
  }
  std::fflush(stderr);
  plat_fd_write_all(STDERR_FILENO, text, n);
}
