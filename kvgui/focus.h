// Keyboard focus: the top dialog's FOCUS names the widget that receives
// typed text (a text field) or holds a drag (a slider, or a scroll bar as
// "SB" + id). Text fields take it on a click and move it with Tab.
#pragma once

#include "core/basic_string.h"

// Leaving a text field marks it CLICKED (changed); a TEXT field gets the
// caret at its start, a single-line field its whole text selected.
int kvgui_set_focus(const BasicString& id);
// To the next visible text field in id order (direction >= 0) or the
// previous one, wrapping around.
int kvgui_focus_next(int direction);
