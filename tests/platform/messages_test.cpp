// SDL events become the Win32-numbered messages the runtime's pumps expect,
// and the queue peeks, removes and dispatches them like the original.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/codepage.h"
#include "platform/message_queue.h"

namespace {

WindowHandle fake_window() { return reinterpret_cast<WindowHandle>(0x1000); }

std::vector<PlatMsg> translate(const SDL_Event& ev, PlatRect client = {0, 0, 0, 0}) {
  std::vector<PlatMsg> out;
  plat_translate_event(ev, fake_window(), client, out);
  return out;
}

SDL_Event window_event(uint8_t what) {
  SDL_Event ev{};
  ev.type = SDL_WINDOWEVENT;
  ev.window.event = what;
  return ev;
}

SDL_Event key_down(SDL_Keycode sym) {
  SDL_Event ev{};
  ev.type = SDL_KEYDOWN;
  ev.key.keysym.sym = sym;
  return ev;
}

TEST(PlatMessages, WindowEventsTable) {
  struct Case {
    SDL_Event ev;
    uint32_t message;
    uintptr_t wParam;
  } cases[] = {
      {window_event(SDL_WINDOWEVENT_FOCUS_GAINED), WM_ACTIVATE, WA_ACTIVE},
      {window_event(SDL_WINDOWEVENT_FOCUS_LOST), WM_ACTIVATE, WA_INACTIVE},
      {window_event(SDL_WINDOWEVENT_CLOSE), WM_CLOSE, 0},
      {SDL_Event{SDL_QUIT}, WM_CLOSE, 0},
  };
  for (const Case& c : cases) {
    auto msgs = translate(c.ev);
    ASSERT_EQ(msgs.size(), 1u) << c.message;
    EXPECT_EQ(msgs[0].message, c.message);
    EXPECT_EQ(msgs[0].wParam, c.wParam);
    EXPECT_EQ(msgs[0].window, fake_window());
  }
  EXPECT_TRUE(translate(window_event(SDL_WINDOWEVENT_MOVED)).empty());
}

TEST(PlatMessages, ControlKeysTypeCharactersOthersDoNot) {
  struct Case {
    SDL_Keycode sym;
    int ch;
  } cases[] = {{SDLK_RETURN, 13}, {SDLK_KP_ENTER, 13}, {SDLK_BACKSPACE, 8},
               {SDLK_TAB, 9},     {SDLK_ESCAPE, 27},   {SDLK_a, 0},
               {SDLK_F4, 0}};
  for (const Case& c : cases) {
    auto msgs = translate(key_down(c.sym));
    ASSERT_EQ(msgs.size(), c.ch ? 2u : 1u) << c.sym;
    EXPECT_EQ(msgs[0].message, WM_KEYDOWN);
    if (c.ch) {
      EXPECT_EQ(msgs[1].message, WM_CHAR);
      EXPECT_EQ(msgs[1].wParam, static_cast<uintptr_t>(c.ch));
    }
  }
}

TEST(PlatMessages, KeyMessagesCarryVirtualKeyAndScanCode) {
  SDL_Event ev = key_down(SDLK_F4);
  ev.key.keysym.scancode = SDL_SCANCODE_F4;
  ev.key.keysym.mod = KMOD_LALT;
  auto down = translate(ev);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].message, WM_SYSKEYDOWN);  // with Alt held
  EXPECT_EQ(down[0].wParam, 0x73u);           // VK_F4
  EXPECT_EQ((down[0].lParam >> 16) & 0xFF, 62);  // its DirectInput scan code
  ev.type = SDL_KEYUP;
  ev.key.keysym.mod = 0;
  auto up = translate(ev);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(up[0].message, WM_KEYUP);
  EXPECT_NE(static_cast<uint32_t>(up[0].lParam) & 0x80000000u, 0u);  // transition: released
}

TEST(PlatMessages, TextInputBecomesCodePageBytes) {
  SDL_Event ev{};
  ev.type = SDL_TEXTINPUT;
  SDL_strlcpy(ev.text.text, "a\xC3\xBC\xE2\x82\xAC\xE4\xB8\xAD", sizeof ev.text.text);  // a ü € 中
  auto msgs = translate(ev);
  ASSERT_EQ(msgs.size(), 4u);
  const uintptr_t want[] = {'a', 0xFC, 0x80, '?'};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(msgs[i].message, WM_CHAR);
    EXPECT_EQ(msgs[i].wParam, want[i]);
  }
}

TEST(PlatMessages, WheelCarriesSignedDeltaInHighWord) {
  SDL_Event ev{};
  ev.type = SDL_MOUSEWHEEL;
  ev.wheel.y = -1;  // one notch towards the user
  auto msgs = translate(ev);
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].message, WM_MOUSEWHEEL);
  EXPECT_EQ(plat_hiword(msgs[0].wParam), 0xFF88u);
  ev.wheel.y = 2;
  ev.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
  EXPECT_EQ(plat_hiword(translate(ev)[0].wParam), static_cast<uint16_t>(-240));
}

TEST(PlatMessages, TouchBecomesPointerMessagesWithStableIds) {
  PlatRect client{100, 50, 200, 100};
  SDL_Event ev{};
  ev.tfinger.fingerId = 77;
  ev.tfinger.x = 0.5f;
  ev.tfinger.y = 0.25f;
  ev.type = SDL_FINGERDOWN;
  auto down = translate(ev, client);
  ev.type = SDL_FINGERMOTION;
  auto move = translate(ev, client);
  ev.type = SDL_FINGERUP;
  auto up = translate(ev, client);
  ASSERT_EQ(down.size(), 1u);
  ASSERT_EQ(move.size(), 1u);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(down[0].message, WM_POINTERDOWN);
  EXPECT_EQ(move[0].message, WM_POINTERUPDATE);
  EXPECT_EQ(up[0].message, WM_POINTERUP);
  uint32_t id = plat_loword(down[0].wParam);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(plat_loword(up[0].wParam), id);
  EXPECT_EQ(down[0].lParam, plat_make_lparam(200, 75));
  PlatTouchInfo info{};
  ASSERT_TRUE(plat_pointer_touch_info(id, &info));
  EXPECT_EQ(info.screen_x, 200);
  EXPECT_EQ(info.flags, 0u);  // lifted
  // A motion of a finger that never went down is not reported.
  ev.tfinger.fingerId = 78;
  ev.type = SDL_FINGERMOTION;
  EXPECT_TRUE(translate(ev, client).empty());
}

TEST(PlatCodePage, RoundTripAndMalformedInput) {
  EXPECT_EQ(plat_cp1252_to_utf8("\xFC\x80"), "\xC3\xBC\xE2\x82\xAC");
  EXPECT_EQ(plat_utf8_to_cp1252("\xC3\xBC\xE2\x82\xAC"), "\xFC\x80");
  EXPECT_EQ(plat_utf8_to_cp1252("x\x80y\xE2\x82"), "xy");  // stray and cut-off bytes dropped
}

// The queue: messages of other windows are left alone, a peek without
// remove keeps the message, dispatch reaches the one window procedure.
std::vector<uint32_t> g_seen;
intptr_t record_proc(WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
  g_seen.push_back(m);
  return plat_def_window_proc(w, m, wp, lp);
}

TEST(PlatQueue, PeekRemoveDispatchAndDefaultClose) {
  WindowHandle a = fake_window();
  WindowHandle b = reinterpret_cast<WindowHandle>(0x2000);
  plat_set_window_proc(record_proc);
  plat_post_message(b, WM_CHAR, 'x', 0);
  plat_post_message(a, WM_ACTIVATE, WA_ACTIVE, 0);
  PlatMsg m{};
  ASSERT_TRUE(plat_peek_message(&m, a, false));
  EXPECT_EQ(m.message, WM_ACTIVATE);
  ASSERT_TRUE(plat_peek_message(&m, a, true));
  EXPECT_FALSE(plat_peek_message(&m, a, true));
  EXPECT_EQ(plat_queued_message_count(), 1);  // b's message stays
  plat_discard_messages(b);
  EXPECT_EQ(plat_queued_message_count(), 0);

  g_seen.clear();
  plat_dispatch_message(PlatMsg{a, WM_SYSCOMMAND, SC_CLOSE | 2, 0});
  EXPECT_EQ(g_seen, (std::vector<uint32_t>{WM_SYSCOMMAND, WM_CLOSE}));
  plat_set_window_proc(nullptr);
}

TEST(PlatQueue, WaitReturnsForAPostedMessage) {
  plat_post_message(fake_window(), WM_CHAR, 'q', 0);
  plat_wait_message();  // must not block: the message is new
  PlatMsg m{};
  EXPECT_TRUE(plat_peek_message(&m, nullptr, true));
  EXPECT_EQ(m.wParam, static_cast<uintptr_t>('q'));
}

}  // namespace
