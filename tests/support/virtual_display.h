// A private Xvfb display for end-to-end tests, a child program running on
// it, key presses, clicks and focus changes injected through XTest and
// Xlib, and the pixels of a window read back.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

class VirtualDisplay {
 public:
  VirtualDisplay() = default;
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;
  ~VirtualDisplay();

  // Starts Xvfb and connects; false (with the reason in error()) when the
  // server or XTest is not available.
  bool start();
  const std::string& name() const { return name_; }
  const std::string& error() const { return error_; }

  // The top-level window whose title is exactly title, 0 when none.
  unsigned long find_window(const std::string& title);
  std::string title_of(unsigned long window);
  // Waits (up to timeout_ms) until the window's title is title.
  bool wait_title(unsigned long window, const std::string& title, int timeout_ms);
  void focus(unsigned long window);
  // A plain window of the test's own, mapped, to take the focus away.
  unsigned long make_other_window();
  // Presses the keys (X keysyms) in order, then releases them in reverse.
  void press_keys(const std::vector<unsigned long>& keysyms);
  // Presses (down) or releases one key.
  void key(unsigned long keysym, bool down);
  // Moves the pointer to (x, y) of the window and clicks button 1 there.
  void click(unsigned long window, int x, int y);
  // Pixel (x, y) of the window as 0xRRGGBB.
  uint32_t pixel(unsigned long window, int x, int y);
  // Asks the window to close, as a window manager's close button does.
  void close_window(unsigned long window);

 private:
  pid_t server_ = -1;
  Display* dpy_ = nullptr;
  void* xtest_ = nullptr;
  int (*fake_key_)(Display*, unsigned, int, unsigned long) = nullptr;
  int (*fake_button_)(Display*, unsigned, int, unsigned long) = nullptr;
  int (*fake_motion_)(Display*, int, int, int, unsigned long) = nullptr;
  std::string name_;
  std::string error_;
};

// A program started with its standard output on a pipe.
class ChildProgram {
 public:
  ChildProgram(const std::string& path, const std::vector<std::string>& args,
               const std::vector<std::string>& env);
  ~ChildProgram();
  // Reads output until a line equal to line arrives (up to timeout_ms).
  bool wait_line(const std::string& line, int timeout_ms);
  // Waits for the exit (up to timeout_ms); the exit status, -1 on timeout or
  // a signal (the program is then killed).
  int wait_exit(int timeout_ms);
  const std::string& output() const { return out_; }
  // The peak resident size of the program in MB, once wait_exit has seen
  // it end (0 before).
  double peak_mb() const { return peak_mb_; }
  // Sends the program a signal (SIGTERM, SIGINT ...).
  void send_signal(int sig);

 private:
  void read_some(int timeout_ms);
  pid_t pid_ = -1;
  int fd_ = -1;
  std::string out_;
  size_t scanned_ = 0;
  double peak_mb_ = 0;
};
