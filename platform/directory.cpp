#include "platform/directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/file_io.h"

bool plat_dir_list(const char* folder, std::vector<PlatDirEntry>& out) {
  std::string path;
  if (!plat_path_resolve(folder, path)) return false;
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) return false;
  int dir_fd = dirfd(dir);
  while (dirent* e = readdir(dir)) {
    bool is_dir = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      // Links count as what they point to, as a listing on Windows shows
      // a junction as a folder.
      struct stat st;
      is_dir = fstatat(dir_fd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
    out.push_back({e->d_name, is_dir});
  }
  closedir(dir);
  return true;
}

std::string plat_dir_current() {
  char buf[kPlatPathMax];
  if (getcwd(buf, sizeof buf) == nullptr) return {};
  return buf;
}

bool plat_dir_set_current(const char* path) {
  std::string resolved;
  return plat_path_resolve(path, resolved) && chdir(resolved.c_str()) == 0;
}

bool plat_dir_make(const char* path) {
  std::string resolved;
  return plat_path_resolve(path, resolved) && mkdir(resolved.c_str(), 0777) == 0;
}

bool plat_path_move(const char* from, const char* to) {
  std::string source, target;
  if (!plat_path_resolve(from, source) || !plat_path_resolve(to, target)) return false;
  if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS) return false;
  // The file system cannot refuse replacement by itself. A file can still
  // move without that risk: link() fails on an existing target.
  struct stat st;
  if (lstat(source.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) {
    if (link(source.c_str(), target.c_str()) != 0) return false;
    unlink(source.c_str());
    return true;
  }
  if (lstat(target.c_str(), &st) == 0) return false;
  return rename(source.c_str(), target.c_str()) == 0;
}
