// Keys and clicks from a real X server (a private Xvfb display, input sent
// with xdotool) reach the key query and the click wait on the next frame.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "core/error_state.h"
#include "files/app_name.h"
#include "gfx2d/opengl_rainbows.h"
#include "host/input_manager.h"
#include "host/project_settings.h"
#include "host/show_screen.h"
#include "host/startup.h"
#include "host/window_proc.h"
#include "tests/host/virtual_display.h"
#include "tests/support/child_process.h"

unsigned long qvl_test_x11_window(SDL_Window* window);  // x11_window.cpp

namespace {

void settings() {
  qvl_win_project_settings = ProjectSettings{200, 150, 0, 0, 60, 0};
  qvl_sys_app_name().assign_cstr("X11Input");
}
int no_entry() { return 0; }

bool xdotool(const std::string& args, bool quiet = false) {
  std::string cmd = "xdotool " + args;
  if (std::system(cmd.c_str()) == 0) return true;
  if (!quiet) std::printf("failed: %s\n", cmd.c_str());
  return false;
}


// Starts the runtime on the X display with the pointer over its window:
// without a window manager the keyboard follows the pointer.
bool start() {
  qvl_win_init_only(QvlApplication{settings, no_entry}, nullptr);
  // Focus comes and goes without a window manager; a lost focus must not
  // pause the program here.
  qvl_err_state.debug_mode = 1;
  unsigned long id = qvl_test_x11_window(qvl_win_handle());
  if (id == 0) {
    std::printf("no X11 window\n");
    return false;
  }
  xdotool("mousemove 0 0");
  xdotool("mousemove --window " + std::to_string(id) + " 20 30");
  for (int i = 0; i < 5; ++i) qvl_win_show_screen();
  return true;
}

// The runtime runs in a child on the private display; xdotool, started
// from the child, finds the display through DISPLAY.
class X11Input : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v xdotool > /dev/null") != 0) GTEST_SKIP() << "no xdotool";
    if (!display_.start()) GTEST_SKIP() << "no virtual display: " << display_.error();
  }
  qvl_test::ChildResult run(const std::function<void()>& body) {
    std::string name = display_.name();
    return qvl_test::run_in_child([&] {
      setenv("DISPLAY", name.c_str(), 1);
      setenv("SDL_VIDEODRIVER", "x11", 1);
      alarm(30);
      body();
    });
  }
  VirtualDisplay display_;
};

TEST_F(X11Input, KeysReachTheKeyQueryOnTheNextFrame) {
  auto r = run([] {
    if (!start()) return;
    std::printf("before %g\n", qvl_input_key(0x10));
    xdotool("keydown q");
    qvl_win_show_screen();
    std::printf("down %g\n", qvl_input_key(0x10));
    xdotool("keyup q");
    qvl_win_show_screen();
    std::printf("up %g\n", qvl_input_key(0x10));
    xdotool("keydown Up");  // an extended key, apart from keypad 8
    qvl_win_show_screen();
    std::printf("up arrow %g %g\n", qvl_input_key(0xC8), qvl_input_key(0x48));
    xdotool("keyup Up");
    // A tap between two frames reads down on the next frame, once.
    xdotool("key KP_Enter");
    qvl_win_show_screen();
    std::printf("tap %g", qvl_input_key(0x9C));
    qvl_win_show_screen();
    std::printf(" %g\n", qvl_input_key(0x9C));
  });
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.out, "before 0\ndown 1\nup 0\nup arrow 1 0\ntap 1 0\n") << r.err;
}

// A program that waits for a key to be released in a loop of key queries,
// without a frame or a message step, sees the release.
TEST_F(X11Input, KeyLoopWithoutMessagesSeesTheRelease) {
  auto r = run([] {
    if (!start()) return;
    xdotool("keydown q");
    qvl_win_show_screen();
    std::printf("down %g\n", qvl_input_key(0x10));
    xdotool("sleep 0.3 keyup q &");
    auto t0 = std::chrono::steady_clock::now();
    long queries = 0;
    while (qvl_input_key(0x10) > 0.5) {
      ++queries;
      if (std::chrono::steady_clock::now() - t0 > std::chrono::seconds(10)) {
        std::printf("still down\n");
        return;
      }
    }
    std::printf("released\n");
  });
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.out, "down 1\nreleased\n");
}

// Starting the runtime (with the pointer shown) leaves the system pointer
// where it was, here well outside the new window.
TEST_F(X11Input, StartingLeavesThePointerWhereItWas) {
  auto r = run([] {
    if (!xdotool("mousemove 700 600")) return;
    qvl_win_init_only(QvlApplication{settings, no_entry}, nullptr);
    qvl_win_show_screen();
    std::fflush(stdout);
    xdotool("getmouselocation");
  });
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("x:700 y:600 ", 0), 0u) << r.out;
}

TEST_F(X11Input, ClickEndsTheClickWait) {
  auto r = run([] {
    if (!start()) return;
    std::string later = "sh -c 'sleep 0.5; xdotool click 1' &";
    std::system(later.c_str());
    qvl_input_wait_click();
    int x, y, b1, b2;
    qvl_input_mouse_state(&x, &y, &b1, &b2);
    std::printf("clicked at %d,%d buttons %d %d\n", x, y, b1, b2);
  });
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.out, "clicked at 20,30 buttons 0 0\n");
}

}  // namespace
