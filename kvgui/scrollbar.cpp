#include "kvgui/scrollbar.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "core/maths.h"
#include "gfx2d/draw_commands.h"
#include "kvgui/canvas.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/globals.h"
#include "kvgui/seam.h"
#include "kvgui/style.h"

namespace {

int bar_width() {
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  return std::max(kvgui_min_row_height, gw);
}

int clamp_int(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

// A bar's place and size as a program may make them, up to the ends of the
// int range, brought within a quarter of it: a bar that far off is out of
// sight, and the sums of its track and thumb stay ints.
int bounded(int v) { return std::clamp(v, INT_MIN / 4, INT_MAX / 4); }

}  // namespace

KvguiThumb kvgui_scroll_thumb(int height, int visible, int range, int scroll) {
  int64_t len = 0;
  if (visible > 0 && range > 0) {
    const int64_t k = ((int64_t(range) + visible - 1) * 128) / visible;
    len = std::max<int64_t>(2, (int64_t(height) - 2) * 128 / std::max<int64_t>(1, k));
  }
  if (len >= int64_t(height) - 21) len = int64_t(height) - 22;
  // A short bar would get a thumb of negative length: keep it in the track.
  len = std::clamp<int64_t>(len, 0, std::max(0, height - 2));
  int64_t pos = 0;
  if (range > 0) {
    const int64_t s = std::min<int64_t>(std::max(scroll, 0), range);
    pos = std::max<int64_t>(0, (int64_t(height) - len - 2) * s / range);
  }
  return {static_cast<int>(len), static_cast<int>(pos)};
}

int kvgui_scroll_from_mouse(int y, int height, int range) {
  int thumb = range > 0 ? height / range : 0;
  if (thumb < 2) thumb = 2;
  const int64_t track = int64_t(height) - thumb;
  if (track <= 0) return 0;
  // Mouse position times range overflows 32 bits for long lists.
  return clamp_int(int64_t(y) * range / track);
}

int kvgui_ease_list_scroll(int scroll, int range) {
  auto floor4 = [](int64_t v) { return v >= 0 ? v / 4 : -((-v + 3) / 4); };
  if (scroll < 0) {
    const int64_t q = floor4(int64_t(scroll) + 3);
    return static_cast<int>(scroll - (q == 0 ? -1 : q));
  }
  if (scroll > range) return clamp_int(scroll - floor4(int64_t(scroll) - range));
  return scroll;
}

bool kvgui_focus_is_bar_of(const KVGUI_DLG& dialog, const BasicString& id) {
  const BasicString& f = dialog.FOCUS;
  return f.length == id.length + 2 && f.text[0] == 'S' && f.text[1] == 'B' &&
         (id.length == 0 || std::memcmp(f.text + 2, id.text, size_t(id.length)) == 0);
}

void kvgui_draw_scrollbar(KVGUI_DLG& dialog, KVGUI_WDG& widget, int right, int height, int visible,
                          int top) {
  const int range = widget.scroll_range;
  if (range <= 0 || height <= 0) return;
  right = bounded(right);
  top = bounded(top);
  height = bounded(height);
  const int bw = bar_width();
  const bool dragged = kvgui_focus_is_bar_of(dialog, widget.id);
  const int light = dragged ? dialog.COL_HOVER_BRIGHT : dialog.COL_BRIGHT;
  const int dark = dragged ? dialog.COL_HOVER_NORM : dialog.COL_NORM;
  const int bx = right - bw;
  kvgui_canvas_rect(bx - 1, top, bw, height, light);
  kvgui_draw_outline(bx - 1, top, bw, height, dark);
  const KvguiThumb thumb = kvgui_scroll_thumb(height, visible, range, widget.SCROLL);
  kvgui_draw_gradient_box(dialog.COL_BRIGHT, dialog.COL_NORM, bx + 3, top + thumb.position + 1,
                          bw - 8, thumb.length);
  kvgui_draw_outline(bx + 2, top + thumb.position, bw - 6, thumb.length + 2, dark);
}

int kvgui_drag_scrollbar(KVGUI_DLG& dialog, KVGUI_WDG& widget, int mouse_x, int mouse_y,
                         int height) {
  const int range = widget.scroll_range;
  if (range <= 0) {
    widget.scroll_range = 0;
    widget.SCROLL = 0;
    return 0;
  }
  const bool holds = kvgui_focus_is_bar_of(dialog, widget.id);
  const BasicString& focus = dialog.FOCUS;
  if (!holds && focus.length >= 2 && focus.text[0] == 'S' && focus.text[1] == 'B') return 1;
  int mx = 0, my = 0, button = 0, button2 = 0;
  kvgui_seam.mouse(&mx, &my, &button, &button2);
  if (dialog.SCROLLING) {
    button = 0;
    if (!holds) return 1;
  }
  const int bw = bar_width();
  const int strip_x = clamp_int(int64_t(widget.WIDTH) - bw);
  const bool starts =
      !holds && button && qvl_math_boxes_overlap(mouse_x, mouse_y, 1, 1, strip_x, 0, bw, height);
  if (holds || starts) {
    BasicString bar("SB");
    bar.append(widget.id);
    dialog.FOCUS = bar;
    widget.SCROLL = kvgui_scroll_from_mouse(mouse_y, height, range);
    if (!button) dialog.FOCUS = BasicString();
  }
  return 1;
}
