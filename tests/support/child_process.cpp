#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace qvl_test {

namespace {

// Reads both pipes until each is closed, so a chatty child never blocks.
// With a watch, each pass (at least every 10 ms) also runs it.
void drain(int out_fd, int err_fd, std::string& out, std::string& err,
           const std::function<void()>& watch = nullptr) {
  pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
  int open_count = 2;
  char buf[4096];
  while (open_count > 0) {
    if (poll(fds, 2, watch ? 10 : -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? out : err).append(buf, static_cast<size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_count;
      }
    }
    if (watch) watch();
  }
}

// A field of /proc/<pid>/status in kB ("VmRSS", "VmHWM"); -1 when unknown.
long status_kb(const std::string& pid, const char* field) {
  std::ifstream f("/proc/" + pid + "/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(f, line)) {
    if (line.compare(0, key.size(), key) == 0) return std::strtol(line.c_str() + key.size(), nullptr, 10);
  }
  return -1;
}

double seconds_of(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

struct Watch {
  double mb, seconds;
};

// The child side of a measured run: its peak resident size is reset to
// what it inherited, so the growth over body is body's own.
void measured_body(const std::function<void()>& body, int cost_fd) {
  const int refs = open("/proc/self/clear_refs", O_WRONLY);
  if (refs >= 0) {
    ssize_t ignored = write(refs, "5", 1);
    (void)ignored;
    close(refs);
  }
  const long before = status_kb("self", "VmRSS");
  body();
  const long growth = refs >= 0 ? status_kb("self", "VmHWM") - before : -1;
  ssize_t ignored = write(cost_fd, &growth, sizeof growth);
  (void)ignored;
}

ChildCost run_child(const std::function<void()>& body, const std::string& stdin_text,
                    const Watch* watch) {
  ChildCost cost;
  ChildResult& r = cost.result;
  int out_pipe[2] = {-1, -1}, err_pipe[2] = {-1, -1}, in_pipe[2] = {-1, -1}, cost_pipe[2] = {-1, -1};
  auto close_all = [&] {
    for (int fd : {out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1], in_pipe[0], in_pipe[1],
                   cost_pipe[0], cost_pipe[1]})
      if (fd >= 0) close(fd);
  };
  if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0 || pipe(in_pipe) != 0 || pipe(cost_pipe) != 0) {
    close_all();
    return cost;
  }
  fflush(stdout);
  fflush(stderr);
  const long base_kb = status_kb("self", "VmRSS");
  pid_t pid = fork();
  if (pid < 0) {
    close_all();
    return cost;
  }
  if (pid == 0) {
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    dup2(in_pipe[0], 0);
    close(out_pipe[0]); close(out_pipe[1]);
    close(err_pipe[0]); close(err_pipe[1]);
    close(in_pipe[0]); close(in_pipe[1]);
    close(cost_pipe[0]);
    if (watch) {
      measured_body(body, cost_pipe[1]);
    } else {
      body();
    }
    fflush(stdout);
    fflush(stderr);
    _exit(0);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  close(in_pipe[0]);
  close(cost_pipe[1]);
  if (!stdin_text.empty()) {
    ssize_t ignored = write(in_pipe[1], stdin_text.data(), stdin_text.size());
    (void)ignored;
  }
  close(in_pipe[1]);
  // The watch kills a child that grows or runs past its limits, and keeps
  // the largest resident size seen.
  long most_kb = base_kb;
  timeval start{};
  gettimeofday(&start, nullptr);
  const std::string id = std::to_string(pid);
  auto check = [&] {
    const long rss = status_kb(id, "VmRSS");
    if (rss > most_kb) most_kb = rss;
    timeval now{};
    gettimeofday(&now, nullptr);
    if (!cost.stopped && ((rss - base_kb) / 1024.0 > watch->mb ||
                          seconds_of(now) - seconds_of(start) > watch->seconds)) {
      kill(pid, SIGKILL);
      cost.stopped = true;
    }
  };
  drain(out_pipe[0], err_pipe[0], r.out, r.err, watch ? std::function<void()>(check) : nullptr);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  if (WIFEXITED(status)) r.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  cost.cpu_seconds = seconds_of(usage.ru_utime) + seconds_of(usage.ru_stime);
  long growth = -1;
  if (read(cost_pipe[0], &growth, sizeof growth) != sizeof growth || growth < 0)
    growth = most_kb - base_kb;  // no peak from the child: the largest size seen
  close(cost_pipe[0]);
  cost.peak_mb = growth / 1024.0;
  return cost;
}

}  // namespace

ChildResult run_in_child(const std::function<void()>& body, const std::string& stdin_text) {
  return run_child(body, stdin_text, nullptr).result;
}

ChildCost measure_in_child(const std::function<void()>& body, double watch_mb,
                           double watch_seconds) {
  const Watch watch{watch_mb, watch_seconds};
  return run_child(body, std::string(), &watch);
}

std::string read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return {};
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string temp_dir() {
  const char* t = std::getenv("TMPDIR");
  std::string d = (t && *t) ? t : "/tmp/";
  if (d.back() != '/') d += '/';
  return d;
}

}  // namespace qvl_test
