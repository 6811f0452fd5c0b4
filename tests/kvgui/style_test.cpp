// The drawing style: caption measures, metrics, the pressed colour,
// outlines, gradient boxes, fitted sprites, and the scroll bar's thumb and
// drag input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "gfx2d/draw_commands.h"
#include "gfx2d/pixel_image.h"
#include "kvgui/scrollbar.h"
#include "tests/kvgui/kvgui_fixture.h"

namespace {

using Style = kvgui_test::KvguiTest;
using kvgui_test::host;
using kvgui_test::near;
BasicString S(const char* s) { return BasicString(s); }

void solid_sprite(OpenGLRainbows* gfx, int id, int w, int h, uint32_t colour) {
  PixelImage image;
  ASSERT_TRUE(image.resize(w, h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = image.pixel(x, y);
      p[0] = colour & 0xFF;
      p[1] = (colour >> 8) & 0xFF;
      p[2] = (colour >> 16) & 0xFF;
      p[3] = 255;
    }
  ASSERT_TRUE(gfx->set_sprite_image(id, image, false));
}

TEST_F(Style, CaptionsMeasureByTheirForm) {
  kvgui_widget_height = 16;
  kvgui_min_row_height = 20;
  solid_sprite(gfx_, 7, 40, 20, 0xFF);
  solid_sprite(gfx_, 8, 5, 5, 0xFF);
  qvl_err_clear();
  struct Case {
    const char* caption;
    int width, height;
  } const cases[] = {
      {"SPR_C255", 32, 32},
      {"SPR_B7", 44, 24},
      {"SPR_B8", 16, 16},   // never below the widget height
      {"SPR_B70000", 16, 16},  // outside the sprite table: an empty sprite
      {"SPR_B-3", 16, 16},
      {"two\nlines", 0, 2 * 12 + 4},
      {"xSPR_B7", 0, 16},  // the prefix counts only at the start
  };
  for (const Case& c : cases) {
    if (c.width) {
      EXPECT_EQ(kvgui_measure_caption_width(S(c.caption)), c.width) << c.caption;
    }
    EXPECT_EQ(kvgui_measure_caption_height(S(c.caption)), c.height) << c.caption;
  }
  EXPECT_EQ(qvl_err_state.last_error, 0) << "no error for a sprite outside the table";
  EXPECT_EQ(kvgui_measure_caption_width(S("xSPR_B7")), kvgui_measure_text_width(S("xSPR_B7")) + 12);
  EXPECT_EQ(kvgui_measure_caption_padded(S("SPR_C1")), 32 + 21);
  EXPECT_EQ(kvgui_measure_caption_ex(S("SPR_C1"), 0), 32);

  int a = -1, b = -1;
  kvgui_get_metric(S("WIDGETSPACE"), &a, &b);
  EXPECT_EQ(a + b, 4);
  kvgui_get_metric(S("CAPTIONHEIGHT"), &a, &b);
  EXPECT_EQ(a, 24);
  kvgui_get_metric(S("OTHER"), &a, &b);
  EXPECT_EQ(a + b, 0);
}

TEST_F(Style, DarkenedColourIsSevenEighths) {
  EXPECT_EQ(kvgui_darken_color(0xFFFFFF), 0xDFDFDF);
  EXPECT_EQ(kvgui_darken_color(0x080808), 0x070707);
  EXPECT_EQ(kvgui_darken_color(static_cast<int>(0xFF00FF08)), 0x00DF07);
}

TEST_F(Style, OutlinesLeaveTheirCornersFree) {
  kvgui_draw_outline(20, 20, 10, 8, 0x0000FF);
  EXPECT_EQ(rgb(20, 20), 0u);
  EXPECT_EQ(rgb(21, 20), 0x0000FFu);
  EXPECT_EQ(rgb(28, 20), 0x0000FFu);
  EXPECT_EQ(rgb(29, 20), 0u);
  EXPECT_EQ(rgb(20, 21), 0x0000FFu);
  EXPECT_EQ(rgb(29, 26), 0x0000FFu);
  EXPECT_EQ(rgb(29, 27), 0u);
  EXPECT_EQ(rgb(24, 24), 0u);
}

// A dialog's caption is printed scaled (12 x 12 from the 8 x 8 sheet) with
// texture smoothing on; its blank must draw nothing, not the top of the
// glyph below it in the font sheet as a line. The caption bar's gradient
// runs from top to bottom, so each row under the blank has the colour the
// bar has in that row further right.
TEST_F(Style, CaptionBlanksDrawNoLine) {
  plain_dialog(300, 100);
  set("", "MOVEABLE", "1");
  set("", "TEXT", "a b");
  frame();
  // 'a' (and its bold copy one pixel right) ends at 16, 'b' starts at 27.
  int marked = 0;
  for (int y = 2; y < 16; ++y)
    for (int x = 17; x < 27; ++x) marked += !near(rgb(x, y), rgb(250, y), 2);
  EXPECT_EQ(marked, 0);
}

TEST_F(Style, GradientBoxesSplitAlongTheLongerSide) {
  kvgui_draw_gradient_box(0x00FF00, 0x00FF00, 0, 0, 40, 40);  // one colour: one rectangle
  EXPECT_EQ(rgb(0, 0), 0x00FF00u);
  EXPECT_EQ(rgb(39, 39), 0x00FF00u);
  kvgui_draw_gradient_box(0xFF0000, 0x0000FF, 100, 100, 100, 20);
  EXPECT_TRUE(near(rgb(150, 100), 0xFF0000, 40)) << std::hex << rgb(150, 100);
  EXPECT_EQ(rgb(150, 119), 0x0000FFu);
  EXPECT_EQ(rgb(150, 110), 0x0000FFu);  // below the first 35 %
  kvgui_draw_gradient_box(0xFF0000, 0x0000FF, 300, 100, 10, 100);
  EXPECT_TRUE(near(rgb(300, 150), 0xFF0000, 80)) << std::hex << rgb(300, 150);
  EXPECT_EQ(rgb(309, 150), 0x0000FFu);
}

TEST_F(Style, SpritesFitTheirBoxCentred) {
  solid_sprite(gfx_, 3, 64, 64, 0x0000FF);
  // 50 x 3 >= 64 x 2: drawn as it is, centred (7 pixels out on each side).
  kvgui_draw_sprite_fitted(3, 100, 100, 50, 50);
  EXPECT_EQ(rgb(93, 93), 0x0000FFu);
  EXPECT_EQ(rgb(156, 156), 0x0000FFu);
  EXPECT_EQ(rgb(92, 93), 0u);
  // 40 x 3 < 64 x 2: scaled to 40 x 40.
  kvgui_draw_sprite_fitted(3, 300, 100, 40, 40);
  EXPECT_EQ(rgb(300, 100), 0x0000FFu);
  EXPECT_EQ(rgb(339, 139), 0x0000FFu);
  EXPECT_EQ(rgb(340, 139), 0u);
  qvl_err_clear();
  kvgui_draw_sprite_fitted(70000, 0, 0, 40, 40);
  EXPECT_EQ(qvl_err_state.last_error, 0);
}

TEST_F(Style, ScrollThumbStaysInsideItsTrack) {
  struct Case {
    int height, visible, range, scroll;
    int length, position;
  } const cases[] = {
      {200, 200, 100, 50, 132, 33},
      {200, 200, 100, -20, 132, 0},
      {200, 200, 100, 500, 132, 66},
      {30, 24, 100, 100, 5, 23},
      // Short bars (a small dialog body) keep a thumb of no negative length.
      {20, 14, 100, 100, 0, 18},
      {10, 4, 100, 50, 0, 4},
      {0, 0, 100, 50, 0, 0},
      // A range of two thousand million: no overflow.
      {500, 100, 2000000000, 1000000000, 2, 248},
  };
  for (const Case& c : cases) {
    const KvguiThumb t = kvgui_scroll_thumb(c.height, c.visible, c.range, c.scroll);
    EXPECT_EQ(t.length, c.length) << c.height << " " << c.range;
    EXPECT_EQ(t.position, c.position) << c.height << " " << c.range;
  }
  struct Mouse {
    int y, height, range, scroll;
  } const mice[] = {
      {100, 200, 100, 50},
      {210, 200, 100, 106},            // past the bottom: past the range
      {150, 200, 50000000, 37878787},  // y x range would overflow 32 bits
      {5, 2, 1, 0},                    // no track left
  };
  for (const Mouse& m : mice)
    EXPECT_EQ(kvgui_scroll_from_mouse(m.y, m.height, m.range), m.scroll) << m.range;
}

TEST_F(Style, ListOverscrollEasesBackFromEitherEnd) {
  struct Case {
    int from, range;
    std::vector<int> steps;
  } const cases[] = {
      // Ten 16-pixel rows in a 100-pixel box: range 59; an excess of 3 stays.
      {70, 59, {68, 66, 65, 64, 63, 62, 62}},
      {-10, 59, {-8, -6, -5, -4, -3, -2, -1, 0, 0}},
      {30, 59, {30}},
  };
  for (const Case& c : cases) {
    int scroll = c.from;
    for (int expected : c.steps) {
      scroll = kvgui_ease_list_scroll(scroll, c.range);
      EXPECT_EQ(scroll, expected) << c.from;
    }
  }
}

TEST_F(Style, ScrollBarDragBelongsToOneBarAtATime) {
  plain_dialog(400, 300);
  kvgui_add_widget(S("one"), S(""), 100, 200);
  kvgui_add_widget(S("two"), S(""), 100, 200);
  KVGUI_DLG& d = top();
  KVGUI_WDG& one = widget("one");
  KVGUI_WDG& two = widget("two");
  // No range: no bar, and the scroll goes back to 0.
  one.SCROLL = 9;
  EXPECT_EQ(kvgui_drag_scrollbar(d, one, 90, 10, 200), 0);
  EXPECT_EQ(one.SCROLL, 0);

  one.scroll_range = two.scroll_range = 100;
  host().button = 1;
  EXPECT_EQ(kvgui_drag_scrollbar(d, one, 95, 100, 200), 1);
  EXPECT_STREQ(d.FOCUS.text, "SBone");
  EXPECT_EQ(one.SCROLL, 50);
  // While "one" is dragged, "two" ignores the mouse on its own bar.
  EXPECT_EQ(kvgui_drag_scrollbar(d, two, 95, 100, 200), 1);
  EXPECT_EQ(two.SCROLL, 0);
  // The drag goes on outside the bar and ends with the button.
  EXPECT_EQ(kvgui_drag_scrollbar(d, one, -50, 198, 200), 1);
  EXPECT_EQ(one.SCROLL, 100);
  host().button = 0;
  kvgui_drag_scrollbar(d, one, -50, 199, 200);
  EXPECT_STREQ(d.FOCUS.text, "");
  // A press beside the bar starts nothing.
  host().button = 1;
  kvgui_drag_scrollbar(d, two, 10, 100, 200);
  EXPECT_STREQ(d.FOCUS.text, "");
}

}  // namespace
