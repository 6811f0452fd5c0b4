// The host's part of the debugger break notice: the mouse is let go while
// the debugger holds the program, and input is read afresh afterwards.
#pragma once

void qvl_win_install_break_hooks();
