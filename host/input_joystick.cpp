// Game controllers: state reads, axes turned with the picture, hats as
// directions, buttons, names and the constant-force effect.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "gfx2d/opengl_rainbows.h"
#include "host/input_manager.h"

namespace {

// A zeroed state whose hats read centred: a controller that cannot be read
// must not report a direction.
void clear_state(JoystickState* s) {
  std::memset(s, 0, sizeof *s);
  for (uint32_t& p : s->pov) p = kPlatPovCentred;
}

JoystickState read(int n) {
  JoystickState s;
  if (qvl_input_manager) qvl_input_manager->read_joystick(&s, n);
  else clear_state(&s);
  return s;
}

double unit(int v) { return std::clamp(static_cast<double>(v) / 32767.0, -1.0, 1.0); }

// Float to int as C truncates, with values beyond int's range held at its
// ends (NaN gives 0) instead of being undefined.
int32_t truncate(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int32_t>(v);
}

struct AxisForce {
  int32_t direction;
  float weight;
};

AxisForce axis_force(float v) {
  if (v > 1.0f) return {32767, 1.0f};
  if (v < -1.0f) return {-32767, 1.0f};
  if (std::isnan(v)) return {0, 0.0f};
  return {truncate(v * 32767.0f), v * v};
}

// Hat directions for POV values; the pair is a direction in the window.
int pov_x_of(uint32_t pov) {
  switch (pov) {
    case 4500: case 9000: case 13500: return 1;
    case 22500: case 27000: case 31500: return -1;
    default: return 0;
  }
}

int pov_y_of(uint32_t pov) {
  switch (pov) {
    case 0: case 4500: case 31500: return -1;
    case 13500: case 18000: case 22500: return 1;
    default: return 0;
  }
}

}  // namespace

int InputManager::read_joystick(JoystickState* state, int n) {
  clear_state(state);
  if (n < 0 || n >= joystick_count) return 0;
  // A controller that is gone keeps its index and reads as the cleared state.
  if (joysticks[n] && !plat_joystick_read(joysticks[n], state)) clear_state(state);
  return 1;
}

void InputManager::joystick_name(char* buffer, int n) {
  if (n < 0 || n >= joystick_count) {
    buffer[0] = 0;
    return;
  }
  std::memcpy(buffer, joystick_names[n], kJoystickNameSize);
  buffer[kJoystickNameSize - 1] = 0;
}

PlatConstantForce qvl_input_force_params(float duration_ms, float x, float y) {
  AxisForce fx = axis_force(x), fy = axis_force(y);
  PlatConstantForce f;
  f.duration_us = truncate(static_cast<double>(duration_ms) * 1000.0);
  f.direction_x = fx.direction;
  f.direction_y = fy.direction;
  f.magnitude = truncate(static_cast<double>(fx.weight + fy.weight) * 10000.0 * 0.5);
  return f;
}

void InputManager::force_feedback(int n, int iterations, float duration_ms, float x, float y) {
  if (n < 0 || n >= kMaxJoysticks || !joysticks[n]) return;
  if (!plat_joystick_has_force(joysticks[n])) return;
  plat_joystick_play_force(joysticks[n], qvl_input_force_params(duration_ms, x, y), iterations);
}

void qvl_input_joystick_raw(int* x, int* y, int* b1, int* b2) {
  JoystickState s = read(0);
  if (x) *x = s.axes[0] / 30000;
  if (y) *y = s.axes[1] / 30000;
  if (b1) *b1 = s.buttons[0];
  if (b2) *b2 = s.buttons[1];
}

void qvl_input_joystick_raw_f(double* x, double* y, double* b1, double* b2) {
  int ix = 0, iy = 0, ib1 = 0, ib2 = 0;
  qvl_input_joystick_raw(&ix, &iy, &ib1, &ib2);
  if (x) *x = ix;
  if (y) *y = iy;
  if (b1) *b1 = ib1;
  if (b2) *b2 = ib2;
}

namespace {

double oriented_axis(int n, int first, bool want_y) {
  JoystickState s = read(n);
  int ox = s.axes[first], oy = s.axes[first + 1];
  if (qvl_gfx_rainbows) qvl_gfx_rainbows->orient_vector(ox, oy, &ox, &oy);
  return unit(want_y ? oy : ox);
}

}  // namespace

double qvl_input_joystick_x(int n) { return oriented_axis(n, 0, false); }
double qvl_input_joystick_y(int n) { return oriented_axis(n, 0, true); }
double qvl_input_joystick_z(int n) { return unit(read(n).axes[2]); }
double qvl_input_joystick_rx(int n) { return oriented_axis(n, 3, false); }
double qvl_input_joystick_ry(int n) { return oriented_axis(n, 3, true); }
double qvl_input_joystick_rz(int n) { return unit(read(n).axes[5]); }

// The hat is a direction: turned with the picture as a vector, not placed
// as a point.
int qvl_input_joystick_pov_x(int n) {
  int x = pov_x_of(read(n).pov[0]);
  int ox, oy;
  qvl_input_window_motion_to_logical(x, 0, &ox, &oy);
  return ox;
}

int qvl_input_joystick_pov_y(int n) {
  int y = pov_y_of(read(n).pov[0]);
  int ox, oy;
  qvl_input_window_motion_to_logical(0, y, &ox, &oy);
  return oy;
}

int qvl_input_joystick_button(int n, int b) {
  if (static_cast<unsigned>(b) > 31) return 0;
  return read(n).buttons[b];
}

BasicString qvl_input_joystick_name(int n) {
  char buffer[kJoystickNameSize];
  buffer[0] = 0;
  if (qvl_input_manager) qvl_input_manager->joystick_name(buffer, n);
  return BasicString(buffer);
}

int qvl_input_joystick_count() {
  return qvl_input_manager ? qvl_input_manager->get_joystick_count() : 0;
}

void qvl_input_joystick_force(int n, double duration_ms, double x, double y) {
  if (qvl_input_manager)
    qvl_input_manager->force_feedback(n, 1, static_cast<float>(duration_ms), static_cast<float>(x),
                                      static_cast<float>(y));
}
