// Calling routines by name, the loop runner and the pause hooks.
#pragma once

#include "core/basic_string.h"

using QvlRoutine = void (*)();

// One row of the call-by-name table; a null routine ends the table.
struct NamedSub {
  QvlRoutine routine;
  const char* name;
};

// The program's table. The application installs its own before start-up;
// until then the table is empty.
void qvl_call_set_table(const NamedSub* table);

// The routine of the first row whose name has the same bytes; null if none.
QvlRoutine qvl_call_find_routine(const BasicString& name);
// Calls the named routine once: 1 when it ran, 0 when there is none (noted
// in the debug log, except for the hooks most programs leave out).
int qvl_call_by_name(const BasicString& name);
// Outside a loop: runs the named routine again and again until a pass asks
// for the empty name or a name without a routine. Inside a pass: asks for
// that name from the next pass on (the last request of a pass wins).
void qvl_call_run_loop(const BasicString& name);
// Asks the loop for the empty name, then END-once.
void qvl_call_end_loop();
// Pauses (non-zero) or resumes (0), calling "QVL_ON_PAUSE" or
// "QVL_ON_RESUME" on a change; returns the paused state afterwards.
int qvl_call_pause_hook(int pause);
// Allows (1) or forbids (0) pausing; forbidding resumes a paused program.
void qvl_call_enable_pause_hooks(int on);

// Makes the loop runner's two names; the core's static initialiser calls it
// so that their release at exit is ordered with the other runtime state.
void qvl_call_static_init();

// Pause state: paused is 1 while the program is paused; the switch allows
// pausing at all.
extern int qvl_call_paused;
extern int qvl_call_pause_switch;
