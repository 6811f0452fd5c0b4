// Buttons, sliders, check boxes and radio groups, drawn and operated in the
// widget's own coordinates (x 0 its left edge, y its top in the viewport).
#include "kvgui/kinds_buttons.h"

#include <algorithm>
#include <cmath>

#include "core/maths.h"
#include "core/number_text.h"
#include "core/string_commands.h"
#include "gfx2d/draw_commands.h"
#include "kvgui/canvas.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/globals.h"
#include "kvgui/item_list.h"
#include "kvgui/style.h"
#include "kvgui/widget_index.h"

namespace {

int pressed(int colour) { return kvgui_mouse_down ? kvgui_darken_color(colour) : colour; }

bool is_swatch(const KVGUI_WDG& w) {
  return kvgui_caption_form(w.TEXT).form == KvguiCaptionForm::SWATCH;
}

// Radio rows are as high as a widget, and at least a glyph (never 0).
int radio_row_height(int gh) { return std::max({kvgui_widget_height, gh, 1}); }

// The outline of a radio mark or check box: bottom, right, top and left.
void box_lines(int left, int top, int right, int bottom, int colour) {
  const int ends[16] = {left + 1, bottom,     right - 1, bottom,  right, top + 1, right, bottom - 1,
                        left + 1, top,        right - 1, top,     left,  top + 1, left,  bottom - 1};
  kvgui_canvas_lines(ends, 4, colour);
}

}  // namespace

KvguiStateColours kvgui_state_colours(const KVGUI_DLG& dialog, const KVGUI_WDG& widget) {
  if (widget.HOVER > 0 && widget.READONLY == 0)
    return {pressed(dialog.COL_HOVER_BRIGHT), pressed(dialog.COL_HOVER_NORM)};
  return {dialog.COL_BRIGHT, dialog.COL_NORM};
}

// --- Buttons ----------------------------------------------------------------

int kvgui_draw_button(KVGUI_DLG& dialog, KVGUI_WDG& w, int y) {
  kvgui_canvas_alpha(-1.0);
  const KvguiStateColours c = kvgui_state_colours(dialog, w);
  int fx = 1, fy = y + 1, fw = w.WIDTH - 2, fh = w.HEIGHT - 2;
  if (w.SELECT != 0) {
    // Shown pressed: the hover face with a second face inset in it.
    kvgui_draw_gradient_box(dialog.COL_HOVER_BRIGHT, dialog.COL_HOVER_NORM, fx, fy, fw, fh);
    fx = 3;
    fy = y + 3;
    fw = w.WIDTH - 6;
    fh = w.HEIGHT - 6;
  }
  kvgui_draw_gradient_box(c.light, c.dark, fx, fy, fw, fh);

  const KvguiCaption caption = kvgui_caption_form(w.TEXT);
  switch (caption.form) {
    case KvguiCaptionForm::SPRITE:
      kvgui_canvas_alpha(w.READONLY || w.HOVER ? -0.8 : -1.0);
      if (fw > 2 && fh > 2) kvgui_draw_sprite_fitted(caption.number, fx + 1, fy + 1, fw - 2, fh - 2);
      break;
    case KvguiCaptionForm::SWATCH:
      kvgui_canvas_alpha(w.HOVER ? -0.8 : -1.0);
      kvgui_canvas_rect(fx, fy, fw, fh, caption.number);
      break;
    case KvguiCaptionForm::TEXT: {
      int gw = 0, gh = 0;
      kvgui_glyph_size(&gw, &gh);
      kvgui_canvas_alpha(w.READONLY ? -0.5 : -1.0);
      kvgui_print_text(w.TEXT, (w.WIDTH - kvgui_measure_text_width(w.TEXT)) / 2,
                       y + (w.HEIGHT - gh) / 2);
      break;
    }
  }
  kvgui_canvas_alpha(-1.0);
  kvgui_draw_bevel(y, w.WIDTH, w.HEIGHT, w.SELECT ? dialog.COL_HOVER_NORM : c.dark);
  return 0;
}

int kvgui_handle_button(KVGUI_DLG& dialog, KVGUI_WDG& w, int, int, int press) {
  const bool swatch = is_swatch(w);
  // A read-only swatch still reports its click; it only opens no picker.
  if (w.READONLY && !swatch) return 0;
  if (press != GUI_PRESS_CLICK) {
    w.CLICKED = 0;
    return 0;
  }
  w.CLICKED = 1;
  if (swatch && !w.READONLY) {
    // The picker runs after the dialog is drawn.
    dialog.pending_action = GUI_ACTION_COLOR_PICKER;
    dialog.action_id = w.id;
  }
  return 0;
}

// --- Sliders ----------------------------------------------------------------

double kvgui_get_slider_x(const KVGUI_WDG& w, double v) {
  const double range = w.MAXVAL - w.MINVAL;
  // An empty range puts every value at the start; a slider narrower than
  // its knob's margins keeps its knob there rather than running backwards.
  if (range == 0.0 || !std::isfinite(range)) return 6.0;
  return (v - w.MINVAL) / range * std::max(w.WIDTH - 12, 0) + 6.0;
}

double kvgui_slider_value_at(const KVGUI_WDG& w, int x) {
  // A slider 9 pixels wide or less has a track of one pixel: it jumps
  // between its ends rather than dividing by zero or running backwards.
  const double track = std::max(w.WIDTH - 9, 1);
  const double f = std::clamp((x - 5) / track, 0.0, 1.0);
  double v = w.MINVAL + f * (w.MAXVAL - w.MINVAL);
  if (w.STEP > 0.0) v = w.STEP * std::trunc(v / w.STEP + 0.4);
  // Stepping may leave the range (MINVAL 1 with STEP 3 gives 0).
  const double lo = std::min(w.MINVAL, w.MAXVAL), hi = std::max(w.MINVAL, w.MAXVAL);
  if (v < lo) v = lo;
  if (v > hi) v = hi;
  return v;
}

int kvgui_draw_slider(KVGUI_DLG& dialog, KVGUI_WDG& w, int y) {
  const int track = w.HOVER < 1 ? dialog.COL_NORM : pressed(dialog.COL_HOVER_NORM);
  kvgui_draw_bevel(y + w.HEIGHT / 2 - 3, w.WIDTH, 5, track);
  const int k = w.HEIGHT >= 26 ? 24 : w.HEIGHT - 2;
  const int t = y + (w.HEIGHT - k) / 2 + 1;
  const double v = w.TEXT.to_double();
  kvgui_canvas_rect(qvl_math_truncate_int(kvgui_get_slider_x(w, v) - 5), t, 10, k,
                    dialog.COL_HOVER_NORM);
  if (w.SELSTART > 0 || w.SELEND > 0) {
    const int xa = qvl_math_truncate_int(kvgui_get_slider_x(w, w.SELSTART));
    const int xb = qvl_math_truncate_int(kvgui_get_slider_x(w, w.SELEND));
    kvgui_canvas_alpha(-0.5);
    kvgui_canvas_rect(xa, t, qvl_math_saturate_int(int64_t(xb) - xa + 1), k, dialog.COL_HOVER_NORM);
    kvgui_canvas_alpha(-1.0);
  }
  return 0;
}

int kvgui_handle_slider(KVGUI_DLG& dialog, KVGUI_WDG& w, int x, int y, int press) {
  if (w.READONLY) return 0;
  if (press == GUI_PRESS_DOWN && x >= 0 && x <= w.WIDTH && y >= 0 && y <= w.HEIGHT)
    dialog.FOCUS = w.id;
  w.CLICKED = 0;
  if (!kvgui_same_text(dialog.FOCUS, w.id)) return 0;
  if (!kvgui_mouse_down) {
    dialog.FOCUS = BasicString();  // released: the drag ends, the value stays
    return 0;
  }
  // The drag goes on wherever the mouse is.
  const double v = kvgui_slider_value_at(w, x);
  BasicString text;
  if (w.STEP > 0.0)
    text.init_double(v);
  else
    text = qvl_fmt_fixed_double(0, 2, v);
  if (!kvgui_same_text(text, w.TEXT)) {
    w.TEXT = text;
    w.CLICKED = 1;
  }
  return 0;
}

// --- Check boxes --------------------------------------------------------------

int kvgui_draw_checkbox(KVGUI_DLG& dialog, KVGUI_WDG& w, int y) {
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  if (w.HOVER && !w.READONLY)
    kvgui_draw_outline(1, y + 1, w.WIDTH - 1, gh - 1, pressed(dialog.COL_HOVER_BRIGHT));
  kvgui_print_text_bold(w.TEXT, qvl_math_truncate_int(gw * 1.7 + 1), y + 1, w.SELECT != 0);
  const bool checked = w.SELECT != 0;
  const int light = checked ? dialog.COL_HOVER_BRIGHT : dialog.COL_BRIGHT;
  const int dark = checked ? dialog.COL_HOVER_NORM : dialog.COL_NORM;
  kvgui_draw_gradient_box(light, dark, 3, y + 3, gh - 4, gh - 4);
  box_lines(2, y + 2, gh - 1, y + gh - 1, dark);
  return 0;
}

int kvgui_handle_checkbox(KVGUI_DLG&, KVGUI_WDG& w, int, int, int press) {
  if (w.READONLY) return 0;
  w.CLICKED = 0;
  if (press == GUI_PRESS_CLICK) {
    w.CLICKED = 1;
    w.SELECT = 1 - w.SELECT;
  }
  return 0;
}

// --- Radio groups -----------------------------------------------------------

int kvgui_draw_radio(KVGUI_DLG& dialog, KVGUI_WDG& w, int y) {
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  const int g = std::max(gh, 12), gx = std::max(gw, 12);
  const int r = std::max(kvgui_widget_height, g);
  int s = y + (r - g) / 2;
  // The rule joining the marks, as long as last frame's rows.
  kvgui_canvas_rect(gh < 12 ? 5 : gh / 2 - 1, s + 1, 3,
                    qvl_math_saturate_int(int64_t(r) * w.COUNT + g - r - 4), dialog.COL_NORM);
  const BasicString& text = w.TEXT;
  int rows = 0, start = 0;
  while (rows < 10000) {
    // Row i is the i-th "|" field; the first empty field ends the group.
    int end = start;
    while (end < text.length && text.text[end] != '|') ++end;
    if (end == start) break;
    const int i = rows++;
    if (i == w.SELECT) {
      kvgui_draw_gradient_box(dialog.COL_HOVER_BRIGHT, dialog.COL_HOVER_NORM, 3, s + 2, g - 6, g - 6);
      box_lines(2, s + 1, g - 3, s + g - 4, dialog.COL_HOVER_NORM);
    }
    if (i == w.HOVER && !w.READONLY)
      kvgui_draw_bevel(s - (r - g) / 2, w.WIDTH - 1, r - 1, dialog.COL_HOVER_BRIGHT);
    kvgui_print_text_bold(qvl_str_substring(text, start, end - start),
                          qvl_math_truncate_int(gx * 1.7), s, i == w.SELECT);
    s += r;
    if (end >= text.length) break;
    start = end + 1;
  }
  w.COUNT = rows;
  return 0;
}

int kvgui_handle_radio(KVGUI_DLG&, KVGUI_WDG& w, int x, int y, int press) {
  if (w.READONLY) return 0;
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  const int n = static_cast<int>(kvgui_split_items(w.TEXT).size());
  const int f = radio_row_height(gh);
  w.CLICKED = 0;
  w.HOVER = -1;
  w.HEIGHT = qvl_math_saturate_int(int64_t(n) * f);
  if (x <= 0 || y <= 0 || int64_t(y) > int64_t(n) * f || x >= w.WIDTH) return 0;
  const int row = y / f;
  if (press == GUI_PRESS_CLICK && row != w.SELECT) {
    w.CLICKED = 1;
    w.SELECT = std::min(row, n - 1);
  }
  w.HOVER = row;
  return 0;
}
