// The message box driven frame by frame: its buttons in each language, the
// answers of both forms, the keys it takes and the one it ignores, and its
// height.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "kvgui/kinds_text.h"
#include "kvgui/modal_dialogs.h"
#include "tests/kvgui/kvgui_fixture.h"

namespace {

using MessageBox = kvgui_test::KvguiTest;
using kvgui_test::host;
using kvgui_test::script;
namespace step = kvgui_test::step;
BasicString S(const char* s) { return BasicString(s); }

TEST_F(MessageBox, ButtonsSpeakTheUsersLanguage) {
  struct Case {
    const char* locale;
    const char* yes;
    const char* no;
  } const cases[] = {
      {"C", "Yes", "No"},          {"de_DE.UTF-8", "Ja", "Nein"}, {"es_ES", "Si", "No"},
      {"it_IT", "Si", "No"},       {"fr_FR", "Oui", "No"},        {"pt_BR", "Yes", "No"},
  };
  for (const Case& c : cases) {
    setenv("LC_ALL", c.locale, 1);
    std::string yes, no;
    step::settle();
    step::run([&] {
      yes = get("bt_yes", "TEXT");
      no = get("bt_no", "TEXT");
    });
    step::click("bt_no");
    EXPECT_EQ(kvgui_show_message(S("Save?"), 1, S("Question")), 0) << c.locale;
    EXPECT_EQ(yes, c.yes) << c.locale;
    EXPECT_EQ(no, c.no) << c.locale;
  }
  unsetenv("LC_ALL");
  step::click("bt_yes");
  EXPECT_EQ(kvgui_show_message(S("Save?"), 1, S("Question")), 1);
  EXPECT_TRUE(kvgui_stack_empty());
  EXPECT_GE(kvgui_fade_images.size1, 1) << "the box fades out";
}

TEST_F(MessageBox, OneButtonFormTakesBlankAndEnter) {
  for (const char* key : {" ", "\n"}) {
    std::string caption, hidden;
    step::settle();
    step::run([&] {
      caption = get("bt_yes", "TEXT");
      hidden = get("bt_no", "HIDE");
    });
    step::type(key);
    EXPECT_EQ(kvgui_show_message(S("Done."), 0, S("Note")), 1);
    EXPECT_EQ(caption, "OK");
    EXPECT_EQ(hidden, "1");
  }
  // The yes/no form takes only its buttons; Esc closes neither.
  bool still_open = false;
  step::settle();
  step::type(" x\n");
  step::key(KVGUI_KEY_ESCAPE);
  step::idle(4);
  step::run([&still_open] { still_open = kvgui_dialog_stack.size1 == 1; });
  step::click("bt_yes");
  EXPECT_EQ(kvgui_show_message(S("Sure?"), 1, S("")), 1);
  EXPECT_TRUE(still_open);
  EXPECT_TRUE(host().typed.empty()) << "a character is taken on every pass";
}

TEST_F(MessageBox, ShortMessageShrinksTheBox) {
  // s = max(220, 1024 / 3) = 341.
  int height = 0, button_y = 0, box_y = 0;
  auto measure = [&] {
    step::settle();
    step::run([&] {
      height = top().self.HEIGHT;
      button_y = widget("bt_yes").YPOS;
      box_y = top().YPOS;
    });
    step::type(" ");  // the button of a long message may lie below the body
  };
  measure();
  kvgui_show_message(S("Short."), 0, S("Note"));
  EXPECT_LT(height, 341);
  EXPECT_EQ(height, button_y - box_y + 32) << "32 pixels below the top of the button";
  std::string long_text;
  for (int i = 0; i < 40; ++i) long_text += "a long message that wraps ";
  measure();
  kvgui_show_message(S(long_text.c_str()), 0, S("Note"));
  EXPECT_EQ(height, 341);
}

}  // namespace
