// Properties by key: the text interface through which the application (and
// the standard dialogs) read and write widgets and the top dialog, the
// widget callback, item reading, finding the widget under a point, and the
// automatic links applied every frame.
//
// Keys are upper-case words compared as whole texts. Inside the library the
// key is resolved once to a KvguiKey and the field is read as a number;
// text is made only for the caller.
#pragma once

#include <cstdint>

#include "kvgui/records.h"

enum class KvguiKey : uint8_t {
  UNKNOWN,
  // Widget keys, in the order the widget table tests them.
  CLICKED, TEXT, WIDTH, HEIGHT, SELECT, COUNT, HOVER, READONLY, SELSTART, SELEND, HIDE, TYPE,
  FILTER, TIPTEXT, MINVAL, MAXVAL, STEP, SCROLL, ALIGN, XPOS, YPOS,
  // Keys only a dialog has.
  FOCUS, INKEY, COL_BRIGHT, COL_NORM, COL_HOVER_BRIGHT, COL_HOVER_NORM, MOVEABLE, SCALEABLE,
  MOVING, SCALEING, SCROLLING,
};

KvguiKey kvgui_key_of(const BasicString& key);

// One widget's properties ("0" for a key a widget lacks).
BasicString kvgui_read_widget_property(KVGUI_WDG& widget, const BasicString& key);
BasicString kvgui_read_widget_key(const KVGUI_WDG& widget, KvguiKey key);
void kvgui_write_widget_key(KVGUI_WDG& widget, KvguiKey key, const BasicString& value);
// The same as writing the decimal text of value.
void kvgui_write_widget_int(KVGUI_WDG& widget, KvguiKey key, int value);

// The top dialog's own properties ("" for a key a dialog lacks).
BasicString kvgui_read_dialog_key(const KVGUI_DLG& dialog, KvguiKey key);
void kvgui_write_dialog_key(KVGUI_DLG& dialog, KvguiKey key, const BasicString& value);
void kvgui_write_dialog_int(KVGUI_DLG& dialog, KvguiKey key, int value);
// "YPOS" of a dialog: the glide's target while a glide may run, else the
// position itself.
void kvgui_set_dialog_ypos(KVGUI_DLG& dialog, int y);

// The interface by id: the empty id is the top dialog itself; any other id
// names a widget of the top dialog.
BasicString kvgui_get_property(const BasicString& id, const BasicString& key);
double kvgui_get_number(const BasicString& id, const BasicString& key);
// A set on an unknown id creates a default widget with that id.
int kvgui_set_property(const BasicString& id, const BasicString& key, const BasicString& value);
int kvgui_call_widget_callback(const BasicString& id, const BasicString& verb, BasicString& value);
// Item n of a widget's item list: "0" for an unknown id, "" past the end.
BasicString kvgui_get_widget_item(const BasicString& id, int n);
// The first widget (in id order) whose box holds the point, "" when none.
BasicString kvgui_find_widget_at(int x, int y);
int kvgui_test_client_overlap(int x, int y, int w, int h);

// Links: every frame the top dialog copies each link's source property to
// its target, in the order the links were added.
int kvgui_add_link(const BasicString& src_id, const BasicString& src_key,
                   const BasicString& dst_id, const BasicString& dst_key);
void kvgui_apply_links();

// Calls a widget's callback with copies of its id and the verb; nothing
// when it has none.
void kvgui_run_callback(KVGUI_WDG& widget, const char* verb, BasicString& value);
