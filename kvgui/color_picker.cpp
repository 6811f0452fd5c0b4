// The colour picker: sliders for red, green and blue, and a fourth, "H",
// that darkens the colour towards black below its middle and lightens it
// towards white above. "OK" returns the colour shown on the swatch;
// "Cancel" and Esc return the colour given.
#include <algorithm>
#include <cmath>

#include "core/maths.h"
#include "core/string_ops.h"
#include "kvgui/construction.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/globals.h"
#include "kvgui/modal_dialogs.h"
#include "kvgui/modal_loop.h"
#include "kvgui/seam.h"
#include "kvgui/show.h"
#include "kvgui/style.h"

namespace {

const char* const kSliders[] = {"sl_R", "sl_G", "sl_B", "sl_H"};
const char* const kNumbers[] = {"tx_R", "tx_G", "tx_B", "tx_H"};

// A channel's byte: the nearest of the 256 levels, so that a channel read
// from a colour and written back is the same byte.
int channel_byte(double c) { return static_cast<int>(std::lround(std::clamp(c, 0.0, 1.0) * 255.0)); }

// A number field as wide as three of the font's widest digit, with the half
// glyph that a text field leaves free on either side.
int number_width(int gw) {
  int digit = 0;
  for (char c = '0'; c <= '9'; ++c) {
    const char one[2] = {c, 0};
    digit = std::max(digit, kvgui_measure_text_width(BasicString(one)));
  }
  return 3 * digit + gw;
}

void build(int colour) {
  kvgui_apply_font_scaling();
  int gw = 0, gh = 0, sw = 0, sh = 0;
  kvgui_glyph_size(&gw, &gh);
  kvgui_drawing_size(&sw, &sh);
  const double values[] = {(colour & 0xFF) / 255.0, (colour & 0xFF00) / 65280.0,
                           (colour & 0xFF0000) / 16711680.0, 0.5};
  const int dialog_width = std::max(240, sw / 3);
  kvgui_push_dialog_sliding(0, 0, dialog_width, std::max(240, sh / 3), 1);
  kvgui_set("", "MOVEABLE", 1);
  kvgui_set("", "TEXT", BasicString("Color Picker"));
  // The slider takes the row's width beside its label and number, at least
  // 180 where the dialog has that room, so the number never wraps below it.
  const int number_w = number_width(gw);
  const int beside = gw + number_w + 10;
  const int slider_width =
      std::max(1, std::min(std::max(180, sw / 3 - beside), dialog_width - beside));
  kvgui_add_frame(BasicString(), BasicString(), 0);
  for (int i = 0; i < 4; ++i) {
    const char label[2] = {"RGBH"[i], 0};
    kvgui_add_widget(BasicString(), BasicString(label), gw, 0);
    kvgui_add_slider(BasicString(kSliders[i]), values[i], slider_width, 0);
    BasicString number;
    if (i < 3)
      number.init_int(qvl_math_truncate_int(values[i] * 255.01));
    else
      number.assign_cstr("50");
    kvgui_add_number_text(BasicString(kNumbers[i]), number, number_w);
    kvgui_set(kNumbers[i], "READONLY", 1);
    if (i < 3) kvgui_add_line_break(0);
  }
  kvgui_add_unframe();
  // The swatch opens no second picker.
  kvgui_add_button(BasicString("bt_col"), qvl_str_concat_cstr_int("SPR_C", colour), 0, sh / 15);
  kvgui_set("bt_col", "WIDTH", 32);
  kvgui_set("bt_col", "READONLY", 1);
  kvgui_add_line_break(0);
  kvgui_add_frame(BasicString("fr_center"), BasicString(), 0);
  kvgui_add_button_tall(BasicString("bt_ok"), BasicString("OK"), 64);
  kvgui_add_button_tall(BasicString("bt_cancel"), BasicString("Cancel"), 128);
  kvgui_add_unframe();
  kvgui_set("fr_center", "ALIGN", 0);
}

// The colour of the four sliders; the number fields and the swatch show it.
int mix() {
  double v[4];
  for (int i = 0; i < 4; ++i) v[i] = kvgui_get(kSliders[i], "TEXT").to_double();
  const double q = 2.0 * v[3];
  int bytes[3];
  for (int i = 0; i < 3; ++i) {
    // Below the middle towards black, above it towards white.
    const double c = q <= 1.0 ? q * v[i] : v[i] + (q - 1.0) * (1.0 - v[i]);
    bytes[i] = channel_byte(c);
    kvgui_set(kNumbers[i], "TEXT", bytes[i]);
  }
  // H shows where its slider stands, in percent: 50 at the middle, as it opens.
  kvgui_set("tx_H", "TEXT", static_cast<int>(std::lround(std::clamp(v[3], 0.0, 1.0) * 100.0)));
  const int colour = bytes[2] * 65536 + bytes[1] * 256 + bytes[0];
  kvgui_set("bt_col", "TEXT", qvl_str_concat_cstr_int("SPR_C", colour));
  return colour;
}

}  // namespace

int kvgui_pick_color(int colour) {
  build(colour);
  KvguiModal modal;
  int result = colour;
  for (;;) {
    kvgui_show_all();
    if (!modal.on_top()) return colour;
    bool moved = false;
    for (const char* id : kSliders) moved = moved || kvgui_was_clicked(id);
    if (moved) result = mix();
    modal.show_screen();
    if (!modal.on_top()) return colour;
    if (kvgui_was_clicked("bt_ok")) break;
    if (kvgui_was_clicked("bt_cancel") || kvgui_escape_pressed()) {
      result = colour;
      break;
    }
    if (kvgui_top_dialog().slide_target == -10000) kvgui_seam.message_step();
  }
  modal.close(1);
  return result;
}
