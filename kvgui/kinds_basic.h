// The plain text kind "WIDGET" (a label) and the user kinds: any TYPE that
// names no built-in kind is drawn and operated through the widget's
// callback ("DRAW" every frame, "CLICKED" on a click). A user kind without
// a callback is a programming error of the application: it is drawn as a
// placeholder and stops the program through kvgui_handle_user when handled.
#pragma once

#include "kvgui/records.h"

int kvgui_draw_label(KVGUI_DLG& dialog, KVGUI_WDG& widget, int y);
int kvgui_handle_label(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press);

int kvgui_draw_user_kind(KVGUI_DLG& dialog, KVGUI_WDG& widget, int y);
int kvgui_handle_user_kind(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press);

int kvgui_draw_user_placeholder(const BasicString& id, int width, int height);
// Shows which widget lacks its callback, waits for a click and ends the
// program with the runtime's out-of-bounds error.
void kvgui_handle_user(const BasicString& id);
