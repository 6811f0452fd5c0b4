// Stand-ins for the standard modal dialogs until they are built: each ends
// at once as its dialog would when the user cancels it.
#include "kvgui/modal_dialogs.h"

int kvgui_pick_color(int colour) { return colour; }

BasicString kvgui_enter_text(const BasicString& text, int, double, int, int, const BasicString&) {
  return text;
}

int kvgui_pick_item(int, int, int, int, const BasicString&, int, int) { return -1; }

BasicString kvgui_choose_file(int, const BasicString&, int) { return BasicString(); }
