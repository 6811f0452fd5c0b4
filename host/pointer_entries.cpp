#include "host/pointer_entries.h"

#include "files/dll_binding.h"

QvlEnableMouseInPointerFn qvl_win_enable_mouse_in_pointer = nullptr;
QvlGetPointerTouchInfoFn qvl_win_get_pointer_touch_info = nullptr;

void qvl_win_declare_pointer_entries() {
  static bool declared = false;
  if (declared) return;
  declared = true;
  qvl_dll_declare("user32.dll", "GetPointerTouchInfo",
                  reinterpret_cast<void**>(&qvl_win_get_pointer_touch_info));
  qvl_dll_declare("User32.dll", "EnableMouseInPointer",
                  reinterpret_cast<void**>(&qvl_win_enable_mouse_in_pointer));
}
