// Keyboard focus: giving it and moving it between text fields.
#include <gtest/gtest.h>

#include <string>

#include "tests/kvgui/kvgui_fixture.h"

namespace {

using Focus = kvgui_test::KvguiTest;
BasicString S(const char* s) { return BasicString(s); }

std::string focus() { return kvgui_test::KvguiTest::get("", "FOCUS"); }

TEST_F(Focus, MovesThroughVisibleTextFieldsInIdOrder) {
  plain_dialog(400, 300);
  kvgui_add_single_text(S("b"), S("bb"), 80);
  kvgui_add_text(S("a"), S("aa"), 80, 40);
  kvgui_add_widget(S("aa_label"), S("not a field"), 80, 16);
  kvgui_add_number_text(S("c"), S("12"), 80);
  kvgui_add_single_text(S("d_hidden"), S(""), 80);
  set("d_hidden", "HIDE", "1");
  const char* forward[] = {"a", "b", "c", "a"};
  for (const char* id : forward) {
    kvgui_focus_next(1);
    EXPECT_EQ(focus(), id);
  }
  const char* backward[] = {"c", "b", "a", "c"};
  for (const char* id : backward) {
    kvgui_focus_next(-1);
    EXPECT_EQ(focus(), id);
  }
  set("", "FOCUS", "");
  kvgui_focus_next(-1);
  EXPECT_EQ(focus(), "c");
  // A hidden focused field counts as no focus.
  set("", "FOCUS", "d_hidden");
  kvgui_focus_next(1);
  EXPECT_EQ(focus(), "a");
}

TEST_F(Focus, LeavingAFieldMarksItChangedAndTheNewOneSelects) {
  plain_dialog(400, 300);
  kvgui_add_number_text(S("num"), S("123"), 80);
  kvgui_add_single_text(S("single"), S("hello"), 80);
  kvgui_add_text(S("multi"), S("many words"), 80, 40);
  kvgui_set_focus(S("num"));
  EXPECT_EQ(widget("num").CLICKED, 0);
  kvgui_set_focus(S("single"));
  EXPECT_EQ(widget("num").CLICKED, 1);
  EXPECT_EQ(widget("single").SELSTART, 0);
  EXPECT_EQ(widget("single").SELEND, 5);
  widget("single").SELSTART = 2;
  kvgui_set_focus(S("single"));  // already there: the selection stays
  EXPECT_EQ(widget("single").SELSTART, 2);
  widget("multi").SELSTART = widget("multi").SELEND = 4;
  kvgui_set_focus(S("multi"));
  EXPECT_EQ(widget("single").CLICKED, 1);
  EXPECT_EQ(widget("multi").SELSTART, 0);
  EXPECT_EQ(widget("multi").SELEND, 0);
}

TEST_F(Focus, DialogWithoutTextFieldsKeepsItsFocus) {
  plain_dialog(400, 300);
  kvgui_add_widget(S("label"), S("x"), 80, 16);
  set("", "FOCUS", "label");
  kvgui_focus_next(1);
  kvgui_focus_next(-1);
  EXPECT_EQ(focus(), "label");
}

}  // namespace
