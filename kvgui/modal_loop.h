// What the standard modal dialogs share. Each pushes its own dialog and
// runs a frame loop of its own inside the update of the dialog that opened
// it: show the dialogs, show the screen, call "KVGUI_ON_AFTER_SHOWSCREEN"
// by name until a call finds no such routine, and test its buttons and the
// Esc key.
//
// The routine called after show-screen is the application's and may change
// the stack: a modal dialog goes on only while its dialog is still the top
// one, and ends as cancelled otherwise.
#pragma once

#include "core/basic_string.h"
#include "kvgui/dialog_stack.h"

class KvguiModal {
 public:
  // The modal dialog is the one just pushed: the top of the stack.
  KvguiModal();
  // Its dialog is still there and on top.
  bool on_top() const;
  // Show-screen, then the hook while it exists.
  void show_screen();
  // Looks the hook up again from the next show-screen on.
  void rearm_hook() { hook_ = 1; }
  // Pops the dialog (with its fade-out when fade is set) when it is still
  // the top one.
  void close(int fade);

 private:
  KvguiDialogRef ref_;
  int hook_ = 1;
};

// Esc went down for this dialog: true once per press, and the dialog that
// sees it closes. The dialogs below (a chooser under its drop-down, a
// dialog under the keypad of its field) see Esc only when it has been let
// go and pressed again.
bool kvgui_escape_pressed();
// A widget of the top dialog reports CLICKED.
bool kvgui_was_clicked(const char* id);
// Property access with plain texts, on the top dialog.
void kvgui_set(const char* id, const char* key, const BasicString& value);
void kvgui_set(const char* id, const char* key, int value);
BasicString kvgui_get(const char* id, const char* key);
int kvgui_get_int(const char* id, const char* key);
// The platform's language is this one ("de", "fr", ...).
bool kvgui_locale_is(const char* code);
