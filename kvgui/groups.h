// Groups, hiding, expanders and tab bars.
//
// A FRAME or EXPANDER opens a group in creation order and the matching
// UNFRAME or UNEXPANDER closes it (the depth count alone matters; a group
// never closed runs to the end of the dialog). Hiding a group hides all it
// holds. An expander's header collapses (SELECT 1) and expands (SELECT 0)
// its contents. A tab bar's TEXT lists its tabs separated by "|", each as
// "caption,id,id,..." naming the widgets of its page; selecting a tab hides
// every page and shows the selected one.
#pragma once

#include "kvgui/records.h"

int kvgui_hide_widget(const BasicString& id, int hide);
// HIDE of every widget of the group opened by entry k, up to and with its
// closing marker; CLICKED = 0 as well when clear_clicked is set.
void kvgui_set_group_contents_hidden(KVGUI_DLG& dialog, int k, int hide, bool clear_clicked);

int kvgui_handle_expander(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press);
int kvgui_draw_expander(KVGUI_DLG& dialog, KVGUI_WDG& widget, int off);

// The frame of a group with a caption, drawn by the layout before the
// contents over the visible part of the group (x: the group's left edge;
// top, right, bottom: the clip band). Returns the contents' inset.
int kvgui_draw_group_frame(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int clip_top,
                           int clip_right, int clip_bottom);

// Ids that no widget has are skipped (never created); a tab number outside
// the tabs hides every page.
int kvgui_select_tab(const BasicString& id, int tab);
int kvgui_handle_tab(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press);
int kvgui_draw_tab(KVGUI_DLG& dialog, KVGUI_WDG& widget, int off);
