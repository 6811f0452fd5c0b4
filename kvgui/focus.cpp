#include "kvgui/focus.h"

#include <vector>

#include "kvgui/dialog_stack.h"
#include "kvgui/widget_index.h"

namespace {

bool text_field(KvguiKind kind) {
  return kind == KvguiKind::TEXT || kind == KvguiKind::SINGLETEXT ||
         kind == KvguiKind::NUMBERTEXT;
}

}  // namespace

int kvgui_set_focus(const BasicString& given_id) {
  KVGUI_DLG& top = kvgui_top_dialog();
  const BasicString id(given_id);  // the caller's text may be the FOCUS itself
  if (kvgui_same_text(top.FOCUS, id)) return 0;
  if (KVGUI_WDG* old = kvgui_widget_of(top, top.FOCUS))
    if (text_field(old->kind)) old->CLICKED = 1;
  top.FOCUS = id;
  if (KVGUI_WDG* w = kvgui_widget_of(top, id)) {
    if (w->kind == KvguiKind::TEXT) {
      w->SELSTART = w->SELEND = 0;
    } else if (w->kind == KvguiKind::SINGLETEXT || w->kind == KvguiKind::NUMBERTEXT) {
      w->SELSTART = 0;
      w->SELEND = w->TEXT.length;
    }
  }
  return 0;
}

int kvgui_focus_next(int direction) {
  KVGUI_DLG& top = kvgui_top_dialog();
  kvgui_sort_widgets(top);
  int first = -1, last = -1, before = -1, after = -1;
  bool passed = false;
  for (int i = 0; i < top.widgets.size1; ++i) {
    const KVGUI_WDG& w = top.widgets.data[i];
    if (!text_field(w.kind) || w.HIDE) continue;
    if (kvgui_same_text(w.id, top.FOCUS)) {
      passed = true;
      continue;
    }
    if (first < 0) first = i;
    last = i;
    if (!passed)
      before = i;
    else if (after < 0)
      after = i;
  }
  int chosen = direction >= 0 ? (after >= 0 ? after : first) : (before >= 0 ? before : last);
  if (chosen < 0) return 0;
  const BasicString id(top.widgets.data[chosen].id);
  return kvgui_set_focus(id);
}
