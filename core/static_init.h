// The runtime core's static initialiser.
#pragma once

// Builds the core's process-wide state before the program entry runs. It is
// called from the one ordered start-up function (host/static_init.h), after
// the initialisers of the pieces whose state must outlive the core's at exit.
void qvl_core_static_init();
