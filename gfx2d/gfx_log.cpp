#include "gfx2d/gfx_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/logs.h"

void qvl_gfx_log(const char* format, ...) {
  char line[2048];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (n < 0) return;
  size_t flen = std::strlen(format);
  if (n >= static_cast<int>(sizeof line) && flen > 0 && format[flen - 1] == '\n')
    line[sizeof line - 2] = '\n';
  qvl_log_error_file(line);
}
