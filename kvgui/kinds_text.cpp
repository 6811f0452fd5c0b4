// The text fields: drawing, the mouse (focus, caret, selection, the keypad
// on touch platforms) and the keyboard (typing, deleting, moving, selecting,
// tabbing), each frame in that order.
#include "kvgui/kinds_text.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "core/maths.h"
#include "core/string_commands.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/focus.h"
#include "kvgui/globals.h"
#include "kvgui/scrollbar.h"
#include "kvgui/seam.h"
#include "kvgui/style.h"
#include "kvgui/text_layout.h"
#include "kvgui/widget_index.h"

namespace {

struct Glyph {
  int w, h;
};

// The glyph size; a height below 1 (an empty font slot) counts as 1, since
// the fields divide by it.
Glyph glyph() {
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  return {gw, std::max(gh, 1)};
}

// The width the text wraps in: the field less a glyph, and less the scroll
// bar when the field has one.
int text_width(const KVGUI_WDG& w, const Glyph& g) {
  int64_t tw = int64_t(w.WIDTH) - g.w;
  if (w.scroll_range > 0) tw -= std::max(kvgui_min_row_height, g.w);
  return qvl_math_saturate_int(tw);
}

// The character index that the mouse's hit test finds at (x, y) of the
// text laid out from (0, 0), within the text.
int hit(KVGUI_DLG& d, KVGUI_WDG& w, int64_t x, int64_t y, int tw) {
  const int m = kvgui_draw_wrapped_text(d, w, qvl_math_saturate_int(x), qvl_math_saturate_int(y),
                                        tw, 0, KVGUI_HIT_POINT);
  return std::clamp(m, 0, std::max(w.TEXT.length, 0));
}

bool starts_with_sb(const BasicString& focus) {
  return focus.length >= 2 && focus.text[0] == 'S' && focus.text[1] == 'B';
}

// The bytes of the text that keep accepts.
template <class Keep>
BasicString filtered(const BasicString& text, Keep keep) {
  BasicString out;
  for (int i = 0; i < text.length; ++i)
    if (keep(static_cast<unsigned char>(text.text[i]))) out.append_char(text.text[i]);
  return out;
}

BasicString slice(const BasicString& text, int from, int to) {
  return to > from ? qvl_str_substring(text, from, to - from) : BasicString();
}

// What the keyboard asks of the field this frame.
struct Keys {
  BasicString typed;
  int v = 0, h = 0;  // down - up, right - left
  bool del = false, backspace = false, tab = false, shift = false;
  int line_end = 0;  // Home -1, End 1: along the caret's line as laid out
};

// The typed text and the key flags, with the held-key repeat: a key acts
// once, then again only once kKvguiKeyRepeatMs have passed while it is held.
Keys read_keys(KVGUI_DLG& d, bool single) {
  Keys k;
  bool from_inkey = false;
  if (d.INKEY.length > 0) {
    k.typed = d.INKEY;
    d.INKEY = BasicString();
    from_inkey = true;
  } else {
    k.typed = kvgui_seam.typed_char();
  }
  const int now = qvl_math_truncate_int(kvgui_seam.now_ms());
  auto down = [](int scan) { return kvgui_seam.key_down(scan) != 0; };
  const bool held = !from_inkey && kvgui_last_key != 0 &&
                    int64_t(now) - kvgui_last_key_time <= kKvguiKeyRepeatMs && down(kvgui_last_key);
  // Tabs come as the Tab key; the backspace character is the backspace.
  for (int i = 0; i < k.typed.length; ++i) k.backspace = k.backspace || k.typed.text[i] == 8;
  k.typed = filtered(k.typed, [](unsigned char c) { return c != '\t' && c != 8; });
  if (held) return k;

  k.v = int(down(KVGUI_KEY_DOWN)) - int(down(KVGUI_KEY_UP));
  k.h = int(down(KVGUI_KEY_RIGHT)) - int(down(KVGUI_KEY_LEFT));
  k.del = down(KVGUI_KEY_DELETE);
  k.tab = down(KVGUI_KEY_TAB);
  k.backspace = k.backspace || down(KVGUI_KEY_BACKSPACE);
  k.shift = down(KVGUI_KEY_LEFT_SHIFT) || down(KVGUI_KEY_RIGHT_SHIFT);
  const bool copy = down(KVGUI_KEY_CONTROL) && (down(KVGUI_KEY_C) || down(KVGUI_KEY_V));
  if (k.tab) k.typed = BasicString(" ");
  // Home and End move the caret along its own line as laid out, to the
  // line's first character or to the line feed, blank or tab that ends it
  // (End wins when both are down). A single line has no such move.
  const bool home = down(KVGUI_KEY_HOME), end = down(KVGUI_KEY_END);
  if ((home || end) && !single) {
    k.v = 0;
    k.line_end = end ? 1 : -1;
  }
  int key = 0;
  if (end) key = KVGUI_KEY_END;
  else if (home) key = KVGUI_KEY_HOME;
  else if (copy) key = KVGUI_KEY_CONTROL;
  else if (k.backspace) key = KVGUI_KEY_BACKSPACE;
  else if (k.tab) key = KVGUI_KEY_TAB;
  else if (k.del) key = KVGUI_KEY_DELETE;
  else if (k.h) key = k.h < 0 ? KVGUI_KEY_LEFT : KVGUI_KEY_RIGHT;
  else if (k.v) key = k.v > 0 ? KVGUI_KEY_DOWN : KVGUI_KEY_UP;
  kvgui_last_key = key;
  kvgui_last_key_time = now;
  return k;
}

// Where Up, Down, Home or End take the caret. Up and Down aim at the x
// where a run of them began (the boundary the caret stood at), kept until
// the caret moves otherwise, and take the boundary nearest it on the other
// line: so the caret keeps its column across lines of other glyphs, and a
// run that comes back to its line comes back to its place.
int line_move(KVGUI_WDG& w, const Keys& k, int tw) {
  const std::vector<KvguiCaretPlace> places = kvgui_caret_places(w, tw);
  const int from = std::clamp(w.SELEND, 0, int(places.size()) - 1);
  const KvguiCaretPlace here = places[size_t(from)];
  if (k.line_end)
    return kvgui_nearest_caret(places, here.line, k.line_end < 0 ? INT64_MIN : INT64_MAX);
  if (w.column_caret != from) w.column_x = here.x;
  return kvgui_nearest_caret(places, here.line + k.v, w.column_x);
}

// Typing, deleting and moving the caret, or with Shift moving the caret's
// end of the selection.
void edit(KVGUI_WDG& w, Keys& k, int tw) {
  const int len = std::max(w.TEXT.length, 0);
  const bool line_move_only = (k.v || k.line_end) && k.typed.length == 0 && !k.del && !k.backspace;
  if (k.shift && (k.h || k.v || k.line_end)) {
    int64_t p = w.SELEND;
    if (k.v || k.line_end)
      p = line_move(w, k, tw);
    else
      p += k.h;
    w.SELEND = static_cast<int>(std::clamp<int64_t>(p, 0, len));
    w.column_caret = k.v ? w.SELEND : -1;
    return;
  }
  BasicString t = w.TEXT;
  int a = std::clamp(w.SELSTART, 0, len);
  const int c = std::clamp(w.SELEND, 0, len);
  if (a != c && (k.del || k.backspace || k.typed.length > 0)) {
    // Typing replaces the selection; delete and backspace only remove it.
    const int lo = std::min(a, c), hi = std::max(a, c);
    t = slice(w.TEXT, 0, lo);
    t.append(slice(w.TEXT, hi, len));
    a = lo;
    k.del = k.backspace = false;
  }
  BasicString l = slice(t, 0, a);
  BasicString r = slice(t, a, t.length);
  int64_t n = k.v || k.line_end ? line_move(w, k, tw) : int64_t(a) + k.h;
  if (k.del && r.length > 0) r = slice(r, 1, r.length);
  if (k.backspace) {
    if (l.length > 0) l.truncate(l.length - 1);
    --n;
  }
  if (k.typed.length > 0) {
    l.append(k.typed);
    n += k.typed.length;  // the caret goes after all of the typed text
  }
  l.append(r);
  w.TEXT = l;
  w.SELSTART = w.SELEND = static_cast<int>(std::clamp<int64_t>(n, 0, w.TEXT.length));
  w.column_caret = k.v && line_move_only ? w.SELEND : -1;
}

// Scrolls a line towards the caret as the last drawing placed it.
void keep_caret_visible(KVGUI_WDG& w, const Glyph& g) {
  int64_t s = int64_t(w.SCROLL) * g.h;
  if (s + w.HEIGHT < int64_t(w.caret_y) + g.h && w.SCROLL < w.scroll_range) {
    ++w.SCROLL;
    s += g.h;
  }
  if (int64_t(w.caret_y) - g.h < s && w.SCROLL > 0) --w.SCROLL;
}

}  // namespace

int kvgui_draw_text_field(KVGUI_DLG& d, KVGUI_WDG& w, int y, int single) {
  const Glyph g = glyph();
  const int tw = text_width(w, g);
  if (w.READONLY) kvgui_draw_gradient_box(d.COL_NORM, d.COL_NORM, 1, y + 1, w.WIDTH - 2, w.HEIGHT - 2);
  const int y0 = single ? y + (w.HEIGHT - g.h) / 2
                        : qvl_math_saturate_int(int64_t(y) - int64_t(w.SCROLL) * g.h);
  kvgui_layout_wrapped_text(d, w, g.w / 2, y0, tw, 1);
  kvgui_draw_scrollbar(d, w, w.WIDTH, w.HEIGHT, w.HEIGHT / g.h, y);
  kvgui_draw_bevel(y, w.WIDTH, w.HEIGHT, d.COL_NORM);
  return 0;
}

int kvgui_handle_text_field(KVGUI_DLG& d, KVGUI_WDG& w, int x, int y, int press, int single,
                            int numeric) {
  const Glyph g = glyph();
  // Scroll range, in lines, from the text's height.
  const int tw = text_width(w, g);
  // A one-line field shows its one line and never scrolls, whatever the
  // wrapping of a text wider than the field lays out below it.
  const int64_t lines =
      single ? 0 : (int64_t(kvgui_layout_wrapped_text(d, w, 0, 0, tw, 0)) - w.HEIGHT) / g.h;
  w.scroll_range = lines > 0 ? qvl_math_saturate_int(lines + 1) : 0;
  const int sb = kvgui_drag_scrollbar(d, w, x, y, w.HEIGHT);

  if (!d.SCROLLING) {
    const bool over = !starts_with_sb(d.FOCUS) && x >= 0 && x < w.WIDTH - 1.5 * g.w * sb &&
                      y >= 0 && y < w.HEIGHT;
    const bool focused = kvgui_same_text(d.FOCUS, w.id);
    const bool drag = press == GUI_PRESS_NONE && kvgui_mouse_down;
    if (over && press == GUI_PRESS_CLICK && !focused) {
      kvgui_set_focus(w.id);
      if (!w.READONLY && kvgui_keypad_open == 0.0 && kvgui_use_keypad != 0.0) {
        // A touch platform types through the keypad, which runs after the
        // dialog is drawn; the field gives the focus back meanwhile.
        d.pending_action = GUI_ACTION_KEYPAD;
        d.action_id = w.id;
        kvgui_set_focus(BasicString());
        for (;;) {
          int mx = 0, my = 0, b1 = 0, b2 = 0;
          kvgui_seam.mouse(&mx, &my, &b1, &b2);
          if (!b1) break;
          kvgui_seam.message_step();
        }
        return 0;  // without the focus no key reaches the field
      }
    } else if (over && (press != GUI_PRESS_NONE || drag)) {
      const int pos = hit(d, w, x, int64_t(y) + int64_t(w.SCROLL) * g.h, tw);
      if (press == GUI_PRESS_DOWN) w.SELSTART = pos;
      w.SELEND = pos;
      w.column_caret = -1;
    }
  }

  if (!kvgui_same_text(d.FOCUS, w.id)) return 0;
  Keys k = read_keys(d, single != 0);
  if (w.READONLY) {
    // The caret and the selection still move.
    k.typed = BasicString();
    k.tab = k.backspace = k.del = false;
  }
  if (single) {
    k.typed = filtered(k.typed, [](unsigned char c) { return c != '\n' && c != '\r'; });
    if (k.tab) {
      kvgui_focus_next(k.shift ? -1 : 1);
      return 0;  // the widgets may have moved: nothing more this frame
    }
    k.v = 0;
  }
  if (numeric) {
    k.typed = filtered(k.typed, [](unsigned char c) {
      return c == '.' || c == 'e' || c == '-' || (c >= '0' && c <= '9');
    });
  }
  if (k.typed.length == 0 && !k.del && !k.backspace && !k.h && !k.v && !k.line_end) return 0;
  edit(w, k, tw);
  keep_caret_visible(w, g);
  return 0;
}

int kvgui_draw_single_text(KVGUI_DLG& d, KVGUI_WDG& w, int y) {
  return kvgui_draw_text_field(d, w, y, 1);
}

int kvgui_draw_multi_text(KVGUI_DLG& d, KVGUI_WDG& w, int y) {
  return kvgui_draw_text_field(d, w, y, 0);
}

int kvgui_handle_single_text(KVGUI_DLG& d, KVGUI_WDG& w, int x, int y, int press) {
  return kvgui_handle_text_field(d, w, x, y, press, 1, 0);
}

int kvgui_handle_number_text(KVGUI_DLG& d, KVGUI_WDG& w, int x, int y, int press) {
  return kvgui_handle_text_field(d, w, x, y, press, 1, 1);
}

int kvgui_handle_multi_text(KVGUI_DLG& d, KVGUI_WDG& w, int x, int y, int press) {
  return kvgui_handle_text_field(d, w, x, y, press, 0, 0);
}
