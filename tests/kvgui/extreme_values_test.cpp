// Every number a program can give a dialog or a widget, at the ends of its
// range: each case sets a key (or two) on a dialog holding one widget of
// each kind in turn, then hovers, clicks, drags, types, scrolls, moves,
// centres and resizes the dialog, draws it queued and at once, and pops it
// with the fade-out. Under the sanitizers any overflow on the way ends the
// case's process (each case runs as a process of its own). The calls that
// take places and sizes as arguments come last.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "kvgui/canvas.h"
#include "kvgui/kinds_text.h"
#include "tests/kvgui/kvgui_fixture.h"

namespace {

using kvgui_test::host;
BasicString S(const char* s) { return BasicString(s); }

// A modal dialog that a click or a call opens (the colour picker, the
// popup list, the file chooser) is closed by Esc, pressed and let go in
// turn a frame each: a step of the modal script that never ends.
bool esc_in_turn() {
  if (host().keys.count(KVGUI_KEY_ESCAPE))
    host().keys.erase(KVGUI_KEY_ESCAPE);
  else
    host().keys.insert(KVGUI_KEY_ESCAPE);
  return false;
}

double draws_itself(BasicString&, BasicString&, BasicString&) { return 0; }

// One widget "w" of a kind, with what it needs to show something.
void add_widget_of(const std::string& kind) {
  if (kind == "WIDGET") kvgui_add_widget(S("w"), S("a label\nof two lines"), 120, 30);
  if (kind == "BUTTON") kvgui_add_button(S("w"), S("Press"), 80, 24);
  if (kind == "SWATCH") kvgui_add_button(S("w"), S("SPR_C255"), 40, 24);
  if (kind == "SLIDER") {
    // A band from below the scale into it.
    kvgui_add_slider(S("w"), 7, 120, 20);
    kvgui_set_property(S("w"), S("MINVAL"), S("5"));
    kvgui_set_property(S("w"), S("MAXVAL"), S("10"));
    kvgui_set_property(S("w"), S("SELEND"), S("7"));
  }
  if (kind == "CHECKBOX") kvgui_add_checkbox(S("w"), S("Check"), 100, 20);
  if (kind == "RADIO") kvgui_add_radio(S("w"), S("one|two|three"), 100);
  if (kind == "TEXT") kvgui_add_text(S("w"), S("one two three\nfour five six seven"), 80, 30);
  if (kind == "SINGLETEXT") kvgui_add_single_text(S("w"), S("single line"), 100);
  if (kind == "NUMBERTEXT") kvgui_add_number_text(S("w"), S("12.5"), 60);
  if (kind == "LIST") kvgui_add_list(S("w"), S("a|b|c|d|e|f|g|h|i|j"), 100, 50);
  if (kind == "COMBO") kvgui_add_combo(S("w"), S("red|green|blue"), 100, 20);
  if (kind == "GALLERY") kvgui_add_gallery(S("w"), S("SPR_C255|SPR_C65280|x"), 100, 30);
  if (kind == "FILE") kvgui_add_file_field(S("w"), S("/tmp/a.txt"), S("*.txt"), 120, 20);
  if (kind == "TAB") kvgui_add_tab(S("w"), S("One,in|Two"), 24);
  if (kind == "FRAME" || kind == "EXPANDER") {
    if (kind == "FRAME")
      kvgui_add_frame(S("w"), S("Group"), 0);
    else
      kvgui_add_expander(S("w"), S("More"), 150);
    kvgui_add_widget(S("in"), S("inside"), 60, 20);
    kvgui_add_unframe();
  }
  if (kind == "SPACER") kvgui_add_spacer(30, 10);
  if (kind == "USER") kvgui_add_callback_widget(S("w"), S("dial"), draws_itself, 60, 20);
  kvgui_set_property(S("w"), S("TIPTEXT"), S("tip"));
  kvgui_add_widget(S("after"), S("after it"), 60, 20);
  kvgui_add_spacer(20, 1000);  // the body scrolls
}

const char* const kKinds[] = {"WIDGET", "BUTTON",     "SWATCH",     "SLIDER", "CHECKBOX",
                              "RADIO",  "TEXT",       "SINGLETEXT", "NUMBERTEXT",
                              "LIST",   "COMBO",      "GALLERY",    "FILE",   "TAB",
                              "FRAME",  "EXPANDER",   "SPACER",     "USER"};

// Where a set of this case goes: a key of the widget, of the dialog, or an
// argument of the push.
enum class Target { WIDGET, DIALOG, PUSH_X, PUSH_Y, PUSH_W, PUSH_H };

struct Set {
  Target target;
  const char* key;
  const char* value;
};

// One set, or two (the second one on the dialog, made first).
struct Case {
  Set set;
  Set dialog{Target::DIALOG, nullptr, nullptr};
};

std::ostream& operator<<(std::ostream& out, const Case& c) {
  static const char* const kTargets[] = {"widget", "dialog", "push", "push", "push", "push"};
  out << kTargets[int(c.set.target)] << " " << c.set.key << " " << c.set.value;
  if (c.dialog.key) out << ", dialog " << c.dialog.key << " " << c.dialog.value;
  return out;
}

class ExtremeValues : public kvgui_test::KvguiTest, public ::testing::WithParamInterface<Case> {
 protected:
  // The mouse somewhere on the screen, near (x, y).
  static void move_near(int64_t x, int64_t y) {
    move(int(std::clamp<int64_t>(x, 0, 1023)), int(std::clamp<int64_t>(y, 0, 767)));
  }
  static void press_drag_release(int64_t x, int64_t y, bool rest = false) {
    move_near(x, y);
    frame();
    if (rest) {
      host().now += 600;  // the tip shows
      frame();
    }
    host().button = 1;
    frame();
    move_near(x + 30, y + 40);
    frame();
    move_near(x - 40, y - 30);
    frame();
    host().button = 0;
    frame();
  }
  static void keys(std::initializer_list<int> scans) {
    host().keys = scans;
    host().now += 200;
    frame();
    host().keys.clear();
  }

  // One dialog with one widget of the kind, the case applied, every input.
  void run_kind(const std::string& kind, const Case& c) {
    int x = 50, y = 50, w = 400, h = 300;
    const Set& s = c.set;
    const int v = std::atoi(s.value);
    if (s.target == Target::PUSH_X) x = v;
    if (s.target == Target::PUSH_Y) y = v;
    if (s.target == Target::PUSH_W) w = v;
    if (s.target == Target::PUSH_H) h = v;
    kvgui_push_dialog(x, y, w, h, 0, 1);
    set("", "TEXT", "Caption");
    set("", "MOVEABLE", "1");
    set("", "SCALEABLE", "1");
    add_widget_of(kind);
    // At rest, its glide over (so a YPOS moves it at once), with the scroll
    // range of its body.
    top().YPOS = top().slide_target;
    top().slide_target = -10000;
    frame();
    if (c.dialog.key) set("", c.dialog.key, c.dialog.value);
    if (s.target == Target::WIDGET) {
      // Every widget of the dialog: the one of the kind, what a group holds
      // and the label after it.
      std::vector<std::string> ids;
      for (int i = 0; i < top().widgets.size1; ++i) ids.push_back(top().widgets.data[i].id.text);
      for (const std::string& id : ids) set(id.c_str(), s.key, s.value);
    }
    if (s.target == Target::DIALOG) set("", s.key, s.value);
    frames(3);

    // The mouse over the widget, at its corner and its middle (as far as
    // the screen goes), then the dialog's caption and grip.
    const KVGUI_WDG& widget_now = widget(kind == "SPACER" ? "after" : "w");
    const int64_t wx = widget_now.XPOS, wy = widget_now.YPOS;
    press_drag_release(wx + 2, wy + 2, true);
    const KVGUI_WDG& again = widget(kind == "SPACER" ? "after" : "w");
    press_drag_release(wx + std::min(again.WIDTH, 300) / 2, wy + std::min(again.HEIGHT, 200) / 2);
    press_drag_release(int64_t(top().XPOS) + 10, int64_t(top().YPOS) + 5);
    press_drag_release(int64_t(top().outer_x) + top().outer_w - 3,
                       int64_t(top().outer_y) + top().outer_h - 3);

    kvgui_center_dialog();
    frames(2);

    // The keyboard, with the widget holding the focus.
    set("", "FOCUS", "w");
    for (int scan : {KVGUI_KEY_DOWN, KVGUI_KEY_UP, KVGUI_KEY_END, KVGUI_KEY_HOME, KVGUI_KEY_RIGHT,
                     KVGUI_KEY_LEFT, KVGUI_KEY_DELETE, KVGUI_KEY_BACKSPACE})
      keys({scan});
    keys({KVGUI_KEY_LEFT_SHIFT, KVGUI_KEY_DOWN});
    keys({KVGUI_KEY_LEFT_SHIFT, KVGUI_KEY_UP});
    for (char ch : std::string("a1 \n")) host().typed.push_back(ch);
    frames(5);
    // A combo box's or a gallery's popup list, opened by the program.
    kvgui_open_popup(S("w"));
    frame();

    // The wheel both ways, drawing at once, and the fade-out.
    move_near(int64_t(top().XPOS) + 50, int64_t(top().YPOS) + 60);
    host().wheel += 120;
    frame();
    host().wheel -= 240;
    frame();
    kvgui_queue_drawing = false;
    frames(2);
    kvgui_queue_drawing = true;
    kvgui_pop_dialog_fade(1);
    frames(2);
    host().now += 500;
    frames(2);
  }
};

TEST_P(ExtremeValues, EveryKindTakesTheValue) {
  kvgui_test::script().steps.push_back(esc_in_turn);
  // A dialog below, drawn under its veil, and showing the fade-outs.
  kvgui_push_dialog(0, 0, 120, 40, 0, 0);
  kvgui_add_widget(S("root"), S("below"), 100, 20);
  for (const char* kind : kKinds) {
    SCOPED_TRACE(kind);
    run_kind(kind, GetParam());
    EXPECT_EQ(kvgui_dialog_stack.size1, 1);
    EXPECT_EQ(kvgui_fade_images.size1, 0) << "faded out";
    host().keys.clear();
  }
}

Case widget_key(const char* key, const char* value) { return {{Target::WIDGET, key, value}}; }
Case dialog_key(const char* key, const char* value) { return {{Target::DIALOG, key, value}}; }
Case push(Target target, const char* arg, const char* value) { return {{target, arg, value}}; }

constexpr const char* kLow = "-2147483648";
constexpr const char* kHigh = "2147483647";

INSTANTIATE_TEST_SUITE_P(
    WidgetKeys, ExtremeValues,
    ::testing::Values(widget_key("WIDTH", kLow), widget_key("WIDTH", kHigh),
                      widget_key("HEIGHT", kLow), widget_key("HEIGHT", kHigh),
                      widget_key("SCROLL", kLow), widget_key("SCROLL", kHigh),
                      widget_key("SELSTART", kLow), widget_key("SELSTART", kHigh),
                      widget_key("SELEND", kLow), widget_key("SELEND", kHigh),
                      widget_key("COUNT", kLow), widget_key("COUNT", kHigh),
                      widget_key("SELECT", kLow), widget_key("SELECT", kHigh),
                      widget_key("HOVER", kLow), widget_key("HOVER", kHigh),
                      widget_key("ALIGN", kLow), widget_key("ALIGN", kHigh),
                      widget_key("MINVAL", "-1.7e308"), widget_key("MINVAL", "1.7e308"),
                      widget_key("MAXVAL", "-1.7e308"), widget_key("MAXVAL", "1.7e308"),
                      widget_key("STEP", "-1.7e308"), widget_key("STEP", "1.7e308"),
                      widget_key("TEXT", "-1.7e308"), widget_key("TEXT", "1.7e308"),
                      // Widgets scrolled above the body's top: their clip
                      // offsets meet the extremes.
                      Case{{Target::WIDGET, "HEIGHT", kLow}, {Target::DIALOG, "SCROLL", "200"}},
                      Case{{Target::WIDGET, "WIDTH", kLow}, {Target::DIALOG, "SCROLL", "200"}}));

INSTANTIATE_TEST_SUITE_P(
    DialogKeys, ExtremeValues,
    ::testing::Values(dialog_key("XPOS", kLow), dialog_key("XPOS", kHigh),
                      dialog_key("YPOS", kLow), dialog_key("YPOS", kHigh),
                      dialog_key("WIDTH", kLow), dialog_key("WIDTH", kHigh),
                      dialog_key("HEIGHT", kLow), dialog_key("HEIGHT", kHigh),
                      dialog_key("SCROLL", kLow), dialog_key("SCROLL", kHigh),
                      Case{{Target::DIALOG, "YPOS", kLow}, {Target::DIALOG, "SCROLL", kHigh}},
                      Case{{Target::DIALOG, "YPOS", kHigh}, {Target::DIALOG, "SCROLL", kLow}},
                      push(Target::PUSH_X, "x", kLow), push(Target::PUSH_X, "x", kHigh),
                      push(Target::PUSH_Y, "y", kLow), push(Target::PUSH_Y, "y", kHigh),
                      push(Target::PUSH_W, "width", kLow), push(Target::PUSH_W, "width", kHigh),
                      push(Target::PUSH_H, "height", kLow), push(Target::PUSH_H, "height", kHigh)));

// The calls that take places and sizes as arguments: the popup list, the
// resize, the centring and the item operations.
using ExtremeCalls = kvgui_test::KvguiTest;

TEST_F(ExtremeCalls, TakeEveryEndOfTheRange) {
  kvgui_test::script().steps.push_back(esc_in_turn);
  kvgui_push_dialog(0, 0, 0, 0, 0, 0);
  kvgui_add_list(S("list"), S("a|b|c"), 100, 50);
  for (int v : {INT_MIN, INT_MAX}) {
    for (int arg = 0; arg < 4; ++arg) {
      SCOPED_TRACE(std::to_string(v) + " as argument " + std::to_string(arg));
      int a[4] = {100, 100, 200, 100};
      a[arg] = v;
      for (int gallery : {0, 1})
        EXPECT_EQ(kvgui_pick_item(a[0], a[1], a[2], a[3], S("red|green|blue"), 1, gallery), -1);
      kvgui_resize_dialog(a[0], a[1], a[2], a[3]);
      kvgui_center_dialog();
      kvgui_insert_item(S("list"), S("x"), v);
      EXPECT_EQ(get("list", "TEXT"), "a|b|c|x");
      kvgui_delete_item(S("list"), INT_MAX);
      frames(2);
      EXPECT_EQ(get("list", "TEXT"), "a|b|c");
    }
    // An insertion before the chosen item moves the choice along.
    set("list", "SELECT", std::to_string(v).c_str());
    kvgui_insert_item(S("list"), S("x"), 0);
    kvgui_delete_item(S("list"), 0);
  }
  EXPECT_EQ(get("list", "TEXT"), "a|b|c");
}

}  // namespace
