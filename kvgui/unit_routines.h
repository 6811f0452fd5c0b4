// One empty routine per source unit of the widget library. They stand in the
// program's call-by-name table under their own names and do nothing.
#pragma once

void __KVgui_Callbacks__();
void __KVgui_Helpers___();
void __KVgui_Widgets___();
