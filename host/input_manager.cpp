#include "host/input_manager.h"

#include <cstring>

#include "platform/keyboard.h"
#include "platform/video.h"

InputManager* qvl_input_manager = nullptr;
int32_t qvl_input_key_query_count = 0;
int32_t qvl_input_wheel_sum = 0;

namespace {

MouseRecord g_spare_mouse{0, 0, 100, 100, 0};

MouseRecord& current_record(InputManager& im) {
  if (im.current_mouse >= 0 && im.current_mouse < static_cast<int>(im.mice.size()))
    return im.mice[static_cast<size_t>(im.current_mouse)];
  return g_spare_mouse;
}

}  // namespace

InputManager::InputManager()
    : key_refresh_count(0),
      mice(1, MouseRecord{0, 0, 100, 100, 0}),
      current_mouse(0),
      window(nullptr),
      pointer_visible(0),
      keyboard_open(false) {
  std::memset(key_state, 0, sizeof key_state);
  typed_chars.reserve(16);
  mice.reserve(4);
}

int InputManager::open(WindowHandle w, void*, int hide_pointer) {
  window = w;
  keyboard_open = true;
  refresh_keyboard(1);
  qvl_input_show_pointer(hide_pointer ? 0 : 1);
  return 1;
}

void InputManager::release() {
  qvl_input_show_pointer(1);
  keyboard_open = false;
  mice.clear();
  typed_chars.clear();
}

void InputManager::refresh_keyboard(int force) {
  if (!force && key_refresh_count < 100) {
    ++key_refresh_count;
    return;
  }
  key_refresh_count = 0;
  if (keyboard_open) plat_keyboard_state(key_state);
}

int InputManager::key_down(int scan) {
  if (++key_refresh_count > 100) {
    key_refresh_count = 0;
    if (keyboard_open) plat_keyboard_state(key_state);
  }
  if (!keyboard_open) return 0;
  return (key_state[scan & 0xFF] & 0x80) ? 1 : 0;
}

void InputManager::mouse_state(MouseState* state, bool set_reference) {
  MouseRecord& rec = current_record(*this);
  int x = 0, y = 0, buttons = 0;
  plat_mouse_state(window, &x, &y, &buttons);
  rec.wheel += qvl_input_wheel_sum;
  qvl_input_wheel_sum = 0;
  if (state) {
    state->button1 = (buttons & 1) ? 1 : 0;
    state->button2 = (buttons & 2) ? 1 : 0;
    state->button3 = (buttons & 4) ? 1 : 0;
    state->dx = static_cast<int16_t>(x - rec.reference_x);
    state->dy = static_cast<int16_t>(y - rec.reference_y);
    state->wheel = static_cast<int16_t>(rec.wheel & 0xFFFF);
  }
  rec.x = x;
  rec.y = y;
  if (set_reference) {
    rec.reference_x = x;
    rec.reference_y = y;
  }
}

bool InputManager::any_button_down() {
  MouseState s{};
  mouse_state(&s, false);
  return s.button1 || s.button2 || s.button3;
}

void InputManager::push_char(int c) {
  if (typed_chars.size() < 16) typed_chars.push_back(static_cast<uint8_t>(c));
}

int InputManager::take_char() {
  if (typed_chars.empty()) return 0;
  int c = typed_chars.front();
  typed_chars.erase(typed_chars.begin());
  return c;
}

double qvl_input_key(int scan) {
  if (++qvl_input_key_query_count > 128) {
    qvl_input_key_query_count = 0;
    if (qvl_input_manager) qvl_input_manager->refresh_keyboard(0);
  }
  return qvl_input_manager ? qvl_input_manager->key_down(scan & 0xFF) : 0.0;
}

void qvl_input_mouse_state(int* x, int* y, int* b1, int* b2) {
  MouseState s{};
  if (qvl_input_manager) qvl_input_manager->mouse_state(&s, true);
  MouseRecord& rec = qvl_input_manager ? current_record(*qvl_input_manager) : g_spare_mouse;
  if (x) *x = rec.x;
  if (y) *y = rec.y;
  if (b1) *b1 = s.button1 != 0;
  if (b2) *b2 = s.button2 != 0;
}

void qvl_input_show_pointer(double v) {
  bool show = v != 0.0;
  plat_cursor_show(show);
  if (qvl_input_manager) qvl_input_manager->pointer_visible = show ? 1 : 0;
}

void qvl_input_push_char(int c) {
  if (qvl_input_manager) qvl_input_manager->push_char(c);
}

void qvl_input_on_pointer_message(int, uintptr_t, intptr_t) {
  // The touch table arrives with the touch input; the platform keeps each
  // contact's last position for it (plat_pointer_touch_info).
}
