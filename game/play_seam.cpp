#include "game/play_seam.h"

#include "files/sys_process.h"
#include "files/sys_timer.h"
#include "host/input_manager.h"
#include "host/show_screen.h"
#include "host/window_proc.h"

namespace {

int host_key(int scan) { return qvl_input_key(scan) != 0.0 ? 1 : 0; }

// The host's message step without its idle wait: a program that has shown
// no input for a while sleeps there until the next message, and the
// release a wait is for may be the last message for a long time.
void host_message_step() {
  qvl_win_reset_idle_count();
  qvl_loop_hibernate();
  qvl_sys_sleep(1);
}

constexpr PlaySeam kHostSeam{host_key,
                            qvl_input_mouse_state,
                            qvl_input_joystick_count,
                            qvl_input_joystick_x,
                            qvl_input_joystick_y,
                            qvl_input_joystick_pov_x,
                            qvl_input_joystick_pov_y,
                            qvl_input_joystick_button,
                            host_message_step,
                            qvl_win_show_screen,
                            qvl_sys_sleep,
                            qvl_sys_timer_since_start};

}  // namespace

PlaySeam play_seam_host() { return kHostSeam; }

// Constant-initialised, so that it holds the host's functions before any
// static initialiser could run.
PlaySeam play_seam = kHostSeam;

void play_wait_mouse_release() {
  for (;;) {
    int x = 0, y = 0, b1 = 0, b2 = 0;
    play_seam.mouse(&x, &y, &b1, &b2);
    if (b1 == 0) return;
    play_seam.message_step();
  }
}
