// The on-screen keypad driven frame by frame: its size, the keys of each
// page, every accented key typing its one Latin-1 byte, capitals and the
// shift key, backspace and Enter, the numeric pad, Cancel, and the text
// field on a touch platform that opens it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "gfx2d/viewport.h"
#include "kvgui/kinds_text.h"
#include "kvgui/modal_dialogs.h"
#include "tests/kvgui/kvgui_fixture.h"

namespace {

using Keypad = kvgui_test::KvguiTest;
using kvgui_test::host;
using kvgui_test::script;
namespace step = kvgui_test::step;
BasicString S(const char* s) { return BasicString(s); }

std::string str(const BasicString& s) { return std::string(s.text, size_t(s.length)); }

// The keys of the page shown, in creation order: each key's byte ('^' for
// the shift key), rows separated by "|".
std::string page_keys() {
  KVGUI_DLG& d = kvgui_top_dialog();
  std::string keys;
  int row_y = -1;
  for (int k = 0; k < d.order.size1; ++k) {
    const KVGUI_WDG& w = kvgui_entry_widget(d, k);
    if (w.kind != KvguiKind::BUTTON || w.id.text[0] != 'b') continue;
    if (str(w.id) == "btOK") break;
    if (row_y >= 0 && w.YPOS != row_y) keys += '|';
    row_y = w.YPOS;
    keys += str(w.id) == "bShift" ? '^' : w.id.text[1];
  }
  return keys;
}

void show_page(int page) {
  step::run([page] { kvgui_select_tab(S("tab"), page); });
  step::idle(2);  // the page is built anew
}

TEST_F(Keypad, SizedFromTheDrawingArea) {
  qvl_gfx_set_virtual_resolution(800, 600);
  int w = 0, h = 0, key = 0, key_h = 0, back = 0, space = 0, enter = 0;
  step::settle();
  step::run([&] {
    w = top().self.WIDTH;
    h = top().self.HEIGHT;
    key = widget("bq").WIDTH;
    key_h = widget("bq").HEIGHT;
    back = widget("b\b").WIDTH;
    space = widget("b ").WIDTH;
    enter = widget("b\n").WIDTH;
  });
  step::key(KVGUI_KEY_ESCAPE);
  EXPECT_STREQ(kvgui_enter_text(S("abc"), 1, 0, 1, 0, S("")).text, "abc");
  EXPECT_EQ(w, 700);
  EXPECT_EQ(h, 533);
  EXPECT_EQ(key, 66) << "min((700 - 30) / 10, 533 / 8)";
  EXPECT_EQ(key_h, 66);
  EXPECT_EQ(back, 134);
  EXPECT_EQ(space, 6 * 66 + 10);
  EXPECT_EQ(enter, 134);
  EXPECT_EQ(kvgui_keypad_open, 0.0);
  step::forget();
  // Full screen.
  step::settle();
  step::run([&] { w = top().self.WIDTH; });
  step::key(KVGUI_KEY_ESCAPE);
  kvgui_enter_text(S(""), 0, 1.0, 1, 0, S(""));
  EXPECT_EQ(w, 800);
}

TEST_F(Keypad, PagesHoldTheirKeys) {
  std::string tabs, pages[4];
  step::settle();
  step::run([&] { tabs = get("tab", "TEXT"); });
  for (int p : {0, 1, 2, 3}) {
    show_page(p);
    step::run([&pages, p] { pages[p] = page_keys(); });
  }
  step::click("btCancel");
  kvgui_enter_text(S(""), 1, 0, 1, 0, S(""));
  EXPECT_EQ(tabs, "123|ABC|abc|\xC4\xD6\xDC");
  EXPECT_EQ(pages[0], "@#[]~789/*|?!{}=456-+|:;()0123\b|,.<>'\" \n");
  EXPECT_EQ(pages[1], "QWERTYUIOP|ASDFGHJKL,|^ZXCVBNM\b|. \n");
  EXPECT_EQ(pages[2], "qwertyuiop|asdfghjkl,|^zxcvbnm\b|. \n");
  EXPECT_EQ(pages[3],
            "\xE1\xE9\xED\xF3\xFA\xC1\xC9\xCD\xD3\xDA|\xE0\xE8\xEC\xF2\xF9\xC0\xC8\xCC\xD2\xD9|"
            "\xE4\xF6\xFC\xC4\xD6\xDC\xDF\b|\xB4`\xB0 \n");

  // Without the accent flag three tabs; a number field has the digits only.
  std::string numeric;
  step::settle();
  step::run([&] { tabs = get("tab", "TEXT"); });
  step::click("btCancel");
  kvgui_enter_text(S(""), 0, 0, 1, 0, S(""));
  EXPECT_EQ(tabs, "123|ABC|abc");
  step::settle();
  step::run([&] {
    tabs = get("tab", "TEXT");
    numeric = page_keys();
  });
  step::click("btCancel");
  kvgui_enter_text(S("12"), 1, 0, 1, 1, S(""));
  EXPECT_EQ(tabs, "123");
  EXPECT_EQ(numeric, "789-|456e|123|0.\b");
}

TEST_F(Keypad, EachAccentedKeyTypesOneByte) {
  const std::string accented =
      "\xE1\xE9\xED\xF3\xFA\xC1\xC9\xCD\xD3\xDA\xE0\xE8\xEC\xF2\xF9\xC0\xC8\xCC\xD2\xD9"
      "\xE4\xF6\xFC\xC4\xD6\xDC\xDF\xB4`\xB0";
  std::string typed_so_far;
  bool one_byte_each = true;
  step::settle();
  show_page(3);
  for (size_t i = 0; i < accented.size(); ++i) {
    const std::string id = std::string("b") + accented[i];
    step::click(id.c_str());
    step::idle();  // the field takes the key's INKEY on the next show
    step::run([&, i] {
      typed_so_far += accented[i];
      one_byte_each = one_byte_each && get("tx_text", "TEXT") == typed_so_far;
    });
  }
  step::click("btOK");
  const BasicString result = kvgui_enter_text(S(""), 1, 0, 1, 0, S(""));
  EXPECT_TRUE(one_byte_each);
  EXPECT_EQ(str(result), accented);
}

TEST_F(Keypad, CapitalsShiftBackspaceAndEnter) {
  std::string after_capital_page;
  step::settle();
  step::click("bShift");
  step::until_exists("bQ");
  step::click("bQ");
  step::until_exists("bq");  // one capital, then the small letters again
  step::run([&] { after_capital_page = get("tab", "SELECT"); });
  step::click("bq");
  step::click("bq");
  step::click("b\b");
  step::click("b\n");
  step::click("bShift");
  step::until_exists("bZ");
  step::click("bShift");
  step::until_exists("bz");
  step::click("bz");
  step::idle();
  step::click("btOK");
  EXPECT_STREQ(kvgui_enter_text(S(""), 1, 0, 0, 0, S("")).text, "Qq\nz");
  EXPECT_EQ(after_capital_page, "2");

  // On one line Enter types nothing.
  step::settle();
  step::click("b\n");
  step::click("ba");
  step::idle();
  step::click("btOK");
  EXPECT_STREQ(kvgui_enter_text(S("x"), 1, 0, 1, 0, S("")).text, "a") << "the selection is replaced";
}

TEST_F(Keypad, CancelAndEscKeepTheGivenText) {
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  kvgui_widget_height = 20;
  std::string cancel;
  step::settle();
  step::run([&] { cancel = get("btCancel", "TEXT"); });
  step::click("bz");
  step::idle();
  step::click("btCancel");
  EXPECT_STREQ(kvgui_enter_text(S("line one\nline two"), 1, 0, 0, 0, S("Notes")).text,
               "line one\nline two");
  EXPECT_EQ(cancel, "Abbrechen");
  step::settle();
  step::click("bz");
  step::key(KVGUI_KEY_ESCAPE);
  EXPECT_STREQ(kvgui_enter_text(S("given"), 1, 0, 1, 0, S("")).text, "given");
  EXPECT_EQ(kvgui_widget_height, 20) << "16 while a page is built, then as it was";
  EXPECT_EQ(kvgui_keypad_open, 0.0);
}

TEST_F(Keypad, MultiLineTextOpensWithTheCaretAtItsStart) {
  int selstart = -1, selend = -1;
  std::string caption;
  step::settle();
  step::run([&] {
    selstart = widget("tx_text").SELSTART;
    selend = widget("tx_text").SELEND;
    caption = get("wd_caption", "TEXT");
  });
  step::click("bz");
  step::idle();
  step::click("btOK");
  EXPECT_STREQ(kvgui_enter_text(S("one\ntwo"), 1, 0, 0, 0, S("Notes")).text, "zone\ntwo");
  EXPECT_EQ(selstart, 0);
  EXPECT_EQ(selend, 0);
  EXPECT_EQ(caption, "Notes");
}

TEST_F(Keypad, TouchFieldTypesThroughTheKeypad) {
  kvgui_use_keypad = 1.0;
  plain_dialog(600, 400);
  kvgui_add_single_text(S("name"), S("hello"), 200);
  frame();
  std::string page, selection;
  step::settle();
  step::run([&] {
    page = get("tab", "SELECT");
    selection = get("tx_text", "SELSTART") + ".." + get("tx_text", "SELEND");
  });
  step::click("bx");
  step::idle();
  step::click("btOK");
  click(widget("name").XPOS + 5, widget("name").YPOS + 3);
  EXPECT_EQ(get("name", "TEXT"), "x");
  EXPECT_EQ(page, "2") << "the lower-case page";
  EXPECT_EQ(selection, "0..5") << "the whole line selected";
  EXPECT_EQ(get("", "FOCUS"), "");
  kvgui_use_keypad = 0.0;
}

}  // namespace
