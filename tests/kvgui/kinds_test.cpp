// The kind dispatch: hover and clicks at the widget's edges, the label
// kind, user kinds driven by their callback, and a user kind without one.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "kvgui/kind_dispatch.h"
#include "tests/kvgui/kvgui_fixture.h"
#include "tests/support/child_process.h"

namespace {

using Kinds = kvgui_test::KvguiTest;
using kvgui_test::host;
BasicString S(const char* s) { return BasicString(s); }

using kvgui_test::callback_log;
TEST_F(Kinds, HoverAndClicksStopAtTheWidgetsEdges) {
  plain_dialog(400, 300);
  kvgui_add_widget(S("w"), S("label"), 100, 16);
  frame();
  const int x = widget("w").XPOS, y = widget("w").YPOS;
  struct Case {
    int dx, dy, hover;
  } const cases[] = {{0, 0, 1}, {99, 15, 1}, {100, 5, 0}, {5, 16, 0}, {-1, 5, 0}};
  for (const Case& c : cases) {
    click(x + c.dx, y + c.dy);
    EXPECT_EQ(widget("w").HOVER, c.hover) << c.dx << "," << c.dy;
    EXPECT_EQ(widget("w").CLICKED, c.hover) << c.dx << "," << c.dy;
  }
  frame();
  EXPECT_EQ(widget("w").CLICKED, 0) << "a label is clicked for one frame";
  KVGUI_WDG& w = widget("w");
  kvgui_handle_widget(top(), w, 100, 0, GUI_PRESS_CLICK);
  EXPECT_EQ(w.CLICKED, 0) << "a click outside reaches the widget as none";
}

// The first row of the label's box that has a lit pixel.
int first_lit_row(int x0, int y0, int w, int h) {
  std::vector<uint32_t> p(size_t(w) * h);
  qvl_gfx_flush_sprites();  // reading the frame behind the runtime's back
  glFinish();
  glReadPixels(x0, 768 - y0 - h, w, h, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
  for (int row = 0; row < h; ++row)  // GL rows run bottom-up
    for (int col = 0; col < w; ++col)
      if ((p[size_t(h - 1 - row) * w + col] & 0xFFFFFF) != 0xFFFFFF) return row;
  return -1;
}

TEST_F(Kinds, LabelCentresOneLineAndSizesToItsText) {
  plain_dialog(400, 300);
  kvgui_add_widget(S("one"), S("X"), 60, 16);
  kvgui_add_widget(S("two"), S("X\nX"), 60, 16);
  kvgui_add_widget(S("tiny"), S("x"), 60, 3);
  frame();
  EXPECT_EQ(widget("one").HEIGHT, 16);
  EXPECT_EQ(widget("two").HEIGHT, 24);
  EXPECT_EQ(widget("tiny").HEIGHT, 16) << "never below the widget height";
  const KVGUI_WDG& one = widget("one");
  const KVGUI_WDG& two = widget("two");
  const int a = first_lit_row(one.XPOS, one.YPOS, 12, 16);
  const int b = first_lit_row(two.XPOS, two.YPOS, 12, 16);
  ASSERT_GE(b, 0);
  EXPECT_EQ(a - b, (16 - 12) / 2) << "one line is centred; a text with a line feed starts at the top";
}

TEST_F(Kinds, UserKindsDrawAndHearClicksThroughTheirCallback) {
  plain_dialog(400, 300);
  kvgui_add_callback_widget(S("dial"), S("DIAL"), kvgui_test::log_callback, 40, 30);
  kvgui_add_callback_widget(S("button"), S("button"), kvgui_test::log_callback, 40, 30);  // not a BUTTON
  EXPECT_EQ(widget("button").kind, KvguiKind::USER);
  callback_log().clear();
  frames(2);
  // Drawn every frame, in creation order.
  EXPECT_EQ(callback_log(), (std::vector<std::string>{"dial DRAW []", "button DRAW []", "dial DRAW []",
                                               "button DRAW []"}));
  callback_log().clear();
  const int x = widget("dial").XPOS, y = widget("dial").YPOS;
  move(x + 12, y + 5);
  host().button = 1;
  frame();
  EXPECT_EQ(widget("dial").CLICKED, 0);
  host().button = 0;
  frame();
  EXPECT_EQ(widget("dial").CLICKED, 1);
  const std::vector<std::string> expected = {"dial DRAW []", "button DRAW []",
                                             "dial CLICKED [  12,   5, 1]", "dial DRAW []",
                                             "button DRAW []"};
  EXPECT_EQ(callback_log(), expected);
  frame();
  EXPECT_EQ(widget("dial").CLICKED, 0);
}

// Prints what the scripted host is asked to do, then hands the dialog to
// the library; a user kind without a callback must stop the program.
void run_unhandled_user_kind(bool refresh) {
  auto r = qvl_test::run_in_child([refresh] {
    kvgui_seam.show_screen = [] { std::printf("screen shown\n"); };
    kvgui_seam.wait_click = [] { std::printf("click awaited\n"); };
    kvgui_push_dialog(0, 0, 400, 300, 0, 0);
    kvgui_add_custom(S("gauge"), S("GAUGE"), 40, 20);
    std::printf("built\n");
    if (refresh)
      kvgui_refresh_dialog();
    else
      kvgui_show(0);
    std::printf("not reached\n");
  });
  EXPECT_EQ(r.exit_status, 9);
  EXPECT_EQ(r.out, "built\nscreen shown\nclick awaited\nerror: 9\nexit\n");
  EXPECT_NE(r.err.find("bounds: "), std::string::npos) << r.err;
}

TEST_F(Kinds, UserKindWithoutCallbackStopsTheProgramWhenHandled) {
  run_unhandled_user_kind(false);
}

TEST_F(Kinds, UserKindWithoutCallbackStopsTheProgramWhenRefreshed) {
  run_unhandled_user_kind(true);
}

TEST_F(Kinds, UserKindWithoutCallbackIsOnlyDrawnInALowerDialog) {
  plain_dialog(400, 300);
  kvgui_add_custom(S("gauge"), S("GAUGE"), 40, 20);
  // Pushing refreshes nothing below; the lower dialog is drawn, not handled
  // (handling would end this process).
  kvgui_push_dialog(500, 0, 100, 100, 0, 0);
  clear_screen();
  frames(2);
  const KVGUI_WDG& gauge = kvgui_get_dialog(0).widgets.data[0];
  EXPECT_EQ(gauge.XPOS, 3);
  EXPECT_EQ(gauge.YPOS, 3);
  // The placeholder's gradient starts black, under the veil as over the
  // dialog's white body beside it.
  EXPECT_TRUE(kvgui_test::near(rgb(3 + 38, 3), 0x000000u)) << std::hex << rgb(3 + 38, 3);
  EXPECT_EQ(rgb(3 + 45, 3), 0x333333u);
}

}  // namespace
