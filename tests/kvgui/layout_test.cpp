// The flow layout: rows, alignment, line breaks, hidden and inert widgets,
// groups that grow to their content, clipping (drawing and input), tool
// tips and the refresh.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/kvgui/kvgui_fixture.h"

namespace {

using Layout = kvgui_test::KvguiTest;
using kvgui_test::host;
BasicString S(const char* s) { return BasicString(s); }

// A dialog at (100, 100) whose content area is 250 wide: content left
// L = 103, top T = 103.
constexpr int L = 103, T = 103;
void row_dialog() { kvgui_push_dialog(100, 100, 256, 300, 0, 0); }

double quiet(BasicString&, BasicString&, BasicString&) { return 0; }

void quiet_box(const char* id, int w, int h) {
  kvgui_add_callback_widget(S(id), S("BOX"), quiet, w, h);
}

std::pair<int, int> at(const char* id) {
  const KVGUI_WDG& w = kvgui_test::KvguiTest::widget(id);
  return {w.XPOS, w.YPOS};
}

TEST_F(Layout, RowsBreakAlignAndSkipHiddenAndInertWidgets) {
  row_dialog();
  quiet_box("a", 100, 20);
  quiet_box("b", 100, 20);
  quiet_box("c", 100, 20);  // no room left: a new row
  kvgui_add_line_break(0);
  quiet_box("right", 50, 20);
  widget("right").ALIGN = 1;
  kvgui_add_line_break(0);
  quiet_box("first", 100, 20);
  quiet_box("centred", 50, 20);
  widget("centred").ALIGN = 0;
  kvgui_add_line_break(0);
  quiet_box("x", 100, 20);
  quiet_box("hidden", 100, 20);
  widget("hidden").HIDE = 1;
  set("ghost", "TEXT", "made by a set");  // no kind: takes no space, never handled
  quiet_box("y", 100, 20);
  frame();
  struct Case {
    const char* id;
    int x, y;
  } const cases[] = {
      {"a", L, T},
      {"b", L + 102, T},
      {"c", L, T + 22},
      // The line break ends c's row; the next row starts with height 0.
      {"right", L + 200, T + 22 + 22},
      {"first", L, T + 66},
      {"centred", L + 102 + 49, T + 66},
      {"x", L, T + 88},
      {"y", L + 102, T + 88},
  };
  for (const Case& c : cases) EXPECT_EQ(at(c.id), std::make_pair(c.x, c.y)) << c.id;
  // The click where the hidden widget would be reaches the one in its place.
  click(L + 110, T + 95);
  EXPECT_EQ(widget("hidden").CLICKED, 0);
  EXPECT_EQ(widget("y").CLICKED, 1);
}

TEST_F(Layout, UntitledFrameGrowsToItsContentOnceAndKeepsIt) {
  row_dialog();
  kvgui_add_frame(S("fr"), S(""), 0);
  quiet_box("in1", 50, 20);
  quiet_box("in2", 50, 30);
  kvgui_add_unframe();
  quiet_box("after", 40, 20);
  frame();
  // The frame starts a row; its contents sit one pixel in (the inset of a
  // whole-row group without caption).
  EXPECT_EQ(at("fr"), std::make_pair(L, T + 2));
  EXPECT_EQ(at("in1"), std::make_pair(L + 1, T + 2));
  EXPECT_EQ(at("in2"), std::make_pair(L + 1 + 52, T + 2));
  EXPECT_EQ(widget("fr").WIDTH, 50 + 2 + 50 + 2 + 2);
  EXPECT_EQ(widget("fr").HEIGHT, 30);
  frame();
  // Now of a fixed width, the frame has no inset and leaves room beside it.
  EXPECT_EQ(widget("fr").WIDTH, 106);
  EXPECT_EQ(at("fr"), std::make_pair(L, T));
  EXPECT_EQ(at("in1"), std::make_pair(L, T));
  EXPECT_EQ(at("after"), std::make_pair(L + 106 + 2, T));
}

TEST_F(Layout, GroupNeverClosedEndsWithTheDialog) {
  row_dialog();
  kvgui_add_frame(S("fr"), S(""), 200);
  quiet_box("in1", 50, 20);
  quiet_box("in2", 50, 20);
  frames(2);
  // Laid out once, inside the group, and not again after it.
  EXPECT_EQ(at("in1"), std::make_pair(L, T));
  EXPECT_EQ(at("in2"), std::make_pair(L + 52, T));
  EXPECT_EQ(widget("fr").HEIGHT, 20);
}

TEST_F(Layout, ClippedWidgetsDrawTheirVisiblePartAndTakeClicksOnlyThere) {
  row_dialog();
  kvgui_add_spacer(10, 10);
  kvgui_add_tab(S("tab"), S("One|Two"), 40);
  kvgui_add_line_break(0);
  quiet_box("low", 50, 20);
  kvgui_add_spacer(10, 1000);
  frames(2);
  top().self.SCROLL = 30;  // the tab's top 18 rows go above the content top
  frames(2);
  const KVGUI_WDG& tab = widget("tab");
  EXPECT_EQ(tab.YPOS, T - 18);
  // The bar's closing line at its true place; nothing of its (orange)
  // selected header above the content top.
  EXPECT_EQ(rgb(L + 100, tab.YPOS + 39), 0xC0C0C0u);
  EXPECT_EQ(rgb(L + 20, T - 2), 0xFFFFFFu);
  EXPECT_NE(rgb(L + 20, T + 5), 0xFFFFFFu);
  // A click on the hidden top part does not reach the widget; one on the
  // visible part does.
  widget("tab").SELECT = 0;
  const int header1 = std::max(16, kvgui_measure_text_width(S("One")) + 12);
  click(widget("tab").XPOS + header1 + 4, T - 3);
  EXPECT_EQ(widget("tab").SELECT, 0);
  click(widget("tab").XPOS + header1 + 4, T + 5);
  EXPECT_EQ(widget("tab").SELECT, 1);
}

TEST_F(Layout, ToolTipSitsCentredAboveItsWidgetInsideTheScreen) {
  kvgui_push_dialog(100, 100, 400, 300, 0, 0);
  quiet_box("w", 200, 20);
  set("w", "TIPTEXT", "one\n\ntwo");
  move(150, 110);
  frame();
  EXPECT_EQ(widget("w").HOVER, 1);
  const int box_w = std::max(kvgui_measure_text_width(S("one")), kvgui_measure_text_width(S("two")));
  const int bx = L + (200 - box_w) / 2 - 1;
  const int by = T - 2 * 12 - 2 - 16;  // two lines: the empty one is dropped
  EXPECT_NE(rgb(bx + box_w / 2, by), 0xC0C0C0u) << "no tip before the mouse rests";
  host().now += 600;
  frame();
  EXPECT_EQ(rgb(bx + box_w / 2, by), 0xC0C0C0u);
  EXPECT_EQ(rgb(bx + box_w / 2, by + 2 * 12 + 1), 0xC0C0C0u);

  kvgui_pop_dialog();
  kvgui_push_dialog(100, 0, 400, 300, 0, 0);
  quiet_box("w", 200, 20);
  set("w", "TIPTEXT", "near the top");
  move(150, 10);
  frame();
  host().now += 600;
  frame();
  // The box is at the screen's top: its pale fill over the dialog's white.
  const uint32_t fill = rgb(120, 1);
  EXPECT_LT(fill & 0xFF, 0xC0u) << std::hex << fill;
  EXPECT_EQ(fill >> 16, 0xFFu) << std::hex << fill;
}

// A dialog opened while the mouse rests on a tipped widget puts the tip
// away: a lower dialog draws none (its widget keeps its HOVER).
TEST_F(Layout, OnlyTheTopDialogDrawsToolTips) {
  kvgui_push_dialog(100, 100, 400, 300, 0, 0);
  quiet_box("w", 200, 20);
  set("w", "TIPTEXT", "tip");
  move(150, 110);
  frame();
  host().now += 600;
  const int tip_x = L + 100, tip_y = T - 12 - 2 - 16;
  clear_screen();
  frame();
  ASSERT_EQ(rgb(tip_x, tip_y), 0xC0C0C0u) << "the tip's outline";
  kvgui_push_dialog(600, 500, 200, 100, 0, 0);
  for (int i = 0; i < 2; ++i) {
    host().now += 600;
    clear_screen();
    frame();
    EXPECT_NE(rgb(tip_x, tip_y), 0xC0C0C0u) << "frame " << i;
  }
}

// Adds widgets while the layout is drawing this one: the widget array is
// moved to a larger block under the layout's feet.
double add_more(BasicString&, BasicString& verb, BasicString&) {
  if (std::string(verb.text) != "DRAW" || kvgui_top_dialog().widgets.size1 != 2) return 0;
  for (int i = 0; i < 60; ++i) kvgui_add_spacer(1, 1);
  return 0;
}

TEST_F(Layout, WidgetsAddedDuringTheLayoutLeaveNothingDangling) {
  row_dialog();
  kvgui_add_callback_widget(S("grower"), S("GROWER"), add_more, 40, 20);
  quiet_box("after", 40, 20);
  frames(3);
  EXPECT_EQ(top().widgets.size1, 62);
  EXPECT_EQ(at("after"), std::make_pair(L + 42, T));
}

TEST_F(Layout, RefreshClearsTransientState) {
  plain_dialog(300, 200);
  kvgui_add_widget(S("label"), S("x"), 0, 0);
  kvgui_add_checkbox(S("ro"), S("x"), 0, 0);
  kvgui_add_checkbox(S("rw"), S("x"), 0, 0);
  quiet_box("user", 10, 10);
  for (const char* id : {"label", "ro", "rw", "user"}) {
    widget(id).CLICKED = 1;
    widget(id).HOVER = 1;
  }
  widget("ro").READONLY = 1;
  kvgui_refresh_dialog();
  EXPECT_EQ(widget("label").CLICKED, 0);
  EXPECT_EQ(widget("ro").CLICKED, 1);
  EXPECT_EQ(widget("rw").CLICKED, 0);
  EXPECT_EQ(widget("user").CLICKED, 0);
  for (const char* id : {"label", "ro", "rw", "user"}) EXPECT_EQ(widget(id).HOVER, 0) << id;
}

// The largest sizes and places a program can set: laid out, handled and
// drawn without a sum that leaves the int range.
TEST_F(Layout, ExtremeSizesAndPlacesStayInRange) {
  constexpr int kMax = 2147483647;
  row_dialog();
  kvgui_add_frame(S("fr"), S("Group"), 200);
  quiet_box("tall", 50, 20);
  kvgui_add_unframe();
  quiet_box("below", 50, 20);
  set("tall", "HEIGHT", "2147483647");
  frames(2);
  EXPECT_EQ(at("fr"), std::make_pair(L, T));
  EXPECT_EQ(widget("fr").HEIGHT, kMax) << "a group around it as high as the range";
  EXPECT_EQ(widget("below").YPOS, kMax) << "and the row below it at its end";

  // A dialog put at either end of the range, drawn below another, and
  // fading out from there.
  for (const char* place : {"2147483647", "-2147483648"}) {
    set("", "XPOS", place);
    set("", "YPOS", place);
    frames(2);
    plain_dialog(100, 100);
    frames(2);
    kvgui_pop_dialog();
  }
  kvgui_pop_dialog_fade(1);
  frames(2);
}

}  // namespace
