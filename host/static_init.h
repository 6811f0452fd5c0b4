// The one ordered start-up of the runtime's process-wide state.
//
// C++ runs the static initialisers of different files in no fixed order, but
// the runtime's units depend on one another's state and register exit-time
// releases that must run in a fixed order. So no unit builds its state in a
// global constructor; this function calls each unit's initialiser in turn.
// The program entry calls it first.
#pragma once

void qvl_runtime_static_init();
