// Building a dialog: one add operation per widget, each adding (or, for an
// id that exists, overwriting) a widget of the top dialog with its kind and
// size. The order of the calls is the order of the flow layout. An empty id
// gets an automatic one; all return 0.
#pragma once

#include "core/basic_array.h"
#include "core/basic_string.h"
#include "kvgui/records.h"

// The base rule every add runs first: width 0 is the caption's width (or
// the widget height for no text), a negative width a percentage of the
// dialog's width, a height below the widget height that of the text
// wrapped into the width.
int kvgui_add_widget(const BasicString& id, const BasicString& text, int width, int height);
int kvgui_add_custom(const BasicString& id, const BasicString& kind, int width, int height);
int kvgui_add_callback_widget(const BasicString& id, const BasicString& kind,
                              KvguiCallback callback, int width, int height);
int kvgui_add_spacer(int width, int height);
int kvgui_add_separator();
// A spacer 10000 wide: it only ends the row.
int kvgui_add_line_break(int height);
int kvgui_add_button(const BasicString& id, const BasicString& caption, int width, int height);
int kvgui_add_button_fit(const BasicString& id, const BasicString& caption, int height);
int kvgui_add_button_tall(const BasicString& id, const BasicString& caption, int width);
int kvgui_add_sprite_buttons(const BasicArray<BasicString>& ids, const BasicArray<int>& sprites);
int kvgui_add_slider(const BasicString& id, double value, int width, int height);
int kvgui_add_checkbox(const BasicString& id, const BasicString& caption, int width, int height);
int kvgui_add_file_field(const BasicString& id, const BasicString& file, const BasicString& filter,
                         int width, int height);
int kvgui_add_text(const BasicString& id, const BasicString& text, int width, int height);
int kvgui_add_single_text(const BasicString& id, const BasicString& text, int width);
int kvgui_add_number_text(const BasicString& id, const BasicString& text, int width);
int kvgui_add_tab(const BasicString& id, const BasicString& items, int height);
int kvgui_add_frame(const BasicString& id, const BasicString& caption, int width);
int kvgui_add_expander(const BasicString& id, const BasicString& caption, int width);
int kvgui_add_unframe();
int kvgui_add_unexpander();
int kvgui_add_radio(const BasicString& id, const BasicString& items, int width);
int kvgui_add_combo(const BasicString& id, const BasicString& items, int width, int height);
int kvgui_add_gallery(const BasicString& id, const BasicString& items, int width, int height);
int kvgui_add_list(const BasicString& id, const BasicString& items, int width, int height);
