// The player application's entry points, called by the program entry, the
// loop runner and the platform query.
#pragma once

#include "core/basic_string.h"

// Stores the compiled-in project settings, the debug mode and the
// application name. Called before the runtime start-up.
void game_project_settings();
// The application, run after the runtime start-up; returns 0.
int game_entry();
// One frame of play; listed in the call-by-name table as "ZEMO_PLAYER_APP".
void game_player_app_frame();

// The answers of the platform query keys "COMPILED", "HOSTID", "VERSION".
void game_info_compiled(BasicString& out);
void game_info_host_id(BasicString& out);
void game_info_version(BasicString& out);
