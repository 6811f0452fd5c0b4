// The standard modal dialogs: the colour picker, the on-screen keypad, the
// popup list and the file chooser, which a dialog's update also runs for a
// widget after drawing (its pending action), and the message box. Each
// pushes its own dialog, runs a nested frame loop and pops it again.
#pragma once

#include <vector>

#include "core/basic_string.h"

// The chosen colour, or the given one when cancelled.
int kvgui_pick_color(int colour);
// The edited text, or the given one when cancelled.
BasicString kvgui_enter_text(const BasicString& text, int accent, double full_screen, int single,
                             int numeric, const BasicString& caption);
// The index of the picked item, -1 when closed without a pick.
int kvgui_pick_item(int x, int y, int width, int height, const BasicString& items, int selected,
                    int gallery);
// The popup list's measures for a combo box at y of the given width: the
// size of its item buttons, its columns and its height.
struct KvguiPopupSize {
  int item_width, item_height, columns, height;
};
KvguiPopupSize kvgui_popup_size(int y, int width, const std::vector<BasicString>& items,
                                int gallery);

// The chosen path, "" when cancelled. open 1: an existing file; open 0: a
// name to save under (created empty when new); directory other than 0: a
// directory. pattern is a wildcard such as "*.txt".
BasicString kvgui_choose_file(int open, const BasicString& pattern, int directory);

// A message with "OK" (yes_no 0) or yes and no buttons in the user's
// language; 1 for yes or OK, 0 for no.
int kvgui_show_message(const BasicString& text, int yes_no, const BasicString& caption);
