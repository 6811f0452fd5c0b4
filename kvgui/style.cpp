#include "kvgui/style.h"

#include <algorithm>
#include <cstring>

#include "core/number_text.h"
#include "files/plat_query.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/sprite_table.h"
#include "kvgui/canvas.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/globals.h"
#include "kvgui/widget_index.h"

namespace {

template <size_t N>
bool starts_with(const BasicString& s, const char (&prefix)[N]) {
  constexpr size_t n = N - 1;
  return s.length >= 0 && size_t(s.length) >= n && std::memcmp(s.text, prefix, n) == 0;
}

int line_count(const BasicString& text) {
  int lines = 1;
  for (int i = 0; i < text.length; ++i) lines += text.text[i] == '\n';
  return lines;
}

bool gradient_mode() {
  if (kvgui_gradient_mode < 0) {
    BasicString key("GLEXT:glDrawRangeElements");
    kvgui_gradient_mode = qvl_plat_query(key).to_double() != 0.0 ? 1 : 0;
  }
  return kvgui_gradient_mode == 1;
}

}  // namespace

KvguiCaption kvgui_caption_form(const BasicString& caption) {
  if (starts_with(caption, "SPR_B"))
    return {KvguiCaptionForm::SPRITE, qvl_fmt_atoi(caption.text + 5)};
  if (starts_with(caption, "SPR_C"))
    return {KvguiCaptionForm::SWATCH, qvl_fmt_atoi(caption.text + 5)};
  return {KvguiCaptionForm::TEXT, 0};
}

void kvgui_sprite_size(int id, int* w, int* h) {
  *w = *h = 0;
  if (qvl_sprite_id_valid(id)) qvl_sprite_size(id, w, h);
}

void kvgui_fit_font() {
  const int slot = qvl_font_current();
  qvl_font_select(slot, 1.0, -1);
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  gh = std::max(gh, 8);
  qvl_font_select(slot, (kvgui_widget_height - 4) * 0.8 / gh, -1);
}

void kvgui_apply_font_scaling() {
  if (kvgui_font_scaling && kvgui_widget_height > 8) kvgui_fit_font();
}

void kvgui_set_text_kerning(int flag) { kvgui_font.kvgui_text_kerning = flag; }

void kvgui_print_text(const BasicString& text, int x, int y) {
  kvgui_canvas_print(text.text, x, y, kvgui_font.kvgui_text_kerning);
}

void kvgui_print_text_bold(const BasicString& text, int x, int y, int bold) {
  if (bold) {
    kvgui_canvas_alpha(-0.5);
    kvgui_print_text(text, x + 1, y);
    kvgui_canvas_alpha(-1.0);
  }
  kvgui_print_text(text, x, y);
}

int kvgui_measure_text_width(const BasicString& text) {
  return qvl_font_text_width(text, kvgui_font.kvgui_text_kerning);
}

namespace {

// A caption's width or height: a swatch 32, a sprite its size and 4, text
// its measure (a glyph wider, or its lines and 4 higher); never less than
// the widget height.
int caption_extent(const BasicString& caption, bool vertical) {
  const int wh = kvgui_widget_height;
  const KvguiCaption form = kvgui_caption_form(caption);
  if (form.form == KvguiCaptionForm::SWATCH) return std::max(32, wh);
  if (form.form == KvguiCaptionForm::SPRITE) {
    int w = 0, h = 0;
    kvgui_sprite_size(form.number, &w, &h);
    return std::max(wh, (vertical ? h : w) + 4);
  }
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  return std::max(wh, vertical ? line_count(caption) * gh + 4
                               : kvgui_measure_text_width(caption) + gw);
}

}  // namespace

int kvgui_measure_caption_width(const BasicString& caption) {
  return caption_extent(caption, false);
}

int kvgui_measure_caption_ex(const BasicString& caption, int pad) {
  int width = kvgui_measure_caption_width(caption);
  if (pad) {
    int gw = 0, gh = 0;
    kvgui_glyph_size(&gw, &gh);
    width += std::max(kvgui_min_row_height, gw) + 1;
  }
  return width;
}

int kvgui_measure_caption_padded(const BasicString& caption) {
  return kvgui_measure_caption_ex(caption, 1);
}

int kvgui_measure_caption_height(const BasicString& caption) {
  return caption_extent(caption, true);
}

void kvgui_get_metric(const BasicString& name, int* a, int* b) {
  *a = *b = 0;
  if (kvgui_same_text(name, "WIDGETSPACE")) {
    *a = *b = 2;
  } else if (kvgui_same_text(name, "CAPTIONHEIGHT")) {
    int gw = 0, gh = 0;
    kvgui_glyph_size(&gw, &gh);
    *a = *b = std::max(24, gh);
  }
}

void kvgui_draw_outline(int x, int y, int w, int h, int colour) {
  kvgui_canvas_outline(x, y, w, h, colour);
}

void kvgui_draw_bevel(int y, int w, int h, int colour) { kvgui_draw_outline(0, y, w, h, colour); }

void kvgui_draw_gradient_box(int a, int b, double x, double y, double w, double h) {
  auto rect = [](double rx, double ry, double rw, double rh, int colour) {
    kvgui_canvas_rect(static_cast<int>(rx), static_cast<int>(ry), static_cast<int>(rw),
                      static_cast<int>(rh), colour);
  };
  if (a == b) {
    rect(x, y, w, h, a);
    return;
  }
  const bool horizontal = w >= 0.65 * h;
  if (gradient_mode()) {
    kvgui_canvas_gradient(x, y, w, h, a, b, horizontal);
  } else if (horizontal) {
    rect(x, y, w, 0.35 * h, a);
    rect(x, y + 0.35 * h, w, 0.65 * h + 0.99, b);
  } else {
    rect(x, y, 0.35 * w, h, a);
    rect(x + 0.35 * w, y, 0.65 * w + 0.99, h, b);
  }
}

void kvgui_draw_sprite_fitted(int sprite, int x, int y, int w, int h) {
  int sw = 0, sh = 0;
  kvgui_sprite_size(sprite, &sw, &sh);
  if (sw == 0 || sh == 0) return;
  if (int64_t(w) * 3 >= int64_t(sw) * 2 && int64_t(h) * 3 >= int64_t(sh) * 2) {
    kvgui_canvas_sprite(sprite, x + (w - sw) / 2, y + (h - sh) / 2);
    return;
  }
  const double s = std::min(double(w) / sw, double(h) / sh);
  const double dw = sw * s, dh = sh * s;
  kvgui_canvas_sprite_stretched(sprite, static_cast<int>(x + (w - dw) / 2),
                            static_cast<int>(y + (h - dh) / 2), static_cast<int>(dw),
                            static_cast<int>(dh));
}

int kvgui_darken_color(int colour) {
  const uint32_t c = static_cast<uint32_t>(colour);
  const uint32_t r = (c & 0xFF) * 7 / 8;
  const uint32_t g = ((c >> 8) & 0xFF) * 7 / 8;
  const uint32_t b = ((c >> 16) & 0xFF) * 7 / 8;
  return static_cast<int>(r | g << 8 | b << 16);
}
