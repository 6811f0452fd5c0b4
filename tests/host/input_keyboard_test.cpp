// Keys by DirectInput scan code: the table, the key state fed by SDL's
// events (pushed ones too), and the refresh cadence of the key queries.
#include "platform/keyboard.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>

#include "files/app_name.h"
#include "host/input_manager.h"
#include "host/project_settings.h"
#include "host/show_screen.h"
#include "host/startup.h"
#include "tests/support/child_process.h"
#include "tests/host/input_fixture.h"
#include "tests/host/small_host.h"

namespace {

TEST(ScanCodes, SampleOfTheTable) {
  struct Case {
    SDL_Scancode sdl;
    int dik;
  } cases[] = {
      {SDL_SCANCODE_ESCAPE, 0x01}, {SDL_SCANCODE_Q, 0x10},        {SDL_SCANCODE_Z, 0x2C},
      {SDL_SCANCODE_RETURN, 0x1C}, {SDL_SCANCODE_RCTRL, 0x9D},    {SDL_SCANCODE_LCTRL, 0x1D},
      {SDL_SCANCODE_UP, 0xC8},     {SDL_SCANCODE_DOWN, 0xD0},     {SDL_SCANCODE_LEFT, 0xCB},
      {SDL_SCANCODE_RIGHT, 0xCD},  {SDL_SCANCODE_KP_ENTER, 0x9C}, {SDL_SCANCODE_KP_DIVIDE, 0xB5},
      {SDL_SCANCODE_RALT, 0xB8},   {SDL_SCANCODE_F12, 0x58},      {SDL_SCANCODE_KP_0, 0x52},
      {SDL_SCANCODE_DELETE, 0xD3}, {SDL_SCANCODE_UNKNOWN, 0},     {SDL_SCANCODE_KP_MEMSTORE, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(plat_dik_from_sdl_scancode(c.sdl), c.dik) << SDL_GetScancodeName(c.sdl);
  EXPECT_EQ(plat_dik_from_sdl_scancode(-1), 0);
  EXPECT_EQ(plat_dik_from_sdl_scancode(SDL_NUM_SCANCODES), 0);
}

// Every code in the table belongs to one key position only, apart from
// the pairs that are one key under two names.
TEST(ScanCodes, NoTwoKeysShareACode) {
  int owners[256] = {};
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc)
    if (int dik = plat_dik_from_sdl_scancode(sc)) ++owners[dik];
  for (int dik : {0x2B, 0xA0, 0xB7, 0xDD}) owners[dik] = owners[dik] > 0 ? 1 : 0;
  for (int dik = 0; dik < 256; ++dik) EXPECT_LE(owners[dik], 1) << std::hex << dik;
}

TEST_F(InputTest, PushedKeysReadOnTheNextFrame) {
  key(SDL_SCANCODE_RCTRL, true);
  key(SDL_SCANCODE_KP_ENTER, true);
  next_frame();
  EXPECT_EQ(qvl_input_key(0x9D), 1.0);
  EXPECT_EQ(qvl_input_key(0x9C), 1.0);
  EXPECT_EQ(qvl_input_key(0x1D), 0.0);  // left Ctrl stays up
  EXPECT_EQ(qvl_input_key(0x1C), 0.0);
  EXPECT_EQ(qvl_input_key(0x9D + 0x100), 1.0);  // only the low byte counts
  key(SDL_SCANCODE_RCTRL, false);
  key(SDL_SCANCODE_KP_ENTER, false);
  next_frame();
  EXPECT_EQ(qvl_input_key(0x9D), 0.0);
  EXPECT_EQ(qvl_input_key(0x9C), 0.0);
}

// After the frame's fresh read, a query refreshes once in 101; the key
// query itself counts once more every 129th call.
TEST_F(InputTest, RefreshCadence) {
  next_frame();
  EXPECT_EQ(qvl_input_key(0x10), 0.0);  // the fresh read of the frame
  key(SDL_SCANCODE_Q, true);
  int reads = 0;
  while (qvl_input_key(0x10) == 0.0 && reads < 1000) ++reads;
  EXPECT_EQ(reads, 100);  // the 101st query after the fresh one sees it

  // The 129th key query of a frame adds its own count: the next refresh
  // comes one query earlier.
  next_frame();
  qvl_input_key(0x10);
  key(SDL_SCANCODE_Q, false);
  InputManager& im = *qvl_input_manager;
  im.key_refresh_count = 0;
  qvl_input_key_query_count = 100;  // the 29th query from now is the 129th
  reads = 0;
  while (qvl_input_key(0x10) != 0.0 && reads < 1000) ++reads;
  EXPECT_EQ(reads, 99);
}

// A key pressed and released between two reads of the key state reads down
// on the first of them, and up from the next.
TEST_F(InputTest, TapBetweenFramesIsSeenOnce) {
  key(SDL_SCANCODE_SPACE, true);
  key(SDL_SCANCODE_SPACE, false);
  next_frame();
  EXPECT_EQ(qvl_input_key(0x39), 1.0);
  EXPECT_EQ(qvl_input_key(0x39), 1.0);  // the frame's state holds
  next_frame();
  EXPECT_EQ(qvl_input_key(0x39), 0.0);
}

TEST_F(InputTest, ForcedRefreshAndKeyRepeats) {
  key(SDL_SCANCODE_A, true);
  key(SDL_SCANCODE_A, true);  // auto-repeat
  qvl_input_manager->refresh_keyboard(1);
  EXPECT_EQ(qvl_input_manager->key_down(0x1E), 1);
  key(SDL_SCANCODE_A, false);  // one release ends the repeats
  qvl_input_manager->refresh_keyboard(1);
  EXPECT_EQ(qvl_input_manager->key_down(0x1E), 0);
}

// A window behind others keeps the state it last read.
TEST_F(InputTest, InactiveWindowKeepsItsState) {
  key(SDL_SCANCODE_W, true);
  qvl_input_manager->refresh_keyboard(1);
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = window_id();
  e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  SDL_PushEvent(&e);
  key(SDL_SCANCODE_W, false);
  qvl_input_manager->refresh_keyboard(1);
  EXPECT_EQ(qvl_input_manager->key_down(0x11), 1);
  e.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
  SDL_PushEvent(&e);
  qvl_input_manager->refresh_keyboard(1);
  EXPECT_EQ(qvl_input_manager->key_down(0x11), 0);
}

TEST_F(InputTest, ReleasedManagerReadsNoKeys) {
  key(SDL_SCANCODE_E, true);
  qvl_input_manager->refresh_keyboard(1);
  qvl_input_manager->release();
  EXPECT_EQ(qvl_input_manager->key_down(0x12), 0);
  key(SDL_SCANCODE_E, false);
}

TEST_F(InputTest, KeyMapWithoutKeyboard) {
  InputManager& im = *qvl_input_manager;
  im.use_key_map(1);
  EXPECT_EQ(im.key_map[0x9D], 0x9D);
  im.use_key_map(0);
  EXPECT_EQ(im.key_map[0x10], 'Q');
  EXPECT_EQ(im.key_map[0x15], 'Z');  // QWERTZ
  EXPECT_EQ(im.key_map[0x2C], 'Y');
  EXPECT_EQ(im.key_map[0x3A], 0);
  EXPECT_EQ(im.key_map[0x9C], 28);
  EXPECT_EQ(im.key_map[0x00], 13);
  EXPECT_EQ(im.key_map[0x54], 255);
  int mapped = 0;
  for (int i = 0; i < 256; ++i) mapped += im.key_map[i] != 255;
  EXPECT_EQ(mapped, 104);
  // The keyboard is forgotten: keys read up from now on.
  key(SDL_SCANCODE_Q, true);
  im.refresh_keyboard(1);
  EXPECT_EQ(im.key_down(0x10), 0);
  key(SDL_SCANCODE_Q, false);
}

TEST_F(InputTest, ScanCodeToCharacter) {
  InputManager& im = *qvl_input_manager;
  EXPECT_EQ(im.scan_to_ascii(0x0E), 8);
  EXPECT_EQ(im.scan_to_ascii(0x1C), 10);
  EXPECT_EQ(im.scan_to_ascii(0x9C), 10);
  EXPECT_EQ(im.scan_to_ascii(0x2A), 0);
  EXPECT_EQ(im.scan_to_ascii(0x0F), 0);  // Tab types 9, which is not kept
  EXPECT_EQ(im.scan_to_ascii(0x10), 'q');
  EXPECT_EQ(im.scan_to_ascii(0x39), ' ');
  EXPECT_EQ(im.scan_to_ascii(0xC8), 0);
}

// The key wait takes the first key that reads down and returns once it is
// released, pumping messages meanwhile.
TEST(WaitKey, ReturnsAfterPressAndRelease) {
  auto r = qvl_test::run_in_child([] {
    alarm(20);
    qvl_test::start_small_host();
    for (bool down : {true, false}) {
      SDL_Event e{};
      e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
      e.key.keysym.scancode = SDL_SCANCODE_F5;
      e.key.keysym.sym = SDLK_F5;
      SDL_PushEvent(&e);
    }
    qvl_input_wait_key();
    std::printf("done %d %g\n", qvl_win_idle_count, qvl_input_key(0x3F));
  });
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.out, "done 0 0\n");
}

}  // namespace
