// The input object as the start-up, show-screen, the idle step and the
// shutdown use it: the keyboard state by DirectInput scan code, the mouse
// records with their reference points and the typed-character queue. Game
// controllers, pointer modes and scaling to the logical screen join it with
// the input commands.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win_messages.h"

struct MouseRecord {
  int32_t x, y;
  int32_t reference_x, reference_y;
  int32_t wheel;
};

struct MouseState {
  int16_t button1, button2, button3;
  int16_t dx, dy;
  int16_t wheel;
};

class InputManager {
 public:
  InputManager();

  int open(WindowHandle window, void* instance, int hide_pointer);
  void release();
  void refresh_keyboard(int force);
  int key_down(int scan);
  void mouse_state(MouseState* state, bool set_reference);
  bool any_button_down();
  // Typed characters, oldest first; at most 16 wait.
  void push_char(int c);
  int take_char();

  int32_t key_refresh_count;
  std::vector<uint8_t> typed_chars;
  std::vector<MouseRecord> mice;
  int32_t current_mouse;
  uint8_t key_state[256];
  WindowHandle window;
  uint8_t pointer_visible;
  bool keyboard_open;
};

// The one input object; null before the start-up and after the shutdown.
extern InputManager* qvl_input_manager;
extern int32_t qvl_input_key_query_count;
extern int32_t qvl_input_wheel_sum;

// The KEY query: counts its calls and refreshes every 128.
double qvl_input_key(int scan);
void qvl_input_mouse_state(int* x, int* y, int* b1, int* b2);
void qvl_input_show_pointer(double v);
void qvl_input_push_char(int c);
// Pointer messages of touch contacts (kind 1 down, 0 update, -1 up).
void qvl_input_on_pointer_message(int kind, uintptr_t wParam, intptr_t lParam);
