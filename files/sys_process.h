// Opening documents with the desktop, starting processes, sleeping.
#pragma once

#include "core/basic_string.h"

// What these services need of the host (window and shutdown), installed by
// the host at start-up; files/ cannot call upward. A null member is treated
// as "no window": escape off, not full screen, nothing to do.
struct SysHostHooks {
  bool (*escape_allowed)();  // the ESC-ends switch of show-screen
  void (*shutdown)();        // the host's shutdown
  bool (*is_fullscreen)();   // the graphics object exists and is full screen
  void (*set_windowed)();
  void (*set_fullscreen)();
  void (*activate_window)();  // bring the main window to the front, focused
};
void qvl_sys_set_host_hooks(const SysHostHooks& hooks);

// Opens a file or address with the desktop's handler (xdg-open). While the
// escape switch is on, the host shuts down first and the program then ends.
// Otherwise 1 when the handler was started, 0 when not.
int qvl_sys_shell_open(const BasicString& file);

// Starts the command line (split by the Windows rules; the first word is
// the program, searched in PATH). With wait, blocks until it ends and stores
// its exit code. show (1 normal, -1 without activation, 0 hidden) has no
// meaning for the child here; a non-zero show brings the main window back
// to the front afterwards. A full-screen window is made windowed while the
// process starts, then full screen again. Returns 1 when the process
// started, 0 when it could not be (exit_code stays 0).
double qvl_sys_run_process(BasicString& command_line, int wait, int show, double& exit_code);

// The host's shutdown, then the command line without waiting, then exit(0).
[[noreturn]] void qvl_sys_run_and_exit(const BasicString& command_line);

void qvl_sys_sleep(int milliseconds);
