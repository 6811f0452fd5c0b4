// The widget library's process-wide state, gathered in one place.
//
// Everything here is zero or a constant at program start and is built by
// its own definition, so the library needs no step in the ordered start-up.
// The stack, the fade list and the font record are defined in that order
// in one file: their exit-time releases run font, fade list, stack.
#pragma once

#include <cstdint>

#include "core/basic_array.h"
#include "kvgui/records.h"

// The stack: element 0 is the root dialog, the last element the top.
extern BasicArray<KVGUI_DLG> kvgui_dialog_stack;
// Images of popped dialogs that are still fading out.
extern BasicArray<KVGUI_POPDLG_IMAGE> kvgui_fade_images;
extern KVGUI_FONT kvgui_font;

// Metrics and switches.
extern int32_t kvgui_font_scaling;     // fit the GUI font to the widget height
extern int32_t kvgui_widget_height;    // standard widget height (16 from the first push)
extern int32_t kvgui_min_row_height;   // 20, or 30 on touch platforms
extern int32_t kvgui_caret_color;
extern int32_t kvgui_mouse_down;       // button 1 as the last update read it
extern double kvgui_use_keypad;        // 1.0: text fields open the on-screen keypad
extern double kvgui_keypad_open;       // 1.0 while the keypad runs

// The dialog update's memory between frames.
extern int32_t kvgui_button_held;
extern int32_t kvgui_last_mouse_x, kvgui_last_mouse_y;
extern double kvgui_rest_time;
extern int32_t kvgui_rest_x, kvgui_rest_y;
// Wheel: the host's running total as last taken, whether it was taken yet,
// and the notches of the current frame (positive: towards the start).
extern int32_t kvgui_wheel_total_seen;
extern int32_t kvgui_wheel_started;
extern int32_t kvgui_wheel_notches;

// Text fields: the last key acted on and when.
extern int32_t kvgui_last_key;
extern int32_t kvgui_last_key_time;

// Modal dialogs: the Esc press now down has closed a dialog already.
extern int32_t kvgui_escape_used;

// Busy overlay.
extern int32_t kvgui_busy_sprite;
extern double kvgui_busy_next_time;

// Gradient boxes: -1 not asked yet, then 1 when drawn as shaded polygons.
extern int32_t kvgui_gradient_mode;

// The last serial number given to a pushed dialog.
extern uint32_t kvgui_dialog_serial;
