#include "platform/keyboard.h"

#include <SDL2/SDL.h>

#include <cstring>

#include "platform/mouse.h"
#include "platform/video.h"

namespace {

struct KeyPair {
  SDL_Scancode sdl;
  uint8_t dik;
};

// Keys of a PC keyboard and their DirectInput codes; keys that come with
// the extended prefix (right Ctrl, keypad Enter, the cursor block ...) are
// at code + 0x80.
const KeyPair kKeys[] = {
    {SDL_SCANCODE_ESCAPE, 0x01}, {SDL_SCANCODE_1, 0x02}, {SDL_SCANCODE_2, 0x03},
    {SDL_SCANCODE_3, 0x04}, {SDL_SCANCODE_4, 0x05}, {SDL_SCANCODE_5, 0x06},
    {SDL_SCANCODE_6, 0x07}, {SDL_SCANCODE_7, 0x08}, {SDL_SCANCODE_8, 0x09},
    {SDL_SCANCODE_9, 0x0A}, {SDL_SCANCODE_0, 0x0B}, {SDL_SCANCODE_MINUS, 0x0C},
    {SDL_SCANCODE_EQUALS, 0x0D}, {SDL_SCANCODE_BACKSPACE, 0x0E}, {SDL_SCANCODE_TAB, 0x0F},
    {SDL_SCANCODE_Q, 0x10}, {SDL_SCANCODE_W, 0x11}, {SDL_SCANCODE_E, 0x12},
    {SDL_SCANCODE_R, 0x13}, {SDL_SCANCODE_T, 0x14}, {SDL_SCANCODE_Y, 0x15},
    {SDL_SCANCODE_U, 0x16}, {SDL_SCANCODE_I, 0x17}, {SDL_SCANCODE_O, 0x18},
    {SDL_SCANCODE_P, 0x19}, {SDL_SCANCODE_LEFTBRACKET, 0x1A}, {SDL_SCANCODE_RIGHTBRACKET, 0x1B},
    {SDL_SCANCODE_RETURN, 0x1C}, {SDL_SCANCODE_LCTRL, 0x1D}, {SDL_SCANCODE_A, 0x1E},
    {SDL_SCANCODE_S, 0x1F}, {SDL_SCANCODE_D, 0x20}, {SDL_SCANCODE_F, 0x21},
    {SDL_SCANCODE_G, 0x22}, {SDL_SCANCODE_H, 0x23}, {SDL_SCANCODE_J, 0x24},
    {SDL_SCANCODE_K, 0x25}, {SDL_SCANCODE_L, 0x26}, {SDL_SCANCODE_SEMICOLON, 0x27},
    {SDL_SCANCODE_APOSTROPHE, 0x28}, {SDL_SCANCODE_GRAVE, 0x29}, {SDL_SCANCODE_LSHIFT, 0x2A},
    {SDL_SCANCODE_BACKSLASH, 0x2B}, {SDL_SCANCODE_NONUSHASH, 0x2B}, {SDL_SCANCODE_Z, 0x2C},
    {SDL_SCANCODE_X, 0x2D}, {SDL_SCANCODE_C, 0x2E}, {SDL_SCANCODE_V, 0x2F},
    {SDL_SCANCODE_B, 0x30}, {SDL_SCANCODE_N, 0x31}, {SDL_SCANCODE_M, 0x32},
    {SDL_SCANCODE_COMMA, 0x33}, {SDL_SCANCODE_PERIOD, 0x34}, {SDL_SCANCODE_SLASH, 0x35},
    {SDL_SCANCODE_RSHIFT, 0x36}, {SDL_SCANCODE_KP_MULTIPLY, 0x37}, {SDL_SCANCODE_LALT, 0x38},
    {SDL_SCANCODE_SPACE, 0x39}, {SDL_SCANCODE_CAPSLOCK, 0x3A}, {SDL_SCANCODE_F1, 0x3B},
    {SDL_SCANCODE_F2, 0x3C}, {SDL_SCANCODE_F3, 0x3D}, {SDL_SCANCODE_F4, 0x3E},
    {SDL_SCANCODE_F5, 0x3F}, {SDL_SCANCODE_F6, 0x40}, {SDL_SCANCODE_F7, 0x41},
    {SDL_SCANCODE_F8, 0x42}, {SDL_SCANCODE_F9, 0x43}, {SDL_SCANCODE_F10, 0x44},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45}, {SDL_SCANCODE_SCROLLLOCK, 0x46}, {SDL_SCANCODE_KP_7, 0x47},
    {SDL_SCANCODE_KP_8, 0x48}, {SDL_SCANCODE_KP_9, 0x49}, {SDL_SCANCODE_KP_MINUS, 0x4A},
    {SDL_SCANCODE_KP_4, 0x4B}, {SDL_SCANCODE_KP_5, 0x4C}, {SDL_SCANCODE_KP_6, 0x4D},
    {SDL_SCANCODE_KP_PLUS, 0x4E}, {SDL_SCANCODE_KP_1, 0x4F}, {SDL_SCANCODE_KP_2, 0x50},
    {SDL_SCANCODE_KP_3, 0x51}, {SDL_SCANCODE_KP_0, 0x52}, {SDL_SCANCODE_KP_PERIOD, 0x53},
    {SDL_SCANCODE_NONUSBACKSLASH, 0x56}, {SDL_SCANCODE_F11, 0x57}, {SDL_SCANCODE_F12, 0x58},
    {SDL_SCANCODE_F13, 0x64}, {SDL_SCANCODE_F14, 0x65}, {SDL_SCANCODE_F15, 0x66},
    // Japanese and Brazilian keys.
    {SDL_SCANCODE_INTERNATIONAL2, 0x70}, {SDL_SCANCODE_INTERNATIONAL1, 0x73},
    {SDL_SCANCODE_INTERNATIONAL4, 0x79}, {SDL_SCANCODE_INTERNATIONAL5, 0x7B},
    {SDL_SCANCODE_INTERNATIONAL3, 0x7D}, {SDL_SCANCODE_KP_EQUALS, 0x8D},
    {SDL_SCANCODE_KP_COMMA, 0xB3},
    // The extended block.
    {SDL_SCANCODE_AUDIOPREV, 0x90}, {SDL_SCANCODE_AUDIONEXT, 0x99},
    {SDL_SCANCODE_KP_ENTER, 0x9C}, {SDL_SCANCODE_RCTRL, 0x9D}, {SDL_SCANCODE_MUTE, 0xA0},
    {SDL_SCANCODE_AUDIOMUTE, 0xA0}, {SDL_SCANCODE_CALCULATOR, 0xA1},
    {SDL_SCANCODE_AUDIOPLAY, 0xA2}, {SDL_SCANCODE_AUDIOSTOP, 0xA4},
    {SDL_SCANCODE_VOLUMEDOWN, 0xAE}, {SDL_SCANCODE_VOLUMEUP, 0xB0},
    {SDL_SCANCODE_AC_HOME, 0xB2}, {SDL_SCANCODE_KP_DIVIDE, 0xB5},
    {SDL_SCANCODE_PRINTSCREEN, 0xB7}, {SDL_SCANCODE_SYSREQ, 0xB7}, {SDL_SCANCODE_RALT, 0xB8},
    {SDL_SCANCODE_PAUSE, 0xC5}, {SDL_SCANCODE_HOME, 0xC7}, {SDL_SCANCODE_UP, 0xC8},
    {SDL_SCANCODE_PAGEUP, 0xC9}, {SDL_SCANCODE_LEFT, 0xCB}, {SDL_SCANCODE_RIGHT, 0xCD},
    {SDL_SCANCODE_END, 0xCF}, {SDL_SCANCODE_DOWN, 0xD0}, {SDL_SCANCODE_PAGEDOWN, 0xD1},
    {SDL_SCANCODE_INSERT, 0xD2}, {SDL_SCANCODE_DELETE, 0xD3}, {SDL_SCANCODE_LGUI, 0xDB},
    {SDL_SCANCODE_RGUI, 0xDC}, {SDL_SCANCODE_APPLICATION, 0xDD}, {SDL_SCANCODE_MENU, 0xDD},
    {SDL_SCANCODE_POWER, 0xDE}, {SDL_SCANCODE_SLEEP, 0xDF}, {SDL_SCANCODE_AC_SEARCH, 0xE5},
    {SDL_SCANCODE_AC_BOOKMARKS, 0xE6}, {SDL_SCANCODE_AC_REFRESH, 0xE7},
    {SDL_SCANCODE_AC_STOP, 0xE8}, {SDL_SCANCODE_AC_FORWARD, 0xE9},
    {SDL_SCANCODE_AC_BACK, 0xEA}, {SDL_SCANCODE_COMPUTER, 0xEB}, {SDL_SCANCODE_MAIL, 0xEC},
    {SDL_SCANCODE_MEDIASELECT, 0xED},
};

// The table above by SDL scancode.
struct DikTable {
  uint8_t dik[SDL_NUM_SCANCODES];
  DikTable() {
    std::memset(dik, 0, sizeof dik);
    for (const KeyPair& k : kKeys) dik[k.sdl] = k.dik;
  }
};
const DikTable& dik_table() {
  static const DikTable table;
  return table;
}

// Down count per DirectInput code: two SDL keys share some codes (Print
// Screen and SysRq), and one of them going up must not release the other.
uint8_t g_down[256];
// A key pressed and released between two reads of the state (a tap, or
// input sent by a program) would never be seen. Its release waits until a
// read has reported the key down once, and takes effect at the next pump.
bool g_unseen[256];
uint8_t g_deferred[256];
bool g_sdl_down[SDL_NUM_SCANCODES];
bool g_focus_known = false;
WindowHandle g_focus = nullptr;

void on_key(const SDL_KeyboardEvent& k) {
  int sc = k.keysym.scancode;
  if (sc <= 0 || sc >= SDL_NUM_SCANCODES) return;
  bool down = k.type == SDL_KEYDOWN;
  if (g_sdl_down[sc] == down) return;  // key repeat, or a release never pressed
  g_sdl_down[sc] = down;
  int dik = dik_table().dik[sc];
  if (dik == 0) return;
  if (down) {
    ++g_down[dik];
    g_unseen[dik] = true;
  } else if (g_unseen[dik]) {
    ++g_deferred[dik];
  } else if (g_down[dik] > 0) {
    --g_down[dik];
  }
}

void on_window(const SDL_WindowEvent& w) {
  SDL_Window* win = SDL_GetWindowFromID(w.windowID);
  if (w.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
    g_focus_known = true;
    g_focus = win;
  } else if (w.event == SDL_WINDOWEVENT_FOCUS_LOST) {
    g_focus_known = true;
    if (g_focus == win) g_focus = nullptr;
  }
}

void settle_keys() {
  for (int i = 0; i < 256; ++i) {
    if (g_deferred[i] == 0 || g_unseen[i]) continue;
    g_down[i] = g_down[i] > g_deferred[i] ? static_cast<uint8_t>(g_down[i] - g_deferred[i]) : 0;
    g_deferred[i] = 0;
  }
}

int watch(void*, SDL_Event* ev) {
  switch (ev->type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: on_key(ev->key); break;
    case SDL_WINDOWEVENT: on_window(ev->window); break;
    default: plat_mouse_watch_event(*ev); break;
  }
  return 1;
}

}  // namespace

int plat_dik_from_sdl_scancode(int sdl_scancode) {
  if (sdl_scancode < 0 || sdl_scancode >= SDL_NUM_SCANCODES) return 0;
  return dik_table().dik[sdl_scancode];
}

void plat_input_track() {
  SDL_DelEventWatch(watch, nullptr);
  SDL_AddEventWatch(watch, nullptr);
}

int plat_vk_from_sdl_keycode(int k) {
  if (k >= 'a' && k <= 'z') return k - 'a' + 'A';
  if (k >= '0' && k <= '9') return k;
  if (k >= SDLK_F1 && k <= SDLK_F12) return 0x70 + (k - SDLK_F1);
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return 0x61 + (k - SDLK_KP_1);
  switch (k) {
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_TAB: return 0x09;
    case SDLK_RETURN: case SDLK_KP_ENTER: return 0x0D;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return 0x10;
    case SDLK_LCTRL: case SDLK_RCTRL: return 0x11;
    case SDLK_LALT: case SDLK_RALT: return 0x12;
    case SDLK_PAUSE: return 0x13;
    case SDLK_CAPSLOCK: return 0x14;
    case SDLK_ESCAPE: return 0x1B;
    case SDLK_SPACE: return 0x20;
    case SDLK_PAGEUP: return 0x21;
    case SDLK_PAGEDOWN: return 0x22;
    case SDLK_END: return 0x23;
    case SDLK_HOME: return 0x24;
    case SDLK_LEFT: return 0x25;
    case SDLK_UP: return 0x26;
    case SDLK_RIGHT: return 0x27;
    case SDLK_DOWN: return 0x28;
    case SDLK_INSERT: return 0x2D;
    case SDLK_DELETE: return 0x2E;
    case SDLK_KP_0: return 0x60;
    case SDLK_KP_MULTIPLY: return 0x6A;
    case SDLK_KP_PLUS: return 0x6B;
    case SDLK_KP_MINUS: return 0x6D;
    case SDLK_KP_PERIOD: return 0x6E;
    case SDLK_KP_DIVIDE: return 0x6F;
    default: return 0;
  }
}

void plat_keyboard_state(uint8_t state[256]) {
  plat_pump_events();
  plat_input_settle();
  for (int i = 0; i < 256; ++i) {
    state[i] = g_down[i] ? 0x80 : 0;
    g_unseen[i] = false;
  }
}

void plat_input_settle() { settle_keys(); }

bool plat_window_active(WindowHandle window) { return !g_focus_known || g_focus == window; }

int plat_char_of_dik(int dik) {
  if (dik <= 0 || dik > 255 || !SDL_WasInit(SDL_INIT_VIDEO)) return 0;
  for (const KeyPair& k : kKeys) {
    if (k.dik != dik) continue;
    SDL_Keycode key = SDL_GetKeyFromScancode(k.sdl);
    if (key <= 0 || key >= 256) return 0;
    if ((SDL_GetModState() & KMOD_SHIFT) && key >= 'a' && key <= 'z') key -= 'a' - 'A';
    return static_cast<int>(key);
  }
  return 0;
}
