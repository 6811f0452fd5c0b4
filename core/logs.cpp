// The diagnostic channels of the runtime.
#include "core/logs.h"

#include <cstdio>
#include <cstring>

#include "core/call_by_name.h"
#include "platform/append_file.h"
#include "platform/console.h"
#include "platform/debugger.h"
#include "platform/remove_path.h"
#include "platform/temp_folder.h"

namespace {

constexpr int kTempFolderMax = 1024;
constexpr int kWriteAttempts = 5;
constexpr char kErrorLogName[] = "ErrorLog.txt";
// "ErrorLog-" + a user id of up to 10 digits + ".txt".
constexpr int kOwnLogNameMax = 24;

QvlBreakHook g_break_before = nullptr;
QvlBreakHook g_break_after = nullptr;

using LogPath = char[kTempFolderMax + kOwnLogNameMax];

// The temporary folder (which always ends in '/') + "ErrorLog.txt".
void error_log_path(LogPath& path) {
  int n = qvl_os_temp_folder(path, kTempFolderMax);
  for (int i = 0; i < n; ++i)
    if (path[i] == '\\') path[i] = '/';
  std::memcpy(path + n, kErrorLogName, sizeof kErrorLogName);
}

// The log's name of this user's own, "ErrorLog-<user id>.txt" in the same
// folder: used when "ErrorLog.txt" there is another user's and cannot be
// removed (the shared temporary folder), so no planted file gets a line.
void own_error_log_path(const LogPath& path, LogPath& own) {
  std::memcpy(own, path, sizeof own);
  char* name = std::strrchr(own, '/');
  name = name ? name + 1 : own;
  std::snprintf(name, kOwnLogNameMax, "ErrorLog-%u.txt", qvl_os_user_id());
}

}  // namespace

void qvl_log_debug(const BasicString& text) {
  if (!qvl_os_debugger_attached()) return;
  BasicString line("TX");
  line.append_cstr(text.c_str());
  qvl_os_debugger_output(line.c_str());
}

void qvl_log_error_file(const char* text) {
  LogPath path;
  error_log_path(path);
  if (!text) text = "NULL";
  size_t n = std::strlen(text);
  for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
    // A memory file cannot be written; such a folder counts as a failure.
    if (std::strncmp(path, "mem://", 6) == 0) continue;
    if (qvl_os_append_own_file(path, text, n)) return;
    LogPath own;
    own_error_log_path(path, own);
    if (qvl_os_append_own_file(own, text, n)) return;
  }
  // The log is a diagnostic aid: a line that cannot be written is dropped.
}

void qvl_log_error_file_delete() {
  LogPath path, own;
  error_log_path(path);
  own_error_log_path(path, own);
  qvl_os_remove_path(path);
  qvl_os_remove_path(own);
}

void qvl_log_print(const BasicString& text) { qvl_os_console_write_out(text.c_str()); }

void qvl_log_print_err(const BasicString& text) { qvl_os_console_write_err(text.c_str()); }

BasicString qvl_log_read_line() {
  char line[4096] = {};
  qvl_os_console_read_line(line, 4095);
  size_t n = std::strlen(line);
  if (n > 0 && line[n - 1] == '\n') line[n - 1] = '\0';
  return BasicString(line);
}

void qvl_log_open_console() { qvl_os_console_open(); }

void qvl_log_break(int value) {
  if (!qvl_os_debugger_attached()) return;
  static char notice[40];
  std::memset(notice, 0, sizeof notice);
  std::snprintf(notice, sizeof notice, "BP%x", static_cast<unsigned>(value));
  if (g_break_before) g_break_before();
  qvl_os_debugger_output(notice);
  qvl_call_paused = 0;
  if (g_break_after) g_break_after();
}

void qvl_log_set_break_hooks(QvlBreakHook before, QvlBreakHook after) {
  g_break_before = before;
  g_break_after = after;
}
