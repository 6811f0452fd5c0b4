#include "kvgui/kind_dispatch.h"

#include "kvgui/groups.h"
#include "kvgui/kinds_basic.h"
#include "kvgui/kinds_buttons.h"
#include "kvgui/kinds_items.h"
#include "kvgui/kinds_text.h"

namespace {

using K = KvguiKind;
using R = KvguiRefresh;

// One row per kind, in the order of KvguiKind.
constexpr KvguiKindRow kRows[] = {
    {K::NONE, nullptr, nullptr, R::HOVER_ONLY},
    {K::USER, kvgui_draw_user_kind, kvgui_handle_user_kind, R::USER},
    {K::WIDGET, kvgui_draw_label, kvgui_handle_label, R::CLEAR_CLICKED},
    {K::SPACER, nullptr, nullptr, R::HOVER_ONLY},
    {K::FRAME, nullptr, nullptr, R::HOVER_ONLY},
    {K::UNFRAME, nullptr, nullptr, R::HOVER_ONLY},
    {K::EXPANDER, nullptr, kvgui_handle_expander, R::RUN_HANDLER},
    {K::UNEXPANDER, nullptr, nullptr, R::HOVER_ONLY},
    {K::TAB, kvgui_draw_tab, kvgui_handle_tab, R::RUN_HANDLER},
    {K::BUTTON, kvgui_draw_button, kvgui_handle_button, R::RUN_HANDLER},
    {K::SLIDER, kvgui_draw_slider, kvgui_handle_slider, R::RUN_HANDLER},
    {K::CHECKBOX, kvgui_draw_checkbox, kvgui_handle_checkbox, R::CLEAR_CLICKED_UNLESS_READONLY},
    {K::RADIO, kvgui_draw_radio, kvgui_handle_radio, R::RUN_HANDLER},
    {K::COMBO, kvgui_draw_combo, kvgui_handle_combo, R::RUN_HANDLER},
    {K::GALLERY, kvgui_draw_combo, kvgui_handle_combo, R::RUN_HANDLER},
    {K::LIST, kvgui_draw_list, kvgui_handle_list, R::RUN_HANDLER},
    {K::SINGLETEXT, kvgui_draw_single_text, kvgui_handle_single_text, R::RUN_HANDLER},
    {K::NUMBERTEXT, kvgui_draw_single_text, kvgui_handle_number_text, R::RUN_HANDLER},
    {K::TEXT, kvgui_draw_multi_text, kvgui_handle_multi_text, R::RUN_HANDLER},
    {K::FILE, kvgui_draw_file_field, kvgui_handle_file_field, R::RUN_HANDLER},
};
static_assert(sizeof(kRows) / sizeof(kRows[0]) == static_cast<size_t>(K::COUNT),
              "one row per kind");

constexpr bool rows_in_order() {
  for (size_t i = 0; i < sizeof(kRows) / sizeof(kRows[0]); ++i)
    if (static_cast<size_t>(kRows[i].kind) != i) return false;
  return true;
}
static_assert(rows_in_order(), "rows in the order of KvguiKind");

}  // namespace

const KvguiKindRow& kvgui_kind_row(KvguiKind kind) {
  const size_t i = static_cast<size_t>(kind);
  return kRows[i < static_cast<size_t>(K::COUNT) ? i : 0];
}

int kvgui_handle_widget(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x, int y, int press) {
  const bool hover = x >= 0 && x < widget.WIDTH && y >= 0 && y < widget.HEIGHT;
  widget.HOVER = hover ? 1 : 0;
  // A click outside the widget reaches it as no click.
  if (!hover) press = GUI_PRESS_NONE;
  const KvguiKindRow& row = kvgui_kind_row(widget.kind);
  if (row.handle) row.handle(dialog, widget, x, y, press);
  return 0;
}

int kvgui_draw_widget(KVGUI_DLG& dialog, KVGUI_WDG& widget, int y) {
  const KvguiKindRow& row = kvgui_kind_row(widget.kind);
  if (row.draw) row.draw(dialog, widget, y);
  return 0;
}

void kvgui_refresh_widget(KVGUI_DLG& dialog, KVGUI_WDG& widget) {
  widget.HOVER = 0;
  const KvguiKindRow& row = kvgui_kind_row(widget.kind);
  switch (row.refresh) {
    case R::HOVER_ONLY:
      break;
    case R::CLEAR_CLICKED:
      widget.CLICKED = 0;
      break;
    case R::CLEAR_CLICKED_UNLESS_READONLY:
      if (!widget.READONLY) widget.CLICKED = 0;
      break;
    case R::RUN_HANDLER:
      if (row.handle) row.handle(dialog, widget, -1, -1, GUI_PRESS_NONE);
      break;
    case R::USER:
      if (widget.callback) {
        widget.CLICKED = 0;
      } else {
        BasicString id(widget.id);
        kvgui_handle_user(id);
      }
      break;
  }
}
