#include "platform/mouse.h"

#include <SDL2/SDL.h>

#include <cstdint>
#include <initializer_list>

#include "platform/keyboard.h"

namespace {

int g_x = 0, g_y = 0;
int g_dx = 0, g_dy = 0;
int g_buttons = 0;
bool g_position_known = false;
// Buttons are read many times in a row (every mouse, the idle step, then
// the program's own reads), and a click whose press and release arrive
// together would otherwise be missed by all or some of them. So a press,
// once a read has seen it, reads down for at least kMinPressMs; a release
// that comes earlier waits until then.
constexpr uint64_t kMinPressMs = 30;
uint64_t g_first_read[3];  // per button bit; 0 = not read yet
int g_deferred = 0;        // released, waiting for its time

int index_of(int bit) { return bit == PLAT_MOUSE_LEFT ? 0 : bit == PLAT_MOUSE_RIGHT ? 1 : 2; }

int bit_of(uint8_t sdl_button) {
  switch (sdl_button) {
    case SDL_BUTTON_LEFT: return PLAT_MOUSE_LEFT;
    case SDL_BUTTON_RIGHT: return PLAT_MOUSE_RIGHT;
    case SDL_BUTTON_MIDDLE: return PLAT_MOUSE_MIDDLE;
    default: return 0;
  }
}

// Before the first event the pointer is wherever SDL last saw it.
void learn_position() {
  if (g_position_known) return;
  g_position_known = true;
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_GetMouseState(&g_x, &g_y);
}

}  // namespace

void plat_mouse_watch_event(const SDL_Event& ev) {
  switch (ev.type) {
    case SDL_MOUSEMOTION:
      g_position_known = true;
      g_x = ev.motion.x;
      g_y = ev.motion.y;
      g_dx += ev.motion.xrel;
      g_dy += ev.motion.yrel;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      g_position_known = true;
      g_x = ev.button.x;
      g_y = ev.button.y;
      int bit = bit_of(ev.button.button);
      if (bit == 0) break;
      if (ev.type == SDL_MOUSEBUTTONDOWN) {
        g_buttons |= bit;
        g_first_read[index_of(bit)] = 0;
        g_deferred &= ~bit;
      } else if (g_buttons & bit) {
        g_deferred |= bit;
      }
      break;
    }
    default:
      break;
  }
}

void plat_mouse_position(int* x, int* y) {
  learn_position();
  if (x) *x = g_x;
  if (y) *y = g_y;
}

int plat_mouse_buttons() {
  uint64_t now = SDL_GetTicks64();
  if (now == 0) now = 1;  // 0 marks "not read yet"
  for (int bit : {PLAT_MOUSE_LEFT, PLAT_MOUSE_RIGHT, PLAT_MOUSE_MIDDLE}) {
    if (!(g_buttons & bit)) continue;
    uint64_t& first = g_first_read[index_of(bit)];
    if (first == 0) {
      first = now;
    } else if ((g_deferred & bit) && now - first >= kMinPressMs) {
      g_buttons &= ~bit;
      g_deferred &= ~bit;
    }
  }
  return g_buttons;
}

void plat_mouse_take_motion(int* dx, int* dy) {
  if (dx) *dx = g_dx;
  if (dy) *dy = g_dy;
  g_dx = g_dy = 0;
}

void plat_mouse_capture(bool captured) {
  // Motion from before the switch belongs to the other mode.
  g_dx = g_dy = 0;
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
  // Drivers without relative mode keep the ordinary pointer; motion events
  // still carry the relative part.
  SDL_SetRelativeMouseMode(captured ? SDL_TRUE : SDL_FALSE);
}

void plat_mouse_warp(WindowHandle window, int x, int y) {
  g_position_known = true;
  g_x = x;
  g_y = y;
  if (window && SDL_WasInit(SDL_INIT_VIDEO)) SDL_WarpMouseInWindow(window, x, y);
}

void plat_mouse_state(WindowHandle, int* x, int* y, int* buttons) {
  plat_mouse_position(x, y);
  if (buttons) *buttons = plat_mouse_buttons();
}
