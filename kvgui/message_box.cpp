// The message box: a caption, a word-wrapped message and either "OK" or a
// yes and a no button in the user's language. It waits for a button (the
// one-button form also for a typed blank or line feed); Esc does not close
// it.
#include <algorithm>

#include "core/maths.h"
#include "kvgui/construction.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/groups.h"
#include "kvgui/layout.h"
#include "kvgui/modal_dialogs.h"
#include "kvgui/modal_loop.h"
#include "kvgui/seam.h"
#include "kvgui/show.h"

namespace {

struct Answers {
  const char* yes;
  const char* no;
};

Answers answers() {
  static const struct {
    const char* locale;
    Answers answers;
  } kTable[] = {
      {"de", {"Ja", "Nein"}},
      {"es", {"Si", "No"}},
      {"it", {"Si", "No"}},
      {"fr", {"Oui", "No"}},
  };
  for (const auto& row : kTable)
    if (kvgui_locale_is(row.locale)) return row.answers;
  return {"Yes", "No"};
}

void build(const BasicString& text, int yes_no, const BasicString& caption) {
  int sw = 0, sh = 0;
  kvgui_drawing_size(&sw, &sh);
  const int s = std::max(220, sw / 3);
  kvgui_push_dialog_sliding(0, 0, s, s, 1);
  kvgui_set("", "MOVEABLE", 1);
  kvgui_set("", "TEXT", caption);
  kvgui_add_widget(BasicString("tx_text"), text, s - 16, 0);
  kvgui_add_line_break(5);
  const Answers a = answers();
  kvgui_add_frame(BasicString("fr_buttons"), BasicString(), 0);
  kvgui_add_button(BasicString("bt_yes"), BasicString(a.yes), 0, 0);
  kvgui_add_button(BasicString("bt_no"), BasicString(a.no), 0, 0);
  kvgui_add_unframe();
  kvgui_set("tx_text", "ALIGN", 0);
  if (!yes_no) {
    kvgui_hide_widget(BasicString("bt_no"), 1);
    kvgui_set("bt_yes", "TEXT", BasicString("OK"));
    kvgui_set("bt_yes", "ALIGN", 0);
  }
  // Laid out once to size the buttons (at least a pixel wider than high),
  // then twice more to place them.
  kvgui_show_top();
  kvgui_set("fr_buttons", "ALIGN", 0);
  for (const char* id : {"bt_yes", "bt_no"})
    if (kvgui_get_int(id, "HEIGHT") >= kvgui_get_int(id, "WIDTH"))
      kvgui_set(id, "WIDTH", kvgui_get_int(id, "HEIGHT") + 1);
  kvgui_refresh_dialog();
  kvgui_show_top();
  kvgui_show_top();
  // A short message shrinks the box to end 32 pixels below the buttons' top.
  const int d = kvgui_get_int("bt_yes", "YPOS") - kvgui_get_int("", "YPOS") + 32;
  if (d < s) kvgui_set("", "HEIGHT", d);
  kvgui_center_dialog();
}

}  // namespace

int kvgui_show_message(const BasicString& text, int yes_no, const BasicString& caption) {
  build(text, yes_no, caption);
  KvguiModal modal;
  if (!modal.on_top()) return 0;
  int answer = -1;
  while (answer < 0) {
    kvgui_show_all();
    if (!modal.on_top()) return 0;
    modal.show_screen();
    if (!modal.on_top()) return 0;
    if (kvgui_was_clicked("bt_yes")) answer = 1;
    if (kvgui_was_clicked("bt_no")) answer = 0;
    const BasicString typed = kvgui_seam.typed_char();  // one a pass, in both forms
    if (!yes_no && typed.length == 1 && (typed.text[0] == ' ' || typed.text[0] == '\n'))
      answer = 1;
  }
  modal.close(1);
  return answer;
}
