#include "kvgui/groups.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/maths.h"
#include "core/string_commands.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/viewport.h"
#include "host/show_screen.h"
#include "kvgui/canvas.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/globals.h"
#include "kvgui/item_list.h"
#include "kvgui/style.h"
#include "kvgui/widget_index.h"

namespace {

bool opens_group(KvguiKind k) { return k == KvguiKind::FRAME || k == KvguiKind::EXPANDER; }
bool closes_group(KvguiKind k) { return k == KvguiKind::UNFRAME || k == KvguiKind::UNEXPANDER; }

int header_height() {
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  return std::max(gh, kvgui_widget_height);
}

// A tab: its caption (the text before the first ",") and its page's ids.
struct Tab {
  BasicString caption;
  std::vector<BasicString> ids;
};

std::vector<Tab> split_tabs(const BasicString& text) {
  std::vector<Tab> tabs;
  for (const BasicString& item : kvgui_split_items(text)) {
    Tab tab;
    int comma = 0;
    while (comma < item.length && item.text[comma] != ',') ++comma;
    tab.caption = item;
    tab.caption.truncate(comma);
    if (comma < item.length) tab.ids = kvgui_split_fields(qvl_str_substring(item, comma + 1, -1), ',');
    tabs.push_back(std::move(tab));
  }
  return tabs;
}

int header_width(const BasicString& caption) {
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  return std::max(kvgui_widget_height, kvgui_measure_text_width(caption) + gw);
}

}  // namespace

void kvgui_set_group_contents_hidden(KVGUI_DLG& dialog, int k, int hide, bool clear_clicked) {
  int depth = 1;
  for (int e = k + 1; e < dialog.order.size1 && depth > 0; ++e) {
    KVGUI_WDG& w = kvgui_entry_widget(dialog, e);
    if (opens_group(w.kind)) ++depth;
    if (closes_group(w.kind)) --depth;
    w.HIDE = hide;
    if (clear_clicked) w.CLICKED = 0;
  }
}

int kvgui_hide_widget(const BasicString& id, int hide) {
  KVGUI_DLG& top = kvgui_top_dialog();
  if (id.length > 0) {
    const int k = kvgui_find_or_add_entry(top, id);
    if (k >= 0) {
      KVGUI_WDG& w = kvgui_entry_widget(top, k);
      w.HIDE = hide;
      if (opens_group(w.kind)) kvgui_set_group_contents_hidden(top, k, hide, hide != 0);
    }
  }
  qvl_win_reset_idle_count();
  return 0;
}

int kvgui_handle_expander(KVGUI_DLG& dialog, KVGUI_WDG& widget, int, int y, int press) {
  if (widget.READONLY) return 0;
  if (press != GUI_PRESS_CLICK || y > header_height()) {
    widget.CLICKED = 0;
    return 0;
  }
  widget.CLICKED = 1;
  widget.SELECT = widget.SELECT == 1 ? 0 : 1;
  const int k = kvgui_find_entry(dialog, widget.id);
  if (k < 0) return 0;
  // Collapsing hides the contents, expanding shows them (nested collapsed
  // groups included: nothing remembers what a group hid).
  KVGUI_WDG& w = kvgui_entry_widget(dialog, k);
  kvgui_set_group_contents_hidden(dialog, k, w.SELECT, w.SELECT != 0);
  w.HIDE = 0;
  qvl_win_reset_idle_count();
  return 0;
}

int kvgui_draw_expander(KVGUI_DLG& dialog, KVGUI_WDG& widget, int off) {
  const int hh = header_height();
  const bool hot = widget.HOVER && !widget.READONLY;
  const int light = hot ? dialog.COL_HOVER_BRIGHT : dialog.COL_BRIGHT;
  const int dark = hot ? dialog.COL_HOVER_NORM : dialog.COL_NORM;
  kvgui_draw_gradient_box(light, dark, 0, off, widget.WIDTH, hh);
  kvgui_draw_bevel(off, widget.WIDTH, hh, dark);
  BasicString label(widget.SELECT == 1 ? "+" : "-");
  label.append(widget.TEXT);
  kvgui_print_text(label, 2, off + 1);
  return 0;
}

int kvgui_draw_group_frame(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int clip_top,
                           int clip_right, int clip_bottom) {
  if (widget.TEXT.length == 0) return widget.WIDTH == 10000 ? 1 : 0;
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  // A program may give the group any size: the visible part is worked out
  // in 64 bits (off and the clip's sides are within the int range).
  const bool above = widget.YPOS < clip_top;
  const int off = above ? qvl_math_saturate_int(int64_t(widget.YPOS) - clip_top) : 0;
  const int top = above ? clip_top : widget.YPOS;
  const int64_t right = int64_t(clip_right) - x, bottom = int64_t(clip_bottom) - top;
  const int vw = qvl_math_saturate_int(std::min<int64_t>(widget.WIDTH, right));
  const int vh = qvl_math_saturate_int(std::min<int64_t>(int64_t(widget.HEIGHT) + off, bottom));
  if (vw <= 0 || vh <= 0) return 4;
  kvgui_canvas_viewport(x, top, vw, vh);
  if (widget.kind == KvguiKind::EXPANDER) {
    const int hh = header_height();
    kvgui_canvas_alpha(-0.15);
    kvgui_canvas_rect(0, hh + off, widget.WIDTH, widget.HEIGHT - hh, dialog.COL_NORM);
    kvgui_canvas_alpha(-1.0);
    kvgui_draw_bevel(off + hh / 2, widget.WIDTH, widget.HEIGHT - hh / 2, dialog.COL_NORM);
    kvgui_draw_expander(dialog, widget, off);
    return 1;
  }
  kvgui_canvas_alpha(-0.5);
  kvgui_draw_outline(1, off + gh / 2 + 1, widget.WIDTH - 2, widget.HEIGHT - gh / 2 - 2,
                     dialog.COL_NORM);
  kvgui_canvas_alpha(-1.0);
  kvgui_draw_bevel(off + gh / 2, widget.WIDTH, widget.HEIGHT - gh / 2, dialog.COL_NORM);
  kvgui_canvas_alpha(-0.5);
  kvgui_canvas_rect(4, off + gh / 2, kvgui_measure_text_width(widget.TEXT) + 16, 2,
                    dialog.COL_BRIGHT);
  kvgui_canvas_alpha(-1.0);
  kvgui_print_text(widget.TEXT, 8, off);
  return 4;
}

int kvgui_select_tab(const BasicString& id, int tab) {
  KVGUI_DLG& top = kvgui_top_dialog();
  const int k = kvgui_find_or_add_entry(top, id);
  if (k < 0) return 0;
  kvgui_entry_widget(top, k).SELECT = tab;
  const std::vector<Tab> tabs = split_tabs(kvgui_entry_widget(top, k).TEXT);
  for (const Tab& t : tabs)
    for (const BasicString& page_id : t.ids)
      if (kvgui_find_entry(top, page_id) >= 0) kvgui_hide_widget(page_id, 1);
  if (tab >= 0 && size_t(tab) < tabs.size()) {
    for (const BasicString& page_id : tabs[size_t(tab)].ids) {
      const int e = kvgui_find_entry(top, page_id);
      if (e < 0) continue;
      KVGUI_WDG& w = kvgui_entry_widget(top, e);
      w.HIDE = 0;
      if (opens_group(w.kind)) kvgui_set_group_contents_hidden(top, e, 0, false);
    }
  }
  kvgui_entry_widget(top, k).CLICKED = 1;
  return 0;
}

int kvgui_handle_tab(KVGUI_DLG&, KVGUI_WDG& widget, int x, int y, int press) {
  widget.CLICKED = 0;
  if (widget.SELECT == -1) {
    // The first handling shows the first page, whatever the mouse does.
    const BasicString id(widget.id);
    kvgui_select_tab(id, 0);
    return 0;
  }
  if (press != GUI_PRESS_CLICK || x <= 0 || x >= widget.WIDTH || y <= 0 || y > widget.HEIGHT)
    return 0;
  const std::vector<Tab> tabs = split_tabs(widget.TEXT);
  int hx = 0;
  for (size_t i = 0; i < tabs.size(); ++i) {
    const int hw = header_width(tabs[i].caption);
    if (qvl_math_boxes_overlap(x, y, 1, 1, hx, 1, hw, widget.HEIGHT)) {
      if (int(i) != widget.SELECT) {
        widget.SELECT = int(i);
        widget.CLICKED = 1;
        const BasicString id(widget.id);
        kvgui_select_tab(id, int(i));
      }
      return 0;
    }
    hx += hw;
  }
  return 0;
}

int kvgui_draw_tab(KVGUI_DLG& dialog, KVGUI_WDG& widget, int off) {
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  const int h = widget.HEIGHT;
  kvgui_canvas_rect(0, off, widget.WIDTH, h - 1, dialog.COL_BRIGHT);
  const std::vector<Tab> tabs = split_tabs(widget.TEXT);
  int x = 2, sel_x = 0, sel_w = -1;
  for (size_t i = 0; i < tabs.size(); ++i) {
    const int hw = header_width(tabs[i].caption);
    const bool selected = int(i) == widget.SELECT;
    if (selected) {
      kvgui_draw_gradient_box(dialog.COL_HOVER_BRIGHT, dialog.COL_HOVER_NORM, x, off + 1, hw, h);
      sel_x = x;
      sel_w = hw;
    } else {
      kvgui_draw_gradient_box(dialog.COL_BRIGHT, dialog.COL_NORM, x + 1, off + 4, hw - 1, h - 4);
      kvgui_draw_outline(x, off + 3, hw + 1, h - 2, dialog.COL_NORM);
    }
    kvgui_print_text_bold(tabs[i].caption, x + gw / 2, off + h - gh - 6, selected ? 1 : 0);
    x += hw;
  }
  if (sel_w >= 0) kvgui_draw_outline(sel_x - 1, off + 1, sel_w + 2, h, dialog.COL_HOVER_NORM);
  kvgui_canvas_rect(0, off + h - 1, widget.WIDTH - 1, 1, dialog.COL_NORM);
  return 0;
}
