// The popup list: the items of a combo box (one column) or a gallery (as
// many columns as fit) as buttons in a dialog dropped over it. A click on
// an item picks it; a click outside the list or Esc closes it with -1;
// dragging the list to scroll it is no click.
#include <algorithm>
#include <cstdint>

#include "core/maths.h"
#include "core/string_ops.h"
#include "kvgui/construction.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/globals.h"
#include "kvgui/item_list.h"
#include "kvgui/modal_dialogs.h"
#include "kvgui/modal_loop.h"
#include "kvgui/seam.h"
#include "kvgui/show.h"
#include "kvgui/style.h"
#include "kvgui/widget_index.h"

KvguiPopupSize kvgui_popup_size(int y, int width, const std::vector<BasicString>& items,
                                int gallery) {
  int gw = 0, gh = 0, sw = 0, sh = 0;
  kvgui_glyph_size(&gw, &gh);
  kvgui_drawing_size(&sw, &sh);
  const int64_t n = static_cast<int64_t>(items.size());
  KvguiPopupSize size;
  size.item_height = kvgui_measure_caption_height(items[0]);
  const int ih = size.item_height;
  // Item widths below one pixel would make the columns divide by nothing.
  int64_t iw = std::max<int64_t>(int64_t(width) - 4, 1);
  int64_t height;
  if (!gallery) {
    size.columns = 1;
    const int64_t content = n * (ih + 2) + 4;
    if (int64_t(y) + content >= sh) {
      // Too long for the screen: as high as there is room, with a scroll bar.
      height = int64_t(sh) - y - 1;
      iw = std::max<int64_t>(iw - (std::max(kvgui_min_row_height, gw) + 4), 1);
    } else {
      height = content;
    }
  } else {
    int widest = 0;
    for (const BasicString& item : items) widest = std::max(widest, kvgui_measure_caption_width(item));
    iw = std::max<int64_t>(std::min<int64_t>(iw, widest), 1);
    size.columns = static_cast<int>(std::max<int64_t>(1, (int64_t(width) - iw - 3) / (iw + 2)));
    height = std::max<int64_t>(ih + 6, (ih + 2) * (n / size.columns) + 4);
  }
  size.item_width = qvl_math_saturate_int(iw);
  size.height = qvl_math_saturate_int(height);
  return size;
}

int kvgui_pick_item(int x, int y, int width, int, const BasicString& items, int selected,
                    int gallery) {
  const std::vector<BasicString> list = kvgui_split_items(items);
  if (list.empty()) return -1;
  const KvguiPopupSize size = kvgui_popup_size(y, width, list, gallery);

  kvgui_push_dialog_sliding(qvl_math_saturate_int(int64_t(x) - 1),
                            qvl_math_saturate_int(int64_t(y) - 1),
                            qvl_math_saturate_int(int64_t(width) + 2),
                            qvl_math_saturate_int(int64_t(size.height) + 2), 0);
  KvguiModal modal;
  {
    // Dropped in place at once: no glide.
    KVGUI_DLG& d = kvgui_top_dialog();
    d.YPOS = d.slide_target;
    d.slide_target = -10000;
  }
  for (size_t i = 0; i < list.size(); ++i) {
    const BasicString id = qvl_str_concat_cstr_int("b", static_cast<int>(i));
    kvgui_add_button(id, list[i], size.item_width, size.item_height);
    // A swatch in the list is an item to pick, not a colour to edit.
    if (kvgui_caption_form(list[i]).form == KvguiCaptionForm::SWATCH)
      kvgui_set(id.text, "READONLY", 1);
    if (static_cast<int>(i) == selected) kvgui_set(id.text, "SELECT", 1);
  }
  kvgui_show_all();
  if (!modal.on_top()) return -1;
  // The chosen item in view.
  kvgui_set("", "SCROLL",
            qvl_math_saturate_int(int64_t(selected) * (size.item_height + 2) / size.columns));

  bool pressed = false;
  int press_x = 0, press_y = 0;
  int picked = -1;
  for (;;) {
    kvgui_set("", "FOCUS", BasicString());
    kvgui_show_all();
    if (!modal.on_top()) return -1;
    int mx = 0, my = 0, b1 = 0, b2 = 0;
    kvgui_seam.mouse(&mx, &my, &b1, &b2);
    if (b1) {
      press_x = mx;
      press_y = my;
      pressed = true;
    }
    const KVGUI_DLG& d = kvgui_top_dialog();
    if (d.SCROLLING) pressed = false;  // a drag that scrolls the list
    if (kvgui_escape_pressed()) break;
    if (!b1 && pressed &&
        !qvl_math_boxes_overlap(press_x, press_y, 1, 1, d.XPOS, d.YPOS, d.self.WIDTH, d.self.HEIGHT))
      break;  // a click outside dismisses the list
    // The buttons were the dialog's first widgets: entry i is item i.
    KVGUI_DLG& top = kvgui_top_dialog();
    const int n = std::min(static_cast<int>(list.size()), top.order.size1);
    for (int i = 0; i < n && picked < 0; ++i)
      if (kvgui_entry_widget(top, i).CLICKED) picked = i;
    if (picked >= 0) break;
    modal.show_screen();
    if (!modal.on_top()) return -1;
  }
  modal.close(0);
  return picked;
}
