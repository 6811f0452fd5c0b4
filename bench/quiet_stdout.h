// The loaders report their progress on standard output; a benchmark keeps
// its own table readable by sending that to /dev/null while it times.
#pragma once

#include <fcntl.h>
#include <unistd.h>

class QuietStdout {
 public:
  QuietStdout() : saved_(dup(1)) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
  }
  ~QuietStdout() {
    dup2(saved_, 1);
    close(saved_);
  }
  QuietStdout(const QuietStdout&) = delete;
  QuietStdout& operator=(const QuietStdout&) = delete;

 private:
  int saved_;
};
