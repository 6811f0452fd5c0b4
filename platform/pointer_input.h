// The two optional user32 entries that programs bind by name
// (EnableMouseInPointer, GetPointerTouchInfo), offered by the layer itself
// so that the binding finds them. Until the host installs its handlers they
// answer as a system without pointer input would: failure.
#pragma once

#include <cstdint>

// BOOL EnableMouseInPointer(BOOL enable)
using QvlEnableMouseInPointerFn = int (*)(int enable);
// BOOL GetPointerTouchInfo(UINT32 pointer_id, POINTER_TOUCH_INFO* info)
using QvlGetPointerTouchInfoFn = int (*)(uint32_t pointer_id, void* info);

int qvl_user32_enable_mouse_in_pointer(int enable);
int qvl_user32_get_pointer_touch_info(uint32_t pointer_id, void* info);

// The host's handlers; null puts the failing default back.
void qvl_user32_set_pointer_handlers(QvlEnableMouseInPointerFn enable,
                                     QvlGetPointerTouchInfoFn touch_info);
