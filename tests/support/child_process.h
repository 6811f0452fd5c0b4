// Runs a piece of code in a forked child and captures what it leaves behind:
// standard output, standard error and how the process ended. Used for
// behaviour that ends the process (END, fatal errors).
#pragma once

#include <functional>
#include <string>

namespace qvl_test {

struct ChildResult {
  std::string out;      // everything the child wrote to standard output
  std::string err;      // everything the child wrote to standard error
  int exit_status = -1; // exit status, or -1 when killed by a signal
  int signal = 0;       // the signal that killed it, or 0
};

// Forks, runs body in the child with stdout/stderr redirected to pipes, and
// exits the child with status 0 if body returns. Optional stdin text is fed
// to the child's standard input.
ChildResult run_in_child(const std::function<void()>& body,
                         const std::string& stdin_text = std::string());

// What a body cost in a child process.
struct ChildCost {
  ChildResult result;
  double cpu_seconds = 0;  // user and system time of the child
  double peak_mb = 0;      // how far its peak resident size rose above its size before body
  bool stopped = false;    // killed for passing watch_mb or watch_seconds
};

// Runs body as run_in_child does (body must return) and measures it. A
// child whose resident size rises more than watch_mb above the parent's or
// that runs longer than watch_seconds is killed, so that a runaway costs
// the test machine no more than that.
ChildCost measure_in_child(const std::function<void()>& body, double watch_mb,
                           double watch_seconds);

// Reads a whole file into a string ("" when it cannot be read).
std::string read_file(const std::string& path);

// The per-test temporary folder ($TMPDIR, with a trailing '/').
std::string temp_dir();

}  // namespace qvl_test
