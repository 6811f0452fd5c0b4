// Finding a dialog's widgets by id and adding new ones.
//
// Every widget has one creation-order entry; the id look-up maps an id to
// its entry, and the entry's `index` is the widget's place in `widgets`.
// A new widget goes to the end of `widgets`, so adding never moves a
// widget; the array is put in id order only when something walks it in
// that order (kvgui_sort_widgets), which rewrites the entries' indexes.
// Entry numbers never change while the dialog lives, so code that must
// find a widget again after calling out (a user callback, a modal dialog)
// keeps the entry number, not a reference.
#pragma once

#include <vector>

#include "kvgui/records.h"

// Byte order of two ids (memcmp over the shorter, then the length): strcmp
// order for ids without NUL bytes.
int kvgui_compare_ids(const BasicString& a, const BasicString& b);
bool kvgui_same_text(const BasicString& a, const BasicString& b);
bool kvgui_same_text(const BasicString& a, const char* b);

// The creation-order entry of an id, or -1.
int kvgui_find_entry(KVGUI_DLG& dialog, const BasicString& id);
// The widget of entry k (which must exist).
inline KVGUI_WDG& kvgui_entry_widget(KVGUI_DLG& dialog, int k) {
  return dialog.widgets.data[dialog.order.data[k].index];
}
// The widget of an id, or null.
KVGUI_WDG* kvgui_widget_of(KVGUI_DLG& dialog, const BasicString& id);

// Position of the id in `widgets`, or -1.
int kvgui_find_widget(KVGUI_DLG& dialog, const BasicString& id);
// Position of the id; with add set a missing id is added first (a default
// widget with that id and a creation-order entry), else -1 for it. Also -1
// when no memory could be had for the addition (the program is ending).
int kvgui_find_or_add_widget(KVGUI_DLG& dialog, const BasicString& id, int add);
// The same, giving the creation-order entry.
int kvgui_find_or_add_entry(KVGUI_DLG& dialog, const BasicString& id);

// Puts `widgets` in id order and updates the entries' indexes.
void kvgui_sort_widgets(KVGUI_DLG& dialog);
// The creation-order entries in id order (sorts first).
std::vector<int> kvgui_entries_in_id_order(KVGUI_DLG& dialog);

// Empties the widgets, the creation order, the links and the look-up.
void kvgui_clear_widgets(KVGUI_DLG& dialog);
