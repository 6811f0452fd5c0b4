// What the widget library reads from the host and asks of it: time, the
// frame time, the mouse, the wheel, keys and typed characters, showing the
// screen, the message step, the pointer and the click wait.
//
// It points at the host by default. Tests replace members to run dialogs
// frame by frame with a scripted clock, mouse and keyboard; a replaced
// member must be restored (kvgui_seam_use_host) before the host is used
// again.
#pragma once

#include "core/basic_string.h"

struct KvguiSeam {
  double (*now_ms)();         // milliseconds since start-up
  double (*frame_time_ms)();  // length of the last frame, at least 1
  // Position in drawing coordinates and buttons 1 and 2 (1 = down).
  void (*mouse)(int* x, int* y, int* button1, int* button2);
  int (*wheel_total)();  // the wheel's running total, 120 per notch
  int (*key_down)(int scan);  // DirectInput scan code; 1 while down
  BasicString (*typed_char)();  // next typed character, "" when none
  void (*show_screen)();
  void (*message_step)();
  void (*show_pointer)();
  void (*wait_click)();  // every button up, then one pressed and released
};

extern KvguiSeam kvgui_seam;

// The host's members.
KvguiSeam kvgui_host_seam();
void kvgui_seam_use_host();
