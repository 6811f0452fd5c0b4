// The error log of the test's own temporary folder, read back whole.
#pragma once

#include <cstdio>
#include <string>

#include "platform/temp_folder.h"

inline std::string read_error_log() {
  char folder[1024];
  qvl_os_temp_folder(folder, sizeof folder);
  std::string text;
  if (FILE* f = std::fopen((std::string(folder) + "ErrorLog.txt").c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
  }
  return text;
}
