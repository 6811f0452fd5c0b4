// How input positions and directions meet the picture: the window size, the
// orientation that turns the picture inside the window, and the virtual
// resolution that scales it. Points are mapped with the window's last pixel
// as the far edge; directions (mouse motion, hats, sticks) are mapped as
// vectors, without that offset, so a motion of 0 stays 0.
#pragma once

struct InputView {
  int orientation;         // 0 to 3; anything else behaves as 0
  int width, height;       // window client size (W, H)
  float scale;             // virtual-resolution scale; 0 = none in force
  int offset_x, offset_y;  // picture offset of the virtual resolution
};

// The view of the one graphics object (orientation 0 and no scaling
// without one).
InputView qvl_input_view();

void qvl_input_window_to_logical(const InputView& v, int x, int y, int* ox, int* oy);
void qvl_input_logical_to_window(const InputView& v, int x, int y, int* ox, int* oy);
// A motion seen in the window, as a motion in logical coordinates.
void qvl_input_window_vector_to_logical(const InputView& v, int x, int y, int* ox, int* oy);
// A controller's stick turned with the picture.
void qvl_input_orient_vector(const InputView& v, int x, int y, int* ox, int* oy);
