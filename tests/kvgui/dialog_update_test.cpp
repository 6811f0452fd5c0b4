// One frame of a dialog: press codes, moving by the caption, resizing by
// the grip, body scrolling (bar, drag, wheel, kinetic, overscroll), lower
// dialogs under their veil, and popping with the fade-out.
#include <gtest/gtest.h>

#include <vector>

#include "gfx2d/draw_commands.h"
#include "kvgui/dialog_update.h"
#include "tests/kvgui/kvgui_fixture.h"

namespace {

using Update = kvgui_test::KvguiTest;
using kvgui_test::host;
BasicString S(const char* s) { return BasicString(s); }

// A 300 x 200 body at (100, 100) with one label "lbl" in it; a label takes
// the height of its text, so it covers (103, 103) to (303, 119).
void dialog_with_label() {
  kvgui_push_dialog(100, 100, 300, 200, 0, 0);
  kvgui_add_widget(S("lbl"), S("label"), 200, 16);
}

// A body whose content is h pixels high (a spacer keeps its size).
void dialog_with_content(int body_h, int content_h) {
  kvgui_push_dialog(100, 100, 300, body_h, 0, 0);
  kvgui_add_spacer(50, content_h);
  Update::frames(2);
}

TEST_F(Update, ClickIsReportedOnTheReleaseFrameOnly) {
  dialog_with_label();
  frame();
  move(150, 110);
  host().button = 1;
  frame();
  EXPECT_EQ(kvgui_button_held, 1);
  EXPECT_EQ(kvgui_mouse_down, 1);
  EXPECT_EQ(widget("lbl").CLICKED, 0);
  frame();  // held
  EXPECT_EQ(widget("lbl").CLICKED, 0);
  host().button = 0;
  frame();
  EXPECT_EQ(widget("lbl").CLICKED, 1);
  EXPECT_EQ(kvgui_button_held, 0);
  frame();
  EXPECT_EQ(widget("lbl").CLICKED, 0);
}

// While the button is held the host is kept from its idle wait, which
// would not wake for the release.
TEST_F(Update, HeldButtonKeepsTheHostAwake) {
  dialog_with_label();
  move(150, 110);
  frame();
  qvl_win_idle_count = 30;
  frame();
  EXPECT_EQ(qvl_win_idle_count, 30) << "a dialog at rest lets the host idle";
  host().button = 1;
  for (int i = 0; i < 3; ++i) {
    qvl_win_idle_count = 30;
    frame();
    EXPECT_EQ(qvl_win_idle_count, 0) << "frame " << i << " with the button held";
  }
}

TEST_F(Update, ReleaseAfterDraggingTheBodyIsNoClick) {
  dialog_with_label();
  frame();
  move(150, 115);
  host().button = 1;
  frame();
  move(150, 105);  // more than 2 pixels: a drag step
  frame();
  EXPECT_EQ(top().SCROLLING, 1);
  EXPECT_EQ(top().self.SCROLL, 8) << "10 pixels dragged, past a range of 0 eased by 2";
  move(150, 110);
  host().button = 0;
  frame();
  EXPECT_EQ(widget("lbl").CLICKED, 0);
  EXPECT_EQ(top().SCROLLING, 0);
}

TEST_F(Update, CaptionDragMovesTheDialogAndClearsTheFocusFirst) {
  dialog_with_label();
  set("", "MOVEABLE", "1");
  frame();
  EXPECT_EQ(top().outer_h, 200 + 24 + 4);  // with its caption bar
  move(120, 105);
  host().button = 1;
  frame();
  move(150, 125);
  frame();
  EXPECT_EQ(top().MOVING, 1);
  EXPECT_EQ(top().XPOS, 130);
  EXPECT_EQ(top().YPOS, 120);
  host().button = 0;
  frame();
  EXPECT_EQ(top().MOVING, 0);

  set("", "FOCUS", "lbl");
  move(140, 125);
  host().button = 1;
  frame();
  EXPECT_EQ(get("", "FOCUS"), "");
  EXPECT_EQ(top().XPOS, 130);  // the drag starts on a later frame
  move(150, 125);
  frame();
  EXPECT_EQ(top().XPOS, 140);
  host().button = 0;
  frame();
}

// A dialog dragged by its caption stays where it was dropped, whether it
// was pushed with a glide or without; a later YPOS still glides one pushed
// without (one whose glide has ended goes there at once).
TEST_F(Update, CaptionDragStaysWithAndWithoutGlide) {
  for (int slide : {0, 1}) {
    kvgui_push_dialog(100, 200, 300, 200, 0, slide);
    set("", "MOVEABLE", "1");
    frames(30);
    ASSERT_EQ(top().YPOS, 200) << "slide " << slide;
    move(120, 205);
    host().button = 1;
    frame();
    move(120, 265);
    frames(10);  // held
    EXPECT_EQ(top().YPOS, 260) << "slide " << slide;
    host().button = 0;
    frames(10);
    EXPECT_EQ(top().YPOS, 260) << "slide " << slide;
    set("", "YPOS", "300");
    frame();
    if (slide == 0) {
      EXPECT_GT(top().YPOS, 260);
      EXPECT_LT(top().YPOS, 300) << "glides";
    }
    frames(30);
    EXPECT_EQ(top().YPOS, 300) << "slide " << slide;
    kvgui_pop_dialog();
  }
}

TEST_F(Update, GripResizesButNeverBelowThirtyPixels) {
  kvgui_push_dialog(100, 100, 300, 200, 0, 0);
  set("", "SCALEABLE", "1");
  frame();
  move(395, 295);  // the grip's corner
  host().button = 1;
  frame();
  move(405, 315);
  frame();
  EXPECT_EQ(top().SCALEING, 1);
  EXPECT_EQ(top().self.WIDTH, 310);
  EXPECT_EQ(top().self.HEIGHT, 220);
  move(0, 0);
  frame();
  EXPECT_EQ(top().self.WIDTH, 30);
  EXPECT_EQ(top().self.HEIGHT, 30);
  host().button = 0;
  frame();
  EXPECT_EQ(top().SCALEING, 0);
}

TEST_F(Update, OverscrolledBodyEasesBackAndSnapsAfterASecond) {
  dialog_with_content(200, 400);
  const int range = top().self.scroll_range;
  ASSERT_GT(range, 0);
  const int below[] = {-32, -26, -21, -17, -14, -12, -10, -8, -7, -6, -5, -4, -4};
  top().self.SCROLL = -40;
  top().self.drag_time = host().now;
  for (int s : below) {
    frame();
    EXPECT_EQ(top().self.SCROLL, s);
  }
  host().now += 1000;
  frame();
  EXPECT_EQ(top().self.SCROLL, 0);

  top().self.SCROLL = range + 40;
  top().self.drag_time = host().now;
  for (int s : below) {
    frame();
    EXPECT_EQ(top().self.SCROLL, range - s);
  }
  host().now += 1000;
  frame();
  EXPECT_EQ(top().self.SCROLL, range);
}

TEST_F(Update, OverflowOfTwelvePixelsGetsNoScrollBar) {
  dialog_with_content(106, 110);  // 100 pixels of content area, 110 + 2 of content
  EXPECT_EQ(top().content_height, 112);
  EXPECT_EQ(top().self.scroll_range, 0);
  widget("ID_SPACER_0").HEIGHT = 111;
  frames(2);
  EXPECT_EQ(top().self.scroll_range, 13 + 16 - 12);
}

TEST_F(Update, WheelScrollsAThirdOfTheBodyPerNotch) {
  // The host's running total is a 16-bit count; this one wraps on the way.
  int16_t total = 32640;
  host().wheel = total;
  dialog_with_content(300, 3000);
  top().self.SCROLL = 500;
  struct Step {
    int change;
    int scroll;
  } const steps[] = {
      {-120, 600},  // a notch towards the end
      {-60, 600},   // half a notch waits
      {-60, 700},   // for the other half
      {120, 600},
      {480, 200},   // four notches back, past the wrap
  };
  for (const Step& s : steps) {
    total = static_cast<int16_t>(total + s.change);
    host().wheel = total;
    frame();
    EXPECT_EQ(top().self.SCROLL, s.scroll) << s.change;
  }
}

TEST_F(Update, KineticScrollStopsOnceBelowAPixelAFrame) {
  dialog_with_content(300, 10000);
  top().self.SCROLL = 100;
  move(200, 300);
  host().button = 1;
  frame();
  for (int y = 290; y >= 250; y -= 10) {
    move(200, y);
    frame();
  }
  host().button = 0;
  frame();
  const int released = top().self.SCROLL;
  frame();
  EXPECT_GT(top().self.SCROLL, released) << "the body runs on after the release";
  int frames_moving = 0;
  while (top().self.scroll_speed != 0.0 && frames_moving < 1000) {
    frame();
    ++frames_moving;
  }
  // 200 / elapsed x 10 pixels drops below one after about two seconds.
  EXPECT_LT(frames_moving, 150);
  qvl_win_idle_count = 30;
  const int resting = top().self.SCROLL;
  frames(5);
  EXPECT_EQ(top().self.SCROLL, resting);
  EXPECT_EQ(qvl_win_idle_count, 30) << "a resting body lets the host idle";
}

TEST_F(Update, LowerDialogsAreVeiledAndTakeNoInput) {
  dialog_with_label();
  kvgui_push_dialog(500, 100, 300, 200, 0, 0);
  kvgui_add_widget(S("upper"), S("x"), 200, 100);
  frame();
  EXPECT_EQ(rgb(110, 290), 0xFFFFFFu & 0x333333u) << "white body under an 80 % black veil";
  EXPECT_EQ(rgb(510, 290), 0xFFFFFFu);
  click(150, 110);
  kvgui_update_dialog(0, 0);
  EXPECT_EQ(kvgui_get_dialog(0).widgets.data[0].CLICKED, 0);
}

TEST_F(Update, LowerDialogKeepsItsScrollUnderAModalOne) {
  dialog_with_content(300, 1000);
  top().self.SCROLL = 40;
  frame();
  const int y = widget("ID_SPACER_0").YPOS;
  EXPECT_EQ(y, 103 - 40);
  kvgui_push_dialog(500, 100, 100, 100, 0, 0);
  frames(2);
  EXPECT_EQ(kvgui_get_dialog(0).widgets.data[0].YPOS, y);
}

TEST_F(Update, FadingPopCapturesTheWholeDialogWithoutRunningIt) {
  dialog_with_label();
  set("", "TEXT", "Title");
  top().self.SCROLL = 5;
  frame();
  host().button = 1;  // held: the capture must not take it as a press
  move(150, 110);
  kvgui_pop_dialog_fade(1);
  EXPECT_EQ(kvgui_button_held, 0);
  EXPECT_TRUE(kvgui_stack_empty());
  ASSERT_EQ(kvgui_fade_images.size1, 1);
  const KVGUI_POPDLG_IMAGE image = kvgui_fade_images.data[0];
  EXPECT_EQ(image.x, 100);
  EXPECT_EQ(image.y, 100);
  EXPECT_EQ(image.zoom, 1);
  int w = 0, h = 0;
  qvl_sprite_size(image.sprite, &w, &h);
  EXPECT_EQ(w, 300);
  EXPECT_EQ(h, 200 + 24 + 4) << "the caption bar and the bottom rows are in the picture";
  // The outline's bottom row is in the picture.
  clear_screen();
  qvl_sprite_draw(image.sprite, 0, 0);
  EXPECT_EQ(rgb(150, h - 1), 0xC0C0C0u);
  EXPECT_EQ(rgb(150, h - 2), 0xFFFFFFu);

  host().button = 0;
  qvl_win_idle_count = 30;
  host().now += 100;
  kvgui_show(0);  // nothing on the stack: the images wait for a dialog
  EXPECT_EQ(kvgui_fade_images.size1, 1);
  kvgui_push_dialog(0, 0, 10, 10, 0, 0);
  frame();
  EXPECT_EQ(qvl_win_idle_count, 0);
  EXPECT_EQ(kvgui_fade_images.size1, 1);
  host().now = image.start_time + 400;
  frame();
  EXPECT_EQ(kvgui_fade_images.size1, 0);
  qvl_sprite_size(image.sprite, &w, &h);
  EXPECT_EQ(w, 0) << "the image's sprite is released";
}

TEST_F(Update, PopupListOpensInsideTheScreen) {
  struct Case {
    int x, y, px, height;
  } const cases[] = {
      {100, 200, 100, 568},
      {1020, 500, 1008, 268},  // near the right edge
      {10, 760, 10, 16},       // near the bottom: still 16 high
  };
  for (const Case& c : cases) {
    const KvguiPopupBox box = kvgui_popup_box(c.x, c.y, 1024, 768);
    EXPECT_EQ(box.x, c.px);
    EXPECT_EQ(box.height, c.height);
  }
  plain_dialog(300, 200);
  kvgui_add_combo(S("co"), S("a|b"), 0, 0);
  kvgui_add_widget(S("lbl"), S("x"), 0, 0);
  kvgui_open_popup(S("lbl"));
  EXPECT_EQ(top().pending_action, GUI_ACTION_NONE);
  kvgui_open_popup(S("co"));
  EXPECT_EQ(top().pending_action, GUI_ACTION_POPUP_LIST);
  EXPECT_STREQ(top().action_id.text, "co");
}

}  // namespace
