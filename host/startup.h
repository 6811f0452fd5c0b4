// The program entry, the runtime start-up that creates every host object in
// one fixed order, and the shutdown that releases them in one fixed order.
// Each step leaves its line in the error log, so a run that dies during
// start-up shows the last step it reached.
#pragma once

#include "core/basic_string.h"

// The application's two routines, which the host calls but does not know.
struct QvlApplication {
  void (*project_settings)();  // fills the project settings and the name
  int (*entry)();              // the program; returns when it is done
};

// The program entry: command line, project settings, start-up, the
// application, "QVL_ON_LOOP" when the program has it, then END.
int qvl_win_main(const QvlApplication& app, void* instance, int show_command, int argc,
                 const char* const* argv);
// Only initialises: project settings and start-up; runs no application.
int qvl_win_init_only(const QvlApplication& app, void* instance);
// The start-up; returns 0. A window that cannot be made ends the program.
int qvl_win_startup(void* instance, int show_command, const char* app_name);
// The shutdown; END runs it. A second call does nothing.
void qvl_win_shutdown();

// The random seed of the start-up: milliseconds since start mixed with
// wall-clock time, so that two runs started alike differ.
unsigned qvl_win_random_seed(double ms_since_start, long long wall_clock_ms);
