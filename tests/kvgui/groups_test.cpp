// Groups, hiding, expanders and tab bars.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/kvgui/kvgui_fixture.h"

namespace {

using Groups = kvgui_test::KvguiTest;
using kvgui_test::host;
BasicString S(const char* s) { return BasicString(s); }

void labels(std::initializer_list<const char*> ids) {
  for (const char* id : ids) kvgui_add_widget(S(id), S(id), 60, 16);
}

int header_width(const char* caption) {
  return std::max(16, kvgui_measure_text_width(S(caption)) + 12);
}

TEST_F(Groups, TabBarShowsOnePageAtATime) {
  kvgui_push_dialog(100, 100, 500, 300, 0, 0);
  kvgui_add_tab(S("tabs"), S("First,a,b|Second,c"), 0);
  labels({"a", "b", "c"});
  frame();
  EXPECT_EQ(widget("tabs").SELECT, 0);
  EXPECT_EQ(widget("tabs").CLICKED, 1);
  EXPECT_EQ(widget("a").HIDE, 0);
  EXPECT_EQ(widget("b").HIDE, 0);
  EXPECT_EQ(widget("c").HIDE, 1);
  frame();
  EXPECT_EQ(widget("tabs").CLICKED, 0);

  const KVGUI_WDG& tabs = widget("tabs");
  const int x = tabs.XPOS, y = tabs.YPOS;
  click(x + header_width("First") + 5, y + 5);
  EXPECT_EQ(widget("tabs").SELECT, 1);
  EXPECT_EQ(widget("tabs").CLICKED, 1);
  EXPECT_EQ(widget("a").HIDE, 1);
  EXPECT_EQ(widget("b").HIDE, 1);
  EXPECT_EQ(widget("c").HIDE, 0);

  click(x + header_width("First") + 5, y + 5);  // the selected tab again
  EXPECT_EQ(widget("tabs").SELECT, 1);
  EXPECT_EQ(widget("tabs").CLICKED, 0);
  EXPECT_EQ(widget("c").HIDE, 0);
}

TEST_F(Groups, FirstHandlingSelectsTheFirstTabWhereverTheMouseIs) {
  kvgui_push_dialog(100, 100, 500, 300, 0, 0);
  kvgui_add_tab(S("tabs"), S("First,a|Second,b"), 0);
  labels({"a", "b"});
  // The mouse rests on the second header when the bar is first handled.
  move(103 + header_width("First") + 5, 108);
  frame();
  EXPECT_EQ(widget("tabs").SELECT, 0);
  EXPECT_EQ(widget("a").HIDE, 0);
  EXPECT_EQ(widget("b").HIDE, 1);
}

TEST_F(Groups, TabPagesSkipMissingIdsAndAnIndexOutsideHidesEveryPage) {
  kvgui_push_dialog(100, 100, 500, 300, 0, 0);
  kvgui_add_tab(S("tabs"), S("One,a,missing|,b,,c|Three"), 0);
  labels({"a", "b", "c"});
  frame();
  EXPECT_FALSE(exists("missing")) << "a page's unknown id is never created";
  EXPECT_EQ(widget("a").HIDE, 0);
  kvgui_select_tab(S("tabs"), 1);  // a tab with an empty caption
  EXPECT_EQ(widget("a").HIDE, 1);
  EXPECT_EQ(widget("b").HIDE, 0);
  EXPECT_EQ(widget("c").HIDE, 0);
  for (int n : {3, 99, -5}) {
    kvgui_select_tab(S("tabs"), n);
    EXPECT_EQ(widget("tabs").SELECT, n);
    for (const char* id : {"a", "b", "c"}) EXPECT_EQ(widget(id).HIDE, 1) << n << " " << id;
  }
  EXPECT_FALSE(exists("missing"));
}

TEST_F(Groups, HidingAFrameHidesEverythingNestedInIt) {
  plain_dialog(500, 400);
  kvgui_add_frame(S("outer"), S("Outer"), 0);
  labels({"x"});
  kvgui_add_expander(S("inner"), S("Inner"), 0);
  labels({"y"});
  kvgui_add_unexpander();
  kvgui_add_unframe();
  labels({"after"});
  frame();
  // Collapse the inner expander: its contents are hidden.
  widget("inner").SELECT = 1;
  kvgui_hide_widget(S("y"), 1);
  widget("x").CLICKED = 1;
  kvgui_hide_widget(S("outer"), 1);
  for (const char* id : {"outer", "x", "inner", "y", "kvgui_unepx5", "kvgui_unfrm6"})
    EXPECT_EQ(widget(id).HIDE, 1) << id;
  EXPECT_EQ(widget("x").CLICKED, 0);
  EXPECT_EQ(widget("after").HIDE, 0);
  // Showing the frame shows what the collapsed expander held too.
  kvgui_hide_widget(S("outer"), 0);
  for (const char* id : {"outer", "x", "inner", "y"}) EXPECT_EQ(widget(id).HIDE, 0) << id;
  qvl_win_idle_count = 40;
  kvgui_hide_widget(S("nobody"), 1);  // creates an inert widget, as any set does
  EXPECT_TRUE(exists("nobody"));
  EXPECT_EQ(qvl_win_idle_count, 0);
}

TEST_F(Groups, ExpanderHeaderCollapsesAndExpandsItsContents) {
  kvgui_push_dialog(100, 100, 500, 400, 0, 0);
  kvgui_add_expander(S("ex"), S("More"), 0);
  labels({"inside"});
  kvgui_add_unexpander();
  frame();
  const int x = widget("ex").XPOS, y = widget("ex").YPOS;
  EXPECT_EQ(widget("inside").YPOS, y + 16 + 8);

  widget("ex").CLICKED = 1;
  click(x + 10, y + 30);  // below the header: only CLICKED is cleared
  EXPECT_EQ(widget("ex").CLICKED, 0);
  EXPECT_EQ(widget("ex").SELECT, 0);

  click(x + 10, y + 5);
  EXPECT_EQ(widget("ex").CLICKED, 1);
  EXPECT_EQ(widget("ex").SELECT, 1);
  EXPECT_EQ(widget("inside").HIDE, 1);
  EXPECT_EQ(widget("ex").HIDE, 0);
  frame();
  EXPECT_EQ(widget("ex").HEIGHT, 16);  // one caption line
  widget("inside").HIDE = 0;  // even when shown, a collapsed group's contents get no input
  click(widget("inside").XPOS + 5, widget("inside").YPOS + 5);
  EXPECT_EQ(widget("inside").CLICKED, 0);

  click(x + 10, y + 5);
  EXPECT_EQ(widget("ex").SELECT, 0);
  EXPECT_EQ(widget("inside").HIDE, 0);

  widget("ex").READONLY = 1;
  click(x + 10, y + 5);
  EXPECT_EQ(widget("ex").SELECT, 0);
}

}  // namespace
