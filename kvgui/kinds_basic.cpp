#include "kvgui/kinds_basic.h"

#include <algorithm>
#include <cstring>

#include "core/basic_array.h"
#include "core/number_text.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/viewport.h"
#include "kvgui/canvas.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/globals.h"
#include "kvgui/properties.h"
#include "kvgui/seam.h"
#include "kvgui/style.h"
#include "kvgui/text_layout.h"

int kvgui_draw_label(KVGUI_DLG& dialog, KVGUI_WDG& widget, int y) {
  kvgui_canvas_alpha(-0.7);
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  const bool one_line =
      widget.TEXT.length <= 0 || !std::memchr(widget.TEXT.text, '\n', size_t(widget.TEXT.length));
  if (one_line && kvgui_measure_caption_width(widget.TEXT) <= widget.WIDTH)
    y += (widget.HEIGHT - gh) / 2;
  const int h = kvgui_layout_wrapped_text(dialog, widget, 0, y, widget.WIDTH, 1);
  widget.HEIGHT = std::max(kvgui_widget_height, h);
  kvgui_canvas_alpha(-1.0);
  return 0;
}

int kvgui_handle_label(KVGUI_DLG&, KVGUI_WDG& widget, int, int, int press) {
  widget.CLICKED = press == GUI_PRESS_CLICK ? 1 : 0;
  return 0;
}

int kvgui_draw_user_kind(KVGUI_DLG&, KVGUI_WDG& widget, int) {
  if (widget.callback) {
    BasicString value;
    kvgui_run_callback(widget, "DRAW", value);
  } else {
    kvgui_draw_user_placeholder(widget.id, widget.WIDTH, widget.HEIGHT);
  }
  return 0;
}

int kvgui_handle_user_kind(KVGUI_DLG&, KVGUI_WDG& widget, int x, int y, int press) {
  if (!widget.callback) {
    BasicString id(widget.id);
    kvgui_handle_user(id);
    return 0;
  }
  if (press != GUI_PRESS_CLICK) {
    widget.CLICKED = 0;
    return 0;
  }
  widget.CLICKED = 1;
  // "   x,   y, 1": the numbers padded to four, four and two characters.
  BasicString value = qvl_fmt_fixed_int(4, 0, x);
  value.append_char(',');
  value.append(qvl_fmt_fixed_int(4, 0, y));
  value.append_char(',');
  value.append(qvl_fmt_fixed_int(2, 0, 1));
  kvgui_run_callback(widget, "CLICKED", value);
  return 0;
}

int kvgui_draw_user_placeholder(const BasicString& id, int width, int height) {
  kvgui_draw_gradient_box(0x000000, 0xFFFFFF, 0, 0, width, height);
  BasicString label("user: id=");
  label.append(id);
  kvgui_canvas_print(label.text, 0, 0, 0);
  return 0;
}

void kvgui_handle_user(const BasicString& id) {
  kvgui_canvas_flush();  // what the dialog has drawn so far stays under it
  qvl_gfx_set_viewport(0, 0, 0, 0);
  qvl_gfx_draw_rect(0, 0, 1024, 1024, 0x4080FF);
  qvl_font_print(BasicString("Must overwrite: kvgui_handle_user"), 0, 0, 0);
  BasicString item("for item: ");
  item.append(id);
  qvl_font_print(item, 0, 20, 0);
  BasicString type("type=");
  type.append(kvgui_get_property(id, BasicString("TYPE")));
  qvl_font_print(type, 0, 40, 0);
  kvgui_seam.show_screen();
  kvgui_seam.wait_click();
  // The program ends as a bad array index would end it.
  BasicArray<int> none;
  none.at(0);
}
