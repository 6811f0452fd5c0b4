// One frame of one dialog: the mouse, the glide, the press code, moving by
// the caption, the frame, resizing by the grip, body scrolling (scroll bar,
// drag, wheel, kinetic and overscroll), the flow layout of the widgets, the
// veil over an inactive dialog, and the pending modal action.
#pragma once

#include "kvgui/records.h"

enum class KvguiUpdateMode {
  INACTIVE,   // below the top: drawn dimmed, no input
  ACTIVE,     // the top dialog: input, scrolling, pending action
  DRAW_ONLY,  // drawn as it stands (the fade-out capture): no input, no glide
};

// Dialog index (negative counts from the top); returns max(body height,
// content height). Returns 0 when the dialog goes away during the frame.
double kvgui_update_dialog(int index, int active);
double kvgui_update_dialog_mode(int index, KvguiUpdateMode mode);

// Where the popup list of a combo box at (x, y) opens on a sw x sh screen:
// never closer than 16 pixels to the right edge, at least 16 pixels high.
struct KvguiPopupBox {
  int x, height;
};
KvguiPopupBox kvgui_popup_box(int x, int y, int sw, int sh);

// Runs and clears the dialog's pending action.
void kvgui_run_pending_action(int index);
