// The message pump: the hook runs before each message, a message the hook
// takes itself is not dispatched as well, typed characters reach the sink.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/logs.h"
#include "gfx2d/gfx_log.h"
#include "gfx2d/opengl_rainbows.h"
#include "platform/message_queue.h"
#include "tests/support/child_process.h"

namespace {

WindowHandle kWindow = reinterpret_cast<WindowHandle>(0x40);
std::vector<uint32_t> g_dispatched;
int g_hook_calls;
std::string g_typed;

intptr_t proc(WindowHandle, uint32_t m, uintptr_t, intptr_t) {
  g_dispatched.push_back(m);
  return 0;
}
void counting_hook() { ++g_hook_calls; }
void taking_hook() {
  ++g_hook_calls;
  PlatMsg m;
  plat_peek_message(&m, kWindow, true);  // the program handles this one itself
}

class Pump : public ::testing::Test {
 protected:
  void SetUp() override {
    plat_set_window_proc(proc);
    qvl_gfx_char_sink = [](int c) { g_typed += static_cast<char>(c); };
    g_dispatched.clear();
    g_hook_calls = 0;
    g_typed.clear();
    gfx_.window = kWindow;
  }
  void TearDown() override {
    gfx_.window = nullptr;
    qvl_gfx_char_sink = nullptr;
    plat_set_window_proc(nullptr);
  }
  OpenGLRainbows gfx_;
};

TEST_F(Pump, HookRunsBeforeEveryMessage) {
  plat_post_message(kWindow, WM_CHAR, 'h', 0);
  plat_post_message(kWindow, WM_CHAR, 0xE9, 0);  // é: sign-extended byte
  plat_post_message(kWindow, WM_ACTIVATE, WA_ACTIVE, 0);
  gfx_.pump_messages(counting_hook, 0);
  EXPECT_EQ(g_hook_calls, 3);
  EXPECT_EQ(g_dispatched, (std::vector<uint32_t>{WM_CHAR, WM_CHAR, WM_ACTIVATE}));
  EXPECT_EQ(g_typed, "h\xE9");
}

TEST_F(Pump, AMessageTheHookTookIsNotDispatchedAgain) {
  plat_post_message(kWindow, WM_ACTIVATE, WA_ACTIVE, 0);
  gfx_.pump_messages(taking_hook, 0);
  EXPECT_EQ(g_hook_calls, 1);
  EXPECT_TRUE(g_dispatched.empty());
  // With a second message waiting, the removing peek returns that one: it
  // is handled once, and the taken one is not handled at all.
  plat_post_message(kWindow, WM_ACTIVATE, WA_ACTIVE, 0);
  plat_post_message(kWindow, WM_CLOSE, 0, 0);
  gfx_.pump_messages(taking_hook, 0);
  EXPECT_EQ(g_dispatched, std::vector<uint32_t>{WM_CLOSE});
  EXPECT_EQ(plat_queued_message_count(), 0);
}

TEST_F(Pump, WithoutHookEveryMessageOnce) {
  plat_post_message(kWindow, WM_CLOSE, 0, 0);
  plat_post_message(reinterpret_cast<WindowHandle>(0x80), WM_CLOSE, 0, 0);  // another window's
  gfx_.pump_messages(nullptr, 0);
  EXPECT_EQ(g_dispatched.size(), 1u);
  EXPECT_EQ(plat_queued_message_count(), 1);
}

// A log line longer than the 2048-byte buffer (the extension list after
// "BGRA ext NOT supported") is cut, and the next line starts on its own.
TEST(GfxLog, LongLineIsCutAndEndsItsLine) {
  std::string ext(5000, 'x');
  qvl_gfx_log("BGRA ext NOT supported\n%s\n", ext.c_str());
  qvl_log_error_file("next\n");
  std::string log = qvl_test::read_file(qvl_test::temp_dir() + "ErrorLog.txt");
  EXPECT_EQ(log.size(), 2047u + 5u);
  EXPECT_EQ(log.substr(log.size() - 7), "x\nnext\n");
}

}  // namespace
