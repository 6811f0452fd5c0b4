// The four simple input kinds: "BUTTON", "SLIDER", "CHECKBOX" and "RADIO".
// Their state lives in the widget's properties, so the application reads
// the results by key: CLICKED (operated this frame), SELECT (checked state,
// pressed look or chosen row) and TEXT (caption, slider value or rows).
//
// A button whose caption is "SPR_C" + a colour is a swatch: clicking it
// opens the colour picker, unless it is READONLY (it then only reports the
// click).
#pragma once

#include "kvgui/records.h"

// The light and dark colours of a button-like face: the hover pair (pressed
// darker while the mouse is down) for a hovered widget that is not
// READONLY, else the plain pair. Combo boxes and file fields share it.
struct KvguiStateColours {
  int light, dark;
};
KvguiStateColours kvgui_state_colours(const KVGUI_DLG& dialog, const KVGUI_WDG& widget);

int kvgui_draw_button(KVGUI_DLG& dialog, KVGUI_WDG& widget, int y);
int kvgui_handle_button(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press);
int kvgui_draw_slider(KVGUI_DLG& dialog, KVGUI_WDG& widget, int y);
int kvgui_handle_slider(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press);
int kvgui_draw_checkbox(KVGUI_DLG& dialog, KVGUI_WDG& widget, int y);
int kvgui_handle_checkbox(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press);
int kvgui_draw_radio(KVGUI_DLG& dialog, KVGUI_WDG& widget, int y);
int kvgui_handle_radio(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press);

// The x of value v on the slider: MINVAL at 6, MAXVAL at WIDTH - 6 (6 for
// a slider whose range or track is empty).
double kvgui_get_slider_x(const KVGUI_WDG& widget, double v);
// The slider's value for the mouse at x (relative to the slider): stepped
// by STEP when it is above 0 and kept within MINVAL .. MAXVAL.
double kvgui_slider_value_at(const KVGUI_WDG& widget, int x);
