// The user's options, kept between runs in "playgame.ini" in the folder
// "ZEMO" of the application-data folder: section "options", keys "input"
// (control scheme: 0 keyboard, 1 gamepad) and "autofire" (0 or 1).
#pragma once

#include "game/model.h"

// The options file's path in the application-data folder the platform
// query names (its folder "ZEMO" is created); empty for the answer
// "NO_DATA" of a platform without one: the options are then neither read
// nor written, rather than landing in the current folder.
BasicString options_file_path(const BasicString& app_data);

// Reads (load 1) or writes (load 0) the options of playgame. A missing or
// unreadable file leaves the values as they are. Returns 0.
int options_load_save(Tplaygame& playgame, int load);
