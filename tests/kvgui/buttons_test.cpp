// Buttons, sliders, check boxes and radio groups: values, clicks, the
// swatch button, and the faces they draw.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "kvgui/kinds_buttons.h"
#include "tests/kvgui/kvgui_fixture.h"

namespace {

using Buttons = kvgui_test::KvguiTest;
using kvgui_test::host;
using kvgui_test::near;
BasicString S(const char* s) { return BasicString(s); }

std::string text_of(const KVGUI_WDG& w) { return std::string(w.TEXT.text, size_t(w.TEXT.length)); }

// A slider of the given width and range, held by the mouse (its dialog's
// FOCUS, button down) and moved to x.
std::string slider_at(int width, double min, double max, double step, int x) {
  KVGUI_DLG& d = kvgui_top_dialog();
  KVGUI_WDG w;
  w.id = S("sl");
  w.WIDTH = width;
  w.HEIGHT = 20;
  w.MINVAL = min;
  w.MAXVAL = max;
  w.STEP = step;
  w.TEXT = S("-1");
  d.FOCUS = S("sl");
  kvgui_mouse_down = 1;
  kvgui_handle_slider(d, w, x, 5, GUI_PRESS_NONE);
  EXPECT_EQ(w.CLICKED, 1) << "a new value is a click";
  return text_of(w);
}

TEST_F(Buttons, SliderValuesAtBothEndsAndInSteps) {
  plain_dialog(400, 300);
  struct Case {
    int width;
    double min, max, step;
    int x;
    const char* text;
  } const cases[] = {
      {109, 0, 1, 0.01, 55, "0.5"},
      {109, 0, 1, 0.01, 0, "0"},
      {109, 0, 1, 0.01, 200, "1"},  // beyond the end
      {109, 0, 1, 0.1, 51, "0.5"},  // 0.46: truncate(4.6 + 0.4)
      {109, 0, 1, 0.1, 50, "0.4"},  // 0.45: truncate(4.5 + 0.4)
      {109, 0, 1, 0, 55, "0.50"},   // no step: two decimals
      {109, 0, 1, -1, 30, "0.25"},
      {109, -10, 10, 5, 80, "5"},
      // A stepped value stays in the range: 3 x truncate(1 / 3 + 0.4) would be 0.
      {109, 1, 10, 3, 0, "1"},
      {109, 1, 10, 3, 200, "9"},
      // An empty range and sliders too narrow for their track divide by nothing.
      {109, 5, 5, 0.01, 60, "5"},
      {9, 0, 1, 0.01, 5, "0"},
      {9, 0, 1, 0.01, 6, "1"},
      {4, 0, 1, 0.01, 3, "0"},  // narrower still: never backwards
      {4, 0, 1, 0.01, 7, "1"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(slider_at(c.width, c.min, c.max, c.step, c.x), c.text)
        << c.width << " " << c.min << ".." << c.max << " step " << c.step << " x " << c.x;
  KVGUI_WDG w;
  w.WIDTH = 109;
  w.MINVAL = w.MAXVAL = 3;
  EXPECT_EQ(kvgui_get_slider_x(w, 3), 6.0);
  w.MAXVAL = 4;
  w.WIDTH = 8;
  EXPECT_EQ(kvgui_get_slider_x(w, 4), 6.0) << "no track: the knob stays at the start";
}

TEST_F(Buttons, SliderDragsBeyondItselfAndLetsGoOnRelease) {
  plain_dialog(400, 300);
  kvgui_add_slider(S("sl"), 0.2, 109, 20);
  kvgui_add_slider(S("ro"), 0.2, 109, 20);
  widget("ro").READONLY = 1;
  frame();
  const int x = widget("sl").XPOS, y = widget("sl").YPOS;
  move(x + 30, y + 10);
  host().button = 1;
  frame();
  EXPECT_STREQ(top().FOCUS.text, "sl");
  EXPECT_EQ(get("sl", "TEXT"), "0.25");
  EXPECT_EQ(widget("sl").CLICKED, 1);
  frame();
  EXPECT_EQ(widget("sl").CLICKED, 0) << "no change, no click";
  move(x + 80, y + 200);  // far below the slider
  frame();
  EXPECT_EQ(get("sl", "TEXT"), "0.75");
  host().button = 0;
  move(x + 5, y + 200);
  frame();
  EXPECT_EQ(get("sl", "TEXT"), "0.75") << "the release keeps the last value";
  EXPECT_STREQ(top().FOCUS.text, "");
  const int rx = widget("ro").XPOS, ry = widget("ro").YPOS;
  click(rx + 100, ry + 10);
  EXPECT_EQ(get("ro", "TEXT"), "0.2");
  EXPECT_STREQ(top().FOCUS.text, "");
}

// The rows the slider's knob covers in column x of the window.
std::pair<int, int> knob_rows(int x, int top, int bottom) {
  int first = -1, last = -1;
  for (int y = top; y < bottom; ++y)
    if (near(kvgui_test::KvguiTest::rgb(x, y), 0xFF9040, 2)) {
      if (first < 0) first = y;
      last = y;
    }
  return {first, last};
}

TEST_F(Buttons, SliderKnobSitsAtItsValue) {
  plain_dialog(400, 300);
  kvgui_add_slider(S("low"), 0.5, 109, 20);
  kvgui_add_line_break(0);
  kvgui_add_slider(S("tall"), 0, 109, 40);
  clear_screen();
  frame();
  const KVGUI_WDG& low = widget("low");
  // Value 0.5 on 109 pixels: the knob spans x 49 .. 58 (0.5 x 97 + 6 - 5).
  const int kx = low.XPOS + 54;
  EXPECT_FALSE(near(rgb(low.XPOS + 47, low.YPOS + 10), 0xFF9040, 2));
  EXPECT_TRUE(near(rgb(low.XPOS + 49, low.YPOS + 10), 0xFF9040, 2));
  EXPECT_TRUE(near(rgb(low.XPOS + 58, low.YPOS + 10), 0xFF9040, 2));
  EXPECT_FALSE(near(rgb(low.XPOS + 60, low.YPOS + 10), 0xFF9040, 2));
  const auto rows = knob_rows(kx, low.YPOS, low.YPOS + 20);
  EXPECT_EQ(rows.first, low.YPOS + 2);
  EXPECT_EQ(rows.second - rows.first + 1, 18) << "a 20-high slider has an 18-high knob";
  const KVGUI_WDG& tall = widget("tall");
  const auto tall_rows = knob_rows(tall.XPOS + 3, tall.YPOS, tall.YPOS + 40);
  EXPECT_EQ(tall_rows.second - tall_rows.first + 1, 24);
  EXPECT_EQ(tall_rows.first, tall.YPOS + 9);
}

TEST_F(Buttons, CheckBoxTogglesOnReleaseOnly) {
  plain_dialog(400, 300);
  kvgui_add_checkbox(S("cb"), S("Autofire"), 0, 0);
  kvgui_add_checkbox(S("ro"), S("Fixed"), 0, 0);
  frame();
  const int x = widget("cb").XPOS + 4, y = widget("cb").YPOS + 4;
  move(x, y);
  host().button = 1;
  frame();
  EXPECT_EQ(widget("cb").SELECT, 0) << "not on the press";
  EXPECT_EQ(widget("cb").CLICKED, 0);
  host().button = 0;
  frame();
  EXPECT_EQ(widget("cb").SELECT, 1);
  EXPECT_EQ(widget("cb").CLICKED, 1);
  frame();
  EXPECT_EQ(widget("cb").CLICKED, 0);
  click(x, y);
  EXPECT_EQ(widget("cb").SELECT, 0);

  // A read-only box keeps its state and its CLICKED, even through a refresh.
  widget("ro").READONLY = 1;
  widget("ro").CLICKED = 1;
  click(widget("ro").XPOS + 4, widget("ro").YPOS + 4);
  EXPECT_EQ(widget("ro").SELECT, 0);
  kvgui_refresh_dialog();
  EXPECT_EQ(widget("ro").CLICKED, 1);
  widget("cb").CLICKED = 1;
  kvgui_refresh_dialog();
  EXPECT_EQ(widget("cb").CLICKED, 0);
}

TEST_F(Buttons, RadioGroupSizesItselfAndChoosesByRow) {
  plain_dialog(400, 300);
  kvgui_widget_height = 16;
  kvgui_add_radio(S("rd"), S("a|b|c"), 0);
  kvgui_add_line_break(0);
  kvgui_add_radio(S("gap"), S("a||b"), 0);
  frame();
  EXPECT_EQ(widget("rd").HEIGHT, 48);
  EXPECT_EQ(widget("rd").COUNT, 3);
  const int x = widget("rd").XPOS + 10, y = widget("rd").YPOS;
  click(x, y + 20);
  EXPECT_EQ(widget("rd").SELECT, 1);
  EXPECT_EQ(widget("rd").CLICKED, 1);
  EXPECT_EQ(widget("rd").HOVER, 1);
  click(x, y + 30);
  EXPECT_EQ(widget("rd").CLICKED, 0) << "the chosen row again is no click";
  move(1000, 700);
  frame();
  EXPECT_EQ(widget("rd").HOVER, -1);

  // An empty field ends the drawing, but the input counts every item.
  EXPECT_EQ(widget("gap").COUNT, 1);
  EXPECT_EQ(widget("gap").HEIGHT, 32);
  click(widget("gap").XPOS + 10, widget("gap").YPOS + 20);
  EXPECT_EQ(widget("gap").SELECT, 1);

  widget("rd").READONLY = 1;
  widget("rd").CLICKED = 1;
  click(x, y + 40);
  EXPECT_EQ(widget("rd").SELECT, 1);
  EXPECT_EQ(widget("rd").CLICKED, 1) << "a read-only group keeps its fields";
}

TEST_F(Buttons, ButtonsClickAndSwatchesQueueThePicker) {
  plain_dialog(400, 300);
  kvgui_add_button(S("bt"), S("Go"), 60, 0);
  frame();
  click(widget("bt").XPOS + 5, widget("bt").YPOS + 5);
  EXPECT_EQ(widget("bt").CLICKED, 1);
  frame();
  EXPECT_EQ(widget("bt").CLICKED, 0);

  KVGUI_DLG& d = top();
  struct Case {
    const char* caption;
    int readonly, clicked, action;
  } const cases[] = {
      {"Go", 0, 1, GUI_ACTION_NONE},
      {"Go", 1, 0, GUI_ACTION_NONE},  // a read-only text button never reports a click
      {"SPR_C255", 0, 1, GUI_ACTION_COLOR_PICKER},
      {"SPR_C255", 1, 1, GUI_ACTION_NONE},  // read-only swatch: the click, no picker
      {"xSPR_C255", 0, 1, GUI_ACTION_NONE},
  };
  for (const Case& c : cases) {
    KVGUI_WDG w;
    w.id = S("sw");
    w.TEXT = S(c.caption);
    w.READONLY = c.readonly;
    d.pending_action = GUI_ACTION_NONE;
    kvgui_handle_button(d, w, 1, 1, GUI_PRESS_CLICK);
    EXPECT_EQ(w.CLICKED, c.clicked) << c.caption << " " << c.readonly;
    EXPECT_EQ(d.pending_action, c.action) << c.caption << " " << c.readonly;
    if (c.action) {
      EXPECT_STREQ(d.action_id.text, "sw");
    }
  }
}

TEST_F(Buttons, ButtonFacesShowPressAndSwatch) {
  plain_dialog(400, 300);
  kvgui_add_button(S("up"), S(""), 60, 30);
  kvgui_add_button(S("down"), S(""), 60, 30);
  widget("down").SELECT = 1;
  kvgui_add_button(S("red"), S("SPR_C255"), 60, 30);
  clear_screen();
  frame();
  const KVGUI_WDG& up = widget("up");
  EXPECT_TRUE(near(rgb(up.XPOS + 10, up.YPOS), 0xC0C0C0, 2)) << std::hex << rgb(up.XPOS + 10, up.YPOS);
  EXPECT_TRUE(near(rgb(up.XPOS + 10, up.YPOS + 1), 0xFFFFFF));
  const KVGUI_WDG& down = widget("down");
  EXPECT_TRUE(near(rgb(down.XPOS + 10, down.YPOS), 0xFF9040, 2)) << "the pressed outline";
  EXPECT_TRUE(near(rgb(down.XPOS + 10, down.YPOS + 1), 0xFFF0A0)) << "the outer face";
  EXPECT_TRUE(near(rgb(down.XPOS + 10, down.YPOS + 3), 0xFFFFFF)) << "the inset face";
  const KVGUI_WDG& red = widget("red");
  EXPECT_EQ(rgb(red.XPOS + 30, red.YPOS + 15), 0x0000FFu);
}

}  // namespace
