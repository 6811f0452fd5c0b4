// The text fields: "TEXT" (several lines, scrolled by lines), "SINGLETEXT"
// and "NUMBERTEXT" (one line; the latter takes only number characters).
// They are laid out, drawn and hit-tested with the library's one text
// layout, and edited from the keyboard (scan codes and typed characters)
// or from the dialog's INKEY, through which the on-screen keypad and the
// application feed text. A field edits only while the dialog's FOCUS
// holds its id; on a touch platform its first click opens the keypad.
#pragma once

#include "kvgui/records.h"

// Scan codes the fields act on.
enum : int {
  KVGUI_KEY_ESCAPE = 1,
  KVGUI_KEY_BACKSPACE = 14,
  KVGUI_KEY_TAB = 15,
  KVGUI_KEY_CONTROL = 29,
  KVGUI_KEY_LEFT_SHIFT = 42,
  KVGUI_KEY_C = 46,
  KVGUI_KEY_V = 47,
  KVGUI_KEY_RIGHT_SHIFT = 54,
  KVGUI_KEY_HOME = 199,
  KVGUI_KEY_UP = 200,
  KVGUI_KEY_LEFT = 203,
  KVGUI_KEY_RIGHT = 205,
  KVGUI_KEY_END = 207,
  KVGUI_KEY_DOWN = 208,
  KVGUI_KEY_DELETE = 211,
};

// A key held down acts once, then again each time this many ms have passed.
constexpr int kKvguiKeyRepeatMs = 150;

int kvgui_draw_text_field(KVGUI_DLG& dialog, KVGUI_WDG& widget, int y, int single);
int kvgui_handle_text_field(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press,
                            int single, int numeric);

// The three kinds' rows of the kind dispatch.
int kvgui_draw_single_text(KVGUI_DLG& dialog, KVGUI_WDG& widget, int y);
int kvgui_draw_multi_text(KVGUI_DLG& dialog, KVGUI_WDG& widget, int y);
int kvgui_handle_single_text(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press);
int kvgui_handle_number_text(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press);
int kvgui_handle_multi_text(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press);
