// The colour picker driven frame by frame: its opening values, the colour
// the sliders make, OK, Cancel and Esc, channels kept exact, and the
// swatch button that opens it.
#include <gtest/gtest.h>

#include <string>

#include "gfx2d/viewport.h"
#include "kvgui/kinds_text.h"
#include "kvgui/modal_dialogs.h"
#include "tests/kvgui/kvgui_fixture.h"

namespace {

using Picker = kvgui_test::KvguiTest;
using kvgui_test::host;
using kvgui_test::script;
namespace step = kvgui_test::step;
BasicString S(const char* s) { return BasicString(s); }

// Drags a slider of the picker to value v (0 .. 1): pressed at its knob's
// place for v, released there.
void drag_slider(const char* id, double v) {
  step::settle();
  std::string name(id);
  script().steps.push_back([name, v] {
    int x = 0, y = 0;
    kvgui_test::widget_point(name.c_str(), 0, -1, &x, &y);
    const int w = static_cast<int>(kvgui_get_number(S(name.c_str()), S("WIDTH")));
    host().mouse_x = x + 5 + static_cast<int>(v * (w - 9) + 0.5);
    host().mouse_y = y;
    host().button = 1;
    return true;
  });
  step::run([] { host().button = 0; });
}

TEST_F(Picker, OpensWithTheColoursChannels) {
  std::string seen;
  step::settle();
  step::run([&seen] {
    for (const char* id : {"sl_R", "sl_G", "sl_B", "sl_H", "tx_R", "tx_G", "tx_B", "tx_H"})
      seen += get(id, "TEXT") + " ";
    seen += get("bt_col", "TEXT") + " " + get("bt_col", "READONLY") + " " + get("", "TEXT");
  });
  step::click("bt_ok");
  EXPECT_EQ(kvgui_pick_color(0x0080FF), 0x0080FF) << "OK before any slider moved";
  EXPECT_EQ(seen, "1 0.5019607843 0 0.5 255 128 0 50 SPR_C33023 1 Color Picker");
  EXPECT_TRUE(kvgui_stack_empty()) << "the picker's dialog is popped";
  EXPECT_EQ(kvgui_fade_images.size1, 1) << "with its fade-out";
}

TEST_F(Picker, HDarkensToBlackAndLightensToWhite) {
  struct Case {
    double h;
    int colour;
    const char* h_text;
  } const cases[] = {
      {0.0, 0x000000, "0"},
      {1.0, 0xFFFFFF, "100"},
      {0.25, 0x000080, "25"},  // half of each channel: 127.5 rounds up
      {0.75, 0x8080FF, "75"},  // half way to white
  };
  for (const Case& c : cases) {
    std::string h_text, swatch;
    drag_slider("sl_H", c.h);
    step::run([&] {
      h_text = get("tx_H", "TEXT");
      swatch = get("bt_col", "TEXT");
    });
    step::click("bt_ok");
    EXPECT_EQ(kvgui_pick_color(0x0000FF), c.colour) << c.h;
    EXPECT_EQ(h_text, c.h_text) << c.h;
    EXPECT_EQ(swatch, "SPR_C" + std::to_string(c.colour)) << c.h;
  }
}

TEST_F(Picker, TouchingHAtItsMiddleGivesTheColourBack) {
  // 0x80 / 255 read back and written as c x 255 truncated would give 0x7F.
  for (int colour : {0x0080FF, 0x123456, 0x7F7F7F, 0x010203}) {
    drag_slider("sl_H", 0.7);
    drag_slider("sl_H", 0.5);
    std::string numbers;
    step::run([&numbers] { numbers = get("tx_R", "TEXT") + " " + get("tx_G", "TEXT"); });
    step::click("bt_ok");
    EXPECT_EQ(kvgui_pick_color(colour), colour) << std::hex << colour;
    EXPECT_EQ(numbers, std::to_string(colour & 0xFF) + " " + std::to_string((colour >> 8) & 0xFF));
  }
}

// Each number field shows its three digits whole beside its slider: no
// scroll bar over them, none cut off at the field's edge, none wrapped
// below the slider, on a wide and on a narrow screen.
TEST_F(Picker, NumberFieldsShowThreeDigitsWhole) {
  const struct {
    int screen_w, screen_h;  // 0: the window's 1024 x 768
    double scale;
    int kerning;
  } fonts[] = {{0, 0, 1.5, 0}, {0, 0, 1.0, 1}, {0, 0, 1.2, 1}, {640, 480, 1.5, 0}};
  for (const auto& f : fonts) {
    qvl_gfx_set_virtual_resolution(f.screen_w, f.screen_h);
    qvl_font_select(0, f.scale, -1);
    kvgui_set_text_kerning(f.kerning);
    std::string faults;
    step::settle();
    step::idle(2);
    step::run([&faults] {
      int gw = 0, gh = 0;
      kvgui_glyph_size(&gw, &gh);
      const KVGUI_DLG& d = top();
      for (const char* row : {"R", "G", "B", "H"}) {
        const KVGUI_WDG& n = widget(("tx_" + std::string(row)).c_str());
        const KVGUI_WDG& s = widget(("sl_" + std::string(row)).c_str());
        if (n.scroll_range != 0) faults += std::string(row) + " scrolls; ";
        if (gw / 2 + kvgui_measure_text_width(S("255")) > n.WIDTH - 1)
          faults += std::string(row) + " too narrow; ";
        if (n.YPOS != s.YPOS) faults += std::string(row) + " below its slider; ";
        if (n.XPOS + n.WIDTH > d.XPOS + d.self.WIDTH - 3) faults += std::string(row) + " cut; ";
      }
    });
    step::key(KVGUI_KEY_ESCAPE);
    kvgui_pick_color(0xFFFFFF);
    step::forget();
    EXPECT_EQ(faults, "") << f.screen_w << " scale " << f.scale;
  }
  qvl_gfx_set_virtual_resolution(0, 0);
}

TEST_F(Picker, ChannelSlidersMakeTheColour) {
  drag_slider("sl_R", 0.0);
  drag_slider("sl_B", 1.0);
  step::click("bt_ok");
  EXPECT_EQ(kvgui_pick_color(0x0080FF), 0xFF8000);
}

TEST_F(Picker, CancelAndEscReturnTheGivenColour) {
  drag_slider("sl_R", 0.0);
  step::click("bt_cancel");
  EXPECT_EQ(kvgui_pick_color(0x0080FF), 0x0080FF);
  drag_slider("sl_G", 0.0);
  step::key(KVGUI_KEY_ESCAPE);
  EXPECT_EQ(kvgui_pick_color(0x0080FF), 0x0080FF);
}

TEST_F(Picker, RunsTheMessageStepOnlyWhileSettled) {
  int steps_while_gliding = 0;
  script().steps.push_back([&steps_while_gliding] {
    // The step of this frame has not run yet: count those of gliding frames.
    if (kvgui_top_dialog().slide_target != -10000) steps_while_gliding = host().steps;
    return kvgui_top_dialog().slide_target == -10000;
  });
  step::idle(3);
  step::key(KVGUI_KEY_ESCAPE);
  kvgui_pick_color(0);
  EXPECT_EQ(steps_while_gliding, 0);
  EXPECT_GE(host().steps, 3);
}

// The hook is looked up until the first call finds none, then never again.
TEST_F(Picker, HookLookedUpOnceWhenAbsent) {
  qvl_call_set_table(nullptr);
  static int hook_calls = 0;
  static const NamedSub table[] = {{[] { ++hook_calls; }, "KVGUI_ON_AFTER_SHOWSCREEN"},
                                   {nullptr, nullptr}};
  static int frames = 0;
  kvgui_seam.show_screen = [] {
    host().now += 17;
    if (++frames == 2) qvl_call_set_table(table);  // there from now on
    if (frames == 5) host().keys.insert(KVGUI_KEY_ESCAPE);
  };
  kvgui_pick_color(0);
  EXPECT_EQ(frames, 5);
  EXPECT_EQ(hook_calls, 0);
}

TEST_F(Picker, SwatchButtonOpensThePicker) {
  plain_dialog(400, 300);
  kvgui_add_button(S("sw"), S("SPR_C255"), 0, 0);
  frame();
  step::settle();
  step::run([] { EXPECT_EQ(kvgui_dialog_stack.size1, 2); });
  drag_slider("sl_G", 1.0);
  step::click("bt_ok");
  click(widget("sw").XPOS + 5, widget("sw").YPOS + 5);
  EXPECT_EQ(kvgui_dialog_stack.size1, 1);
  EXPECT_EQ(get("sw", "TEXT"), "SPR_C65535");
  EXPECT_EQ(widget("sw").CLICKED, 1);
}

}  // namespace
