// The on-screen keypad: a copy of the text in a text field above pages of
// keys chosen by a tab bar (digits and symbols, upper-case letters,
// lower-case letters, accented letters). Each key feeds its one byte to
// the field through the dialog's INKEY, so all editing is the text field's
// own. "OK" returns the edited text; "Cancel" and Esc the text as given.
//
// The page is built anew whenever the tab changes; the text, its selection
// and the page survive because they are read back from the widgets first.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/string_ops.h"
#include "kvgui/construction.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/focus.h"
#include "kvgui/globals.h"
#include "kvgui/groups.h"
#include "kvgui/modal_dialogs.h"
#include "kvgui/modal_loop.h"
#include "kvgui/seam.h"
#include "kvgui/show.h"
#include "kvgui/style.h"
#include "kvgui/widget_index.h"

namespace {

// A key: the byte it types (kShift for the shift key), its caption (null:
// the byte itself) and how many key widths it spans.
struct KeyDef {
  int code;
  const char* caption;
  int span;
};
constexpr int kShift = -1;
using Row = std::vector<KeyDef>;

Row keys(const char* bytes) {
  Row row;
  for (const char* p = bytes; *p; ++p) row.push_back({static_cast<unsigned char>(*p), nullptr, 1});
  return row;
}

Row operator+(Row a, const Row& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Row kBack = {{8, "<-", 2}};
const Row kShiftKey = {{kShift, "^", 1}};
Row space(int span) { return {{' ', "", span}}; }
Row enter(const char* caption) { return {{'\n', caption, 2}}; }

// The pages in Latin-1: the Enter key shows a pilcrow (0xB6).
std::vector<Row> page_rows(int page, bool numeric) {
  if (numeric)
    return {keys("789-"), keys("456e"), keys("123"), Row{{'0', nullptr, 2}} + keys(".") + kBack};
  switch (page) {
    case 0:
      return {keys("@#[]~789/*"), keys("?!{}=456-+"), keys(":;()0123") + kBack,
              keys(",.<>'\"") + space(2) + enter("\xB6")};
    case 1:
      return {keys("QWERTYUIOP"), keys("ASDFGHJKL,"), kShiftKey + keys("ZXCVBNM") + kBack,
              keys(".") + space(6) + enter("\xB6")};
    case 2:
      return {keys("qwertyuiop"), keys("asdfghjkl,"), kShiftKey + keys("zxcvbnm") + kBack,
              keys(".") + space(6) + enter("\xB6")};
    case 3:
      return {keys("\xE1\xE9\xED\xF3\xFA\xC1\xC9\xCD\xD3\xDA"),
              keys("\xE0\xE8\xEC\xF2\xF9\xC0\xC8\xCC\xD2\xD9"),
              keys("\xE4\xF6\xFC\xC4\xD6\xDC\xDF") + kBack, keys("\xB4`\xB0") + space(5) + enter("Enter")};
    default:
      return {};
  }
}

// The sizes fixed at opening, from the dialog's size.
struct Sizes {
  int key;         // k
  int key_height;  // at least the standard widget height
  int text_width;
  int text_height;  // of a multi-line field
};

Sizes sizes_for(int w, int h, int gw, int hs) {
  Sizes s;
  s.key = std::min((w - 30) / 10, h / 8);
  s.key_height = std::max(hs, s.key);
  s.text_width = w - std::max(gw, 32);
  s.text_height = h - 44 - 6 * s.key_height;
  if (s.text_height <= 7) s.text_height = 8;
  return s;
}

struct Options {
  int accent, single, numeric;
  BasicString caption;
};

// Builds the page on the emptied dialog; returns the creation-order
// entries of the keys that type a byte, in id order.
std::vector<int> build_page(const Options& o, const Sizes& s, int hs) {
  kvgui_widget_height = 16;
  const BasicString text = kvgui_get("tx_text", "TEXT");
  const int selstart = kvgui_get_int("tx_text", "SELSTART");
  const int selend = kvgui_get_int("tx_text", "SELEND");
  const int page = kvgui_get_int("tab", "SELECT");
  kvgui_init_dialog();
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);

  if (o.caption.length > 0) {
    kvgui_add_widget(BasicString("wd_caption"), o.caption, s.text_width, 0);
    kvgui_add_line_break(0);
  }
  const BasicString field("tx_text");
  if (o.single) {
    if (o.numeric)
      kvgui_add_number_text(field, text, s.text_width);
    else
      kvgui_add_single_text(field, text, s.text_width);
    kvgui_set("tx_text", "HEIGHT", gh + 4);
  } else {
    kvgui_add_text(field, text, s.text_width, s.text_height);
  }
  kvgui_set("tx_text", "ALIGN", 0);
  kvgui_add_line_break(0);

  const char* tabs = o.numeric ? "123" : o.accent ? "123|ABC|abc|\xC4\xD6\xDC" : "123|ABC|abc";
  kvgui_add_tab(BasicString("tab"), BasicString(tabs), s.key_height);
  kvgui_select_tab(BasicString("tab"), 0);
  kvgui_select_tab(BasicString("tab"), page);
  kvgui_set("tx_text", "SELSTART", selstart);
  kvgui_set("tx_text", "SELEND", selend);

  kvgui_add_frame(BasicString("fr_keypad"), BasicString(), 0);
  for (const Row& row : page_rows(page, o.numeric != 0)) {
    for (const KeyDef& key : row) {
      BasicString id("bShift");
      BasicString caption(key.caption ? key.caption : "");
      if (key.code != kShift) {
        id.assign_cstr("b");
        id.append_char(static_cast<char>(key.code));
        if (!key.caption) caption.append_char(static_cast<char>(key.code));
      }
      // n keys wide with the spacing between them.
      kvgui_add_button(id, caption, key.span * s.key + 2 * (key.span - 1), s.key_height);
    }
    kvgui_add_line_break(0);
  }
  kvgui_add_unframe();
  kvgui_set("fr_keypad", "ALIGN", 0);

  kvgui_widget_height = hs;
  if (kvgui_font_scaling && hs >= 9) kvgui_fit_font();
  kvgui_add_line_break(0);
  kvgui_add_frame(BasicString("fr_okpad"), BasicString(), 0);
  kvgui_add_button_fit(BasicString("btOK"), BasicString("OK"), s.key);
  kvgui_add_spacer(s.key / 2, 1);
  kvgui_add_button_fit(BasicString("btCancel"),
                       BasicString(kvgui_locale_is("de") ? "Abbrechen" : "Cancel"), s.key);
  kvgui_add_unframe();
  kvgui_set("fr_okpad", "ALIGN", 0);

  // The keys are the widgets "b" + one byte; each shows its caption as tip.
  KVGUI_DLG& d = kvgui_top_dialog();
  std::vector<int> key_entries;
  for (int k : kvgui_entries_in_id_order(d)) {
    KVGUI_WDG& w = kvgui_entry_widget(d, k);
    if (w.id.length == 2 && w.id.text[0] == 'b') {
      w.TIPTEXT = w.TEXT;
      key_entries.push_back(k);
    }
  }
  return key_entries;
}

}  // namespace

BasicString kvgui_enter_text(const BasicString& given, int accent, double full_screen, int single,
                             int numeric, const BasicString& caption) {
  const BasicString original(given);
  const Options o{accent, single, numeric, BasicString(caption)};
  kvgui_apply_font_scaling();
  int sw = 0, sh = 0, gw = 0, gh = 0;
  kvgui_drawing_size(&sw, &sh);
  kvgui_glyph_size(&gw, &gh);
  const int hs = kvgui_widget_height;
  const int w = full_screen != 0.0 ? sw : (7 * sw) / 8;
  const int h = full_screen != 0.0 ? sh : (8 * sh) / 9;
  kvgui_push_dialog_sliding(0, 0, w, h, 1);
  KvguiModal modal;
  kvgui_keypad_open = 1.0;  // text fields queue no second keypad

  // Through properties: the widgets are made by the first page.
  kvgui_set("tx_text", "TEXT", original);
  kvgui_set("tab", "SELECT", numeric ? 0 : 2);
  const bool one_line = !std::memchr(original.text, '\n', size_t(std::max(original.length, 0)));
  if (single || (one_line && original.length < 40)) {
    kvgui_set("tx_text", "SELSTART", 0);
    kvgui_set("tx_text", "SELEND", original.length);
  }

  const Sizes s = sizes_for(w, h, gw, hs);
  BasicString result = original;
  bool finished = false;
  while (!finished && modal.on_top()) {
    const int page = kvgui_get_int("tab", "SELECT");
    const std::vector<int> key_entries = build_page(o, s, hs);
    kvgui_set_focus(BasicString("tx_text"));
    kvgui_show_top();
    modal.rearm_hook();
    while (modal.on_top()) {
      const bool tab_changed = kvgui_was_clicked("tab");
      // A clicked key does not keep the focus from the field.
      const BasicString focus = kvgui_get("", "FOCUS");
      if (!(focus.length >= 2 && focus.text[0] == 'S' && focus.text[1] == 'B'))
        kvgui_set_focus(BasicString("tx_text"));
      kvgui_show_top();
      if (!modal.on_top()) break;
      if (tab_changed) break;  // build the new page
      KVGUI_DLG& d = kvgui_top_dialog();
      for (int k : key_entries) {
        if (k >= d.order.size1 || !kvgui_entry_widget(d, k).CLICKED) continue;
        // The field types it on the next show.
        d.INKEY = BasicString();
        d.INKEY.append_char(kvgui_entry_widget(d, k).id.text[1]);
        // One capital, then back to the small letters.
        if (page == 1) kvgui_select_tab(BasicString("tab"), 2);
        break;
      }
      if (!numeric && kvgui_was_clicked("bShift") && (page == 1 || page == 2))
        kvgui_select_tab(BasicString("tab"), 3 - page);
      if (kvgui_was_clicked("btOK")) {
        result = kvgui_get("tx_text", "TEXT");
        finished = true;
        break;
      }
      if (kvgui_was_clicked("btCancel") || kvgui_escape_pressed()) {
        finished = true;
        break;
      }
      modal.show_screen();
    }
  }
  modal.close(1);
  kvgui_keypad_open = 0.0;
  kvgui_widget_height = hs;
  return result;
}
