#include "files/paths.h"

#include <time.h>

#include <cstdio>
#include <string>

#include "core/error_state.h"
#include "files/file_channel.h"
#include "files/mem_file.h"
#include "platform/directory.h"
#include "platform/file_io.h"

bool qvl_file_disk_exists(const char* path) {
  PlatPathInfo info = plat_path_info(path);
  return info.exists && !info.is_dir;
}

bool qvl_file_path_is_dir(const char* path) {
  PlatPathInfo info = plat_path_info(path);
  return info.exists && info.is_dir;
}

bool qvl_file_path_make_dir(const char* path) { return plat_dir_make(path); }

bool qvl_file_exists(const BasicString& name) {
  return qvl_mem_file_is_name(name.text) || qvl_file_disk_exists(name.text);
}

bool qvl_file_is_dir(const BasicString& path) { return qvl_file_path_is_dir(path.text); }

bool qvl_file_create_dir(const BasicString& path) { return qvl_file_path_make_dir(path.text); }

int qvl_file_delete(const BasicString& path) { return qvl_file_path_remove(path.text); }

void qvl_file_to_forward_slashes(BasicString& path) {
  for (int i = 0; i < path.length; ++i) {
    if (path.text[i] == '\\') path.text[i] = '/';
  }
}

BasicString qvl_file_current_dir() {
  std::string dir = plat_dir_current();
  if (dir.empty() || dir.back() != '/') dir += '/';
  return BasicString(dir.c_str());
}

double qvl_file_set_current_dir(BasicString& path) {
  qvl_err_clear();
  for (int i = 0; i < path.length; ++i) {
    if (path.text[i] == '/') path.text[i] = '\\';
  }
  if (plat_dir_set_current(path.text)) return 1;
  qvl_err_raise(3);
  return 0;
}

void qvl_file_move(const BasicString& from, const BasicString& to) {
  qvl_err_clear();
  bool source_checked = qvl_mem_file_is_name(from.text) || qvl_file_path_is_dir(from.text);
  if (!source_checked && !qvl_file_disk_exists(from.text)) {
    qvl_err_raise(3);
    return;
  }
  if (qvl_mem_file_is_name(to.text) || plat_path_info(to.text).exists) {
    qvl_err_raise(3);
    return;
  }
  // The move itself refuses a target that appeared since the check.
  if (!plat_path_move(from.text, to.text)) qvl_err_raise(3);
}

int64_t qvl_file_size(const BasicString& name) {
  qvl_err_clear();
  FileChannel file;
  if (!file.open_read(name.text)) {
    qvl_err_raise(3);
    return 0;
  }
  int64_t size = file.size;
  file.close();
  return size;
}

BasicString qvl_file_time(const BasicString& name) {
  qvl_err_clear();
  BasicString result;
  if (!qvl_mem_file_is_name(name.text)) {
    PlatPathInfo info = plat_path_info(name.text);
    // 64-bit seconds: no wrap in 2038 or 2106.
    time_t seconds = info.exists && !info.is_dir ? static_cast<time_t>(info.mtime) : 0;
    struct tm t;
    if (seconds != 0 && localtime_r(&seconds, &t) != nullptr) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d", t.tm_year + 1900,
                    t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
      result.assign_cstr(buf);
    }
  }
  if (result.empty()) qvl_err_raise(3);
  return result;
}
