// Lists, combo boxes, galleries and the file field: the list's easing,
// choosing rows, drawing the rows in view, and the popup and chooser they
// queue.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "kvgui/kinds_items.h"
#include "tests/kvgui/kvgui_fixture.h"

namespace {

using Items = kvgui_test::KvguiTest;
using kvgui_test::host;
using kvgui_test::near;
BasicString S(const char* s) { return BasicString(s); }

// Ten items in a box 100 high with 16-pixel rows.
void ten_items() {
  kvgui_push_dialog(0, 0, 400, 300, 0, 0);
  kvgui_widget_height = 16;
  kvgui_add_list(S("ls"), S("a|b|c|d|e|f|g|h|i|j"), 100, 100);
}

TEST_F(Items, ListOverscrollEasesBack) {
  ten_items();
  EXPECT_EQ(widget("ls").HEIGHT, 100);
  set("ls", "SCROLL", "70");
  std::vector<int> seen;
  for (int i = 0; i < 8; ++i) {
    frame();
    seen.push_back(widget("ls").SCROLL);
  }
  EXPECT_EQ(widget("ls").scroll_range, 59);
  EXPECT_EQ(seen, (std::vector<int>{68, 66, 65, 64, 63, 62, 62, 62})) << "an excess of 3 stays";
  set("ls", "SCROLL", "-10");
  set("ls", "READONLY", "1");
  seen.clear();
  for (int i = 0; i < 5; ++i) {
    frame();
    seen.push_back(widget("ls").SCROLL);
  }
  EXPECT_EQ(seen, (std::vector<int>{-8, -6, -5, -4, -3})) << "also read-only";
}

TEST_F(Items, ListClicksChooseRowsOrNone) {
  ten_items();
  frame();
  const int x = widget("ls").XPOS + 20, y = widget("ls").YPOS;
  click(x, y + 2 * 16 + 5);
  EXPECT_EQ(widget("ls").SELECT, 2);
  EXPECT_EQ(widget("ls").CLICKED, 1);
  EXPECT_EQ(widget("ls").HOVER, 2);
  frame();
  EXPECT_EQ(widget("ls").CLICKED, 0);
  // A short list: a click below the last item clears the choice.
  set("ls", "TEXT", "a|b");
  frame();
  EXPECT_EQ(widget("ls").COUNT, 2) << "split again when the text changed";
  click(x, y + 50);
  EXPECT_EQ(widget("ls").SELECT, -1);
  EXPECT_EQ(widget("ls").CLICKED, 1);
  EXPECT_EQ(widget("ls").HOVER, -1);
  // Dragged down past its start, the rows above the first are no row either.
  set("ls", "TEXT", "a|b|c|d|e|f|g|h|i|j");
  set("ls", "SELECT", "4");
  frame();
  set("ls", "SCROLL", "-80");
  click(x, y + 5);
  EXPECT_EQ(widget("ls").SELECT, -1);
  // Read-only: no choice.
  set("ls", "SELECT", "4");
  set("ls", "READONLY", "1");
  frames(40);
  click(x, y + 20);
  EXPECT_EQ(widget("ls").SELECT, 4);
}

TEST_F(Items, ListDrawsFromTheFirstRowInView) {
  ten_items();
  set("ls", "SELECT", "3");
  set("ls", "SCROLL", "40");
  clear_screen();
  frame();
  EXPECT_EQ(widget("ls").SCROLL, 40) << "within its range: no easing";
  // Row 3 starts 3 x 16 - 40 = 8 pixels into the box.
  const KVGUI_WDG& ls = widget("ls");
  EXPECT_TRUE(near(rgb(ls.XPOS + 30, ls.YPOS + 8), 0xFF9040, 16));
  EXPECT_EQ(rgb(ls.XPOS + 30, ls.YPOS + 7), 0xFFFFFFu);
  EXPECT_EQ(rgb(ls.XPOS + 30, ls.YPOS + 22), 0xFFF0A0u);
  EXPECT_EQ(rgb(ls.XPOS + 30, ls.YPOS + 23), 0xFFFFFFu);

  // A long list keeps its split items from frame to frame.
  std::string many;
  for (int i = 0; i < 5000; ++i) many += "item" + std::to_string(i) + "|";
  set("ls", "TEXT", many.c_str());
  frame();
  EXPECT_EQ(widget("ls").COUNT, 5000);
  EXPECT_EQ(widget("ls").items.starts.size(), 5000u);
  EXPECT_STREQ(kvgui_get_widget_item(S("ls"), 4999).text, "item4999");
}

TEST_F(Items, ComboOpensThePopupEvenWhenReadOnly) {
  kvgui_push_dialog(0, 0, 400, 300, 0, 0);
  kvgui_add_combo(S("co"), S("one|two"), 0, 0);
  kvgui_add_gallery(S("ga"), S("SPR_C255|SPR_C65280"), 0, 0);
  KVGUI_DLG& d = top();
  for (const char* id : {"co", "ga"}) {
    KVGUI_WDG& w = widget(id);
    w.READONLY = 1;
    w.CLICKED = 1;
    d.pending_action = GUI_ACTION_NONE;
    kvgui_handle_combo(d, w, 3, 3, GUI_PRESS_NONE);
    EXPECT_EQ(w.CLICKED, 0);
    EXPECT_EQ(d.pending_action, GUI_ACTION_NONE);
    kvgui_handle_combo(d, w, 3, 3, GUI_PRESS_CLICK);
    EXPECT_EQ(d.pending_action, GUI_ACTION_POPUP_LIST) << id;
    EXPECT_STREQ(d.action_id.text, id);
    EXPECT_EQ(w.CLICKED, 0) << "clicked only when an item is picked";
  }
}

TEST_F(Items, ComboShowsItsChosenSwatch) {
  kvgui_push_dialog(0, 0, 400, 300, 0, 0);
  kvgui_add_gallery(S("none"), S("SPR_C255|SPR_C65280"), 100, 40);
  widget("none").SELECT = -1;
  kvgui_add_gallery(S("green"), S("SPR_C255|SPR_C65280"), 100, 40);
  widget("green").SELECT = 1;
  clear_screen();
  frame();
  const KVGUI_WDG& g = widget("green");
  EXPECT_EQ(rgb(g.XPOS + 20, g.YPOS + 20), 0x00FF00u);
  const KVGUI_WDG& n = widget("none");
  EXPECT_TRUE(near(rgb(n.XPOS + 20, n.YPOS + 20), 0xC0C0C0, 40)) << "only its face";
}

TEST_F(Items, FileFieldQueuesTheChooserWithItsFilter) {
  kvgui_push_dialog(0, 0, 400, 300, 0, 0);
  kvgui_add_file_field(S("ff"), S("/data/games/save.txt"), S(""), 0, 0);
  KVGUI_DLG& d = top();
  KVGUI_WDG& w = widget("ff");
  kvgui_handle_file_field(d, w, 3, 3, GUI_PRESS_NONE);
  EXPECT_STREQ(w.FILTER.text, "*.*") << "an empty filter lists every file";
  EXPECT_EQ(d.pending_action, GUI_ACTION_NONE);
  kvgui_handle_file_field(d, w, 3, 3, GUI_PRESS_CLICK);
  EXPECT_EQ(d.pending_action, GUI_ACTION_FILE_CHOOSER);
  EXPECT_STREQ(d.action_id.text, "ff");
  d.pending_action = GUI_ACTION_NONE;
  w.READONLY = 1;
  kvgui_handle_file_field(d, w, 3, 3, GUI_PRESS_CLICK);
  EXPECT_EQ(d.pending_action, GUI_ACTION_NONE);
}

}  // namespace
