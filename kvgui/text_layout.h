// The one word-wrapping text layout of the library, used to measure, draw
// and hit-test a widget's TEXT: labels and text fields are drawn with it
// and the mouse and the cursor keys find character positions through it.
//
// Text wraps only at blanks and tabs (a word wider than the width is never
// broken); a line feed starts a new line. Widths are measured a character
// at a time in the current font with the library's spacing flag.
#pragma once

#include <cstdint>
#include <vector>

#include "kvgui/records.h"

// Lays out TEXT from (x0, y0) within width; with draw set it is also drawn,
// with the selection and, while the widget holds the dialog's focus, the
// caret (whose cell centre goes to caret_x, caret_y). A widget without the
// focus loses its selection (SELSTART = SELEND = -1). Returns the height of
// the text: lines x glyph height.
int kvgui_layout_wrapped_text(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x0, int y0, int width,
                              int draw);
// The same layout; with hit set it is the hit test instead: (x0, y0) is the
// point to find, the layout starts at (0, 0), nothing is drawn, and the
// result is the index of the character at the point (text length + 1 when
// the point lies after the text). A line ends at its line feed or at the
// blank or tab it wraps after: a point right of a line finds that character.
int kvgui_draw_wrapped_text(KVGUI_DLG& dialog, KVGUI_WDG& widget, int x0, int y0, int width,
                            int draw, int hit);

// Where the caret can stand in the widget's TEXT laid out from (0, 0)
// within width, for each position m from 0 to the text's length: the line
// (from 0) and the x of the boundary before character m. A line wrapped
// after a blank or tab ends before it; the line feed's position ends its line.
struct KvguiCaretPlace {
  int line = 0;
  int x = 0;
};
std::vector<KvguiCaretPlace> kvgui_caret_places(const KVGUI_WDG& widget, int width);
// The position on that line whose x is nearest x (the first of two as
// near). A line above the first is the first; below the last line is the
// text's end.
int kvgui_nearest_caret(const std::vector<KvguiCaretPlace>& places, int line, int64_t x);

// What the hit argument asks for.
enum : int {
  KVGUI_HIT_NONE = 0,
  // The mouse: on the line at y, the first character whose left edge is
  // past x - 1.5 character widths.
  KVGUI_HIT_POINT = 1,
};
