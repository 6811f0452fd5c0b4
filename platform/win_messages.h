// Window messages and their constants under the numbers the runtime was
// written against, so that programs which inspect messages through the
// "QVL_WIN32_MSG" hook see the values they expect.
#pragma once

#include <cstdint>

struct SDL_Window;
using WindowHandle = SDL_Window*;
using GlContext = void*;

// One queued window message: the fields of a Win32 MSG that the runtime uses.
struct PlatMsg {
  WindowHandle window;  // target window; null for thread messages (WM_QUIT)
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

using PlatWindowProc = intptr_t (*)(WindowHandle, uint32_t, uintptr_t, intptr_t);

enum : uint32_t {
  WM_NULL = 0x0000,
  WM_DESTROY = 0x0002,
  WM_ACTIVATE = 0x0006,
  WM_CLOSE = 0x0010,
  WM_QUIT = 0x0012,
  WM_ERASEBKGND = 0x0014,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102,
  WM_SYSKEYDOWN = 0x0104,
  WM_SYSKEYUP = 0x0105,
  WM_SYSCOMMAND = 0x0112,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
  WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205,
  WM_MBUTTONDOWN = 0x0207,
  WM_MBUTTONUP = 0x0208,
  WM_MOUSEWHEEL = 0x020A,
  WM_POINTERUPDATE = 0x0245,
  WM_POINTERDOWN = 0x0246,
  WM_POINTERUP = 0x0247,
};

// WM_ACTIVATE low word.
enum : uint32_t { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };

// WM_SYSCOMMAND values (wParam & 0xFFF0).
enum : uint32_t {
  SC_CLOSE = 0xF060,
  SC_SCREENSAVE = 0xF140,
  SC_MONITORPOWER = 0xF170,
};

// Pointer message flags (high word of wParam).
enum : uint32_t {
  POINTER_MESSAGE_FLAG_NEW = 0x0001,
  POINTER_MESSAGE_FLAG_INCONTACT = 0x0004,
  POINTER_MESSAGE_FLAG_FIRSTBUTTON = 0x0010,
};

// Message box styles.
enum : uint32_t {
  MB_OK = 0x00,
  MB_ICONERROR = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONWARNING = 0x30,
  MB_ICONINFORMATION = 0x40,
};

// Key-down characters that arrive as WM_CHAR besides typed text.
enum : uint8_t { CHAR_BACKSPACE = 8, CHAR_TAB = 9, CHAR_ENTER = 13, CHAR_ESCAPE = 27 };

inline uint32_t plat_loword(uintptr_t v) { return static_cast<uint32_t>(v & 0xFFFF); }
inline uint32_t plat_hiword(uintptr_t v) { return static_cast<uint32_t>((v >> 16) & 0xFFFF); }
inline intptr_t plat_make_lparam(int lo, int hi) {
  return static_cast<intptr_t>((static_cast<uint32_t>(lo) & 0xFFFF) |
                               ((static_cast<uint32_t>(hi) & 0xFFFF) << 16));
}
