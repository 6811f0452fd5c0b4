#include "kvgui/modal_loop.h"

#include "core/call_by_name.h"
#include "files/plat_query.h"
#include "kvgui/globals.h"
#include "kvgui/kinds_text.h"
#include "kvgui/properties.h"
#include "kvgui/seam.h"
#include "kvgui/show.h"
#include "kvgui/widget_index.h"

KvguiModal::KvguiModal() : ref_(kvgui_dialog_ref(-1)) {}

bool KvguiModal::on_top() const {
  return ref_.get() != nullptr && ref_.index == kvgui_dialog_stack.size1 - 1;
}

void KvguiModal::show_screen() {
  kvgui_seam.show_screen();
  // Looked up until the first call finds no such routine, then never again.
  if (hook_ == 1) hook_ = qvl_call_by_name(BasicString("KVGUI_ON_AFTER_SHOWSCREEN"));
}

void KvguiModal::close(int fade) {
  if (!on_top()) return;
  if (fade)
    kvgui_pop_dialog_fade(1);
  else
    kvgui_pop_dialog();
}

bool kvgui_escape_pressed() {
  if (!kvgui_seam.key_down(KVGUI_KEY_ESCAPE)) {
    kvgui_escape_used = 0;
    return false;
  }
  if (kvgui_escape_used) return false;
  kvgui_escape_used = 1;
  return true;
}

bool kvgui_was_clicked(const char* id) {
  if (kvgui_stack_empty()) return false;
  const KVGUI_WDG* w = kvgui_widget_of(kvgui_top_dialog(), BasicString(id));
  return w && w->CLICKED != 0;
}

void kvgui_set(const char* id, const char* key, const BasicString& value) {
  kvgui_set_property(BasicString(id), BasicString(key), value);
}

void kvgui_set(const char* id, const char* key, int value) {
  BasicString text;
  text.init_int(value);
  kvgui_set(id, key, text);
}

BasicString kvgui_get(const char* id, const char* key) {
  return kvgui_get_property(BasicString(id), BasicString(key));
}

int kvgui_get_int(const char* id, const char* key) { return kvgui_get(id, key).to_int(); }

bool kvgui_locale_is(const char* code) {
  BasicString key("LOCALE");
  return kvgui_same_text(qvl_plat_query(key), code);
}
