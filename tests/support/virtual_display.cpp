#include "tests/support/virtual_display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

int ms_since(Clock::time_point t0) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count());
}

}  // namespace

VirtualDisplay::~VirtualDisplay() {
  if (dpy_) XCloseDisplay(dpy_);
  if (server_ > 0) {
    kill(server_, SIGTERM);
    waitpid(server_, nullptr, 0);
  }
  if (xtest_) dlclose(xtest_);
}

bool VirtualDisplay::start() {
  int fds[2];
  if (pipe(fds) != 0) return false;
  server_ = fork();
  if (server_ == 0) {
    close(fds[0]);
    int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 1);
    dup2(devnull, 2);
    std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
           "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  char c;
  while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (number.empty()) {
    error_ = "Xvfb did not start";
    return false;
  }
  name_ = ":" + number;
  // A window that has just gone is not an error for the test.
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  dpy_ = XOpenDisplay(name_.c_str());
  if (!dpy_) {
    error_ = "cannot connect to " + name_;
    return false;
  }
  xtest_ = dlopen("libXtst.so.6", RTLD_NOW);
  if (xtest_) {
    fake_key_ = reinterpret_cast<int (*)(Display*, unsigned, int, unsigned long)>(
        dlsym(xtest_, "XTestFakeKeyEvent"));
    fake_button_ = reinterpret_cast<int (*)(Display*, unsigned, int, unsigned long)>(
        dlsym(xtest_, "XTestFakeButtonEvent"));
    fake_motion_ = reinterpret_cast<int (*)(Display*, int, int, int, unsigned long)>(
        dlsym(xtest_, "XTestFakeMotionEvent"));
  }
  if (!fake_key_ || !fake_button_ || !fake_motion_) {
    error_ = "no XTest";
    return false;
  }
  return true;
}

// SDL names its windows through _NET_WM_NAME (UTF-8); WM_NAME is the
// fallback of older clients.
std::string VirtualDisplay::title_of(unsigned long window) {
  std::string t;
  Atom net_name = XInternAtom(dpy_, "_NET_WM_NAME", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(dpy_, window, net_name, 0, 1024, False, AnyPropertyType, &type, &format, &count,
                         &after, &data) == Success && data) {
    t.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
    if (!t.empty()) return t;
  }
  char* name = nullptr;
  if (XFetchName(dpy_, window, &name) && name) {
    t = name;
    XFree(name);
  }
  return t;
}

unsigned long VirtualDisplay::find_window(const std::string& title) {
  XSync(dpy_, False);
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  unsigned long found = 0;
  if (!XQueryTree(dpy_, DefaultRootWindow(dpy_), &root, &parent, &children, &n)) return 0;
  for (unsigned i = 0; i < n && !found; ++i) {
    if (title_of(children[i]) == title) found = children[i];
  }
  if (children) XFree(children);
  return found;
}

bool VirtualDisplay::wait_title(unsigned long window, const std::string& title, int timeout_ms) {
  auto t0 = Clock::now();
  while (ms_since(t0) < timeout_ms) {
    if (title_of(window) == title) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

void VirtualDisplay::focus(unsigned long window) {
  XSetInputFocus(dpy_, window, RevertToPointerRoot, CurrentTime);
  XSync(dpy_, False);
}

unsigned long VirtualDisplay::make_other_window() {
  Window w = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 600, 500, 50, 50, 0, 0, 0);
  XMapWindow(dpy_, w);
  // The focus can only go to a viewable window.
  auto t0 = Clock::now();
  XWindowAttributes a{};
  while (XGetWindowAttributes(dpy_, w, &a) && a.map_state != IsViewable && ms_since(t0) < 5000)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return w;
}

void VirtualDisplay::press_keys(const std::vector<unsigned long>& keysyms) {
  for (unsigned long k : keysyms) fake_key_(dpy_, XKeysymToKeycode(dpy_, k), True, CurrentTime);
  XSync(dpy_, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  for (auto it = keysyms.rbegin(); it != keysyms.rend(); ++it)
    fake_key_(dpy_, XKeysymToKeycode(dpy_, *it), False, CurrentTime);
  XSync(dpy_, False);
}

void VirtualDisplay::key(unsigned long keysym, bool down) {
  fake_key_(dpy_, XKeysymToKeycode(dpy_, keysym), down ? True : False, CurrentTime);
  XSync(dpy_, False);
}

void VirtualDisplay::click(unsigned long window, int x, int y) {
  int rx = 0, ry = 0;
  Window child;
  XTranslateCoordinates(dpy_, window, DefaultRootWindow(dpy_), x, y, &rx, &ry, &child);
  fake_motion_(dpy_, DefaultScreen(dpy_), rx, ry, CurrentTime);
  XSync(dpy_, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  fake_button_(dpy_, 1, True, CurrentTime);
  XSync(dpy_, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  fake_button_(dpy_, 1, False, CurrentTime);
  XSync(dpy_, False);
}

uint32_t VirtualDisplay::pixel(unsigned long window, int x, int y) {
  XImage* image = XGetImage(dpy_, window, x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return 0xFFFFFFFFu;
  const uint32_t p = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFFu;
  XDestroyImage(image);
  return p;
}

void VirtualDisplay::close_window(unsigned long window) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(dpy_, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy_, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy_, window, False, NoEventMask, &e);
  XSync(dpy_, False);
}

ChildProgram::ChildProgram(const std::string& path, const std::vector<std::string>& args,
                           const std::vector<std::string>& env) {
  int fds[2];
  if (pipe(fds) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  close(fds[1]);
  fd_ = fds[0];
}

ChildProgram::~ChildProgram() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (fd_ >= 0) close(fd_);
}

void ChildProgram::send_signal(int sig) {
  if (pid_ > 0) kill(pid_, sig);
}

void ChildProgram::read_some(int timeout_ms) {
  if (fd_ < 0) return;
  pollfd p{fd_, POLLIN, 0};
  if (poll(&p, 1, timeout_ms) <= 0) return;
  char buf[4096];
  ssize_t n = read(fd_, buf, sizeof buf);
  if (n > 0) out_.append(buf, static_cast<size_t>(n));
  else {
    close(fd_);
    fd_ = -1;
  }
}

bool ChildProgram::wait_line(const std::string& line, int timeout_ms) {
  auto t0 = Clock::now();
  for (;;) {
    size_t at = out_.find(line + "\n", scanned_);
    if (at != std::string::npos && (at == 0 || out_[at - 1] == '\n')) {
      scanned_ = at + line.size() + 1;
      return true;
    }
    int left = timeout_ms - ms_since(t0);
    if (left <= 0 || fd_ < 0) return false;
    read_some(left);
  }
}

int ChildProgram::wait_exit(int timeout_ms) {
  auto t0 = Clock::now();
  while (fd_ >= 0 && ms_since(t0) < timeout_ms) read_some(timeout_ms - ms_since(t0));
  for (;;) {
    int status = 0;
    rusage usage{};
    pid_t r = wait4(pid_, &status, WNOHANG, &usage);
    if (r == pid_) {
      pid_ = -1;
      peak_mb_ = usage.ru_maxrss / 1024.0;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (ms_since(t0) >= timeout_ms) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}
