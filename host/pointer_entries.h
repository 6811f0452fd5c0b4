// The optional user32 entry points of pointer input, bound by name like
// the DLL functions a program declares.
#pragma once

#include "platform/pointer_input.h"

extern QvlEnableMouseInPointerFn qvl_win_enable_mouse_in_pointer;
extern QvlGetPointerTouchInfoFn qvl_win_get_pointer_touch_info;

// Declares both for binding (once; later calls do nothing). The ordered
// static start-up is its place; the start-up calls it before binding so
// that the entries are declared whichever way the program was started.
void qvl_win_declare_pointer_entries();
