// The touch table: 32 contacts kept from the window's pointer messages,
// which the mouse reads in pointer mode.
#include <cstring>

#include "gfx2d/opengl_rainbows.h"
#include "host/input_manager.h"
#include "host/pointer_entries.h"
#include "platform/video.h"

TouchPoint qvl_input_touch_table[kTouchPoints];

namespace {

// POINTER_TOUCH_INFO as the pointer entry fills it: the flags and the pixel
// location are the fields read here.
constexpr size_t kTouchInfoSize = 144;
constexpr size_t kFlagsOffset = 12;
constexpr size_t kPixelLocationOffset = 32;
constexpr uint32_t kFirstButton = 0x10, kSecondButton = 0x20, kThirdButton = 0x40;

TouchPoint* entry_for(uint32_t pointer_id) {
  for (TouchPoint& t : qvl_input_touch_table)
    if (static_cast<uint32_t>(t.pointer_id) == pointer_id) return &t;
  for (TouchPoint& t : qvl_input_touch_table)
    if (t.pointer_id == 0) return &t;
  return nullptr;
}

}  // namespace

void qvl_win_static_init() {
  std::memset(qvl_input_touch_table, 0, sizeof qvl_input_touch_table);
  // Optional entries of the system, bound by the start-up; null where it
  // lacks them.
  qvl_win_declare_pointer_entries();
}

void qvl_input_touch_entry(int i, int* x, int* y, int* buttons) {
  if (i < 0 || i >= kTouchPoints) return;
  const TouchPoint& t = qvl_input_touch_table[i];
  if (x) *x = t.x;
  if (y) *y = t.y;
  if (buttons) *buttons = t.buttons;
}

void qvl_input_on_pointer_message(int kind, uintptr_t wParam, intptr_t) {
  uint32_t id = plat_loword(wParam);
  if (id == 0 || !qvl_win_get_pointer_touch_info) return;
  uint8_t info[kTouchInfoSize] = {};
  if (!qvl_win_get_pointer_touch_info(id, info)) return;
  TouchPoint* t = entry_for(id);
  if (!t) return;
  uint32_t flags;
  int32_t pixel[2];
  std::memcpy(&flags, info + kFlagsOffset, 4);
  std::memcpy(pixel, info + kPixelLocationOffset, 8);
  int32_t bits = 0;
  if (flags & kFirstButton) bits |= 1;
  if (flags & kSecondButton) bits |= 2;
  if (flags & kThirdButton) bits |= 4;
  if (kind == 1) {
    t->buttons |= bits;
    t->pointer_id = static_cast<int32_t>(id);
  } else if (kind == 0) {
    t->buttons = bits;
  } else {
    t->buttons &= bits;
    t->pointer_id = 0;
  }
  PlatRect client = plat_window_rect(qvl_win_handle());
  t->x = pixel[0] - client.x;
  t->y = pixel[1] - client.y;
}
