#include "kvgui/layout.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/maths.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/viewport.h"
#include "kvgui/globals.h"
#include "kvgui/groups.h"
#include "kvgui/item_list.h"
#include "kvgui/kind_dispatch.h"
#include "kvgui/scrollbar.h"
#include "kvgui/style.h"
#include "kvgui/widget_index.h"

namespace {

bool opens_group(KvguiKind k) { return k == KvguiKind::FRAME || k == KvguiKind::EXPANDER; }
bool closes_group(KvguiKind k) { return k == KvguiKind::UNFRAME || k == KvguiKind::UNEXPANDER; }

// Places and sizes are whatever a program set, up to the ends of the int
// range: every sum is worked out in 64 bits and saturated.
int sat(int64_t v) { return qvl_math_saturate_int(v); }

// The part of a widget at (x, y, w, h) inside the clip band: off is how far
// its top lies above the band (0 or negative).
struct Visible {
  int off, top, w, h;
  bool shown() const { return w > 0 && h > 0; }
  bool holds(int mx, int my, int x) const {
    return shown() && mx >= x && int64_t(mx) - x < w && my >= top && int64_t(my) - top < h;
  }
};

Visible visible_part(const KvguiLayoutPass& pass, int x, int y, int w, int h) {
  Visible v;
  v.off = y < pass.clip_top ? sat(int64_t(y) - pass.clip_top) : 0;
  v.top = y < pass.clip_top ? pass.clip_top : y;
  v.w = sat(std::min<int64_t>(w, int64_t(pass.right) - x));
  v.h = sat(std::min<int64_t>(int64_t(h) + v.off, int64_t(pass.clip_bottom) - v.top));
  return v;
}

// The widget holds a drag that goes on wherever the mouse is.
bool holds_focus(const KVGUI_DLG& d, const KVGUI_WDG& w) {
  return d.FOCUS.length > 0 &&
         (kvgui_same_text(d.FOCUS, w.id) || kvgui_focus_is_bar_of(d, w.id));
}

// Entry of the marker that closes the group opened by entry k, or the
// number of entries when none does.
int closing_entry(KVGUI_DLG& d, int k) {
  int depth = 1;
  for (int e = k + 1; e < d.order.size1; ++e) {
    const KvguiKind kind = kvgui_entry_widget(d, e).kind;
    if (opens_group(kind)) ++depth;
    if (closes_group(kind) && --depth == 0) return e;
  }
  return d.order.size1;
}

void draw_tool_tip(const KVGUI_DLG& d, const KVGUI_WDG& w, int x, int y, int visible_w) {
  qvl_gfx_set_viewport(0, 0, 0, 0);
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  const BasicString& tip = w.TIPTEXT;
  std::vector<BasicString> lines;
  int box_w = 0;
  if (!std::memchr(tip.text, '\n', size_t(tip.length))) {
    lines.push_back(tip);
    box_w = std::max(visible_w, kvgui_measure_text_width(tip));
  } else {
    lines = kvgui_split_fields(tip, '\n');
    for (const BasicString& line : lines) box_w = std::max(box_w, kvgui_measure_text_width(line));
  }
  const int box_h = static_cast<int>(lines.size()) * gh;
  const int bx = std::max(0, sat(x + (int64_t(visible_w) - box_w) / 2 - 1));
  const int by = std::max(0, sat(int64_t(y) - box_h - 2 - kvgui_widget_height));
  qvl_gfx_set_alpha_mode(-0.8);
  qvl_gfx_draw_rect(bx, by, box_w + 2, box_h + 2, d.COL_HOVER_BRIGHT);
  qvl_gfx_set_alpha_mode(-1.0);
  kvgui_draw_outline(bx, by, box_w + 2, box_h + 2, d.COL_NORM);
  for (size_t i = 0; i < lines.size(); ++i) {
    const int lw = kvgui_measure_text_width(lines[i]);
    kvgui_print_text(lines[i], bx + 1 + (box_w - lw) / 2, by + 1 + int(i) * gh);
  }
}

// The contents of an expanded group; returns the cursor after them and the
// widest extent e reached from the contents' left edge.
int layout_group_contents(const KvguiLayoutPass& pass, KvguiLayoutCursor& inner, int width,
                          int left, int* extent) {
  *extent = 0;
  for (;;) {
    const int r = kvgui_layout_widgets(pass, inner, width, left);
    if (r == KVGUI_LAYOUT_LOST) return r;
    *extent = std::max(*extent, sat(int64_t(inner.x) - left));
    if (r == KVGUI_LAYOUT_CLOSE) return r;
    ++inner.position;
  }
}

}  // namespace

int kvgui_layout_widgets(const KvguiLayoutPass& pass, KvguiLayoutCursor& cur, int width,
                         int left) {
  KVGUI_DLG* d = pass.dialog.get();
  if (!d) return KVGUI_LAYOUT_LOST;
  const int k = cur.position;
  // The end of the entries closes a group that was never closed.
  if (k < 0 || k >= d->order.size1) return KVGUI_LAYOUT_CLOSE;
  KVGUI_WDG* w = &kvgui_entry_widget(*d, k);
  // Hidden widgets, and widgets of no kind (made by a set on an unknown id),
  // take no space.
  if (w->HIDE || w->kind == KvguiKind::NONE) return KVGUI_LAYOUT_NEXT;
  if (closes_group(w->kind)) return KVGUI_LAYOUT_CLOSE;

  const int ww = w->WIDTH, wh = w->HEIGHT;
  if (int64_t(cur.x) + ww > int64_t(left) + width) {
    cur.x = left;
    cur.y = sat(int64_t(cur.y) + cur.row_height + pass.spacing);
    cur.row_height = wh;
    // A spacer as wide as the row only ends the row (a line break).
    if (w->kind == KvguiKind::SPACER && ww >= width) return KVGUI_LAYOUT_NEXT;
  }
  if (ww < width && width < 10000) {
    if (w->ALIGN > 0)
      cur.x = sat(int64_t(left) + width - ww);
    else if (w->ALIGN == 0)
      cur.x = sat(cur.x + (int64_t(left) + width - cur.x - ww) / 2);
  }
  w->XPOS = cur.x;
  w->YPOS = cur.y;

  if (pass.active) {
    // Hover and clicks count only where the widget can be seen; a drag the
    // widget already holds goes on wherever the mouse is.
    const Visible seen = visible_part(pass, cur.x, cur.y, ww, wh);
    int mx = sat(int64_t(pass.mouse_x) - w->XPOS), my = sat(int64_t(pass.mouse_y) - w->YPOS);
    int press = pass.press;
    if (!seen.holds(pass.mouse_x, pass.mouse_y, cur.x) && !holds_focus(*d, *w)) {
      mx = my = -1;
      press = GUI_PRESS_NONE;
    }
    kvgui_handle_widget(*d, *w, mx, my, press);
    if (!(d = pass.dialog.get())) return KVGUI_LAYOUT_LOST;
    if (k >= d->order.size1) return KVGUI_LAYOUT_CLOSE;
    w = &kvgui_entry_widget(*d, k);
  }

  if (opens_group(w->kind)) {
    const int gx = cur.x, gy = cur.y;
    if (w->SELECT == 1) {
      // Collapsed: one caption line high, its contents skipped.
      int gw = 0, gh = 0;
      kvgui_glyph_size(&gw, &gh);
      w->HEIGHT = std::max(kvgui_widget_height, gh + 4);
      kvgui_draw_group_frame(*d, *w, gx, pass.clip_top, pass.right, pass.clip_bottom);
      cur.position = closing_entry(*d, k);
    } else {
      const bool caption = w->TEXT.length > 0;
      const int inset =
          kvgui_draw_group_frame(*d, *w, gx, pass.clip_top, pass.right, pass.clip_bottom);
      int gw = 0, gh = 0;
      kvgui_glyph_size(&gw, &gh);
      const int header =
          caption ? (w->kind == KvguiKind::EXPANDER ? std::max(gh, kvgui_widget_height) : gh) + 8
                  : 0;
      const bool grows = w->WIDTH == 10000;
      KvguiLayoutCursor inner;
      inner.position = k + 1;
      inner.x = sat(int64_t(gx) + inset);
      inner.y = sat(int64_t(gy) + header);
      int extent = 0;
      const int r = layout_group_contents(
          pass, inner, grows ? 10000 : sat(int64_t(w->WIDTH) - 2 * int64_t(inset)), inner.x, &extent);
      if (r == KVGUI_LAYOUT_LOST || !(d = pass.dialog.get())) return KVGUI_LAYOUT_LOST;
      if (k >= d->order.size1) return KVGUI_LAYOUT_CLOSE;
      w = &kvgui_entry_widget(*d, k);
      cur.position = inner.position;
      if (grows)
        w->WIDTH = std::max(kvgui_measure_caption_width(w->TEXT), sat(extent + 2 * int64_t(inset)));
      w->HEIGHT = sat(int64_t(inner.y) + inner.row_height + (caption ? 8 : 0) - gy);
      cur.x = sat(int64_t(gx) + inset);
      cur.y = gy;
    }
  }

  const Visible v = visible_part(pass, cur.x, w->YPOS, ww, wh);
  if (v.shown()) {
    qvl_gfx_set_viewport(cur.x, v.top, v.w, v.h);
    kvgui_draw_widget(*d, *w, v.off);
    if (!(d = pass.dialog.get())) return KVGUI_LAYOUT_LOST;
    if (k >= d->order.size1) return KVGUI_LAYOUT_CLOSE;
    w = &kvgui_entry_widget(*d, k);
  }
  if (pass.tooltip && w->HOVER && w->TIPTEXT.length > 0)
    draw_tool_tip(*d, *w, cur.x, cur.y, v.w);
  cur.x = sat(int64_t(cur.x) + pass.spacing + v.w);
  cur.row_height = std::max(cur.row_height, wh);
  return KVGUI_LAYOUT_NEXT;
}

void kvgui_refresh_dialog() {
  if (kvgui_stack_empty()) return;
  const KvguiDialogRef ref = kvgui_dialog_ref(-1);
  const std::vector<int> entries = kvgui_entries_in_id_order(kvgui_top_dialog());
  for (int k : entries) {
    KVGUI_DLG* d = ref.get();
    if (!d) return;
    if (k < d->order.size1) kvgui_refresh_widget(*d, kvgui_entry_widget(*d, k));
  }
}
