// Widgets found by id, properties read and written by key, callbacks,
// items, the widget under a point and the automatic links.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/kvgui/kvgui_fixture.h"

namespace {

using Properties = kvgui_test::KvguiTest;

std::vector<std::string> ids(const BasicArray<KVGUI_WDG>& widgets) {
  std::vector<std::string> out;
  for (int i = 0; i < widgets.size1; ++i) out.push_back(widgets.data[i].id.text);
  return out;
}

TEST_F(Properties, WidgetsSortByIdAndKeepTheirCreationOrder) {
  plain_dialog(300, 200);
  for (const char* id : {"b", "a", "c"}) kvgui_add_widget(BasicString(id), BasicString(""), 10, 10);
  KVGUI_DLG& d = top();
  EXPECT_EQ(ids(d.widgets), (std::vector<std::string>{"a", "b", "c"}));
  ASSERT_EQ(d.order.size1, 3);
  const char* order_ids[] = {"b", "a", "c"};
  const int indexes[] = {1, 0, 2};
  for (int k = 0; k < 3; ++k) {
    EXPECT_STREQ(d.order.data[k].id.text, order_ids[k]);
    EXPECT_EQ(d.order.data[k].index, indexes[k]);
  }
  kvgui_add_widget(BasicString("aa"), BasicString(""), 10, 10);
  KVGUI_DLG& again = top();
  EXPECT_EQ(ids(again.widgets), (std::vector<std::string>{"a", "aa", "b", "c"}));
  EXPECT_EQ(again.order.data[3].index, 1);
  EXPECT_EQ(again.order.data[0].index, 2);
  EXPECT_EQ(kvgui_find_widget(again, BasicString("c")), 3);
  EXPECT_EQ(kvgui_find_widget(again, BasicString("d")), -1);
  EXPECT_EQ(kvgui_find_or_add_widget(again, BasicString("d"), 0), -1);
  EXPECT_EQ(again.widgets.size1, 4);
}

TEST_F(Properties, OneWidgetIsFoundAtZeroAndNothingElseIs) {
  plain_dialog(300, 200);
  kvgui_add_widget(BasicString("only"), BasicString(""), 10, 10);
  EXPECT_EQ(kvgui_find_widget(top(), BasicString("only")), 0);
  EXPECT_EQ(kvgui_find_widget(top(), BasicString("onl")), -1);
  EXPECT_EQ(kvgui_find_widget(top(), BasicString("only ")), -1);
  EXPECT_EQ(kvgui_find_widget(top(), BasicString("")), -1);
}

TEST_F(Properties, UnknownIdsReadAsNothingAndASetCreatesAnInertWidget) {
  plain_dialog(300, 200);
  EXPECT_EQ(kvgui_get_number(BasicString("ghost"), BasicString("SELECT")), 0.0);
  EXPECT_EQ(get("ghost", "TEXT"), "");
  EXPECT_STREQ(kvgui_get_widget_item(BasicString("ghost"), 0).text, "0");
  EXPECT_FALSE(exists("ghost"));

  set("ghost", "XPOS", "50");
  ASSERT_TRUE(exists("ghost"));
  EXPECT_EQ(widget("ghost").XPOS, 0);
  EXPECT_EQ(widget("ghost").kind, KvguiKind::NONE);
  EXPECT_EQ(get("ghost", "TYPE"), "");
  EXPECT_EQ(top().order.size1, 1);
}

TEST_F(Properties, FreshWidgetReadsItsDefaultsAndUnknownKeysReadZero) {
  plain_dialog(300, 200);
  kvgui_add_widget(BasicString("w"), BasicString("hello"), 50, 20);
  struct Case {
    const char* key;
    const char* text;
  } const cases[] = {
      {"MAXVAL", "1"},     {"MINVAL", "0"},   {"STEP", "1.e-002"},  // the runtime's number text
      {"ALIGN", "-1"},     {"SELECT", "0"},   {"TEXT", "hello"},
      {"TYPE", "WIDGET"},  {"WIDTH", "50"},   {"HEIGHT", "20"},
      {"NOSUCHKEY", "0"},  {"hide", "0"},     {"FOCUS", "0"},       // a dialog key on a widget
  };
  for (const Case& c : cases) EXPECT_EQ(get("w", c.key), c.text) << c.key;
  // The dialog's own keys; an unknown one reads empty.
  EXPECT_EQ(get("", "WIDTH"), "300");
  EXPECT_EQ(get("", "MOVING"), "0");
  EXPECT_EQ(get("", "NOSUCHKEY"), "");
  EXPECT_EQ(get("", "SELECT"), "");
}

TEST_F(Properties, SetsConvertTextTheRuntimesWay) {
  plain_dialog(300, 200);
  kvgui_add_widget(BasicString("w"), BasicString(""), 50, 20);
  set("w", "SELECT", "  42abc");
  set("w", "WIDTH", "wide");
  set("w", "MINVAL", "0.5x");
  set("w", "TIPTEXT", "tip");
  set("w", "TYPE", "BUTTON");
  set("w", "NOSUCHKEY", "7");
  set("w", "YPOS", "99");
  const KVGUI_WDG& w = widget("w");
  EXPECT_EQ(w.SELECT, 42);
  EXPECT_EQ(w.WIDTH, 0);
  EXPECT_EQ(w.MINVAL, 0.5);
  EXPECT_STREQ(w.TIPTEXT.text, "tip");
  EXPECT_EQ(w.kind, KvguiKind::BUTTON);
  EXPECT_EQ(w.YPOS, 0);
  // Numbers leave as their 10-digit text.
  set("w", "MAXVAL", "0.123456789012");
  EXPECT_EQ(kvgui_get_number(BasicString("w"), BasicString("MAXVAL")), 0.123456789);
  EXPECT_EQ(kvgui_get_number(BasicString("w"), BasicString("SELECT")), 42.0);
  EXPECT_EQ(kvgui_get_number(BasicString(""), BasicString("WIDTH")), 300.0);
}

TEST_F(Properties, DialogYposMovesTheGlideAndScrollStopsKineticScrolling) {
  kvgui_push_dialog(0, 100, 300, 200, 0, 1);
  set("", "YPOS", "50");
  EXPECT_EQ(top().YPOS, 4096);
  EXPECT_EQ(top().slide_target, 50);
  top().self.scroll_speed = 12;
  set("", "SCROLL", "30");
  EXPECT_EQ(top().self.SCROLL, 30);
  EXPECT_EQ(top().self.scroll_speed, 0.0);
  kvgui_add_widget(BasicString("w"), BasicString(""), 50, 20);
  widget("w").scroll_speed = 3;
  set("w", "SCROLL", "4");
  EXPECT_EQ(widget("w").scroll_speed, 0.0);
  // Flags the update owns are not set from outside.
  set("", "MOVING", "1");
  set("", "SCROLLING", "1");
  EXPECT_EQ(top().MOVING, 0);
  EXPECT_EQ(top().SCROLLING, 0);
  set("", "TEXT", "Caption");
  EXPECT_STREQ(top().self.TEXT.text, "Caption");
}

double echo_callback(BasicString& id, BasicString& verb, BasicString& value) {
  std::string v = std::string(id.text) + ":" + verb.text + ":" + value.text;
  value = BasicString(v.c_str());
  id = BasicString("changed");  // a copy: the widget keeps its id
  return 1;
}

TEST_F(Properties, CallbackGetsCopiesAndMayAnswerThroughTheValue) {
  plain_dialog(300, 200);
  kvgui_add_callback_widget(BasicString("cb"), BasicString("MINE"), echo_callback, 10, 10);
  BasicString value("in");
  kvgui_call_widget_callback(BasicString("cb"), BasicString("PING"), value);
  EXPECT_STREQ(value.text, "cb:PING:in");
  EXPECT_TRUE(exists("cb"));
  BasicString untouched("same");
  kvgui_call_widget_callback(BasicString("nobody"), BasicString("PING"), untouched);
  EXPECT_STREQ(untouched.text, "same");
}

TEST_F(Properties, ItemsOfAWidget) {
  plain_dialog(300, 200);
  kvgui_add_widget(BasicString("list"), BasicString("a||b|"), 50, 20);
  struct Case {
    int n;
    const char* item;
  } const cases[] = {{0, "a"}, {1, ""}, {2, "b"}, {3, ""}, {4, ""}, {-1, ""}};
  for (const Case& c : cases)
    EXPECT_STREQ(kvgui_get_widget_item(BasicString("list"), c.n).text, c.item) << c.n;
}

TEST_F(Properties, WidgetUnderAPointAndTheClientArea) {
  EXPECT_STREQ(kvgui_find_widget_at(5, 5).text, "");
  EXPECT_EQ(kvgui_test_client_overlap(0, 0, 10, 10), 0);
  kvgui_push_dialog(100, 100, 300, 200, 0, 0);
  for (const char* id : {"z", "m", "hidden"}) kvgui_add_widget(BasicString(id), BasicString(""), 40, 20);
  frame();
  // Hidden widgets keep their last place and still count; the first in id
  // order wins where boxes overlap.
  widget("hidden").XPOS = widget("z").XPOS;
  widget("hidden").YPOS = widget("z").YPOS;
  widget("hidden").HIDE = 1;
  const KVGUI_WDG& z = widget("z");
  EXPECT_STREQ(kvgui_find_widget_at(z.XPOS + 1, z.YPOS + 1).text, "hidden");
  const KVGUI_WDG& m = widget("m");
  EXPECT_STREQ(kvgui_find_widget_at(m.XPOS + m.WIDTH, m.YPOS).text, "m");  // edges touch
  EXPECT_STREQ(kvgui_find_widget_at(5, 5).text, "");
  EXPECT_EQ(kvgui_test_client_overlap(399, 299, 1, 1), 1);
  EXPECT_EQ(kvgui_test_client_overlap(401, 100, 5, 5), 0);
}

TEST_F(Properties, LinksCopyTheTopDialogsPropertiesEveryFrame) {
  plain_dialog(300, 200);
  kvgui_add_widget(BasicString("lower"), BasicString(""), 10, 10);
  kvgui_add_link(BasicString("lower"), BasicString("WIDTH"), BasicString("lower"), BasicString("TEXT"));
  plain_dialog(300, 200);
  kvgui_add_widget(BasicString("src"), BasicString("hello"), 40, 20);
  kvgui_add_widget(BasicString("num"), BasicString(""), 40, 20);
  kvgui_add_link(BasicString("src"), BasicString("TEXT"), BasicString("copy"), BasicString("TEXT"));
  kvgui_add_link(BasicString("src"), BasicString("WIDTH"), BasicString("num"), BasicString("SELECT"));
  kvgui_add_link(BasicString("src"), BasicString("WIDTH"), BasicString("num"), BasicString("MAXVAL"));
  kvgui_add_link(BasicString("src"), BasicString("STEP"), BasicString("num"), BasicString("TEXT"));
  kvgui_add_link(BasicString(""), BasicString("XPOS"), BasicString("num"), BasicString("COUNT"));
  kvgui_add_link(BasicString("src"), BasicString("WIDTH"), BasicString(""), BasicString("XPOS"));
  EXPECT_FALSE(exists("copy"));
  frame();
  ASSERT_TRUE(exists("copy"));  // a link's target is created
  EXPECT_STREQ(widget("copy").TEXT.text, "hello");
  EXPECT_EQ(widget("num").SELECT, 40);
  EXPECT_EQ(widget("num").MAXVAL, 40.0);
  EXPECT_STREQ(widget("num").TEXT.text, "1.e-002");
  EXPECT_EQ(widget("num").COUNT, 0);  // read before the next link moved the dialog
  EXPECT_EQ(top().XPOS, 40);
  set("src", "TEXT", "again");
  frame();
  EXPECT_STREQ(widget("copy").TEXT.text, "again");
  EXPECT_EQ(widget("num").COUNT, 40);
  kvgui_pop_dialog();
  frame();
  EXPECT_STREQ(widget("lower").TEXT.text, "10");
}

}  // namespace
