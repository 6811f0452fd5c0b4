#include "platform/process.h"

#include "platform/file_io.h"

#include <errno.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstring>

extern char** environ;

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Children started without waiting. They are reaped without blocking
// whenever another child is started, so they do not stay zombies for long.
std::vector<pid_t>& released_children() {
  static std::vector<pid_t> pids;
  return pids;
}

void reap_released() {
  auto& pids = released_children();
  pids.erase(std::remove_if(pids.begin(), pids.end(),
                            [](pid_t p) {
                              int status;
                              pid_t r = waitpid(p, &status, WNOHANG);
                              return r == p || (r < 0 && errno == ECHILD);
                            }),
             pids.end());
}

// Appends one argument in the quoted form the splitter reads back.
void append_quoted(std::string& out, const char* arg) {
  bool needs_quotes = *arg == '\0' || std::strpbrk(arg, " \t\"") != nullptr;
  if (!needs_quotes) {
    out += arg;
    return;
  }
  out += '"';
  size_t backslashes = 0;
  for (const char* p = arg;; ++p) {
    if (*p == '\\') {
      ++backslashes;
      continue;
    }
    if (*p == '\0') {
      // Backslashes before the closing quote must be doubled.
      out.append(backslashes * 2, '\\');
      break;
    }
    if (*p == '"') {
      out.append(backslashes * 2 + 1, '\\');
    } else {
      out.append(backslashes, '\\');
    }
    backslashes = 0;
    out += *p;
  }
  out += '"';
}

}  // namespace

std::vector<std::string> qvl_proc_split_command_line(const char* line) {
  std::vector<std::string> args;
  if (line == nullptr) return args;
  const char* p = line;
  while (is_blank(*p)) ++p;
  if (*p == '\0') return args;

  // The program name: no escapes, a quote only groups.
  std::string name;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') name += *p++;
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && !is_blank(*p)) name += *p++;
  }
  args.push_back(std::move(name));

  for (;;) {
    while (is_blank(*p)) ++p;
    if (*p == '\0') break;
    std::string arg;
    bool quoted = false;
    while (*p != '\0' && (quoted || !is_blank(*p))) {
      if (*p == '\\') {
        size_t n = 0;
        while (*p == '\\') {
          ++n;
          ++p;
        }
        if (*p == '"') {
          arg.append(n / 2, '\\');
          if (n % 2 == 1) {
            arg += '"';
            ++p;
          }
        } else {
          arg.append(n, '\\');
        }
        continue;
      }
      if (*p == '"') {
        if (quoted && p[1] == '"') {
          arg += '"';
          p += 2;
        } else {
          quoted = !quoted;
          ++p;
        }
        continue;
      }
      arg += *p++;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::string qvl_proc_join_command_line(int argc, const char* const* argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line += ' ';
    if (i == 0 && std::strchr(argv[0], '"') == nullptr) {
      // The program name has no escapes: quote it only to keep blanks.
      bool blanks = std::strpbrk(argv[0], " \t") != nullptr || argv[0][0] == '\0';
      if (blanks) line += '"';
      line += argv[0];
      if (blanks) line += '"';
    } else {
      append_quoted(line, argv[i]);
    }
  }
  return line;
}

pid_t qvl_proc_spawn(const std::vector<std::string>& args) {
  reap_released();
  if (args.empty() || args[0].empty()) return -1;
  std::string program = args[0];
  std::replace(program.begin(), program.end(), '\\', '/');
  // A path gets the runtime's path rules (a second look-up ignoring case);
  // a bare name is searched in PATH.
  if (program.find('/') != std::string::npos) {
    std::string resolved;
    if (!plat_path_resolve(program.c_str(), resolved)) return -1;
    program = resolved;
  }

  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  argv.push_back(program.data());
  for (size_t i = 1; i < args.size(); ++i) argv.push_back(const_cast<char*>(args[i].c_str()));
  argv.push_back(nullptr);

  // glibc's posix_spawn reports a failed exec (missing program, no
  // permission) as its result, so no child with status 127 is left behind.
  pid_t pid = -1;
  int rc = program.find('/') == std::string::npos
               ? posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ)
               : posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  return rc == 0 ? pid : -1;
}

bool qvl_proc_wait(pid_t pid, int* exit_code) {
  int status = 0;
  pid_t r;
  do {
    r = waitpid(pid, &status, 0);
  } while (r < 0 && errno == EINTR);
  if (r != pid) return false;
  if (WIFEXITED(status)) {
    *exit_code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    *exit_code = 128 + WTERMSIG(status);
  } else {
    *exit_code = 0;
  }
  return true;
}

void qvl_proc_release(pid_t pid) {
  if (pid <= 0) return;
  released_children().push_back(pid);
  reap_released();
}
