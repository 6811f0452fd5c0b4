// The error state, END and its once-only entry, and the assertion.
// Errors are codes, never exceptions: a failing runtime function raises a
// code here and, where the error is fatal, ends the program through END.
#pragma once

#include <cstdint>

#include "core/basic_string.h"

struct ErrorState {
  int last_error;    // code of the last raised error; 0 = none
  int error_line;    // current_line at the moment of the last raise
  int current_line;  // program line being run
  int position2;     // a second position value, set with current_line
  int debug_mode;    // non-zero in a program built for debugging
  uint8_t ending;    // 0 until END starts, then 1 for good
};

extern ErrorState qvl_err_state;

// Stores code and line, prints "error: <hex>\n" to standard output and
// returns the code. Code 0 does nothing.
int qvl_err_raise(int code);
void qvl_err_clear();
// "%.4d %s" of the last error and its message.
BasicString qvl_err_text();
void qvl_err_set_position(int position2, int line);
// END: marks the runtime as ending, writes the end trailer to the error log
// in debug mode, runs the host shutdown, prints "exit" and exits with the
// end status (0 unless set below). This is the normal end (the END
// statement, a closed window, ESC).
[[noreturn]] void qvl_err_end_program();
// The status the normal END exits with. A program whose run has already
// failed sets it, so that however it is then left (a click, ESC, closing
// the window) the shell sees the failure.
void qvl_err_set_end_status(int status);
// END unless the program is already ending. This is the entry every fatal
// error site takes after raising its code, so a set last_error becomes the
// exit status (1 for a code outside 1 to 255) and the shell sees the
// failure; with no error raised it exits with the end status like the
// normal END.
void qvl_err_end_program_once();
// END for a run that could not start (no window): as qvl_err_end_program,
// but the shell sees exit status 1.
[[noreturn]] void qvl_err_end_program_failed();
// value when non-zero; 0 is a failed assertion: error 21 and END-once.
int qvl_err_assert(int value);

// The host's shutdown, run by END. The host installs it at start-up; the
// core itself knows nothing of windows or devices.
using QvlShutdownHook = void (*)();
void qvl_err_set_shutdown_hook(QvlShutdownHook hook);
