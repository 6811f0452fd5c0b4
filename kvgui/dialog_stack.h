// The stack of dialogs: pushing with placement and centring, resizing,
// popping, emptying the top dialog, and reaching a dialog again safely.
//
// Only the top dialog takes input and new widgets. A dialog is never held
// by reference across a call that may push or pop (a modal dialog, a user
// callback): the stack's block may move, and the dialog may be gone.
// KvguiDialogRef finds it again, or tells that it is gone.
#pragma once

#include <cstdint>

#include "kvgui/records.h"

struct KvguiDialogRef {
  int index = -1;
  uint32_t serial = 0;
  // The dialog, or null when it is no longer at its place in the stack.
  KVGUI_DLG* get() const;
};
KvguiDialogRef kvgui_dialog_ref(int index);

bool kvgui_stack_empty();
// The top dialog; with an empty stack the checked access reports the
// bounds, raises error 9 and ends the program.
KVGUI_DLG& kvgui_top_dialog();
// Dialog i (a negative i counts from the top), checked as above; its
// widgets are in id order on return.
KVGUI_DLG& kvgui_get_dialog(int i);

// The drawing size and the current font's glyph size.
void kvgui_drawing_size(int* w, int* h);
void kvgui_glyph_size(int* w, int* h);
int kvgui_glyph_width();
int kvgui_glyph_height();

int kvgui_push_dialog(int x, int y, int width, int height, int centre, int slide);
int kvgui_push_dialog_sliding(int x, int y, int width, int height, int centre);
// Removes the top dialog at once: "DESTROY" to the widgets with a callback,
// then the dialog goes and the new top dialog is refreshed.
int kvgui_pop_dialog();
// The pop without the idle reset (shared with the fading pop).
void kvgui_remove_top_dialog();
void kvgui_center_dialog();
void kvgui_resize_dialog(int x, int y, int width, int height);
// Makes sure a root dialog exists, gives the top dialog its default
// colours when it has none, empties it, and decides touch sizing.
void kvgui_init_dialog();
// Touch sizing for a platform name (the platform query's empty key).
void kvgui_apply_touch_sizing(const BasicString& platform);
