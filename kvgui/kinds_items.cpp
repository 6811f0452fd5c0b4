// Lists, combo boxes, galleries and the file field. A list draws only the
// rows inside its box and splits its TEXT only when it has changed, so a
// frame of a list of thousands of items costs what its visible rows cost.
#include "kvgui/kinds_items.h"

#include <algorithm>
#include <cstdint>

#include "core/maths.h"
#include "core/string_commands.h"
#include "gfx2d/draw_commands.h"
#include "host/show_screen.h"
#include "kvgui/canvas.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/globals.h"
#include "kvgui/item_list.h"
#include "kvgui/kinds_buttons.h"
#include "kvgui/scrollbar.h"
#include "kvgui/show.h"
#include "kvgui/style.h"
#include "kvgui/widget_index.h"

namespace {

BasicString item_at(const KvguiItemSpans& items, size_t i) {
  return qvl_str_substring(items.text, items.starts[i], items.ends[i] - items.starts[i]);
}

}  // namespace

void kvgui_draw_sprite_boxed(int sprite, int x, int y, int w, int h) {
  if (w > 0 && h > 0) kvgui_draw_sprite_fitted(sprite, x, y, w, h);
}

int kvgui_list_row_height() { return std::max({kvgui_widget_height, kvgui_glyph_height(), 1}); }

const KvguiItemSpans& kvgui_list_items(KVGUI_WDG& w) {
  KvguiItemSpans& items = w.items;
  if (!kvgui_same_text(items.text, w.TEXT)) {
    items.text = w.TEXT;
    items.starts.clear();
    items.ends.clear();
    const BasicString& t = items.text;
    int start = 0;
    for (int i = 0; i <= t.length; ++i) {
      if (i < t.length && t.text[i] != '|') continue;
      if (i > start) {
        items.starts.push_back(start);
        items.ends.push_back(i);
      }
      start = i + 1;
    }
  }
  return items;
}

// --- Lists ------------------------------------------------------------------

int kvgui_draw_list(KVGUI_DLG& d, KVGUI_WDG& w, int y) {
  const int gw = kvgui_glyph_width(), gh = kvgui_glyph_height();
  const int r = kvgui_list_row_height();
  const KvguiItemSpans& items = kvgui_list_items(w);
  const int count = static_cast<int>(items.starts.size());
  w.COUNT = count;
  int tw = w.WIDTH - 8;
  if (w.scroll_range > 0) tw -= std::max(kvgui_min_row_height, gw);
  const double text_offset = kvgui_widget_height >= gh ? (kvgui_widget_height - gh) / 2.0 : 0.0;
  // Rows below the box are outside the viewport: the loop stops there.
  const int64_t bottom = int64_t(y) + w.HEIGHT;
  for (int64_t i = std::max(0, w.SCROLL / r); i < count; ++i) {
    const int64_t row_top = int64_t(y) + i * r - w.SCROLL;
    if (row_top >= bottom) break;
    if (row_top + r <= 0) continue;  // above the viewport
    const int ry = static_cast<int>(row_top);
    const bool chosen = i == w.SELECT;
    if (i == w.HOVER && !w.READONLY) {
      if (!chosen)
        kvgui_draw_outline(1, ry, w.WIDTH - 2, r - 1, d.COL_HOVER_BRIGHT);
      else
        kvgui_draw_gradient_box(d.COL_HOVER_BRIGHT, d.COL_HOVER_NORM, 0, ry, w.WIDTH - 1, r - 1);
    } else if (chosen) {
      kvgui_draw_gradient_box(d.COL_HOVER_NORM, d.COL_HOVER_BRIGHT, 0, ry, w.WIDTH - 1, r - 1);
    }
    const BasicString item = item_at(items, size_t(i));
    const KvguiCaption caption = kvgui_caption_form(item);
    if (caption.form == KvguiCaptionForm::SPRITE) {
      if (r - 2 > 0 && tw - 2 > 0) kvgui_draw_sprite_fitted(caption.number, 5, ry + 1, tw - 2, r - 2);
    } else {
      kvgui_print_text_bold(item, 4, qvl_math_truncate_int(ry + text_offset), chosen);
    }
  }
  kvgui_draw_bevel(y, w.WIDTH, w.HEIGHT, d.COL_NORM);
  kvgui_draw_scrollbar(d, w, w.WIDTH, w.HEIGHT, w.HEIGHT / r, y);
  return 0;
}

int kvgui_handle_list(KVGUI_DLG& d, KVGUI_WDG& w, int x, int y, int press) {
  const int r = kvgui_list_row_height();
  w.scroll_range =
      qvl_math_saturate_int(std::max<int64_t>(0, int64_t(r) * w.COUNT - w.HEIGHT - 1));
  const int sb = kvgui_drag_scrollbar(d, w, x, y, w.HEIGHT);
  // Overscroll eases back, also in a read-only list.
  const int eased = kvgui_ease_list_scroll(w.SCROLL, w.scroll_range);
  if (eased != w.SCROLL) {
    w.SCROLL = eased;
    qvl_win_reset_idle_count();
  }
  if (w.READONLY) return 0;
  w.CLICKED = 0;
  w.HOVER = -1;
  if (y > 0 && y <= w.HEIGHT && x > 0 && x < w.WIDTH - 1.5 * kvgui_glyph_width() * sb) {
    const int64_t at = int64_t(y) + w.SCROLL;
    // Rows above the first (a list overscrolled downwards) and below the
    // last are no row.
    int row = at < 0 ? -1 : static_cast<int>(std::min<int64_t>(at / r, INT32_MAX));
    if (row >= w.COUNT) row = -1;
    if (press == GUI_PRESS_CLICK) {
      w.CLICKED = 1;
      w.SELECT = row;
    }
    w.HOVER = row;
  }
  return 0;
}

// --- Combo boxes and galleries ------------------------------------------------

int kvgui_draw_combo(KVGUI_DLG& d, KVGUI_WDG& w, int y) {
  const int gw = kvgui_glyph_width(), gh = kvgui_glyph_height();
  const int W = w.WIDTH, H = w.HEIGHT;
  const KvguiStateColours c = kvgui_state_colours(d, w);
  kvgui_draw_gradient_box(c.light, c.dark, 1, y + 1, W - 2, H - 2);
  // The drop button with its triangle.
  const int b = std::max(kvgui_min_row_height, gw) + 1;
  kvgui_draw_gradient_box(d.COL_HOVER_BRIGHT, d.COL_HOVER_NORM, W - b, y + 1, 2 * gw, H - 2);
  const double mark[6] = {W - 0.9 * b, y + 0.2 * H, W - 0.5 * b, y + 0.8 * H,
                          W - 0.1 * b, y + 0.2 * H};
  kvgui_canvas_triangle(mark, c.light);

  if (w.SELECT >= 0) {
    // A chosen item after the first sits a pixel further in.
    const bool inset = w.SELECT > 0;
    const int left = inset ? 3 : 2, top = inset ? y + 2 : y + 1;
    const int bw = inset ? W - b - 4 : W - b - 2, bh = inset ? H - 4 : H - 2;
    const int swatch_left = inset ? 2 : 1;
    const BasicString item = kvgui_get_text_item(w.TEXT, w.SELECT);
    const KvguiCaption caption = kvgui_caption_form(item);
    switch (caption.form) {
      case KvguiCaptionForm::SPRITE:
        kvgui_canvas_alpha(w.HOVER ? -0.8 : -1.0);
        if (bw > 2 && bh > 2) kvgui_draw_sprite_fitted(caption.number, left, top + 1, bw - 2, bh - 2);
        break;
      case KvguiCaptionForm::SWATCH:
        kvgui_canvas_alpha(w.HOVER ? -0.8 : -1.0);
        kvgui_canvas_rect(swatch_left, top, bw, bh, caption.number);
        break;
      case KvguiCaptionForm::TEXT:
        // Hovered, the text keeps the opacity the face left.
        if (w.HOVER == 0) kvgui_canvas_alpha(-0.8);
        kvgui_print_text(item, (bw - kvgui_measure_text_width(item)) / 2, y + (H - gh) / 2);
        break;
    }
  }
  kvgui_canvas_alpha(-1.0);
  kvgui_draw_bevel(y, W, H, c.dark);
  return 0;
}

int kvgui_handle_combo(KVGUI_DLG&, KVGUI_WDG& w, int, int, int press) {
  w.CLICKED = 0;  // set by the popup list when an item is picked
  if (press == GUI_PRESS_CLICK) {
    const BasicString id(w.id);
    kvgui_open_popup(id);  // also for a read-only combo box
  }
  return 0;
}

// --- The file field -----------------------------------------------------------

int kvgui_draw_file_field(KVGUI_DLG& d, KVGUI_WDG& w, int y) {
  const KvguiStateColours c = kvgui_state_colours(d, w);
  kvgui_draw_gradient_box(c.light, c.dark, 0, y, w.WIDTH, w.HEIGHT);
  // A page icon a glyph and a fifth high.
  const int gh = kvgui_glyph_height();
  const double s = qvl_math_truncate_int(1.2 * gh);
  const int size = static_cast<int>(s);
  kvgui_canvas_rect(1, y + 1, size, size, 0xFE6B47);
  kvgui_canvas_rect(qvl_math_truncate_int(0.2 * s + 1), y + 1, qvl_math_truncate_int(0.8 * s - 2),
                    qvl_math_truncate_int(0.6 * s - 1), 0xFFFFFF);
  kvgui_canvas_rect(qvl_math_truncate_int(0.2 * s + 1), qvl_math_truncate_int(y + 1 + 0.7 * s),
                    qvl_math_truncate_int(0.8 * s - 2), qvl_math_truncate_int(0.3 * s + 1), 0xCCCCCC);
  const int slash = qvl_str_find_last(w.TEXT, "/", -1);
  kvgui_print_text(slash < 0 ? w.TEXT : qvl_str_substring(w.TEXT, slash + 1, -1), size + 3, y + 3);
  kvgui_draw_bevel(y, w.WIDTH, w.HEIGHT, c.dark);
  return 0;
}

int kvgui_handle_file_field(KVGUI_DLG& d, KVGUI_WDG& w, int, int, int press) {
  if (w.READONLY) return 0;
  if (w.FILTER.length == 0) w.FILTER = BasicString("*.*");
  w.CLICKED = 0;
  if (press == GUI_PRESS_CLICK) {
    // The chooser runs after the dialog is drawn and writes the path.
    d.pending_action = GUI_ACTION_FILE_CHOOSER;
    d.action_id = w.id;
  }
  return 0;
}
