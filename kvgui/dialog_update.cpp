#include "kvgui/dialog_update.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "core/maths.h"
#include "core/number_text.h"
#include "core/string_commands.h"
#include "core/string_ops.h"
#include "files/paths.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/viewport.h"
#include "host/show_screen.h"
#include "kvgui/canvas.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/globals.h"
#include "kvgui/layout.h"
#include "kvgui/modal_dialogs.h"
#include "kvgui/scrollbar.h"
#include "kvgui/seam.h"
#include "kvgui/style.h"
#include "kvgui/widget_index.h"

namespace {

int clamp_int(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

int bounded(int v) { return std::clamp(v, INT_MIN / 4, INT_MAX / 4); }

bool over(int mx, int my, int x, int y, int w, int h) {
  return qvl_math_boxes_overlap(mx, my, 1, 1, x, y, w, h);
}

// What one frame of a dialog works with.
struct Frame {
  KVGUI_DLG* d;
  bool active, draw_only;
  int mx, my, b1;
  double now;
  int gw, gh, ch;  // glyph size and caption-bar height
  int press = GUI_PRESS_NONE;
  int x = 0, y = 0, w = 0, h = 0;
  bool caption = false;
  int body_top = 0;
  int grip = 0;
  int content_w = 0;
  int shift = 0;  // content moved up by the body scroll
};

void glide(Frame& f) {
  KVGUI_DLG& d = *f.d;
  if (d.slide_target == d.YPOS || d.slide_target < -9998) return;
  const double factor = std::clamp(kvgui_seam.frame_time_ms() / 160.0, 0.6, 0.95);
  d.YPOS = clamp_int(int64_t(d.YPOS) +
                     qvl_math_truncate_int((double(d.slide_target) - d.YPOS) * factor));
  if (std::abs(int64_t(d.YPOS) - d.slide_target) <= 1) {
    d.YPOS = d.slide_target;
    d.slide_target = -10000;
  }
  qvl_win_reset_idle_count();
}

void press_code(Frame& f) {
  KVGUI_DLG& d = *f.d;
  if (f.b1) {
    // A held button keeps the host from its idle wait, which wakes for a
    // press or a move but not for a release: the release that makes the
    // click is seen on the next frame, not after the mouse moves again.
    qvl_win_reset_idle_count();
    if (!kvgui_button_held) {
      f.press = GUI_PRESS_DOWN;
      kvgui_button_held = 1;
      kvgui_last_mouse_x = f.mx;
      kvgui_last_mouse_y = f.my;
    }
    return;
  }
  if (kvgui_button_held) {
    f.press = GUI_PRESS_CLICK;
    kvgui_button_held = 0;
  }
  // The release that ends a drag of the dialog is no click.
  if (d.SCROLLING || d.MOVING || d.SCALEING) {
    f.press = GUI_PRESS_NONE;
    d.SCROLLING = d.MOVING = d.SCALEING = 0;
  }
}

void caption_drag(Frame& f) {
  KVGUI_DLG& d = *f.d;
  if (!d.MOVEABLE || !f.b1 || d.SCALEING || d.SCROLLING) return;
  const bool on_strip = over(f.mx, f.my, f.x, f.y, f.w, f.ch);
  if (!on_strip && !d.MOVING) return;
  if (d.FOCUS.length == 0) {
    d.MOVING = 1;
    d.XPOS = std::max(0, clamp_int(int64_t(f.x) + f.mx - kvgui_last_mouse_x));
    d.YPOS = std::max(0, clamp_int(int64_t(f.y) + f.my - kvgui_last_mouse_y));
    // A dialog pushed without a glide keeps its first place as the glide's
    // target: the drag moves the target along, so the dialog stays where it
    // is dropped and a later YPOS still glides it.
    if (d.slide_target >= -9999) d.slide_target = d.YPOS;
  } else if (on_strip && f.press == GUI_PRESS_DOWN) {
    d.FOCUS = BasicString();  // the drag starts on a later frame
  }
}

void draw_frame(Frame& f) {
  KVGUI_DLG& d = *f.d;
  f.caption = d.MOVEABLE || d.self.TEXT.length > 0;
  if (f.caption) {
    kvgui_draw_gradient_box(d.COL_BRIGHT, d.COL_NORM, f.x + 1, f.y + 1, f.w - 2, f.ch + 4);
    kvgui_print_text_bold(d.self.TEXT, f.x + 3, f.y + 2, 1);
    kvgui_draw_outline(f.x, f.y, f.w, f.h + f.ch + 4, d.COL_NORM);
    d.outer_x = f.x;
    d.outer_y = f.y;
    d.outer_w = f.w;
    d.outer_h = f.h + f.ch + 4;
    f.body_top = f.y + f.ch + 4;
  } else {
    kvgui_draw_outline(f.x, f.y, f.w, f.h, d.COL_NORM);
    d.outer_x = f.x;
    d.outer_y = f.y;
    d.outer_w = f.w;
    d.outer_h = f.h;
    f.body_top = f.y;
  }
  kvgui_canvas_rect(f.x + 1, f.body_top + 1, f.w - 2, f.h - 2, d.COL_BRIGHT);
}

bool over_grip(const Frame& f) {
  return over(f.mx, f.my, f.x + f.w - f.grip - 4, f.body_top + f.h - f.grip - 4, f.grip + 4,
              f.grip + 4);
}

void resize(Frame& f) {
  KVGUI_DLG& d = *f.d;
  if (!d.SCALEABLE || !f.b1 || d.MOVING || d.SCROLLING) return;
  if (!over_grip(f) && !d.SCALEING) return;
  d.SCALEING = 1;
  d.self.WIDTH = std::max(30, clamp_int(int64_t(f.w) + f.mx - kvgui_last_mouse_x));
  d.self.HEIGHT = std::max(30, clamp_int(int64_t(f.h) + f.my - kvgui_last_mouse_y));
  // This frame's outline and body are drawn; the grip and content take the new size.
  f.w = d.self.WIDTH;
  f.h = d.self.HEIGHT;
}

void draw_grip(Frame& f) {
  KVGUI_DLG& d = *f.d;
  if (!d.SCALEABLE || d.MOVING || d.SCROLLING) return;
  const int colour = !f.draw_only && over_grip(f) ? d.COL_HOVER_NORM : d.COL_NORM;
  const int g = f.grip, third = g / 3;
  const int right = f.x + f.w - 5;
  const int top = f.body_top + f.h - g - 3;
  kvgui_canvas_rect(right - third, top, third, 2, colour);
  kvgui_canvas_rect(right - 2 * g / 3, top + third, 2 * g / 3, 2, colour);
  kvgui_canvas_rect(right - g, top + 2 * third, g, 2, colour);
}

// The scroll bar of the body, drawn in the content area; narrows the
// content and moves it up by the scroll.
void body_bar(Frame& f, bool has_bar, int bar_height) {
  if (!has_bar) return;
  KVGUI_DLG& d = *f.d;
  const int cx = f.x + 3, cy = f.body_top + 3;
  kvgui_canvas_viewport(cx, cy, f.w - 6, f.h - 6);
  kvgui_draw_scrollbar(d, d.self, f.w - 6, bar_height, f.h - 6, 0);
  kvgui_canvas_viewport(0, 0, 0, 0);
  f.shift = bounded(std::max(0, d.self.SCROLL));
  f.content_w -= std::max(kvgui_min_row_height, f.gw) + 1;
}

void body_scroll(Frame& f) {
  KVGUI_DLG& d = *f.d;
  KVGUI_WDG& self = d.self;
  // A scaleable dialog keeps the grip's corner free of the bar; a small body
  // gets a bar of no height rather than a negative one.
  const int bar_height =
      std::max(0, (f.h - 6) - (d.SCALEABLE ? std::max(32, f.grip) : 0));
  if (!f.active) {
    // Below the top (or captured) the body keeps its bar and its scroll.
    body_bar(f, self.scroll_range > 0, bar_height);
    return;
  }
  const int64_t overflow = int64_t(d.content_height) - (f.h - 6);
  self.scroll_range = overflow <= 12 ? 0 : clamp_int(overflow + kvgui_widget_height - 12);
  const int before = self.SCROLL;
  const int cy = f.body_top + 3;
  const bool has_bar =
      kvgui_drag_scrollbar(d, self, f.mx - (f.x + 3) + 10, f.my - cy, bar_height) != 0;
  body_bar(f, has_bar, bar_height);

  if (f.b1 && !d.SCALEING && !d.MOVING && d.FOCUS.length == 0 && self.SCROLL == before) {
    const bool on_content = over(f.mx, f.my, f.x + 3, cy, f.w - 6, f.h - 6);
    if (d.SCROLLING || (on_content && std::abs(int64_t(f.my) - kvgui_last_mouse_y) > 2)) {
      const int step = clamp_int(int64_t(kvgui_last_mouse_y) - f.my);
      self.SCROLL = clamp_int(int64_t(self.SCROLL) + step);
      d.SCROLLING = 1;
      self.scroll_speed = step;
      self.drag_time = f.now;
      qvl_win_reset_idle_count();
    }
  }
  self.SCROLL = clamp_int(int64_t(self.SCROLL) - int64_t(kvgui_wheel_notches) * f.h / 3);
  if (self.SCROLL == before && self.scroll_speed != 0.0 && !f.b1) {
    const double elapsed = std::max(0.0, f.now - self.drag_time);
    const double v = std::min(1.0, 200.0 / elapsed) * self.scroll_speed;
    self.SCROLL = clamp_int(int64_t(self.SCROLL) + qvl_math_truncate_int(v));
    // Below a pixel a frame nothing moves any more: stop, so the host may
    // go idle again.
    if (std::fabs(v) < 1.0) self.scroll_speed = 0.0;
    qvl_win_reset_idle_count();
  }
}

void overscroll(Frame& f) {
  KVGUI_WDG& self = f.d->self;
  const bool settled = f.now - self.drag_time > 1000.0;
  if (self.SCROLL < 0) {
    self.SCROLL += qvl_math_truncate_int(-double(self.SCROLL) * 0.2);
    if (settled) self.SCROLL = 0;
    qvl_win_reset_idle_count();
  } else if (self.SCROLL > self.scroll_range) {
    self.SCROLL -= qvl_math_truncate_int((double(self.SCROLL) - self.scroll_range) * 0.2);
    if (settled) self.SCROLL = self.scroll_range;
    qvl_win_reset_idle_count();
  }
}

// Lays out every entry; returns the content height, or -1 when the dialog
// went away meanwhile.
int layout(Frame& f, const KvguiDialogRef& ref) {
  const int cx = f.x + 3, cy = f.body_top + 3;
  KvguiLayoutPass pass;
  pass.dialog = ref;
  pass.active = f.active ? 1 : 0;
  pass.spacing = 2;
  pass.right = cx + f.content_w;
  pass.clip_top = cy;
  pass.clip_bottom = cy + f.h - 6;
  pass.mouse_x = f.mx;
  pass.mouse_y = f.my;
  pass.press = f.press;
  // Only the dialog that takes input shows tips: a dialog opened over a
  // tipped widget leaves that widget's HOVER as it was, and its tip would
  // stay bright outside the veil.
  pass.tooltip = f.active && f.now - kvgui_rest_time > 500.0;
  KvguiLayoutCursor cur;
  cur.x = cx;
  cur.y = cy - f.shift;
  const int start_y = cur.y;
  for (;;) {
    const KVGUI_DLG* d = ref.get();
    if (!d) return -1;
    if (cur.position >= d->order.size1) break;
    if (kvgui_layout_widgets(pass, cur, f.content_w, cx) == KVGUI_LAYOUT_LOST) return -1;
    ++cur.position;
  }
  return clamp_int(int64_t(cur.y) + cur.row_height - start_y + 2);
}

BasicString directory_part(const BasicString& path) {
  const int slash = qvl_str_find_last(path, "/", -1);
  return slash < 0 ? path : qvl_str_substring(path, 0, slash);
}

}  // namespace

KvguiPopupBox kvgui_popup_box(int x, int y, int sw, int sh) {
  return {std::min(x, sw - 16), std::max(16, clamp_int(int64_t(sh) - y))};
}

double kvgui_update_dialog_mode(int index, KvguiUpdateMode mode) {
  const KvguiDialogRef ref = kvgui_dialog_ref(index);
  Frame f;
  f.d = ref.get();
  if (!f.d) return 0.0;
  f.active = mode == KvguiUpdateMode::ACTIVE;
  f.draw_only = mode == KvguiUpdateMode::DRAW_ONLY;
  kvgui_glyph_size(&f.gw, &f.gh);
  f.ch = std::max(24, f.gh);

  qvl_gfx_set_alpha_mode(-1.0);
  qvl_gfx_set_alpha_test(1.0);
  // The capture sees no mouse: nothing in it is hovered or pressed anew.
  f.mx = f.my = INT_MIN / 2;
  f.b1 = 0;
  f.now = kvgui_seam.now_ms();
  if (!f.draw_only) {
    int b2 = 0;
    kvgui_seam.mouse(&f.mx, &f.my, &f.b1, &b2);
    kvgui_mouse_down = f.b1;
    if (std::abs(int64_t(f.mx) - kvgui_rest_x) > 4 || std::abs(int64_t(f.my) - kvgui_rest_y) > 4) {
      kvgui_rest_time = f.now;
      kvgui_rest_x = f.mx;
      kvgui_rest_y = f.my;
    }
    glide(f);
  }
  if (f.active) press_code(f);

  // From here to the veil the dialog draws, in a few batches.
  kvgui_canvas_begin();
  kvgui_canvas_viewport(0, 0, 0, 0);
  KVGUI_DLG& d = *f.d;
  // A program may put a dialog anywhere in the int range. One far off the
  // screen is drawn no further off than a quarter of that range, so that
  // every sum of its places, sizes and margins below stays an int.
  f.x = bounded(d.XPOS);
  f.y = bounded(d.YPOS);
  f.w = bounded(d.self.WIDTH);
  f.h = bounded(d.self.HEIGHT);
  if (f.active) caption_drag(f);
  draw_frame(f);
  f.grip = std::max(2 * f.gw, kvgui_min_row_height);
  if (f.active) resize(f);
  draw_grip(f);
  f.content_w = f.w - 6;
  body_scroll(f);
  if (!f.draw_only) overscroll(f);
  if (f.active) {
    kvgui_last_mouse_x = f.mx;
    kvgui_last_mouse_y = f.my;
  }

  const int content = layout(f, ref);
  if (content < 0) {
    kvgui_canvas_end();
    return 0.0;
  }
  f.d = ref.get();
  kvgui_canvas_viewport(0, 0, 0, 0);
  if (mode == KvguiUpdateMode::INACTIVE) {
    kvgui_canvas_alpha(-0.8);
    kvgui_canvas_rect(f.x, bounded(f.d->YPOS), f.w, f.h + (f.caption ? f.ch + 4 : 0), 0x000000);
    kvgui_canvas_alpha(-1.0);
  }
  kvgui_canvas_end();
  if (!f.draw_only) kvgui_seam.show_pointer();
  if (f.active) {
    f.d->content_height = content;
    kvgui_run_pending_action(ref.index);
  }
  return std::max(f.h, content);
}

double kvgui_update_dialog(int index, int active) {
  return kvgui_update_dialog_mode(index,
                                  active ? KvguiUpdateMode::ACTIVE : KvguiUpdateMode::INACTIVE);
}

void kvgui_run_pending_action(int index) {
  const KvguiDialogRef ref = kvgui_dialog_ref(index);
  KVGUI_DLG* d = ref.get();
  if (!d || d->pending_action == GUI_ACTION_NONE) return;
  const int action = d->pending_action;
  const BasicString id(d->action_id);
  d->pending_action = GUI_ACTION_NONE;
  const int k = kvgui_find_entry(*d, id);
  if (k < 0) return;
  // The modal dialog pushes and pops dialogs of its own: this dialog and
  // its widget are found again afterwards, and only if they are still there.
  auto widget_again = [&ref, &id, k]() -> KVGUI_WDG* {
    KVGUI_DLG* again = ref.get();
    if (!again || k >= again->order.size1 || !kvgui_same_text(again->order.data[k].id, id))
      return nullptr;
    return &kvgui_entry_widget(*again, k);
  };
  KVGUI_WDG& w = kvgui_entry_widget(*d, k);
  switch (action) {
    case GUI_ACTION_COLOR_PICKER: {
      const int colour = qvl_fmt_atoi(qvl_str_substring(w.TEXT, 5, 64).text);
      const int picked = kvgui_pick_color(colour);
      if (KVGUI_WDG* again = widget_again()) {
        again->TEXT = qvl_str_concat_cstr_int("SPR_C", picked);
        again->CLICKED = 1;
      }
      break;
    }
    case GUI_ACTION_KEYPAD: {
      const bool single = w.kind == KvguiKind::SINGLETEXT || w.kind == KvguiKind::NUMBERTEXT;
      const bool numeric = w.kind == KvguiKind::NUMBERTEXT;
      const BasicString text(w.TEXT);
      BasicString entered = kvgui_enter_text(text, 1, 0.0, single, numeric, BasicString());
      if (KVGUI_WDG* again = widget_again()) again->TEXT = entered;
      break;
    }
    case GUI_ACTION_POPUP_LIST: {
      int sw = 0, sh = 0;
      kvgui_drawing_size(&sw, &sh);
      const KvguiPopupBox box = kvgui_popup_box(w.XPOS, w.YPOS, sw, sh);
      const BasicString items(w.TEXT);
      const int picked = kvgui_pick_item(box.x, w.YPOS, w.WIDTH, box.height, items, w.SELECT,
                                         w.kind == KvguiKind::GALLERY);
      KVGUI_WDG* again = widget_again();
      if (again && picked >= 0) {
        again->SELECT = picked;
        again->CLICKED = 1;
      }
      break;
    }
    case GUI_ACTION_FILE_CHOOSER: {
      // The chooser lists what the field's filter names, and a cancelled
      // chooser leaves the field's path as it was.
      const BasicString pattern = w.FILTER.length > 0 ? w.FILTER : BasicString("*.*");
      BasicString dir = directory_part(w.TEXT);
      BasicString chosen;
      if (dir.length > 0 && qvl_file_is_dir(dir)) {
        BasicString kept = qvl_file_current_dir();
        qvl_file_set_current_dir(dir);
        chosen = kvgui_choose_file(1, pattern, 0);
        qvl_file_set_current_dir(kept);
      } else {
        chosen = kvgui_choose_file(1, pattern, 0);
      }
      KVGUI_WDG* again = widget_again();
      if (again && chosen.length > 0) again->TEXT = chosen;
      break;
    }
    default:
      break;
  }
}
