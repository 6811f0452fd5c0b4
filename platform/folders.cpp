#include "platform/folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/file_io.h"

namespace {

void strip_trailing_slashes(std::string& path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
}

// Expands a leading "$HOME" in a user-dirs value; other values must be
// absolute to count.
std::string expand_user_dir(const std::string& value, const std::string& home) {
  if (value.compare(0, 5, "$HOME") == 0) {
    if (home.empty()) return {};
    return home + value.substr(5);
  }
  return value.empty() || value[0] != '/' ? std::string() : value;
}

// Reads XDG_DOCUMENTS_DIR="..." from a user-dirs.dirs file.
std::string documents_from_file(const std::string& file, const std::string& home) {
  // Only a regular file: a named pipe in its place never holds the lookup.
  const int fd = plat_open_regular_fd(file.c_str());
  FILE* f = fd < 0 ? nullptr : fdopen(fd, "r");
  if (f == nullptr) {
    if (fd >= 0) close(fd);
    return {};
  }
  std::string result;
  char line[1024];
  const char key[] = "XDG_DOCUMENTS_DIR=";
  while (std::fgets(line, sizeof line, f) != nullptr) {
    const char* p = line;
    while (*p == ' ' || *p == '\t') ++p;
    if (std::strncmp(p, key, sizeof key - 1) != 0) continue;
    p += sizeof key - 1;
    std::string value;
    if (*p == '"') {
      ++p;
      while (*p != '\0' && *p != '"') {
        if (*p == '\\' && p[1] != '\0') ++p;
        value += *p++;
      }
    } else {
      while (*p != '\0' && *p != '\n' && *p != '\r') value += *p++;
    }
    result = expand_user_dir(value, home);
  }
  std::fclose(f);
  return result;
}

}  // namespace

std::string qvl_folder_home() {
  const char* home = std::getenv("HOME");
  std::string result;
  if (home != nullptr && home[0] == '/') {
    result = home;
  } else if (passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) {
    result = pw->pw_dir;
  }
  strip_trailing_slashes(result);
  return result;
}

std::string qvl_folder_config() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string result;
  if (xdg != nullptr && xdg[0] == '/') {
    result = xdg;
  } else {
    std::string home = qvl_folder_home();
    if (!home.empty()) result = home + "/.config";
  }
  strip_trailing_slashes(result);
  return result;
}

std::string qvl_folder_documents() {
  std::string home = qvl_folder_home();
  std::string config = qvl_folder_config();
  std::string result;
  if (!config.empty()) result = documents_from_file(config + "/user-dirs.dirs", home);
  if (result.empty()) {
    const char* env = std::getenv("XDG_DOCUMENTS_DIR");
    if (env != nullptr) result = expand_user_dir(env, home);
  }
  if (result.empty()) result = home;
  strip_trailing_slashes(result);
  return result;
}
