#include "kvgui/construction.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "core/string_ops.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/globals.h"
#include "kvgui/item_list.h"
#include "kvgui/properties.h"
#include "kvgui/style.h"
#include "kvgui/text_layout.h"
#include "kvgui/widget_index.h"

namespace {

int widget_count() { return kvgui_top_dialog().widgets.size1; }

// An empty id becomes prefix + number.
BasicString id_or(const BasicString& id, const char* prefix, int number) {
  return id.length > 0 ? id : qvl_str_concat_cstr_int(prefix, number);
}

// The base rule; returns the widget's creation-order entry, or -1.
int add_base(const BasicString& given_id, const BasicString& given_text, int width, int height) {
  KVGUI_DLG& top = kvgui_top_dialog();
  // Copies: the arguments may live in a widget that the addition moves.
  const BasicString id = id_or(given_id, "iwdg%", top.widgets.size1 + 1);
  const BasicString text(given_text);
  if (width == 0)
    width = text.length == 0 ? kvgui_widget_height : kvgui_measure_caption_width(text);
  if (width < 0) {
    const int64_t d = (-int64_t(width) * top.self.WIDTH) / 100;
    width = d < 3 ? 1 : static_cast<int>(std::min<int64_t>(d - 2, INT_MAX));
  }
  const int k = kvgui_find_or_add_entry(top, id);
  if (k < 0) return -1;
  KVGUI_WDG& w = kvgui_entry_widget(top, k);
  w.id = id;
  w.WIDTH = width;
  w.HEIGHT = height;
  kvgui_set_widget_type(w, "WIDGET");
  w.TEXT = text;
  if (height < kvgui_widget_height) w.HEIGHT = kvgui_layout_wrapped_text(top, w, 0, 0, width, 0);
  return k;
}

// The widget of an entry that add_base returned (null for -1).
KVGUI_WDG* added(int k) { return k < 0 ? nullptr : &kvgui_entry_widget(kvgui_top_dialog(), k); }

KVGUI_WDG* add_kind(const BasicString& id, const BasicString& text, int width, int height,
                    const char* type) {
  KVGUI_WDG* w = added(add_base(id, text, width, height));
  if (w) kvgui_set_widget_type(*w, type);
  return w;
}

// A widget of its own size, not adjusted by the base rule.
void add_sized(const BasicString& id, int width, int height, const char* type) {
  if (KVGUI_WDG* w = add_kind(id, BasicString(), width == 0 ? 1 : width, height, type)) {
    w->WIDTH = width;
    w->HEIGHT = height;
  }
}

int widest_caption(const std::vector<BasicString>& items) {
  int widest = 0;
  for (const BasicString& item : items) widest = std::max(widest, kvgui_measure_caption_width(item));
  return widest;
}

int add_combo_kind(const BasicString& id, const BasicString& items, int width, int height,
                   const char* type) {
  if (width == 0 || height == 0) {
    std::vector<BasicString> candidates = kvgui_split_items(items);
    candidates.push_back(BasicString("1234"));
    if (height == 0)
      for (const BasicString& c : candidates)
        height = std::max(height, kvgui_measure_caption_height(c));
    if (width == 0) {
      const BasicString* longest = &candidates[0];
      for (const BasicString& c : candidates)
        if (c.length > longest->length) longest = &c;
      width = kvgui_measure_caption_width(*longest) +
              std::max(kvgui_min_row_height, kvgui_glyph_width()) + 1;
    }
  }
  add_kind(id, items, width, height, type);
  return 0;
}

}  // namespace

int kvgui_add_widget(const BasicString& id, const BasicString& text, int width, int height) {
  add_base(id, text, width, height);
  return 0;
}

int kvgui_add_custom(const BasicString& id, const BasicString& kind, int width, int height) {
  const BasicString type(kind);
  if (KVGUI_WDG* w = added(add_base(id, BasicString(), width, height))) kvgui_set_widget_type(*w, type);
  return 0;
}

int kvgui_add_callback_widget(const BasicString& id, const BasicString& kind,
                              KvguiCallback callback, int width, int height) {
  const BasicString type(kind);
  KVGUI_WDG* w = added(add_base(id, BasicString(), width, height));
  if (!w) return 0;
  kvgui_set_widget_type(*w, type);
  w->callback = callback;
  BasicString value;
  kvgui_run_callback(*w, "INIT", value);
  return 0;
}

int kvgui_add_spacer(int width, int height) {
  add_sized(id_or(BasicString(), "ID_SPACER_", widget_count()), width, height, "SPACER");
  return 0;
}

int kvgui_add_separator() { return kvgui_add_spacer(1000, 4); }

int kvgui_add_line_break(int height) { return kvgui_add_spacer(10000, height); }

int kvgui_add_button(const BasicString& id, const BasicString& caption, int width, int height) {
  if (height == 0) height = kvgui_measure_caption_height(caption);
  add_kind(id, caption, width, height, "BUTTON");
  return 0;
}

int kvgui_add_button_fit(const BasicString& id, const BasicString& caption, int height) {
  return kvgui_add_button(id, caption, kvgui_measure_caption_width(caption), height);
}

int kvgui_add_button_tall(const BasicString& id, const BasicString& caption, int width) {
  return kvgui_add_button(id, caption, width, 32);
}

int kvgui_add_sprite_buttons(const BasicArray<BasicString>& ids, const BasicArray<int>& sprites) {
  const int n = std::min(ids.size1, sprites.size1);
  if (n > 0 && ids.data && sprites.data) {
    int widest = 0, tallest = 0;
    for (int i = 0; i < n; ++i) {
      int w = 0, h = 0;
      kvgui_sprite_size(sprites.data[i], &w, &h);
      widest = std::max(widest, w);
      tallest = std::max(tallest, h);
    }
    for (int i = 0; i < n; ++i)
      kvgui_add_button(ids.data[i], qvl_str_concat_cstr_int("SPR_B", sprites.data[i]), widest,
                       tallest);
  }
  return kvgui_add_line_break(0);
}

int kvgui_add_slider(const BasicString& id, double value, int width, int height) {
  if (width == 0) width = kvgui_measure_caption_width(BasicString("-0123456789-"));
  BasicString text;
  text.init_double(value);
  add_kind(id, text, width, height, "SLIDER");
  return 0;
}

int kvgui_add_checkbox(const BasicString& id, const BasicString& caption, int width, int height) {
  if (width == 0) width = kvgui_measure_caption_width(caption) + 2 * kvgui_glyph_width();
  add_kind(id, caption, width, height, "CHECKBOX");
  return 0;
}

int kvgui_add_file_field(const BasicString& id, const BasicString& file, const BasicString& filter,
                         int width, int height) {
  if (width == 0) width = kvgui_measure_caption_width(BasicString("12345678.123"));
  const BasicString pattern(filter);
  if (KVGUI_WDG* w = add_kind(id, file, width, height, "FILE")) w->FILTER = pattern;
  return 0;
}

int kvgui_add_text(const BasicString& id, const BasicString& text, int width, int height) {
  add_kind(id, text, width, height, "TEXT");
  return 0;
}

int kvgui_add_single_text(const BasicString& id, const BasicString& text, int width) {
  add_kind(id, text, width, 0, "SINGLETEXT");
  return 0;
}

int kvgui_add_number_text(const BasicString& id, const BasicString& text, int width) {
  add_kind(id, text, width, 0, "NUMBERTEXT");
  return 0;
}

int kvgui_add_tab(const BasicString& id, const BasicString& items, int height) {
  if (height == 0) height = kvgui_glyph_height() + 7;
  if (KVGUI_WDG* w = add_kind(id, items, 10000, height, "TAB")) w->SELECT = -1;
  return 0;
}

int kvgui_add_frame(const BasicString& id, const BasicString& caption, int width) {
  add_kind(id_or(id, "kvgui_frm", widget_count() + 1), caption, width == 0 ? 10000 : width, 100,
           "FRAME");
  return 0;
}

int kvgui_add_expander(const BasicString& id, const BasicString& caption, int width) {
  add_kind(id_or(id, "kvgui_frm", widget_count() + 1), caption, width == 0 ? 10000 : width, 100,
           "EXPANDER");
  return 0;
}

int kvgui_add_unframe() {
  add_sized(id_or(BasicString(), "kvgui_unfrm", widget_count() + 1), 0, 0, "UNFRAME");
  return 0;
}

int kvgui_add_unexpander() {
  add_sized(id_or(BasicString(), "kvgui_unepx", widget_count() + 1), 0, 0, "UNEXPANDER");
  return 0;
}

int kvgui_add_radio(const BasicString& id, const BasicString& items, int width) {
  const std::vector<BasicString> rows = kvgui_split_items(items);
  if (width == 0) width = (rows.empty() ? 0 : widest_caption(rows)) + 2 * kvgui_glyph_width();
  KVGUI_WDG* w = add_kind(id, items, width, 0, "RADIO");
  if (w && rows.empty()) w->SELECT = -1;
  return 0;
}

int kvgui_add_combo(const BasicString& id, const BasicString& items, int width, int height) {
  return add_combo_kind(id, items, width, height, "COMBO");
}

int kvgui_add_gallery(const BasicString& id, const BasicString& items, int width, int height) {
  return add_combo_kind(id, items, width, height, "GALLERY");
}

int kvgui_add_list(const BasicString& id, const BasicString& items, int width, int height) {
  const int row = std::max({kvgui_glyph_height(), kvgui_widget_height, 1});
  const std::vector<BasicString> rows = kvgui_split_items(items);
  height = height != 0 ? height - height % row + 4 : 4 * row + 4;
  if (width == 0) {
    width = kvgui_measure_caption_padded(BasicString("123"));
    for (const BasicString& r : rows) width = std::max(width, kvgui_measure_caption_padded(r));
  }
  KVGUI_WDG* w = add_kind(id, items, width, height, "LIST");
  if (!w) return 0;
  w->COUNT = static_cast<int>(rows.size());
  w->scroll_range = static_cast<int>(rows.size());
  if (rows.empty()) w->SELECT = -1;
  return 0;
}
