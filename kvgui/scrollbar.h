// The vertical scroll bar of a dialog body, a list or a text field: its
// drawing and its drag input. The widget's scroll_range is the extent in
// the widget's own unit; 0 means no bar. While a bar is dragged the
// dialog's FOCUS is "SB" + the widget's id.
#pragma once

#include <cstdint>

#include "kvgui/records.h"

// Thumb length and position for a bar of the given height, kept inside the
// track however small the bar and however long the range.
struct KvguiThumb {
  int length;
  int position;
};
KvguiThumb kvgui_scroll_thumb(int height, int visible, int range, int scroll);
// The scroll value for the mouse at y on a bar of the given height.
int kvgui_scroll_from_mouse(int y, int height, int range);

// One frame of a list's overscroll easing back into 0 .. range: a quarter
// of the way (at least a pixel) above the start; below the end a quarter,
// leaving an excess under 4 where it is.
int kvgui_ease_list_scroll(int scroll, int range);

// Whether FOCUS is "SB" + id (this bar is being dragged).
bool kvgui_focus_is_bar_of(const KVGUI_DLG& dialog, const BasicString& id);

void kvgui_draw_scrollbar(KVGUI_DLG& dialog, KVGUI_WDG& widget, int right, int height, int visible,
                          int top);
// Mouse in the widget's coordinates; returns 1 when the widget has a bar.
int kvgui_drag_scrollbar(KVGUI_DLG& dialog, KVGUI_WDG& widget, int mouse_x, int mouse_y,
                         int height);
