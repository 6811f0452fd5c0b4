#include "host/input_view.h"

#include "gfx2d/opengl_rainbows.h"

InputView qvl_input_view() {
  InputView v{0, 0, 0, 0.0f, 0, 0};
  if (const OpenGLRainbows* gfx = qvl_gfx_rainbows) {
    v.orientation = gfx->orientation;
    v.width = gfx->screen_width;
    v.height = gfx->screen_height;
    // The virtual resolution joins here with the viewport code; until then
    // no scaling is in force.
  }
  return v;
}

void qvl_input_window_to_logical(const InputView& v, int x, int y, int* ox, int* oy) {
  switch (v.orientation) {
    case 1: *ox = y; *oy = v.width - 1 - x; break;
    case 2: *ox = v.width - 1 - x; *oy = v.height - 1 - y; break;
    case 3: *ox = v.height - 1 - y; *oy = x; break;
    default: *ox = x; *oy = y; break;
  }
}

void qvl_input_logical_to_window(const InputView& v, int x, int y, int* ox, int* oy) {
  switch (v.orientation) {
    case 1: *ox = v.width - 1 - y; *oy = x; break;
    case 2: *ox = v.width - 1 - x; *oy = v.height - 1 - y; break;
    case 3: *ox = y; *oy = v.height - 1 - x; break;
    default: *ox = x; *oy = y; break;
  }
}

void qvl_input_window_vector_to_logical(const InputView& v, int x, int y, int* ox, int* oy) {
  switch (v.orientation) {
    case 1: *ox = y; *oy = -x; break;
    case 2: *ox = -x; *oy = -y; break;
    case 3: *ox = -y; *oy = x; break;
    default: *ox = x; *oy = y; break;
  }
}

void qvl_input_orient_vector(const InputView& v, int x, int y, int* ox, int* oy) {
  switch (v.orientation) {
    case 1: *ox = -y; *oy = x; break;
    case 2: *ox = -x; *oy = -y; break;
    case 3: *ox = y; *oy = -x; break;
    default: *ox = x; *oy = y; break;
  }
}
