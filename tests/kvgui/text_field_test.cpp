// The text fields: the editing table, the held-key repeat, tabbing, Home
// and End, the mouse, scrolling to the caret, the keypad on touch
// platforms, and fonts without glyphs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "kvgui/kinds_text.h"
#include "tests/kvgui/kvgui_fixture.h"

namespace {

using TextField = kvgui_test::KvguiTest;
using kvgui_test::host;
BasicString S(const char* s) { return BasicString(s); }

std::string text(const char* id) { return kvgui_test::KvguiTest::get(id, "TEXT"); }

// Fixed 12-pixel cells; a dialog with one field of each kind.
void fields() {
  kvgui_set_text_kerning(0);
  kvgui_push_dialog(0, 0, 600, 400, 0, 0);
  kvgui_add_single_text(S("single"), S(""), 200);
  kvgui_add_number_text(S("number"), S(""), 200);
  kvgui_add_text(S("multi"), S(""), 200, 100);
}

TEST_F(TextField, EditingTable) {
  fields();
  struct Case {
    const char* id;
    const char* before;
    int selstart, selend;
    std::initializer_list<int> keys;
    const char* typed;  // typed characters, or INKEY when it starts with '='
    const char* after;
    int caret_start, caret_end;
    int readonly = 0;
  } const cases[] = {
      {"single", "hello", 1, 3, {}, "X", "hXlo", 2, 2},  // typing replaces the selection
      {"single", "hello", 3, 1, {}, "X", "hXlo", 2, 2},
      {"single", "abcd", 1, 3, {KVGUI_KEY_DELETE}, "", "ad", 1, 1},  // only removes it
      {"single", "abcd", 3, 1, {KVGUI_KEY_BACKSPACE}, "", "ad", 1, 1},
      {"single", "abc", 0, 0, {KVGUI_KEY_BACKSPACE}, "", "abc", 0, 0},
      {"single", "abc", 3, 3, {KVGUI_KEY_DELETE}, "", "abc", 3, 3},
      {"single", "abc", 2, 2, {KVGUI_KEY_BACKSPACE}, "", "ac", 1, 1},
      {"single", "abc", 2, 2, {}, "\b", "ac", 1, 1},  // the typed backspace character
      {"single", "abc", 1, 1, {KVGUI_KEY_DELETE}, "", "ac", 1, 1},
      {"single", "abc", 1, 1, {KVGUI_KEY_LEFT_SHIFT, KVGUI_KEY_RIGHT}, "", "abc", 1, 2},
      {"single", "abc", 2, 1, {KVGUI_KEY_RIGHT_SHIFT, KVGUI_KEY_LEFT}, "", "abc", 2, 0},
      {"single", "abc", 0, 2, {KVGUI_KEY_RIGHT}, "", "abc", 1, 1},  // from the anchor
      {"single", "abc", 0, 0, {KVGUI_KEY_LEFT}, "", "abc", 0, 0},
      {"single", "abc", 3, 3, {KVGUI_KEY_RIGHT}, "", "abc", 3, 3},
      {"single", "ab", 2, 2, {}, "\n", "ab", 2, 2},  // one line only
      {"single", "ab", 2, 2, {}, "\t", "ab", 2, 2},
      {"single", "ab", 1, 1, {}, "=XYZ", "aXYZb", 4, 4},  // a longer INKEY: caret after it
      {"single", "ab", 1, 1, {KVGUI_KEY_HOME}, "", "ab", 1, 1},  // nothing on one line
      {"single", "ab", 1, 1, {KVGUI_KEY_END}, "", "ab", 1, 1},
      {"multi", "ab", 1, 1, {KVGUI_KEY_TAB}, "", "a b", 2, 2},  // Tab types a blank
      {"multi", "ab", 2, 2, {}, "\n", "ab\n", 3, 3},
      {"number", "1", 1, 1, {}, "x", "1", 1, 1},  // letters other than e are dropped
      {"number", "1", 1, 1, {}, "e", "1e", 2, 2},
      {"number", "1", 1, 1, {}, "=-5a.", "1-5.", 4, 4},
      // Read-only: typing, deleting and tabbing do nothing, the caret moves.
      {"single", "abc", 1, 1, {}, "x", "abc", 1, 1, 1},
      {"single", "abc", 1, 1, {KVGUI_KEY_BACKSPACE}, "", "abc", 1, 1, 1},
      {"single", "abc", 1, 1, {KVGUI_KEY_RIGHT}, "", "abc", 2, 2, 1},
      {"multi", "ab", 1, 1, {KVGUI_KEY_TAB}, "", "ab", 1, 1, 2},  // any non-zero value
  };
  for (const Case& c : cases) {
    set("", "FOCUS", c.id);
    KVGUI_WDG& w = widget(c.id);
    w.TEXT = S(c.before);
    w.SELSTART = c.selstart;
    w.SELEND = c.selend;
    w.READONLY = c.readonly;
    host().keys = c.keys;
    if (c.typed[0] == '=') {
      set("", "INKEY", c.typed + 1);
    } else {
      for (const char* p = c.typed; *p; ++p) host().typed.push_back(*p);
    }
    kvgui_last_key = 0;
    frame();
    const std::string what = std::string(c.id) + " '" + c.before + "' keys " +
                             std::to_string(c.keys.size()) + " typed '" + c.typed + "'";
    EXPECT_EQ(text(c.id), c.after) << what;
    EXPECT_EQ(widget(c.id).SELSTART, c.caret_start) << what;
    EXPECT_EQ(widget(c.id).SELEND, c.caret_end) << what;
    host().keys.clear();
    host().typed.clear();
    widget(c.id).READONLY = 0;
  }
}

TEST_F(TextField, NumberFieldTakesOnlyNumberCharacters) {
  fields();
  set("", "FOCUS", "number");
  for (char c : std::string("1xe-Q5")) {
    host().typed.push_back(c);
    frame();
  }
  EXPECT_EQ(text("number"), "1e-5");
}

TEST_F(TextField, HeldKeyRepeatsEvery150Milliseconds) {
  fields();
  set("", "FOCUS", "single");
  widget("single").TEXT = S("abcdefghij");
  widget("single").SELSTART = widget("single").SELEND = 10;
  host().keys = {KVGUI_KEY_LEFT};
  frames(9);  // 0 .. 136 ms: once
  EXPECT_EQ(widget("single").SELEND, 9);
  frame();  // 153 ms
  EXPECT_EQ(widget("single").SELEND, 8);
  frames(9);
  EXPECT_EQ(widget("single").SELEND, 7);
  // Characters still arrive while a key is held back; INKEY lifts the hold.
  host().typed.push_back('x');
  frame();
  EXPECT_EQ(text("single"), "abcdefgxhij");
  set("", "INKEY", "y");
  frame();
  EXPECT_EQ(text("single"), "abcdefgxyhij") << "the arrow acts too: the caret moved left";
  EXPECT_EQ(widget("single").SELEND, 8);
  host().keys.clear();
  frame();
  host().keys = {KVGUI_KEY_LEFT};
  frame();
  EXPECT_EQ(widget("single").SELEND, 7) << "released and pressed again: at once";
}

TEST_F(TextField, TabMovesBetweenSingleLineFields) {
  kvgui_push_dialog(0, 0, 600, 400, 0, 0);
  kvgui_add_single_text(S("b"), S("bee"), 100);
  kvgui_add_single_text(S("a"), S("ay"), 100);
  kvgui_add_number_text(S("c"), S("12"), 100);
  set("", "FOCUS", "a");
  host().keys = {KVGUI_KEY_TAB};
  frame();
  EXPECT_EQ(get("", "FOCUS"), "b");
  EXPECT_EQ(widget("b").SELSTART, 0);
  EXPECT_EQ(widget("b").SELEND, 3) << "the new field's text is selected";
  EXPECT_EQ(widget("a").CLICKED, 1) << "leaving a field reports it";
  EXPECT_EQ(text("b"), "bee");
  host().keys = {KVGUI_KEY_TAB, KVGUI_KEY_LEFT_SHIFT};
  host().now += 200;
  frame();
  EXPECT_EQ(get("", "FOCUS"), "a");
}

TEST_F(TextField, HomeAndEndGoToTheEndsOfTheCaretsLine) {
  fields();
  set("", "FOCUS", "multi");
  KVGUI_WDG& m = widget("multi");
  m.TEXT = S("abc\ndefg\nhi");
  m.SELSTART = m.SELEND = 5;  // at 'e'
  frame();  // draws the caret
  host().keys = {KVGUI_KEY_END};
  frame();
  EXPECT_EQ(widget("multi").SELEND, 8) << "before the line feed";
  host().keys = {KVGUI_KEY_HOME};
  host().now += 200;
  frame();
  EXPECT_EQ(widget("multi").SELEND, 4);
  host().keys = {KVGUI_KEY_DOWN};
  host().now += 200;
  frame();
  EXPECT_EQ(widget("multi").SELEND, 9) << "down a line";
}

// Up and Down keep the caret's column; Home and End go to the ends of the
// line the caret is on as laid out, also where a blank wraps it.
TEST_F(TextField, CaretMovesKeepTheColumnAndTheVisualLine) {
  fields();  // "multi" wraps within 188 pixels: 15 cells of 12
  const char* grid = "abcd\nefgh\nijkl";
  const char* same = "Wilful iiii\nWilful iiii";
  const char* wraps = "one two three four five six seven eight";  // 0, 14, 28
  const char* word = "abcdefghijklmnopqrstuvwxyz next";
  constexpr int kShift = KVGUI_KEY_LEFT_SHIFT;
  struct Case {
    const char* text;
    int kerning, caret;
    std::initializer_list<int> keys;
    int selstart, selend;
  } const cases[] = {
      {grid, 0, 2, {KVGUI_KEY_DOWN}, 7, 7},
      {grid, 0, 12, {KVGUI_KEY_UP}, 7, 7},
      {grid, 0, 2, {kShift, KVGUI_KEY_DOWN}, 2, 7},
      {grid, 0, 12, {kShift, KVGUI_KEY_UP}, 12, 7},
      {grid, 0, 4, {KVGUI_KEY_DOWN}, 9, 9},  // from a line's end to the next one's
      {same, 1, 3, {KVGUI_KEY_DOWN}, 15, 15},  // glyphs of their own widths
      {same, 1, 8, {KVGUI_KEY_DOWN}, 20, 20},
      {same, 1, 20, {KVGUI_KEY_UP}, 8, 8},
      {wraps, 0, 2, {KVGUI_KEY_END}, 13, 13},  // before the blank the line wraps at
      {wraps, 0, 10, {KVGUI_KEY_HOME}, 0, 0},
      {wraps, 0, 16, {KVGUI_KEY_END}, 27, 27},
      {wraps, 0, 20, {KVGUI_KEY_HOME}, 14, 14},
      {wraps, 0, 30, {KVGUI_KEY_END}, 39, 39},
      {wraps, 0, 2, {kShift, KVGUI_KEY_END}, 2, 13},
      {wraps, 0, 13, {KVGUI_KEY_DOWN}, 27, 27},
      {word, 0, 2, {KVGUI_KEY_END}, 26, 26},  // a line wider than the field
  };
  set("", "FOCUS", "multi");
  for (const Case& c : cases) {
    kvgui_set_text_kerning(c.kerning);
    KVGUI_WDG& w = widget("multi");
    w.TEXT = S(c.text);
    w.SELSTART = w.SELEND = c.caret;
    host().keys.clear();
    frame();  // draws the caret
    host().keys = c.keys;
    kvgui_last_key = 0;
    frame();
    const std::string what = std::string(c.text) + " from " + std::to_string(c.caret);
    EXPECT_EQ(widget("multi").SELSTART, c.selstart) << what;
    EXPECT_EQ(widget("multi").SELEND, c.selend) << what;
  }
}

// Runs of Up and Down between lines of narrow and wide glyphs come back
// to where they began, cycle after cycle, with glyphs of their own widths
// (the built-in font's cells made narrow and wide) and in fixed cells; on
// the other lines the caret takes the boundary nearest the column where
// the run began.
TEST_F(TextField, UpAndDownKeepTheColumnOverManyCycles) {
  fields();
  set("", "FOCUS", "multi");
  gfx_->glyphs[0][int('i')].width = 2;  // 3 pixels at the fixture's scale
  gfx_->glyphs[0][int('W')].width = 7;  // 10 pixels
  struct Case {
    const char* outer;  // the first and third lines
    const char* inner;  // the second
    int column;
  } const cases[] = {
      {"iiiiiiiiiiii", "WWWWWWWWWWWW", 5},
      {"WWWWWWWWW", "iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii", 3},
      {"iWiWiWiWiWiW", "WiWiWiWiWiWi", 7},
  };
  for (int kerning : {1, 0}) {
    kvgui_set_text_kerning(kerning);
    for (const Case& c : cases) {
      const std::string outer(c.outer), inner(c.inner);
      auto x_of = [](const std::string& line, int n) {
        int x = 0;
        for (int k = 0; k < n; ++k)
          x += kvgui_measure_text_width(S(line.substr(size_t(k), 1).c_str()));
        return x;
      };
      // The boundary of the inner line nearest the column's x.
      const int column_x = x_of(outer, c.column);
      int nearest = 0;
      for (int k = 0; k <= int(inner.size()); ++k)
        if (std::abs(x_of(inner, k) - column_x) < std::abs(x_of(inner, nearest) - column_x))
          nearest = k;
      const int second = int(outer.size()) + 1, third = second + int(inner.size()) + 1;
      KVGUI_WDG& w = widget("multi");
      w.TEXT = S((outer + "\n" + inner + "\n" + outer).c_str());
      w.SELSTART = w.SELEND = c.column;
      frame();  // draws the caret
      const std::string what = outer + " / " + inner + ", kerning " + std::to_string(kerning);
      for (int cycle = 0; cycle < 4; ++cycle) {
        std::vector<int> at;
        for (int key : {KVGUI_KEY_DOWN, KVGUI_KEY_DOWN, KVGUI_KEY_UP, KVGUI_KEY_UP}) {
          host().keys = {key};
          host().now += 200;
          frame();
          at.push_back(widget("multi").SELEND);
          host().keys.clear();
          frame();  // draws the caret where it went
        }
        EXPECT_EQ(at, (std::vector<int>{second + nearest, third + c.column, second + nearest,
                                        c.column}))
            << what << ", cycle " << cycle;
      }
    }
  }
}

// A text wider than a one-line field wraps below it, out of sight: the
// field never gets a scroll range (nor a bar over its text) for that.
TEST_F(TextField, OneLineFieldsNeverScroll) {
  kvgui_set_text_kerning(0);
  plain_dialog(600, 400);
  kvgui_add_number_text(S("n"), S("50"), 36);  // "50" and the blank after it: 36 in 24
  kvgui_add_single_text(S("s"), S("one two three four"), 60);
  kvgui_add_text(S("m"), S("one two three four"), 60, 24);
  set("", "FOCUS", "s");
  host().keys = {KVGUI_KEY_DOWN};
  frames(2);
  EXPECT_EQ(widget("n").scroll_range, 0);
  EXPECT_EQ(widget("s").scroll_range, 0);
  EXPECT_EQ(widget("s").SCROLL, 0);
  EXPECT_GT(widget("m").scroll_range, 0) << "a TEXT field does scroll";
}

TEST_F(TextField, MouseGivesFocusPlacesTheCaretAndSelects) {
  fields();
  widget("single").TEXT = S("hello");
  frame();
  const int x = widget("single").XPOS, y = widget("single").YPOS;
  click(x + 50, y + 3);
  EXPECT_EQ(get("", "FOCUS"), "single");
  EXPECT_EQ(widget("single").SELSTART, 0);
  EXPECT_EQ(widget("single").SELEND, 5) << "focus selects a single line's text";
  // Press at the start, drag past the end.
  move(x + 1, y + 3);
  host().button = 1;
  frame();
  EXPECT_EQ(widget("single").SELSTART, 0);
  EXPECT_EQ(widget("single").SELEND, 0);
  move(x + 150, y + 3);
  frame();
  host().button = 0;
  frame();
  EXPECT_EQ(widget("single").SELSTART, 0);
  EXPECT_EQ(widget("single").SELEND, 5);
  // A press at the third cell: the first cell whose left edge is past x - 1.5 cells.
  click(x + 40, y + 3);
  EXPECT_EQ(widget("single").SELEND, 2);
  EXPECT_EQ(widget("single").SELSTART, 2);
}

TEST_F(TextField, ScrollsByLinesToKeepTheCaretInView) {
  fields();
  KVGUI_WDG& m = widget("multi");
  m.HEIGHT = 36;  // three lines
  m.TEXT = S("0\n1\n2\n3\n4\n5\n6\n7\n8\n9");
  set("", "FOCUS", "multi");
  frame();
  EXPECT_EQ(widget("multi").scroll_range, 8) << "(120 - 36) / 12 + 1";
  host().keys = {KVGUI_KEY_DOWN};
  for (int i = 0; i < 4; ++i) {
    frame();
    host().now += 200;
  }
  EXPECT_EQ(widget("multi").SELEND, 8) << "four lines down";
  EXPECT_GE(widget("multi").SCROLL, 1) << "scrolled to follow the caret";
  host().keys = {KVGUI_KEY_UP};
  for (int i = 0; i < 4; ++i) {
    frame();
    host().now += 200;
  }
  EXPECT_EQ(widget("multi").SCROLL, 0);
}

TEST_F(TextField, TouchPlatformOpensTheKeypadOnTheFirstClick) {
  fields();
  kvgui_use_keypad = 1.0;
  KVGUI_DLG& d = top();
  KVGUI_WDG& w = widget("single");
  kvgui_handle_text_field(d, w, 5, 5, GUI_PRESS_CLICK, 1, 0);
  EXPECT_EQ(d.pending_action, GUI_ACTION_KEYPAD);
  EXPECT_STREQ(d.action_id.text, "single");
  EXPECT_STREQ(d.FOCUS.text, "") << "the field is left without focus";
  d.pending_action = GUI_ACTION_NONE;
  w.READONLY = 1;
  kvgui_handle_text_field(d, w, 5, 5, GUI_PRESS_CLICK, 1, 0);
  EXPECT_EQ(d.pending_action, GUI_ACTION_NONE) << "a read-only field opens none";
  EXPECT_STREQ(d.FOCUS.text, "single");
  set("", "FOCUS", "");
  w.READONLY = 0;
  kvgui_keypad_open = 1.0;
  kvgui_handle_text_field(d, w, 5, 5, GUI_PRESS_CLICK, 1, 0);
  EXPECT_EQ(d.pending_action, GUI_ACTION_NONE) << "none from inside the keypad";
  kvgui_use_keypad = 0.0;
  kvgui_keypad_open = 0.0;
}

TEST_F(TextField, FontWithoutGlyphsDividesByNothing) {
  fields();
  qvl_font_select(9, 1.0, -1);  // an empty slot
  widget("multi").TEXT = S("one\ntwo\nthree");
  set("", "FOCUS", "multi");
  host().keys = {KVGUI_KEY_DOWN};
  frames(3);
  EXPECT_EQ(text("multi"), "one\ntwo\nthree");
}

}  // namespace
