// TEMPORARY: see busy_stand_in.h. Draws nothing.
#include "game/busy_stand_in.h"

int kvgui_show_busy(int, int) { return 0; }
