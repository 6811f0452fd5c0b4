// The one input object: the keyboard state by DirectInput scan code, the
// mouse records with their reference points, the game controllers and the
// typed-character queue, with the commands that programs call on them.
// Main thread only.
//
// Devices come from the platform layer on SDL: keys and mouse are followed
// through SDL's events (pushed ones included), controllers are SDL
// joysticks, force feedback goes through SDL's haptics.
#pragma once

#include <cstdint>
#include <vector>

#include "core/basic_string.h"
#include "platform/joystick.h"
#include "platform/win_messages.h"

// Window coordinates; a new record is {0, 0, 100, 100, 0}.
struct MouseRecord {
  int32_t x, y;
  int32_t reference_x, reference_y;
  int32_t wheel;
};

// One read of a mouse: dx, dy = position minus reference point.
struct MouseState {
  int16_t button1, button2, button3;
  int16_t dx, dy;
  int16_t wheel;
};

// A controller's state as DirectInput lays it out (80 bytes): X, Y, Z, Rx,
// Ry, Rz, two sliders, four POV values, 32 button bytes (0x80 = down).
using JoystickState = PlatJoyState;

constexpr int kMaxJoysticks = 10;
constexpr int kJoystickNameSize = 522;
constexpr int kMaxTypedChars = 16;

class InputManager {
 public:
  InputManager();

  // Returns 1 (the start-up ignores the result).
  int open(WindowHandle window, void* instance, int hide_pointer);
  void release();

  // Keyboard.
  void refresh_keyboard(int force);
  int key_down(int scan);
  void build_key_map();
  void use_key_map(int identity);

  // Mice.
  void select_mouse(int n);
  int read_mouse(int* x, int* y, int* wheel);
  void mouse_state(MouseState* state, bool set_reference);
  bool any_button_down();
  // Every mouse takes its present position as its new reference point, so
  // motion made while the program was not reading is not reported; the
  // current mouse stays selected.
  void rebase_mice();

  // Game controllers.
  int read_joystick(JoystickState* state, int n);
  void joystick_name(char* buffer, int n);
  int get_joystick_count() const { return joystick_count; }
  void force_feedback(int n, int iterations, float duration_ms, float x, float y);

  // Typed characters, oldest first.
  bool take_char();
  int next_char();
  int scan_to_ascii(int scan);
  // Kept for callers that queue a character directly.
  void push_char(int c);

  int32_t key_refresh_count;
  std::vector<uint8_t> typed_chars;  // at most kMaxTypedChars
  std::vector<MouseRecord> mice;
  int32_t current_mouse;
  bool input_open;     // the platform's input is being followed
  bool keyboard_open;  // false: every key reads up
  bool mouse_captured; // hidden pointer: relative motion
  PlatJoystick* joysticks[kMaxJoysticks];
  char joystick_names[kMaxJoysticks][kJoystickNameSize];
  uint8_t key_state[256];
  WindowHandle window;
  uint8_t pointer_visible;
  int32_t joystick_count;
  int32_t key_map[256];
};

// The one input object; null before the start-up and after the shutdown.
extern InputManager* qvl_input_manager;
extern int32_t qvl_input_key_query_count;
// Wheel deltas of WM_MOUSEWHEEL since the last mouse read, each added as an
// unsigned 16-bit number; only the low 16 bits carry the signed total.
extern int32_t qvl_input_wheel_sum;
// total + delta, wrapping round at 32 bits: every notch towards the user
// adds 65,416, so wheel totals pass the int range after some 33,000 of them,
// and only their low 16 bits are ever read.
inline int32_t qvl_input_wheel_add(int32_t total, uint32_t delta) {
  return static_cast<int32_t>(static_cast<uint32_t>(total) + delta);
}
// -1 until tested, then 1 when the system offers pointer input for the
// mouse, else 0.
extern int32_t qvl_input_pointer_mode;
// The record every mouse operation uses while current_mouse is outside the
// table.
MouseRecord& qvl_input_spare_mouse();

// Keys.
double qvl_input_key(int scan);
void qvl_input_wait_key();
void qvl_input_os_version(void* record276);

// Mice.
int qvl_input_mouse_count();
int qvl_input_mouse_count_query();
void qvl_input_select_mouse(int n);
void qvl_input_mouse_state(int* x, int* y, int* b1, int* b2);
void qvl_input_mouse_state_f(double* x, double* y, double* b1, double* b2);
int qvl_input_mouse_axis(int n);
void qvl_input_show_pointer(double v);
void qvl_input_set_mouse(int x, int y);
// A motion or direction seen in the window, as one on the logical screen:
// the picture's point mapping taken as a difference, so it turns with the
// picture and no motion stays none.
void qvl_input_window_motion_to_logical(int dx, int dy, int* lx, int* ly);

// Game controllers.
void qvl_input_joystick_raw(int* x, int* y, int* b1, int* b2);
void qvl_input_joystick_raw_f(double* x, double* y, double* b1, double* b2);
double qvl_input_joystick_x(int n);
double qvl_input_joystick_y(int n);
double qvl_input_joystick_z(int n);
double qvl_input_joystick_rx(int n);
double qvl_input_joystick_ry(int n);
double qvl_input_joystick_rz(int n);
int qvl_input_joystick_pov_x(int n);
int qvl_input_joystick_pov_y(int n);
int qvl_input_joystick_button(int n, int b);
BasicString qvl_input_joystick_name(int n);
int qvl_input_joystick_count();
void qvl_input_joystick_force(int n, double duration_ms, double x, double y);
// The constant force of one call in DirectInput's units.
PlatConstantForce qvl_input_force_params(float duration_ms, float x, float y);

// Touch contacts, kept from the window's pointer messages.
struct TouchPoint {
  int32_t x, y;     // client coordinates of the main window
  int32_t buttons;  // 1 first, 2 second, 4 third button
  int32_t pointer_id;  // 0 = free
};
constexpr int kTouchPoints = 32;
extern TouchPoint qvl_input_touch_table[kTouchPoints];
void qvl_input_touch_entry(int i, int* x, int* y, int* buttons);
// Pointer messages of touch contacts (kind 1 down, 0 update, -1 up).
void qvl_input_on_pointer_message(int kind, uintptr_t wParam, intptr_t lParam);
// Zeroes the touch table and binds the optional pointer entries.
void qvl_win_static_init();

// Typed characters.
void qvl_input_push_char(int c);
BasicString qvl_input_typed_char();
