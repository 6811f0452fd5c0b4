#include "kvgui/unit_routines.h"

void __KVgui_Callbacks__() {}
void __KVgui_Helpers___() {}
void __KVgui_Widgets___() {}
