#include "platform/pointer_input.h"

namespace {
QvlEnableMouseInPointerFn g_enable = nullptr;
QvlGetPointerTouchInfoFn g_touch_info = nullptr;
}  // namespace

int qvl_user32_enable_mouse_in_pointer(int enable) {
  return g_enable != nullptr ? g_enable(enable) : 0;
}

int qvl_user32_get_pointer_touch_info(uint32_t pointer_id, void* info) {
  return g_touch_info != nullptr ? g_touch_info(pointer_id, info) : 0;
}

void qvl_user32_set_pointer_handlers(QvlEnableMouseInPointerFn enable,
                                     QvlGetPointerTouchInfoFn touch_info) {
  g_enable = enable;
  g_touch_info = touch_info;
}
