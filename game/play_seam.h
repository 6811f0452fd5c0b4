// What play needs of the host for input, waiting and showing frames, in one
// record: the player runs on the host's functions, and tests install their
// own to drive frames one by one without a window or real time.
#pragma once

struct PlaySeam {
  int (*key)(int scan);  // 1 while the DirectInput key is down
  // Mouse position in drawing coordinates and the two buttons (1 = down).
  void (*mouse)(int* x, int* y, int* button1, int* button2);
  int (*joystick_count)();
  double (*joystick_x)(int n);  // -1 .. 1
  double (*joystick_y)(int n);
  int (*joystick_pov_x)(int n);  // -1, 0, 1
  int (*joystick_pov_y)(int n);
  int (*joystick_button)(int n, int b);
  void (*message_step)();  // pumps the window's messages once, without waiting
  void (*show_screen)();   // presents the frame
  void (*sleep)(int ms);
  double (*timer)();  // milliseconds since start-up
};

extern PlaySeam play_seam;

// The host's functions, which play_seam holds from the start.
PlaySeam play_seam_host();

// Waits, running the message step, while the mouse's first button is down.
void play_wait_mouse_release();
