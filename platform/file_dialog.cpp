#include "platform/file_dialog.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/codepage.h"

extern char** environ;

namespace {

// zenity separates the patterns of one filter with blanks.
std::string zenity_filter(const PlatFileFilter& f) {
  std::string patterns = plat_cp1252_to_utf8(f.second.c_str());
  for (char& c : patterns)
    if (c == ';') c = ' ';
  std::string name = plat_cp1252_to_utf8(f.first.c_str());
  // '|' separates name and patterns in zenity's own syntax.
  for (char& c : name)
    if (c == '|') c = '/';
  return "--file-filter=" + name + " | " + patterns;
}

// Runs the program and collects its standard output; the exit code, or -1
// when it could not be started.
int run_capture(const std::vector<std::string>& args, std::string* out) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    return -1;
  }
  char buf[4096];
  for (;;) {
    ssize_t n = read(fds[0], buf, sizeof buf);
    if (n > 0) out->append(buf, static_cast<size_t>(n));
    else if (n == 0 || errno != EINTR) break;
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  // 127: the shell's "command not found" when the program is a script
  // whose interpreter is missing.
  if (!WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
}

}  // namespace

PlatDialogResult plat_file_dialog(bool open, const std::vector<PlatFileFilter>& filters,
                                  const std::string& folder, std::string* chosen) {
  std::vector<std::string> args = {"zenity", "--file-selection"};
  if (!open) {
    args.push_back("--save");
    args.push_back("--confirm-overwrite");
  }
  if (!folder.empty()) {
    std::string f = plat_cp1252_to_utf8(folder.c_str());
    if (f.back() != '/') f += '/';
    args.push_back("--filename=" + f);
  }
  for (const PlatFileFilter& f : filters) args.push_back(zenity_filter(f));
  std::string out;
  int status = run_capture(args, &out);
  if (status < 0) return PlatDialogResult::no_dialog;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  if (status != 0 || out.empty()) return PlatDialogResult::cancelled;
  if (chosen) *chosen = plat_utf8_to_cp1252(out.c_str());
  return PlatDialogResult::chosen;
}
