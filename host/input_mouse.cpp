// Mice: pointer shown (absolute position) or hidden (captured, relative
// motion), the wheel, several mice in pointer mode, and the mapping of
// positions to the logical screen.
#include <algorithm>

#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/viewport.h"
#include "host/input_manager.h"
#include "platform/mouse.h"
#include "platform/video.h"

namespace {

constexpr MouseRecord kNewMouse{0, 0, 100, 100, 0};

MouseRecord& current_record(InputManager& im) {
  if (im.current_mouse >= 0 && im.current_mouse < static_cast<int>(im.mice.size()))
    return im.mice[static_cast<size_t>(im.current_mouse)];
  return qvl_input_spare_mouse();
}

}  // namespace

MouseRecord& qvl_input_spare_mouse() {
  static MouseRecord spare = kNewMouse;
  return spare;
}

void InputManager::select_mouse(int n) {
  int m = qvl_input_mouse_count();
  current_mouse = std::min(n, m - 1);
  if (current_mouse >= static_cast<int>(mice.size())) mice.resize(static_cast<size_t>(m), kNewMouse);
}

int InputManager::read_mouse(int* x, int* y, int* wheel) {
  *wheel = 0;
  if (qvl_input_pointer_mode == 1 && pointer_visible) {
    // Touch contacts stand for the mice. An index outside the table (a
    // negative mouse number) has no contact: nothing is read.
    if (current_mouse < 0 || current_mouse >= kTouchPoints) return 0;
    const TouchPoint& t = qvl_input_touch_table[current_mouse];
    *x = t.x;
    *y = t.y;
    return t.buttons;
  }
  if (pointer_visible) {
    plat_mouse_position(x, y);
  } else {
    int dx = 0, dy = 0;
    plat_mouse_take_motion(&dx, &dy);
    *x += dx;
    *y += dy;
  }
  int bits = plat_mouse_buttons();
  *wheel = qvl_input_wheel_sum;
  qvl_input_wheel_sum = 0;
  if (window) {
    PlatRect r = plat_window_rect(window);
    *x = std::clamp(*x, 0, std::max(r.w, 0));
    *y = std::clamp(*y, 0, std::max(r.h, 0));
  }
  return bits;
}

void InputManager::mouse_state(MouseState* state, bool set_reference) {
  MouseRecord& rec = current_record(*this);
  int px, py, wheel = 0;
  if (pointer_visible) {
    px = rec.reference_x;
    py = rec.reference_y;
  } else {
    px = rec.x;
    py = rec.y;
  }
  int bits = read_mouse(&px, &py, &wheel);
  if (!pointer_visible) {
    rec.x = px;
    rec.y = py;
  }
  rec.wheel = qvl_input_wheel_add(rec.wheel, static_cast<uint32_t>(wheel));
  if (state) {
    state->dx = static_cast<int16_t>(px - rec.reference_x);
    state->dy = static_cast<int16_t>(py - rec.reference_y);
    state->wheel = static_cast<int16_t>(rec.wheel & 0xFFFF);
    state->button1 = (bits & 1) ? 1 : 0;
    state->button2 = (bits & 2) ? 1 : 0;
    state->button3 = (bits & 4) ? 1 : 0;
  }
  if (set_reference) {
    if (pointer_visible) {
      rec.x = rec.reference_x = px;
      rec.y = rec.reference_y = py;
    } else {
      rec.reference_x = rec.x;
      rec.reference_y = rec.y;
    }
  }
}

void InputManager::rebase_mice() {
  int keep = current_mouse;
  for (int i = 0; i < static_cast<int>(mice.size()); ++i) {
    current_mouse = i;
    mouse_state(nullptr, true);
  }
  current_mouse = keep;
}

bool InputManager::any_button_down() {
  rebase_mice();
  MouseState s{};
  mouse_state(&s, false);
  return s.button1 || s.button2 || s.button3;
}

void qvl_input_select_mouse(int n) {
  if (n >= qvl_input_mouse_count()) n = 0;
  if (qvl_input_manager) qvl_input_manager->select_mouse(n);
}

void qvl_input_mouse_state(int* x, int* y, int* b1, int* b2) {
  InputManager* im = qvl_input_manager;
  MouseState s{};
  if (im) im->mouse_state(&s, true);
  const MouseRecord& rec = im ? current_record(*im) : qvl_input_spare_mouse();
  int lx = rec.reference_x, ly = rec.reference_y;
  if (OpenGLRainbows* gfx = qvl_gfx_rainbows) {
    gfx->window_to_logical(rec.reference_x, rec.reference_y, &lx, &ly);
    int w = gfx->screen_width, h = gfx->screen_height;
    if (gfx->orientation == 1 || gfx->orientation == 3) std::swap(w, h);
    lx = std::clamp(lx, 0, std::max(w, 0));
    ly = std::clamp(ly, 0, std::max(h, 0));
  }
  // Under a virtual resolution the picture is scaled and centred in the
  // window: the position counts in the program's own logical pixels. A
  // render target selected for drawing is not scaled, so neither is this.
  const VirtualResolution& vr = qvl_gfx_virtual_resolution;
  if (vr.scale != 0.0f && qvl_gfx_target_slot == -1) {
    lx = static_cast<int>(static_cast<float>(lx - vr.offset_x) / vr.scale);
    ly = static_cast<int>(static_cast<float>(ly - vr.offset_y) / vr.scale);
  }
  if (x) *x = lx;
  if (y) *y = ly;
  if (b1) *b1 = s.button1 != 0;
  if (b2) *b2 = s.button2 != 0;
}

void qvl_input_mouse_state_f(double* x, double* y, double* b1, double* b2) {
  int ix = 0, iy = 0, ib1 = 0, ib2 = 0;
  qvl_input_mouse_state(&ix, &iy, &ib1, &ib2);
  if (x) *x = ix;
  if (y) *y = iy;
  if (b1) *b1 = ib1;
  if (b2) *b2 = ib2;
}

int qvl_input_mouse_axis(int n) {
  InputManager* im = qvl_input_manager;
  MouseState s{};
  if (im) im->mouse_state(&s, false);
  int dx, dy;
  qvl_input_window_motion_to_logical(s.dx, s.dy, &dx, &dy);
  switch (n) {
    case 0: return dx;
    case 1: return dy;
    case 2: return s.wheel;
    case 3: return s.button1 != 0;
    case 4: return s.button2 != 0;
    case 5: return s.button3 != 0;
    default: return 0;
  }
}

void qvl_input_show_pointer(double v) {
  bool show = v != 0.0;
  InputManager* im = qvl_input_manager;
  if (!im) {
    plat_cursor_show(show);
    return;
  }
  if (!show) {
    im->mouse_captured = true;
    plat_mouse_capture(true);
    plat_cursor_show(false);
    im->pointer_visible = 0;
    return;
  }
  im->mouse_captured = false;
  plat_mouse_capture(false);
  if (!im->pointer_visible) {
    const MouseRecord& rec = current_record(*im);
    plat_mouse_warp(im->window, rec.reference_x, rec.reference_y);
  }
  plat_cursor_show(true);
  im->pointer_visible = 1;
}

void qvl_input_window_motion_to_logical(int dx, int dy, int* lx, int* ly) {
  *lx = dx;
  *ly = dy;
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!gfx) return;
  int x0, y0;
  gfx->window_to_logical(0, 0, &x0, &y0);
  gfx->window_to_logical(dx, dy, lx, ly);
  *lx -= x0;
  *ly -= y0;
}

void qvl_input_set_mouse(int x, int y) {
  InputManager* im = qvl_input_manager;
  MouseRecord& rec = im ? current_record(*im) : qvl_input_spare_mouse();
  int wx = x, wy = y;
  if (qvl_gfx_rainbows) qvl_gfx_rainbows->logical_to_window(x, y, &wx, &wy);
  rec.x = rec.reference_x = wx;
  rec.y = rec.reference_y = wy;
}
