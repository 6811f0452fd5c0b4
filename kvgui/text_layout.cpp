#include "kvgui/text_layout.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/maths.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_table.h"
#include "gfx2d/viewport.h"
#include "kvgui/canvas.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/globals.h"
#include "kvgui/seam.h"
#include "kvgui/widget_index.h"

namespace {

// Character widths of the current font, measured once per layout.
class CharWidths {
 public:
  CharWidths() : gfx_(qvl_gfx_rainbows), slot_(qvl_gfx_current_font),
                 kerning_(kvgui_font.kvgui_text_kerning) {
    std::fill(std::begin(width_), std::end(width_), -1);
    whole_ok_ = gfx_ && slot_ >= 0 && slot_ < kFontSlots && gfx_->vector_fonts[slot_].empty();
  }

  int operator()(unsigned char c) {
    int& w = width_[c];
    if (w < 0) {
      const char text[2] = {static_cast<char>(c), 0};
      w = gfx_ ? gfx_->text_width(slot_, text, kerning_) : 0;
    }
    return w;
  }

  // Whether printing advances past c by exactly its measured width, so a
  // run of such characters printed at once lands where printing them one by
  // one would put each of them.
  bool prints_whole(unsigned char c) {
    if (!whole_ok_ || c == 0 || c >= 128) return false;
    const float scale = gfx_->font_scale[slot_];
    const float advance =
        kerning_ ? static_cast<float>(gfx_->glyphs[slot_][c].width) * scale
                 : static_cast<float>(gfx_->sprites[kFirstFontSprite + slot_].img_width / 16) * scale;
    return advance == static_cast<float>((*this)(c));
  }

  // Each character of text at its own x, in one batch where the font is a
  // bitmap font.
  void print_at(const std::string& text, const std::vector<int>& xs, int y) {
    if (whole_ok_) {
      kvgui_canvas_print_at(text.c_str(), xs.data(), y, kerning_);
      return;
    }
    for (size_t i = 0; i < text.size(); ++i) {
      const char one[2] = {text[i], 0};
      print(one, xs[i], y);
    }
  }

  void print(const char* text, int x, int y) { kvgui_canvas_print(text, x, y, kerning_); }

 private:
  OpenGLRainbows* gfx_;
  int slot_;
  int kerning_;
  bool whole_ok_ = false;
  int width_[256];
};

// Characters of a line drawn together while nothing else is drawn between
// them. A selected run draws its highlight first, as one box, then its
// glyphs: one draw call a run rather than two a character. Where every
// glyph's advance is its measured width the run prints as one text, which
// lands where the characters printed one by one would; otherwise each glyph
// goes to its own place, still in one batch (a glyph of a scaled font may
// then reach a fraction of a pixel into the next character's box, and
// stays visible there).
class PrintRun {
 public:
  PrintRun(CharWidths& widths, int height, int selection_colour)
      : widths_(widths), height_(height), colour_(selection_colour) {}
  ~PrintRun() { flush(); }

  void add(char c, int x, int y, int width, bool selected) {
    if (!text_.empty() && (selected != selected_ || y != y_ || x != end_)) flush();
    if (text_.empty()) {
      y_ = y;
      selected_ = selected;
      whole_ = true;
    }
    text_.push_back(c);
    xs_.push_back(x);
    whole_ = whole_ && widths_.prints_whole(static_cast<unsigned char>(c));
    end_ = int64_t(x) + width;
  }
  void flush() {
    if (text_.empty()) return;
    if (selected_)
      kvgui_canvas_rect(xs_[0], y_, qvl_math_saturate_int(end_ - xs_[0]), height_, colour_);
    if (whole_) {
      widths_.print(text_.c_str(), xs_[0], y_);
    } else {
      widths_.print_at(text_, xs_, y_);
    }
    text_.clear();
    xs_.clear();
  }

 private:
  CharWidths& widths_;
  int height_, colour_;
  std::string text_;
  std::vector<int> xs_;
  bool selected_ = false, whole_ = true;
  int y_ = 0;
  int64_t end_ = 0;
};

// The width of the word after the blank or tab at m: it ends at a blank,
// a tab or a line feed.
template <class CharAt>
int following_word(CharWidths& widths, CharAt char_at, int m, int count) {
  int word = 0;
  for (int j = m + 1; j < count; ++j) {
    const unsigned char d = char_at(j);
    if (d == ' ' || d == '\t' || d == '\n') break;
    word += widths(d);
  }
  return word;
}

}  // namespace

int kvgui_draw_wrapped_text(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x0, int y0, int width,
                            int draw, int hit) {
  // The text is laid out with one blank after it, so that the caret can
  // stand after the last character.
  const BasicString& text = widget.TEXT;
  const int length = std::max(text.length, 0);
  const int count = length + 1;
  widget.SELSTART = std::min(widget.SELSTART, length);
  widget.SELEND = std::min(widget.SELEND, length);
  const bool focus = kvgui_same_text(dialog.FOCUS, widget.id);
  if (!hit && !focus) widget.SELSTART = widget.SELEND = -1;
  draw = draw && !hit;

  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  const int px = x0, py = y0;
  const int left = hit ? 0 : x0;
  const int top = hit ? 0 : y0;
  const int sel_a = std::min(widget.SELSTART, widget.SELEND);
  const int sel_b = std::max(widget.SELSTART, widget.SELEND);
  const int sel_colour = draw && !kvgui_stack_empty() ? kvgui_top_dialog().COL_HOVER_NORM : 0;
  const double now = draw && focus ? kvgui_seam.now_ms() : 0.0;

  // Lines wholly outside the viewport (the widget's clip) are laid out but
  // not drawn: a long text costs its visible lines only.
  int clip_h = 0;
  if (draw) {
    double vx = 0, vy = 0, vw = 0, vh = 0;
    kvgui_canvas_get_viewport(&vx, &vy, &vw, &vh);
    clip_h = vh > 0 && vh < 1e9 ? static_cast<int>(std::ceil(vh)) : 0;
  }

  CharWidths widths;
  PrintRun run(widths, gh, sel_colour);
  auto char_at = [&text, length](int m) -> unsigned char {
    return m < length ? static_cast<unsigned char>(text.text[m]) : ' ';
  };
  // The cursor runs in 64 bits: a field scrolled to either end of the int
  // range starts its text there.
  int64_t x = left, y = top;
  auto place_caret = [&](int cw) {
    widget.caret_x = qvl_math_saturate_int(cw / 2 + x - x0);
    widget.caret_y = qvl_math_saturate_int(gh / 2 + y - y0);
  };
  for (int m = 0; m < count; ++m) {
    const unsigned char c = char_at(m);
    const int cw = widths(c);
    if (hit) {
      if (y >= int64_t(py) - gh && (x >= px - 1.5 * cw || c == '\n')) return m;
    } else if (draw && clip_h > 0 && (y + gh <= 0 || y >= clip_h)) {
      if (focus && m == widget.SELEND) place_caret(cw);
    } else if (draw) {
      // Inside the clip, or drawn whole: both coordinates are ints.
      const int dx = qvl_math_saturate_int(x), dy = qvl_math_saturate_int(y);
      const bool selected = m >= sel_a && m < sel_b;
      const bool caret = focus && m == widget.SELEND;
      if (!caret && c != '\n') {
        run.add(static_cast<char>(c), dx, dy, cw, selected);
      } else {
        run.flush();
        if (selected) kvgui_canvas_rect(dx, dy, cw, gh, sel_colour);
        if (c != '\n') {
          const char one[2] = {static_cast<char>(c), 0};
          widths.print(one, dx, dy);
        }
        if (caret) {
          const bool dim = std::fmod(now, 1024.0) > 512.0;
          if (dim) kvgui_canvas_alpha(-0.5);
          kvgui_canvas_rect(qvl_math_saturate_int(x - 1), dy, 2, gh, kvgui_caret_color);
          kvgui_canvas_alpha(-1.0);
          place_caret(cw);
        }
      }
    }
    if (c == '\n') {
      run.flush();
      y += gh;
      x = left;
      continue;
    }
    x += cw;
    if (c == ' ' || c == '\t') {
      if (x + following_word(widths, char_at, m, count) - left > width) {
        // The line ends here, as at a line feed (the blank after the text
        // ends nothing: a point after the text is past it).
        if (hit && m < length && y >= int64_t(py) - gh) return m;
        run.flush();
        y += gh;
        x = left;
      }
    }
  }
  if (hit) return count;
  return qvl_math_saturate_int(y + gh - y0);
}

int kvgui_layout_wrapped_text(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x0, int y0, int width,
                              int draw) {
  return kvgui_draw_wrapped_text(dialog, widget, x0, y0, width, draw, 0);
}

std::vector<KvguiCaretPlace> kvgui_caret_places(const KVGUI_WDG& widget, int width) {
  // The same walk as the layout's, from (0, 0), with the blank after the text.
  const BasicString& text = widget.TEXT;
  const int length = std::max(text.length, 0);
  const int count = length + 1;
  auto char_at = [&text, length](int m) -> unsigned char {
    return m < length ? static_cast<unsigned char>(text.text[m]) : ' ';
  };
  CharWidths widths;
  std::vector<KvguiCaretPlace> places(static_cast<size_t>(count));
  int64_t x = 0;
  int line = 0;
  for (int m = 0; m < count; ++m) {
    const unsigned char c = char_at(m);
    places[size_t(m)] = {line, qvl_math_saturate_int(x)};
    if (c == '\n') {
      ++line;
      x = 0;
      continue;
    }
    x += widths(c);
    if ((c == ' ' || c == '\t') && x + following_word(widths, char_at, m, count) > width) {
      ++line;
      x = 0;
    }
  }
  return places;
}

int kvgui_nearest_caret(const std::vector<KvguiCaretPlace>& places, int line, int64_t x) {
  if (places.empty()) return 0;
  line = std::max(line, 0);
  int best = -1;
  int64_t best_off = 0;
  for (size_t m = 0; m < places.size(); ++m) {
    if (places[m].line != line) continue;
    const int64_t off = std::abs(int64_t(places[m].x) - std::clamp<int64_t>(x, INT_MIN, INT_MAX));
    if (best < 0 || off < best_off) {
      best = int(m);
      best_off = off;
    }
  }
  // Below the last line: the end of the text.
  return best < 0 ? int(places.size()) - 1 : best;
}
