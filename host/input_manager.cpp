#include "host/input_manager.h"

#include <cstdio>
#include <cstring>

#include "core/logs.h"
#include "files/sys_process.h"
#include "host/show_screen.h"
#include "platform/dll.h"
#include "platform/joystick.h"
#include "platform/keyboard.h"
#include "platform/mouse.h"
#include "platform/video.h"

InputManager* qvl_input_manager = nullptr;
int32_t qvl_input_key_query_count = 0;
int32_t qvl_input_wheel_sum = 0;

namespace {

constexpr MouseRecord kNewMouse{0, 0, 100, 100, 0};

// Finds the controllers attached now, up to the size of the tables.
void enumerate_joysticks(InputManager& im) {
  im.joystick_count = 0;
  if (!plat_joystick_init()) return;
  int available = plat_joystick_available();
  for (int i = 0; i < available && im.joystick_count < kMaxJoysticks; ++i) {
    PlatJoystick* j = plat_joystick_open(i);
    if (!j) continue;  // its slot goes to the next controller
    int n = im.joystick_count++;
    im.joysticks[n] = j;
    // DirectInput named a controller by instance and product; SDL has one
    // name for both.
    const char* name = plat_joystick_name(j);
    std::snprintf(im.joystick_names[n], kJoystickNameSize, "%s, %s", name, name);
  }
}

// Reading the keys in a refresh: only the window in front reads the keys; a
// window behind others keeps its last state.
void read_keys(InputManager& im) {
  im.key_refresh_count = 0;
  if (!plat_window_active(im.window)) return;
  std::memset(im.key_state, 0, sizeof im.key_state);
  if (im.keyboard_open) plat_keyboard_state(im.key_state);
}

}  // namespace

InputManager::InputManager()
    : key_refresh_count(0),
      mice(4, kNewMouse),
      current_mouse(0),
      input_open(false),
      keyboard_open(false),
      mouse_captured(false),
      joysticks{},
      joystick_names{},
      window(nullptr),
      pointer_visible(0),
      joystick_count(0) {
  typed_chars.reserve(kMaxTypedChars);
  mice.resize(1);
  std::memset(key_state, 0, sizeof key_state);
  for (int i = 0; i < 256; ++i) key_map[i] = i;
}

int InputManager::open(WindowHandle w, void*, int hide_pointer) {
  current_mouse = 0;
  plat_input_track();
  input_open = true;
  window = w;
  MouseRecord& rec = mice.empty() ? qvl_input_spare_mouse() : mice[0];
  int x = 0, y = 0;
  plat_mouse_position(&x, &y);
  rec.x = rec.reference_x = x;
  rec.y = rec.reference_y = y;
  std::memset(key_state, 0, sizeof key_state);

  keyboard_open = true;
  for (int i = 0; i < 256; ++i) key_map[i] = i;

  pointer_visible = 0;
  if (hide_pointer) {
    mouse_captured = true;
    plat_mouse_capture(true);
  } else {
    // Not warped onto the reference point: that is the last position the
    // window's events reported (0, 0 before the pointer ever entered), not
    // where the pointer is, and opening must leave the pointer alone.
    mouse_captured = false;
    plat_mouse_capture(false);
    plat_cursor_show(true);
    pointer_visible = 1;
  }

  for (int i = 0; i < joystick_count; ++i) plat_joystick_close(joysticks[i]);
  std::memset(joysticks, 0, sizeof joysticks);
  enumerate_joysticks(*this);
  return 1;
}

void InputManager::release() {
  qvl_input_show_pointer(1);
  mouse_captured = false;
  keyboard_open = false;
  for (int i = 0; i < kMaxJoysticks; ++i) {
    plat_joystick_close(joysticks[i]);
    joysticks[i] = nullptr;
  }
  plat_joystick_quit();
  input_open = false;
  mice.clear();
  typed_chars.clear();
}

void InputManager::refresh_keyboard(int force) {
  if (!force && ++key_refresh_count <= 100) return;
  read_keys(*this);
}

int InputManager::key_down(int scan) {
  if (++key_refresh_count > 100) read_keys(*this);
  if (!keyboard_open) return 0;
  return (key_state[scan & 0xFF] & 0x80) ? 1 : 0;
}

void InputManager::build_key_map() {
  // Without the keyboard device the keys would be read by virtual key; that
  // way is kept for completeness, but key queries then read 0.
  keyboard_open = false;
  for (int32_t& k : key_map) k = 255;
  static const char kDigits[] = "1234567890";
  for (int i = 0; i < 10; ++i) key_map[0x02 + i] = kDigits[i];
  static const char kRow1[] = "QWERTZUIOP";
  for (int i = 0; i < 10; ++i) key_map[0x10 + i] = kRow1[i];
  static const char kRow2[] = "ASDFGHJKL";
  for (int i = 0; i < 9; ++i) key_map[0x1E + i] = kRow2[i];
  static const char kRow3[] = "YXCVBNM";
  for (int i = 0; i < 7; ++i) key_map[0x2C + i] = kRow3[i];
  for (int i = 0; i < 10; ++i) key_map[0x3B + i] = 112 + i;  // F1 to F10
  static const int kKeypad[] = {103, 104, 105, 109, 100, 101, 102, 107, 97, 98, 99, 96, 110};
  for (int i = 0; i < 13; ++i) key_map[0x47 + i] = kKeypad[i];
  static const int kPairs[][2] = {
      {0x01, 27},  {0x0C, 219}, {0x0D, 221}, {0x0E, 8},   {0x0F, 9},   {0x1A, 186},
      {0x1B, 187}, {0x1C, 13},  {0x1D, 17},  {0x27, 192}, {0x28, 222}, {0x29, 220},
      {0x2A, 16},  {0x36, 16},  {0x2B, 191}, {0x33, 188}, {0x34, 190}, {0x35, 189},
      {0x37, 106}, {0x38, 18},  {0xB8, 18},  {0x39, 32},  {0x3A, 0},   {0x45, 144},
      {0x46, 145}, {0x56, 226}, {0x57, 122}, {0x58, 123}, {0x9D, 17},  {0xB5, 111},
      {0xC7, 36},  {0xC8, 38},  {0xC9, 33},  {0xCB, 37},  {0xCD, 39},  {0xCF, 35},
      {0xD0, 40},  {0xD1, 34},  {0xD2, 45},  {0xD3, 46},  {0xDB, 91},  {0xDC, 92},
      {0xDD, 93},  {0x00, 13},  {0x9C, 28},
  };
  for (const auto& p : kPairs) key_map[p[0]] = p[1];
  for (int i = 0; i < 256; ++i) {
    char line[32];
    std::snprintf(line, sizeof line, "Key %.2x=%.2x\n", i, key_map[i]);
    qvl_log_error_file(line);
  }
}

void InputManager::use_key_map(int identity) {
  if (identity) {
    for (int i = 0; i < 256; ++i) key_map[i] = i;
  } else {
    build_key_map();
  }
}

double qvl_input_key(int scan) {
  if (++qvl_input_key_query_count > 128) {
    qvl_input_key_query_count = 0;
    if (qvl_input_manager) qvl_input_manager->refresh_keyboard(0);
  }
  return qvl_input_manager ? qvl_input_manager->key_down(scan & 0xFF) : 0.0;
}

void qvl_input_wait_key() {
  InputManager* im = qvl_input_manager;
  if (!im) return;
  qvl_win_idle_count = 31;
  int key = 0;
  for (;;) {
    im->refresh_keyboard(1);
    for (int scan = 1; scan <= 255 && key == 0; ++scan)
      if (qvl_input_key(scan) > 0.5) key = scan;
    if (key) break;
    qvl_win_pump_hooked(1);
  }
  bool first = true;
  for (;;) {
    qvl_win_pump_hooked(first ? 1 : 0);
    first = false;
    im->refresh_keyboard(1);
    if (qvl_input_key(key) <= 0.5) break;
    qvl_sys_sleep(100);
  }
  qvl_win_idle_count = 0;
}

namespace {

// RtlGetVersion where the system has it; false (and the record zeroed)
// otherwise.
bool os_version(uint8_t record[276]) {
  std::memset(record, 0, 276);
  QvlDllModule* ntdll = qvl_dll_open("ntdll.dll");
  if (!ntdll) return false;
  using RtlGetVersionFn = int32_t (*)(void*);
  auto fn = reinterpret_cast<RtlGetVersionFn>(qvl_dll_symbol(ntdll, "RtlGetVersion"));
  bool ok = false;
  if (fn) {
    uint32_t size = 276;
    std::memcpy(record, &size, 4);
    ok = fn(record) == 0;
    if (!ok) std::memset(record, 0, 276);
  }
  qvl_dll_close(ntdll);
  return ok;
}

}  // namespace

void qvl_input_os_version(void* record276) { os_version(static_cast<uint8_t*>(record276)); }

int32_t qvl_input_pointer_mode = -1;

int qvl_input_mouse_count() {
  if (qvl_input_pointer_mode == -1) {
    uint8_t rec[276];
    qvl_input_pointer_mode = 0;
    if (os_version(rec)) {
      uint32_t major = 0, minor = 0;
      std::memcpy(&major, rec + 4, 4);
      std::memcpy(&minor, rec + 8, 4);
      if (major > 5 && minor > 1) qvl_input_pointer_mode = 1;
    }
  }
  return qvl_input_pointer_mode == 1 ? 32 : 1;
}

int qvl_input_mouse_count_query() { return qvl_input_mouse_count(); }
