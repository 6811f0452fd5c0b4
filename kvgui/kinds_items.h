// The item kinds: "LIST" shows all its items in a scrollable box, "COMBO"
// and "GALLERY" show the chosen item and open the popup list when clicked,
// and "FILE" shows a file's name and opens the file chooser when clicked.
// Items are one TEXT with "|" between them; an item "SPR_B" + n shows
// sprite n, and in a combo box or gallery "SPR_C" + a colour a swatch.
#pragma once

#include "kvgui/records.h"

int kvgui_draw_list(KVGUI_DLG& dialog, KVGUI_WDG& widget, int y);
int kvgui_handle_list(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press);
int kvgui_draw_combo(KVGUI_DLG& dialog, KVGUI_WDG& widget, int y);
int kvgui_handle_combo(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press);
int kvgui_draw_file_field(KVGUI_DLG& dialog, KVGUI_WDG& widget, int y);
int kvgui_handle_file_field(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press);

// A sprite fitted into a box, when the box is not empty.
void kvgui_draw_sprite_boxed(int sprite, int x, int y, int w, int h);

// The height of a list's rows: the widget height, at least a glyph.
int kvgui_list_row_height();
// The list's non-empty items, split again only when its TEXT has changed.
const KvguiItemSpans& kvgui_list_items(KVGUI_WDG& widget);
