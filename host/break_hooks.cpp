#include "host/break_hooks.h"

#include "core/logs.h"
#include "host/input_manager.h"
#include "host/show_screen.h"
#include "platform/mouse.h"

namespace {

// The debugger needs the pointer: a captured mouse is released.
void before_break() {
  if (qvl_input_manager && qvl_input_manager->mouse_captured) plat_mouse_capture(false);
}

// Motion and keys from the time the program stood still are not reported:
// the keyboard is read again and every mouse takes its present position as
// the new reference. The window comes back to the front on the next frame.
void after_break() {
  if (InputManager* im = qvl_input_manager) {
    if (im->mouse_captured) plat_mouse_capture(true);
    im->refresh_keyboard(0);
    im->rebase_mice();
  }
  qvl_win_activation_request = 1;
}

}  // namespace

void qvl_win_install_break_hooks() { qvl_log_set_break_hooks(before_break, after_break); }
