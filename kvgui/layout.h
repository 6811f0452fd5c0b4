// The flow layout: every frame a dialog's update walks its creation-order
// entries and places each visible widget in rows from left to right, like
// words in a paragraph, handling its input (active dialog only) and drawing
// it clipped to the content area; groups are laid out inside their frames,
// and a hovered widget's tool tip is drawn above it.
//
// A widget is found again by its entry after every call that may run user
// code, and the pass stops when its dialog has gone (KVGUI_LAYOUT_LOST).
#pragma once

#include "kvgui/dialog_stack.h"
#include "kvgui/records.h"

// What stays fixed for one pass over a dialog.
struct KvguiLayoutPass {
  KvguiDialogRef dialog;
  int active = 0;
  int spacing = 2;
  int right = 0;        // right edge of the content (clips drawing)
  int clip_top = 0;
  int clip_bottom = 0;
  int mouse_x = 0, mouse_y = 0;
  int press = GUI_PRESS_NONE;
  int tooltip = 0;      // the mouse has rested long enough for tool tips
};

// What moves from entry to entry.
struct KvguiLayoutCursor {
  int position = 0;  // creation-order entry
  int x = 0, y = 0;
  int row_height = 0;
};

enum KvguiLayoutResult : int {
  KVGUI_LAYOUT_LOST = -1,   // the dialog went away during the pass
  KVGUI_LAYOUT_CLOSE = 0,   // a closing marker (or the end of the entries)
  KVGUI_LAYOUT_NEXT = 1,
};

// Lays out the entry at cursor.position within (left, left + width); a
// group moves the position to its closing marker.
int kvgui_layout_widgets(const KvguiLayoutPass& pass, KvguiLayoutCursor& cursor, int width,
                         int left);

// Refreshes every widget of the top dialog in id order.
void kvgui_refresh_dialog();
