// The wrapped-text layout: heights, wrapping at blanks, the hit test, the
// caret and selection, and text printed in runs looking exactly as text
// printed one character at a time.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gfx2d/draw_commands.h"
#include "gfx2d/viewport.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/text_layout.h"
#include "tests/kvgui/kvgui_fixture.h"

namespace {

using TextLayout = kvgui_test::KvguiTest;
BasicString S(const char* s) { return BasicString(s); }

// A widget with text in a dialog, every character 12 pixels wide.
KVGUI_WDG& field(const char* text) {
  kvgui_set_text_kerning(0);
  if (kvgui_stack_empty()) kvgui_push_dialog(0, 0, 600, 400, 0, 0);
  kvgui_add_text(S("t"), S(text), 100, 100);
  return kvgui_test::KvguiTest::widget("t");
}

TEST_F(TextLayout, WrapsAtBlanksOnlyAndCountsLines) {
  struct Case {
    const char* text;
    int width, height;
  } const cases[] = {
      {"", 100, 12},
      {"abc", 100, 12},
      {"aaaa bbbb", 60, 24},       // "aaaa " fills 60; "bbbb" goes below
      {"aaaa bbbb", 108, 24},      // both fit, but not the blank laid out after them
      {"aaaa bbbb", 120, 12},
      {"aaaaaaaaaa", 60, 24},      // a long word is not broken; the blank after it wraps
      {"a\nb", 100, 24},
      {"a\n\nb", 100, 36},
      {"aa\tbbbbbbbb", 60, 36},    // a tab wraps like a blank
      // The word measured after a blank ends at a line feed: "beta" fits
      // where "beta\ngamma" would not.
      {"alpha beta\ngamma delta\nepsilon", 180, 36},
      {"Name: Bob\nAge: 42", 120, 24},
  };
  for (const Case& c : cases) {
    KVGUI_WDG& w = field(c.text);
    EXPECT_EQ(kvgui_layout_wrapped_text(top(), w, 0, 0, c.width, 0), c.height) << c.text;
  }
}

TEST_F(TextLayout, HitTestFindsTheCharacterAtAPoint) {
  struct Case {
    const char* text;
    int x, y, index;
  } const cases[] = {
      {"hello world", 0, 0, 0},
      {"hello world", 30, 0, 1},   // the first cell whose left edge is past x - 1.5 cells
      {"hello world", 60, 5, 4},
      {"hello world", 500, 13, 12},  // after the text: its length + 1
      {"ab\ncd", 100, 0, 2},        // the line feed ends the first line
      {"ab\ncd", 0, 13, 3},
      {"ab\ncd", 0, 12, 0},         // a row counts from one glyph above it
      {"aaaa bbbb", 0, 13, 5},      // wrapped: the second line starts at 5
      {"aaaa bbbb", 500, 0, 4},     // right of a wrapped line: the blank that ends it
  };
  for (const Case& c : cases) {
    KVGUI_WDG& w = field(c.text);
    EXPECT_EQ(kvgui_draw_wrapped_text(top(), w, c.x, c.y, 60, 0, 1), c.index)
        << c.text << " at " << c.x << "," << c.y;
  }
}

TEST_F(TextLayout, FocusedFieldShowsCaretAndSelectionOthersLoseThem) {
  KVGUI_WDG& w = field("abc def");
  w.SELSTART = 1;
  w.SELEND = 99;  // clamped to the text
  kvgui_layout_wrapped_text(top(), w, 10, 20, 200, 1);
  EXPECT_EQ(w.SELSTART, -1) << "no focus, no selection";
  EXPECT_EQ(w.SELEND, -1);

  set("", "FOCUS", "t");
  kvgui_test::host().now = 10240;  // the caret's bright half of its 1024 ms pulse
  KVGUI_WDG& f = widget("t");
  f.SELSTART = 1;
  f.SELEND = 3;
  clear_screen();
  kvgui_layout_wrapped_text(top(), f, 10, 20, 200, 1);
  EXPECT_EQ(f.caret_x, 3 * 12 + 6);
  EXPECT_EQ(f.caret_y, 6);
  EXPECT_EQ(rgb(10 + 12, 20), uint32_t(top().COL_HOVER_NORM)) << "selected cell";
  EXPECT_EQ(rgb(10 + 3 * 12 - 1, 31), uint32_t(kvgui_caret_color)) << "caret";
  kvgui_test::host().now += 600;  // the dim half: the caret at half opacity over the selection
  kvgui_layout_wrapped_text(top(), f, 10, 20, 200, 1);
  EXPECT_EQ(rgb(10 + 3 * 12 - 1, 31), 0x7F4820u);
  f.SELEND = 99;
  kvgui_layout_wrapped_text(top(), f, 10, 20, 200, 1);
  EXPECT_EQ(f.SELEND, 7);
}

// Pixels of the band the text is printed in.
std::vector<uint32_t> band() {
  std::vector<uint32_t> p(600 * 40);
  qvl_gfx_flush_sprites();  // reading the frame behind the runtime's back
  glFinish();
  glReadPixels(0, 768 - 40, 600, 40, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
  return p;
}

TEST_F(TextLayout, PrintingInRunsLooksLikePrintingEachCharacter) {
  const char* text = "Kerning: Wilful iiii WWWW .,;|";
  for (double scale : {1.5, 2.0, 1.25}) {
    qvl_font_select(0, scale, -1);
    kvgui_set_text_kerning(1);
    if (kvgui_stack_empty()) kvgui_push_dialog(0, 0, 600, 400, 0, 0);
    kvgui_add_widget(S("w"), S(text), 600, 40);
    clear_screen();
    kvgui_layout_wrapped_text(top(), widget("w"), 0, 0, 600, 1);
    const std::vector<uint32_t> runs = band();
    clear_screen();
    int x = 0;
    for (const char* p = text; *p; ++p) {
      const char one[2] = {*p, 0};
      qvl_font_print(S(one), x, 0, 1);
      x += qvl_font_text_width(S(one), 1);
    }
    EXPECT_TRUE(runs == band()) << "scale " << scale;
  }
}

// A selection is drawn as one box under each run of selected characters:
// the same picture as a box and a glyph for each character.
TEST_F(TextLayout, SelectedRunsLookLikeEachCharacterOnItsBox) {
  const char* text = "Wilful iiii WWWW";
  const int length = 16, from = 3;
  // Proportional glyphs that print whole, and fixed cells 9.6 pixels wide
  // that do not.
  const struct {
    int kerning;
    double scale;
  } fonts[] = {{1, 1.5}, {0, 1.2}};
  kvgui_push_dialog(0, 0, 600, 400, 0, 0);
  kvgui_add_text(S("w"), S(text), 600, 40);
  set("", "FOCUS", "w");
  kvgui_test::host().now = 10240;  // the caret at full strength
  for (const auto& font : fonts) {
    qvl_font_select(0, font.scale, -1);
    kvgui_set_text_kerning(font.kerning);
    KVGUI_WDG& w = widget("w");
    w.SELSTART = from;
    w.SELEND = length;  // the caret after the text
    clear_screen();
    kvgui_layout_wrapped_text(top(), w, 0, 0, 600, 1);
    const std::vector<uint32_t> runs = band();

    clear_screen();
    int gw = 0, gh = 0;
    kvgui_glyph_size(&gw, &gh);
    int x = 0;
    for (int i = 0; i < length; ++i) {
      const char one[2] = {text[i], 0};
      const int cw = qvl_font_text_width(S(one), font.kerning);
      if (i >= from) qvl_gfx_draw_rect(x, 0, cw, gh, top().COL_HOVER_NORM);
      qvl_font_print(S(one), x, 0, font.kerning);
      x += cw;
    }
    qvl_gfx_draw_rect(x - 1, 0, 2, gh, kvgui_caret_color);
    EXPECT_TRUE(runs == band()) << "kerning " << font.kerning << " scale " << font.scale;
  }
}

// Lines outside the widget's viewport are not drawn, yet the caret's place
// is kept wherever it is; the lines cut by the viewport's edges are drawn.
TEST_F(TextLayout, LinesOutsideTheViewportAreSkippedButTheCaretIsPlaced) {
  std::string text;
  int line37 = 0;
  for (int i = 0; i < 40; ++i) {
    if (i == 37) line37 = int(text.size());
    text += "line" + std::to_string(i) + "\n";
  }
  field(text.c_str());
  set("", "FOCUS", "t");
  KVGUI_WDG& f = widget("t");
  f.SELSTART = 0;
  f.SELEND = line37;
  clear_screen();
  qvl_gfx_set_viewport(0, 0, 600, 40);
  kvgui_layout_wrapped_text(top(), f, 0, -30, 600, 1);  // lines 2 to 5 in view
  const std::vector<uint32_t> scrolled = band();
  EXPECT_EQ(f.caret_y, 37 * 12 + 6);

  // The same lines, each character on its selection box, drawn by hand.
  clear_screen();
  for (int i = 2; i <= 5; ++i) {
    const std::string line = "line" + std::to_string(i);
    const int y = -30 + 12 * i;
    for (size_t c = 0; c <= line.size(); ++c) {
      qvl_gfx_draw_rect(int(c) * 12, y, 12, 12, top().COL_HOVER_NORM);
      if (c < line.size()) qvl_font_print(S(line.substr(c, 1).c_str()), int(c) * 12, y, 0);
    }
  }
  qvl_gfx_set_viewport(0, 0, 0, 0);
  EXPECT_TRUE(scrolled == band());
}

}  // namespace
