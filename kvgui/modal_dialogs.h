// The standard modal dialogs that a dialog's update runs for a widget after
// drawing (its pending action): each pushes its own dialog, runs a nested
// frame loop and pops it again.
#pragma once

#include "core/basic_string.h"

// The chosen colour, or the given one when cancelled.
int kvgui_pick_color(int colour);
// The edited text, or the given one when cancelled.
BasicString kvgui_enter_text(const BasicString& text, int accent, double full_screen, int single,
                             int numeric, const BasicString& caption);
// The index of the picked item, -1 when closed without a pick.
int kvgui_pick_item(int x, int y, int width, int height, const BasicString& items, int selected,
                    int gallery);
// The chosen path, "" when cancelled.
BasicString kvgui_choose_file(int open, const BasicString& pattern, int directory);
