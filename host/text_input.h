// Text input: the blocking on-screen line input and the system's file
// requester. The typed-character queue itself is part of the InputManager.
#pragma once

#include "core/basic_string.h"

// How the line input draws: the screen kept under the line while it runs
// (background slot 3 of the graphics object), and the line's text (the
// current font). Tests replace members to watch what is drawn; a missing
// member is skipped.
struct LineInputPainter {
  void (*keep_screen)();     // grab the screen into background slot 3 and draw it
  void (*restore_screen)();  // draw background slot 3
  void (*print)(const char* text, int x, int y, int proportional);
  void (*release_screen)();  // free background slot 3
};
extern LineInputPainter qvl_input_line_painter;

// Reads a line typed by the user at (x, y) into text (changed in place);
// blocks until Enter while the frame loop goes on.
void qvl_input_text(BasicString& text, int x, int y, int proportional);
void qvl_input_text_float(double* out, int x, int y, int proportional);
void qvl_input_text_int(int* out, int x, int y, int proportional);

// The file open (open != 0) or save dialog; the chosen path with '/'
// separators, or "NO_FILE". The filter holds "description|pattern" pairs
// separated by '|'.
BasicString& qvl_win_file_requester(BasicString& result, int open, const BasicString& filter);

// The filter copy of the requester: at most 1,022 bytes of the filter, each
// '|' turned into a NUL, and two NULs after it, all within 1,024 bytes.
// Returns the description/pattern pairs it holds.
struct RequesterFilter {
  char buffer[1024];
};
void qvl_input_requester_filter(const BasicString& filter, RequesterFilter* out);
