#include "platform/console.h"

#include <cstdio>

void qvl_os_console_write_out(const char* text) {
  if (text) std::fputs(text, stdout);
  std::fflush(stdout);
}

void qvl_os_console_write_err(const char* text) {
  if (text) std::fputs(text, stderr);
  std::fflush(stderr);
}

bool qvl_os_console_read_line(char* out, int size) {
  if (!out || size <= 0) return false;
  out[0] = '\0';
  if (!std::fgets(out, size, stdin)) {
    out[0] = '\0';
    return false;
  }
  return true;
}

void qvl_os_console_open() {}
