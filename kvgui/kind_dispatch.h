// The widget kinds and their routines: the flow layout hands every visible
// widget to the input dispatch (active dialog only) and the draw dispatch,
// and the refresh resets a widget's transient state without a mouse.
//
// Each family of kinds lives in a file of its own (kinds_basic.cpp,
// groups.cpp, ...) and has its row in the table of kind_dispatch.cpp: a
// draw routine, an input routine and how the refresh treats the kind. A
// row without routines draws and handles nothing.
#pragma once

#include <cstdint>

#include "kvgui/records.h"

// Draws in the widget's own coordinates: the viewport is the visible part
// of the widget, x 0 its left edge, y its top (negative when cut at the top).
using KvguiDrawRoutine = int (*)(KVGUI_DLG& dialog, KVGUI_WDG& widget, int y);
// Mouse relative to the widget's top-left corner, the frame's press code.
using KvguiHandleRoutine = int (*)(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press);

enum class KvguiRefresh : uint8_t {
  HOVER_ONLY,                     // nothing beyond HOVER = 0
  CLEAR_CLICKED,                  // CLICKED = 0
  CLEAR_CLICKED_UNLESS_READONLY,  // CLICKED = 0 unless READONLY
  RUN_HANDLER,                    // the input routine with the mouse at (-1, -1), press 0
  USER,                           // callback: CLICKED = 0; none: the user hook
};

struct KvguiKindRow {
  KvguiKind kind;
  KvguiDrawRoutine draw;
  KvguiHandleRoutine handle;
  KvguiRefresh refresh;
};

const KvguiKindRow& kvgui_kind_row(KvguiKind kind);

int kvgui_draw_widget(KVGUI_DLG& dialog, KVGUI_WDG& widget, int y);
int kvgui_handle_widget(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press);
void kvgui_refresh_widget(KVGUI_DLG& dialog, KVGUI_WDG& widget);
