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

QvlRoutine qvl_call_find_routine(const BasicString& name);
int qvl_call_by_name(const BasicString& name);
void qvl_call_run_loop(const BasicString& name);
void qvl_call_end_loop();
int qvl_call_pause_hook(int pause);
void qvl_call_enable_pause_hooks(int on);

// Pause state: paused is 1 while the program is paused; the switch allows
// pausing at all.
extern int qvl_call_paused;
extern int qvl_call_pause_switch;
