#include "platform/message_queue.h"

#include <SDL2/SDL.h>

#include <deque>

#include "platform/codepage.h"
#include "platform/keyboard.h"
#include "platform/video.h"

namespace {

std::deque<PlatMsg> g_queue;
// Messages that arrived after the last peek or wait looked at the queue.
bool g_unseen = false;
PlatWindowProc g_proc = nullptr;
WindowHandle g_main_window = nullptr;

// Touch contacts get small pointer ids (1..kMaxTouch) because the runtime
// treats id 0 as "no pointer" and keeps only the low word of wParam.
constexpr int kMaxTouch = 16;
struct TouchSlot {
  bool used;
  SDL_FingerID finger;
  PlatTouchInfo info;
};
TouchSlot g_touch[kMaxTouch];

int touch_slot_for(SDL_FingerID finger, bool create) {
  for (int i = 0; i < kMaxTouch; ++i)
    if (g_touch[i].used && g_touch[i].finger == finger) return i;
  if (!create) return -1;
  for (int i = 0; i < kMaxTouch; ++i)
    if (!g_touch[i].used) {
      g_touch[i] = TouchSlot{true, finger, PlatTouchInfo{static_cast<uint32_t>(i + 1), 0, 0, 0}};
      return i;
    }
  return -1;
}

PlatMsg make(WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) { return PlatMsg{w, m, wp, lp}; }

// Mouse messages: programs that watch the messages see them, and a wait
// for a message ends when the user clicks or moves the mouse.

// MK_LBUTTON, MK_RBUTTON, MK_MBUTTON of the buttons held.
uintptr_t mouse_wparam(uint32_t sdl_state) {
  uintptr_t w = 0;
  if (sdl_state & SDL_BUTTON_LMASK) w |= 0x01;
  if (sdl_state & SDL_BUTTON_RMASK) w |= 0x02;
  if (sdl_state & SDL_BUTTON_MMASK) w |= 0x10;
  return w;
}

uint32_t button_message(uint8_t button, bool down) {
  switch (button) {
    case SDL_BUTTON_LEFT: return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case SDL_BUTTON_RIGHT: return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    case SDL_BUTTON_MIDDLE: return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    default: return 0;
  }
}

void translate_touch(const SDL_TouchFingerEvent& f, uint32_t type, WindowHandle target,
                     const PlatRect& client, std::vector<PlatMsg>& out) {
  int slot = touch_slot_for(f.fingerId, type == SDL_FINGERDOWN);
  if (slot < 0) return;
  uint32_t message = WM_POINTERUPDATE;
  uint32_t flags = POINTER_MESSAGE_FLAG_INCONTACT | POINTER_MESSAGE_FLAG_FIRSTBUTTON;
  if (type == SDL_FINGERDOWN) {
    message = WM_POINTERDOWN;
    flags |= POINTER_MESSAGE_FLAG_NEW;
  } else if (type == SDL_FINGERUP) {
    message = WM_POINTERUP;
    flags = 0;
  }
  TouchSlot& t = g_touch[slot];
  t.info.screen_x = client.x + static_cast<int>(f.x * static_cast<float>(client.w));
  t.info.screen_y = client.y + static_cast<int>(f.y * static_cast<float>(client.h));
  t.info.flags = flags;
  uintptr_t wp = (static_cast<uintptr_t>(flags) << 16) | t.info.pointer_id;
  out.push_back(make(target, message, wp, plat_make_lparam(t.info.screen_x, t.info.screen_y)));
  // The id stays readable for the up message's handler; a later down reuses it.
  if (type == SDL_FINGERUP) t.used = false;
}

// WM_KEYDOWN/WM_KEYUP (WM_SYS* while Alt is held): virtual key in wParam;
// in lParam the repeat count 1, the scan code, the previous-state and the
// transition bits.
PlatMsg key_message(const SDL_KeyboardEvent& k, WindowHandle target, bool down) {
  bool alt = (k.keysym.mod & KMOD_ALT) || k.keysym.sym == SDLK_LALT || k.keysym.sym == SDLK_RALT;
  uint32_t message = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
  uint32_t l = 1u | (static_cast<uint32_t>(plat_dik_from_sdl_scancode(k.keysym.scancode) & 0xFF) << 16);
  if (!down || k.repeat) l |= 1u << 30;
  if (!down) l |= 1u << 31;
  return make(target, message, static_cast<uintptr_t>(plat_vk_from_sdl_keycode(k.keysym.sym)),
              static_cast<intptr_t>(l));
}

WindowHandle target_of(const SDL_Event& ev) {
  uint32_t id = 0;
  switch (ev.type) {
    case SDL_WINDOWEVENT: id = ev.window.windowID; break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: id = ev.key.windowID; break;
    case SDL_MOUSEMOTION: id = ev.motion.windowID; break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: id = ev.button.windowID; break;
    case SDL_TEXTINPUT: id = ev.text.windowID; break;
    case SDL_MOUSEWHEEL: id = ev.wheel.windowID; break;
    case SDL_FINGERDOWN:
    case SDL_FINGERUP:
    case SDL_FINGERMOTION: id = ev.tfinger.windowID; break;
    default: break;
  }
  SDL_Window* w = id ? SDL_GetWindowFromID(id) : nullptr;
  return w ? w : g_main_window;
}

// Moves every pending SDL event into the queue; true when any message came.
bool collect() {
  plat_pump_events();
  plat_input_settle();
  SDL_Event evs[64];
  // Kept between calls: the pumps run this many times a frame.
  static std::vector<PlatMsg> msgs;
  msgs.clear();
  int n;
  while ((n = SDL_PeepEvents(evs, 64, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT)) > 0) {
    for (int i = 0; i < n; ++i) {
      WindowHandle t = target_of(evs[i]);
      plat_translate_event(evs[i], t, plat_window_rect(t), msgs);
    }
  }
  for (const PlatMsg& m : msgs) g_queue.push_back(m);
  if (!msgs.empty()) g_unseen = true;
  return !msgs.empty();
}

}  // namespace

void plat_translate_event(const SDL_Event& ev, WindowHandle target, const PlatRect& client,
                          std::vector<PlatMsg>& out) {
  switch (ev.type) {
    case SDL_QUIT:
      out.push_back(make(target, WM_CLOSE, 0, 0));
      break;
    case SDL_WINDOWEVENT:
      if (ev.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
        out.push_back(make(target, WM_ACTIVATE, WA_ACTIVE, 0));
      else if (ev.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
        out.push_back(make(target, WM_ACTIVATE, WA_INACTIVE, 0));
      else if (ev.window.event == SDL_WINDOWEVENT_CLOSE)
        out.push_back(make(target, WM_CLOSE, 0, 0));
      break;
    case SDL_KEYUP:
      out.push_back(key_message(ev.key, target, false));
      break;
    case SDL_MOUSEMOTION:
      out.push_back(make(target, WM_MOUSEMOVE, mouse_wparam(ev.motion.state),
                         plat_make_lparam(ev.motion.x, ev.motion.y)));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      uint32_t m = button_message(ev.button.button, ev.type == SDL_MOUSEBUTTONDOWN);
      if (m) {
        out.push_back(make(target, m, mouse_wparam(SDL_GetMouseState(nullptr, nullptr)),
                           plat_make_lparam(ev.button.x, ev.button.y)));
      }
      break;
    }
    case SDL_KEYDOWN: {
      out.push_back(key_message(ev.key, target, true));
      // These keys type a control character; text input never reports them.
      int c = 0;
      switch (ev.key.keysym.sym) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER: c = CHAR_ENTER; break;
        case SDLK_BACKSPACE: c = CHAR_BACKSPACE; break;
        case SDLK_TAB: c = CHAR_TAB; break;
        case SDLK_ESCAPE: c = CHAR_ESCAPE; break;
        default: break;
      }
      if (c) out.push_back(make(target, WM_CHAR, static_cast<uintptr_t>(c), 1));
      break;
    }
    case SDL_TEXTINPUT:
      for (char b : plat_utf8_to_cp1252(ev.text.text))
        out.push_back(make(target, WM_CHAR, static_cast<unsigned char>(b), 1));
      break;
    case SDL_MOUSEWHEEL: {
      int notches = ev.wheel.y;
      if (ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      if (notches == 0) break;
      int delta = notches * 120;  // WHEEL_DELTA per notch, positive away from the user
      int mx = 0, my = 0;
      SDL_GetGlobalMouseState(&mx, &my);
      uintptr_t wp = static_cast<uintptr_t>(static_cast<uint16_t>(delta)) << 16;
      out.push_back(make(target, WM_MOUSEWHEEL, wp, plat_make_lparam(mx, my)));
      break;
    }
    case SDL_FINGERDOWN:
    case SDL_FINGERUP:
    case SDL_FINGERMOTION:
      translate_touch(ev.tfinger, ev.type, target, client, out);
      break;
    default:
      break;
  }
}

void plat_set_window_proc(PlatWindowProc proc) { g_proc = proc; }
void plat_set_main_window(WindowHandle window) { g_main_window = window; }

bool plat_peek_message(PlatMsg* out, WindowHandle window, bool remove) {
  collect();
  g_unseen = false;
  for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
    if (window && it->window != window) continue;
    if (out) *out = *it;
    if (remove) g_queue.erase(it);
    return true;
  }
  return false;
}

void plat_wait_message() {
  if (collect() || g_unseen) {
    g_unseen = false;
    return;
  }
  for (;;) {
    SDL_Event ev;
    plat_pump_events();
    if (!SDL_WaitEventTimeout(&ev, 100)) continue;
    std::vector<PlatMsg> msgs;
    WindowHandle t = target_of(ev);
    plat_translate_event(ev, t, plat_window_rect(t), msgs);
    for (const PlatMsg& m : msgs) g_queue.push_back(m);
    if (!msgs.empty()) return;
  }
}

void plat_post_message(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  g_queue.push_back(make(window, message, wParam, lParam));
  g_unseen = true;
}

void plat_post_quit_message(int code) {
  plat_post_message(nullptr, WM_QUIT, static_cast<uintptr_t>(code), 0);
}

intptr_t plat_dispatch_message(const PlatMsg& msg) {
  if (!g_proc || !msg.window) return 0;
  return g_proc(msg.window, msg.message, msg.wParam, msg.lParam);
}

intptr_t plat_send_message(WindowHandle window, uint32_t message, uintptr_t wParam,
                           intptr_t lParam) {
  return g_proc ? g_proc(window, message, wParam, lParam) : 0;
}

intptr_t plat_def_window_proc(WindowHandle window, uint32_t message, uintptr_t wParam,
                              intptr_t) {
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE)
    return plat_send_message(window, WM_CLOSE, 0, 0);
  return 0;
}

void plat_discard_messages(WindowHandle window) {
  for (auto it = g_queue.begin(); it != g_queue.end();)
    it = (it->window == window) ? g_queue.erase(it) : it + 1;
}

int plat_queued_message_count() { return static_cast<int>(g_queue.size()); }

bool plat_pointer_touch_info(uint32_t pointer_id, PlatTouchInfo* out) {
  if (pointer_id == 0 || pointer_id > kMaxTouch) return false;
  const TouchSlot& t = g_touch[pointer_id - 1];
  if (out) *out = t.info;
  return t.info.pointer_id == pointer_id;
}
