// The dialog stack: pushing with placement, centring and the glide,
// resizing, popping, touch sizing, and dialogs that come and go while the
// library is in the middle of a frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/kvgui/kvgui_fixture.h"
#include "tests/support/child_process.h"

namespace {

using Stack = kvgui_test::KvguiTest;
using kvgui_test::host;

using kvgui_test::callback_log;
TEST_F(Stack, FirstPushMakesTheRootWithDefaultColoursAndLaterOnesCopyTheRoot) {
  EXPECT_TRUE(kvgui_stack_empty());
  kvgui_push_dialog(10, 10, 100, 100, 0, 0);
  ASSERT_EQ(kvgui_dialog_stack.size1, 1);
  EXPECT_EQ(top().COL_NORM, 0xC0C0C0);
  EXPECT_EQ(top().COL_BRIGHT, 0xFFFFFF);
  EXPECT_EQ(top().COL_HOVER_NORM, 0xFF9040);
  EXPECT_EQ(top().COL_HOVER_BRIGHT, 0xFFF0A0);
  EXPECT_EQ(kvgui_widget_height, 16);
  EXPECT_EQ(kvgui_min_row_height, 20);

  set("", "COL_NORM", "255");
  set("", "COL_HOVER_BRIGHT", "65280");
  kvgui_push_dialog(10, 10, 100, 100, 0, 0);
  EXPECT_EQ(top().COL_NORM, 255);
  EXPECT_EQ(top().COL_BRIGHT, 0xFFFFFF);
  EXPECT_EQ(top().COL_HOVER_BRIGHT, 65280);
}

TEST_F(Stack, PushPlacesAndSizesTheDialogOnTheScreen) {
  struct Case {
    int x, y, w, h, centre, slide;
    int xpos, ypos, target, width, height;
  } const cases[] = {
      {0, 0, 0, 0, 0, 0, 0, 0, 0, 1024, 768},      // the whole screen, at once
      {0, 0, 0, 0, 0, 1, 0, 4096, 0, 1024, 768},   // the same, gliding up
      {900, 700, 300, 300, 0, 0, 900, 700, 700, 124, 68},
      // At or past the screen's edge the body keeps one pixel.
      {1024, 800, 300, 300, 0, 0, 1023, 767, 767, 1, 1},
      {2000, 100, 300, 300, 0, 0, 1023, 100, 100, 1, 300},
      // Centred: (1024 - 300) / 2 and (768 - 200) / 2 - 16; "YPOS" goes to the glide.
      {0, 0, 300, 200, 1, 0, 362, 0, 268, 300, 200},
      {0, 0, 300, 200, 1, 1, 362, 4096, 268, 300, 200},
      {50, -20, 300, 200, 0, 0, 50, -20, -20, 300, 200},
  };
  for (const Case& c : cases) {
    kvgui_push_dialog(c.x, c.y, c.w, c.h, c.centre, c.slide);
    const KVGUI_DLG& d = top();
    EXPECT_EQ(d.XPOS, c.xpos) << c.x << "," << c.y;
    EXPECT_EQ(d.YPOS, c.ypos) << c.x << "," << c.y;
    EXPECT_EQ(d.slide_target, c.target) << c.x << "," << c.y;
    EXPECT_EQ(d.self.WIDTH, c.width) << c.x << "," << c.y;
    EXPECT_EQ(d.self.HEIGHT, c.height) << c.x << "," << c.y;
  }
}

TEST_F(Stack, DialogGlidesFrom4096To100AtSixtyPercentAFrame) {
  kvgui_push_dialog(0, 100, 300, 200, 0, 1);
  const int expected[] = {1699, 740, 356, 203, 142, 117, 107, 103, 102, 100};
  for (int y : expected) {
    qvl_win_idle_count = 50;
    frame();
    EXPECT_EQ(top().YPOS, y);
    EXPECT_EQ(qvl_win_idle_count, 0) << "a gliding dialog keeps the host awake";
  }
  EXPECT_EQ(top().slide_target, -10000);
  qvl_win_idle_count = 50;
  frame();
  EXPECT_EQ(top().YPOS, 100);
  EXPECT_EQ(qvl_win_idle_count, 50);

  // A long frame moves 95 % of the way.
  host().frame_ms = 400;
  kvgui_push_dialog(0, 96, 300, 200, 0, 1);
  frame();
  EXPECT_EQ(top().YPOS, 4096 - 3800);
}

TEST_F(Stack, DialogPushedWithoutGlideGlidesToALaterPosition) {
  kvgui_push_dialog(0, 50, 300, 200, 0, 0);
  EXPECT_EQ(top().YPOS, 50);
  set("", "YPOS", "300");
  EXPECT_EQ(top().YPOS, 50);
  EXPECT_EQ(top().slide_target, 300);
  frame();
  EXPECT_EQ(top().YPOS, 50 + 150);
  frames(12);
  EXPECT_EQ(top().YPOS, 300);
  // With the glide over, "YPOS" places the dialog at once.
  set("", "YPOS", "20");
  EXPECT_EQ(top().YPOS, 20);
}

TEST_F(Stack, ResizeMovesClipsAndRefreshes) {
  plain_dialog(300, 200);
  kvgui_add_widget(BasicString("w"), BasicString("x"), 50, 20);
  widget("w").CLICKED = 1;
  widget("w").HOVER = 1;
  kvgui_resize_dialog(5, 6, 2000, 100);
  EXPECT_EQ(top().XPOS, 5);
  EXPECT_EQ(top().slide_target, 6);  // "YPOS" of a dialog that may still glide
  EXPECT_EQ(top().self.WIDTH, 1024);
  EXPECT_EQ(top().self.HEIGHT, 100);
  EXPECT_EQ(widget("w").CLICKED, 0);
  EXPECT_EQ(widget("w").HOVER, 0);
  // No size: only the refresh.
  kvgui_resize_dialog(50, 60, 0, 100);
  EXPECT_EQ(top().XPOS, 5);
}

TEST_F(Stack, PopSendsDestroyInIdOrderThenRefreshesTheNewTop) {
  plain_dialog(300, 200);
  kvgui_add_widget(BasicString("below"), BasicString("x"), 50, 20);
  widget("below").CLICKED = 1;
  plain_dialog(300, 200);
  for (const char* id : {"m", "b", "z"})
    kvgui_add_callback_widget(BasicString(id), BasicString("USERKIND"), kvgui_test::log_callback, 10, 10);
  kvgui_add_widget(BasicString("plain"), BasicString(""), 10, 10);
  callback_log().clear();
  kvgui_pop_dialog();
  EXPECT_EQ(callback_log(), (std::vector<std::string>{"b DESTROY []", "m DESTROY []", "z DESTROY []"}));
  EXPECT_EQ(kvgui_dialog_stack.size1, 1);
  EXPECT_EQ(widget("below").CLICKED, 0);

  kvgui_pop_dialog();
  EXPECT_TRUE(kvgui_stack_empty());
  qvl_win_idle_count = 40;
  kvgui_pop_dialog();  // nothing to pop
  EXPECT_EQ(qvl_win_idle_count, 0);
  EXPECT_TRUE(kvgui_stack_empty());
  EXPECT_EQ(kvgui_show(0), 0);
}

TEST_F(Stack, TouchPlatformsSwitchTheKeypadOnAndTakeTallerRows) {
  struct Case {
    const char* platform;
    int preset;
    int row;
    double keypad;
  } const cases[] = {
      {"ANDROID", 25, 25, 1.0},  // a preset row height is kept
      {"ANDROID", 0, 30, 1.0},
      {"PALM_PIXI", 0, 30, 1.0},
      {"android", 0, 20, 0.0},   // names compare case-sensitively
      {"LINUX", 0, 20, 0.0},
  };
  for (const Case& c : cases) {
    kvgui_use_keypad = 0.0;
    kvgui_min_row_height = c.preset;
    kvgui_apply_touch_sizing(BasicString(c.platform));
    EXPECT_EQ(kvgui_min_row_height, c.row) << c.platform;
    EXPECT_EQ(kvgui_use_keypad, c.keypad) << c.platform;
  }
}

// A callback that pushes enough dialogs to move the stack's block, and
// one that pops its own dialog in the middle of the layout.
double push_many(BasicString&, BasicString& verb, BasicString&) {
  if (std::string(verb.text) == "CLICKED")
    for (int i = 0; i < 12; ++i) kvgui_push_dialog(0, 0, 50, 50, 0, 0);
  return 0;
}

double pop_self(BasicString&, BasicString& verb, BasicString&) {
  if (std::string(verb.text) == "CLICKED") kvgui_pop_dialog();
  return 0;
}

TEST_F(Stack, DialogsPushedOrPoppedFromACallbackLeaveNothingDangling) {
  plain_dialog(400, 300);
  kvgui_add_callback_widget(BasicString("pusher"), BasicString("K"), push_many, 40, 20);
  kvgui_add_widget(BasicString("after"), BasicString("label"), 60, 20);
  frame();
  const KVGUI_WDG& pusher = widget("pusher");
  click(pusher.XPOS + 5, pusher.YPOS + 5);
  EXPECT_EQ(kvgui_dialog_stack.size1, 13);
  frames(2);
  for (int i = 0; i < 12; ++i) kvgui_pop_dialog();
  EXPECT_EQ(kvgui_dialog_stack.size1, 1);
  EXPECT_TRUE(exists("after"));

  plain_dialog(400, 300);
  kvgui_add_callback_widget(BasicString("closer"), BasicString("K"), pop_self, 40, 20);
  kvgui_add_widget(BasicString("after"), BasicString("label"), 60, 20);
  frame();
  const int x = widget("closer").XPOS + 5, y = widget("closer").YPOS + 5;
  click(x, y);
  EXPECT_EQ(kvgui_dialog_stack.size1, 1);
  frames(2);
}

TEST_F(Stack, SettingWithAnEmptyStackEndsWithError9) {
  auto r = qvl_test::run_in_child([] {
    kvgui_set_property(BasicString("id"), BasicString("TEXT"), BasicString("x"));
    std::printf("not reached\n");
  });
  EXPECT_EQ(r.exit_status, 9);
  EXPECT_EQ(r.out, "error: 9\nexit\n");
  EXPECT_NE(r.err.find("bounds: [   0]"), std::string::npos) << r.err;
}

}  // namespace
