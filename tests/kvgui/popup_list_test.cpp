// The popup list driven frame by frame: its size as a list and as a
// gallery, what it answers to a click on an item, outside, Esc and a drag,
// the chosen item in view, swatches, and the combo box that opens it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kvgui/item_list.h"
#include "kvgui/kinds_text.h"
#include "kvgui/modal_dialogs.h"
#include "tests/kvgui/kvgui_fixture.h"

namespace {

using Popup = kvgui_test::KvguiTest;
using kvgui_test::host;
using kvgui_test::script;
namespace step = kvgui_test::step;
BasicString S(const char* s) { return BasicString(s); }

std::string numbered(int n) {
  std::string items;
  for (int i = 0; i < n; ++i) items += (i ? "|i" : "i") + std::to_string(i);
  return items;
}

TEST_F(Popup, ListAndGallerySizes) {
  kvgui_widget_height = 16;
  kvgui_min_row_height = 20;
  const std::vector<BasicString> thirty = kvgui_split_items(S(numbered(30).c_str()));
  struct Case {
    int y, width, gallery;
    int item_width, columns, height;
  } const cases[] = {
      {100, 200, 0, 196, 1, 30 * 18 + 4},
      // Under a combo box near the bottom: as high as there is room, and
      // narrower items beside the scroll bar.
      {668, 200, 0, 172, 1, 99},
      {100, 2, 0, 1, 1, 30 * 18 + 4},
  };
  for (const Case& c : cases) {
    const KvguiPopupSize size = kvgui_popup_size(c.y, c.width, thirty, c.gallery);
    EXPECT_EQ(size.item_height, 16);
    EXPECT_EQ(size.item_width, c.item_width) << c.y << " " << c.width;
    EXPECT_EQ(size.columns, c.columns);
    EXPECT_EQ(size.height, c.height) << c.y << " " << c.width;
  }
  // Gallery items 40 wide: (200 - 43) / 42 = 3 columns.
  kvgui_widget_height = 40;
  const std::vector<BasicString> four = kvgui_split_items(S("a|b|c|d"));
  KvguiPopupSize g = kvgui_popup_size(0, 200, four, 1);
  EXPECT_EQ(g.item_width, 40);
  EXPECT_EQ(g.columns, 3);
  EXPECT_EQ(g.height, 46);
  g = kvgui_popup_size(0, 2, four, 1);  // no room for an item: one column, no division by 0
  EXPECT_EQ(g.columns, 1);
  EXPECT_EQ(g.item_width, 1);
}

TEST_F(Popup, ALongListGetsAScrollBar) {
  kvgui_widget_height = 16;
  kvgui_min_row_height = 20;
  int height = 0, item_width = 0, range = 0;
  step::idle(2);
  step::run([&] {
    height = top().self.HEIGHT;
    item_width = widget("b0").WIDTH;
    range = top().self.scroll_range;
  });
  step::key(KVGUI_KEY_ESCAPE);
  EXPECT_EQ(kvgui_pick_item(100, 668, 200, 0, S(numbered(30).c_str()), 0, 0), -1);
  EXPECT_EQ(height, 101) << "99 and the outline";
  EXPECT_EQ(item_width, 172);
  EXPECT_GT(range, 0);
  EXPECT_TRUE(kvgui_stack_empty());
  EXPECT_EQ(kvgui_fade_images.size1, 0) << "closed without a fade-out";
}

TEST_F(Popup, AnswersItemsOutsideClicksAndEsc) {
  const BasicString items("zero|one|two");
  step::click("b2");
  EXPECT_EQ(kvgui_pick_item(100, 100, 200, 0, items, 0, 0), 2);
  step::click_at(900, 700);
  EXPECT_EQ(kvgui_pick_item(100, 100, 200, 0, items, 0, 0), -1);
  step::key(KVGUI_KEY_ESCAPE);
  EXPECT_EQ(kvgui_pick_item(100, 100, 200, 0, items, 0, 0), -1);
  // No items: nothing is shown.
  const int screens = host().screens;
  EXPECT_EQ(kvgui_pick_item(100, 100, 200, 0, S("||"), 0, 0), -1);
  EXPECT_EQ(host().screens, screens);
  EXPECT_TRUE(kvgui_stack_empty());
}

TEST_F(Popup, DraggingToScrollIsNoClick) {
  kvgui_widget_height = 16;
  int scrolled = 0;
  step::run([] {
    int x = 0, y = 0;
    kvgui_test::widget_point("b8", -1, -1, &x, &y);
    host().mouse_x = x;
    host().mouse_y = y;
    host().button = 1;
  });
  for (int i = 0; i < 3; ++i) step::run([] { host().mouse_y -= 20; });
  step::run([] { host().button = 0; });
  step::idle(2);
  step::run([&scrolled] { scrolled = top().self.SCROLL; });
  step::key(KVGUI_KEY_ESCAPE);
  EXPECT_EQ(kvgui_pick_item(100, 400, 200, 0, S(numbered(30).c_str()), 0, 0), -1) << "Esc, not the drag";
  EXPECT_GT(scrolled, 0);
}

TEST_F(Popup, ChosenItemIsPressedAndInView) {
  kvgui_widget_height = 16;
  int select = 0, y = 0, top_y = 0, bottom_y = 0;
  step::run([&] {
    select = widget("b20").SELECT;
    y = widget("b20").YPOS;
    top_y = top().YPOS;
    bottom_y = top_y + top().self.HEIGHT;
  });
  step::key(KVGUI_KEY_ESCAPE);
  kvgui_pick_item(100, 400, 200, 0, S(numbered(30).c_str()), 20, 0);
  EXPECT_EQ(select, 1);
  EXPECT_GE(y, top_y);
  EXPECT_LE(y + 16, bottom_y);
}

TEST_F(Popup, SwatchItemsArePickedNotEdited) {
  kvgui_widget_height = 16;
  step::click("b1");
  EXPECT_EQ(kvgui_pick_item(100, 100, 200, 0, S("SPR_C255|SPR_C65280"), 0, 1), 1);
  EXPECT_TRUE(kvgui_stack_empty()) << "no colour picker was opened";
}

TEST_F(Popup, ComboBoxTakesThePick) {
  plain_dialog(400, 300);
  kvgui_add_combo(S("co"), S("red|green|blue"), 0, 0);
  frame();
  step::click("b1");
  click(widget("co").XPOS + 5, widget("co").YPOS + 5);
  EXPECT_EQ(widget("co").SELECT, 1);
  EXPECT_EQ(widget("co").CLICKED, 1);
  frame();
  EXPECT_EQ(widget("co").CLICKED, 0);
  EXPECT_EQ(kvgui_dialog_stack.size1, 1);
}

}  // namespace
