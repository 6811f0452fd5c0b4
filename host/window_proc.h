// The window procedure, the idle step with its pause loop, and the click
// wait. They run only inside the message pumps, on the main thread.
#pragma once

#include <cstdint>

#include "platform/win_messages.h"

intptr_t qvl_win_window_proc(WindowHandle window, uint32_t message, uintptr_t wParam,
                             intptr_t lParam);
// The idle step: pumps messages; once more than 29 frames have gone by
// without input, sleeps between messages until input comes, and runs the
// pause loop while the program is paused.
void qvl_loop_hibernate();
void qvl_input_wait_click();
// Calls "QVL_WIN32_MSG" when the program has it; its address or 0.
intptr_t qvl_win_call_msg_hook();
