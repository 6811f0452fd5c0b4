// The window procedure's table: pause and resume on activation with the
// title, the refused system commands, the wheel total, closing.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "core/call_by_name.h"
#include "core/error_state.h"
#include "gfx2d/opengl_rainbows.h"
#include "host/input_manager.h"
#include "host/project_settings.h"
#include "host/startup.h"
#include "host/window_proc.h"
#include "platform/message_queue.h"
#include "platform/video.h"
#include "tests/support/child_process.h"

namespace {

int g_paused_calls, g_resumed_calls;
void on_pause() { ++g_paused_calls; }
void on_resume() { ++g_resumed_calls; }
const NamedSub kTable[] = {{on_pause, "QVL_ON_PAUSE"}, {on_resume, "QVL_ON_RESUME"}, {nullptr, nullptr}};

class WindowProc : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = plat_window_create("t", 64, 64, 0);
    ASSERT_NE(window_, nullptr) << plat_video_error();
    qvl_win_set_handle(window_);
    qvl_win_caption().assign_cstr("App");
    qvl_call_set_table(kTable);
    qvl_call_pause_switch = 1;
    qvl_call_paused = 0;
    qvl_err_state.debug_mode = 0;
    g_paused_calls = g_resumed_calls = 0;
  }
  void TearDown() override {
    qvl_win_set_handle(nullptr);
    if (window_) plat_window_destroy(window_);
    plat_video_quit();
  }
  intptr_t send(uint32_t m, uintptr_t wp = 0, intptr_t lp = 0) {
    return qvl_win_window_proc(window_, m, wp, lp);
  }
  std::string title() { return SDL_GetWindowTitle(window_); }
  WindowHandle window_ = nullptr;
};

TEST_F(WindowProc, DeactivationPausesAndMarksTheTitleActivationResumes) {
  EXPECT_EQ(send(WM_ACTIVATE, WA_INACTIVE), 0);
  EXPECT_EQ(qvl_call_paused, 1);
  EXPECT_EQ(g_paused_calls, 1);
  EXPECT_EQ(title(), "App <pause>");
  EXPECT_EQ(send(WM_ACTIVATE, WA_CLICKACTIVE), 0);
  EXPECT_EQ(qvl_call_paused, 0);
  EXPECT_EQ(g_resumed_calls, 1);
  EXPECT_EQ(title(), "App");
  EXPECT_EQ(send(WM_ACTIVATE, 7), 0);  // unknown state: nothing
  EXPECT_EQ(qvl_call_paused, 0);
}

TEST_F(WindowProc, DebugModeAndSwitchOffNeverPause) {
  qvl_err_state.debug_mode = 1;
  send(WM_ACTIVATE, WA_INACTIVE);
  EXPECT_EQ(qvl_call_paused, 0);
  qvl_err_state.debug_mode = 0;
  qvl_call_pause_switch = 0;
  send(WM_ACTIVATE, WA_INACTIVE);
  EXPECT_EQ(qvl_call_paused, 0);
  EXPECT_EQ(title(), "t");
}

TEST_F(WindowProc, FixedResults) {
  EXPECT_EQ(send(WM_SYSCOMMAND, SC_SCREENSAVE), 0);
  EXPECT_EQ(send(WM_SYSCOMMAND, SC_MONITORPOWER | 0x2), 0);
  EXPECT_EQ(send(WM_ERASEBKGND), 1);
  EXPECT_EQ(send(WM_SYSKEYUP, 0x12), 0);
  qvl_input_wheel_sum = 0;
  send(WM_MOUSEWHEEL, static_cast<uintptr_t>(0xFF88) << 16);  // one notch towards the user
  EXPECT_EQ(qvl_input_wheel_sum, 65416);
  EXPECT_EQ(static_cast<int16_t>(qvl_input_wheel_sum & 0xFFFF), -120);
}

// These run in a child before any window exists in the test process.
TEST(WindowProcClose, CloseEndsTheProgram) {
  plat_set_window_proc(qvl_win_window_proc);
  for (uint32_t how : {uint32_t(WM_CLOSE), uint32_t(WM_SYSCOMMAND)}) {
    auto r = qvl_test::run_in_child([&] {
      qvl_err_set_shutdown_hook(qvl_win_shutdown);
      WindowHandle w = reinterpret_cast<WindowHandle>(0x10);
      qvl_win_window_proc(w, how, how == WM_SYSCOMMAND ? uintptr_t(SC_CLOSE) : 0, 0);
      std::puts("still running");
    });
    EXPECT_EQ(r.exit_status, 0) << how;
    EXPECT_EQ(r.out, "exit\n") << how;
  }
}

// A close while END runs destroys the window at once and clears every copy
// of its handle, so the shutdown that follows does not destroy it again.
TEST(WindowProcClose, CloseWhileEndingDestroysTheWindowOnce) {
  auto r = qvl_test::run_in_child([&] {
    auto* gfx = new OpenGLRainbows();
    qvl_gfx_rainbows = gfx;
    if (!gfx->create_window(nullptr, 64, 64, 0, 60, 0, 0)) std::_Exit(3);
    qvl_win_set_handle(gfx->window);
    plat_set_window_proc(qvl_win_window_proc);
    qvl_err_state.ending = 1;
    WindowHandle w = gfx->window;
    plat_dispatch_message(PlatMsg{w, WM_CLOSE, 0, 0});
    if (gfx->window || qvl_win_handle()) std::_Exit(4);
    PlatMsg quit{};
    if (!plat_peek_message(&quit, nullptr, true) || quit.message != WM_QUIT) std::_Exit(5);
    qvl_win_shutdown();
    if (qvl_gfx_rainbows) std::_Exit(6);
    std::fflush(stdout);
  });
  EXPECT_EQ(r.exit_status, 0) << r.err;
}

}  // namespace
