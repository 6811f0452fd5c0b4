// Files of a test in its own temporary folder.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/file_io.h"
#include "tests/support/child_process.h"

namespace qvl_test {

// name inside the test's temporary folder.
inline std::string temp_path(const std::string& name) { return temp_dir() + name; }

// What the runtime has written to its error log in the temporary folder.
inline std::string error_log() { return read_file(temp_path("ErrorLog.txt")); }

// Creates (or replaces) the file with exactly these bytes.
inline void write_file(const std::string& path, const std::string& bytes) {
  PlatFile* f = plat_file_open(path.c_str(), PlatOpenMode::create);
  ASSERT_NE(f, nullptr) << path;
  ASSERT_TRUE(plat_file_write(f, bytes.data(), bytes.size()));
  plat_file_close(f);
}

// A fresh folder of that name in the test's temporary folder, made current
// so that relative names land in it; returns its path.
inline std::string enter_fresh_folder(const std::string& name) {
  std::string dir = temp_path(name);
  mkdir(dir.c_str(), 0777);
  EXPECT_EQ(chdir(dir.c_str()), 0);
  return dir;
}

}  // namespace qvl_test
