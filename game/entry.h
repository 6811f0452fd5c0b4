// The player application's entry points, called by the program entry, the
// loop runner and the platform query.
#pragma once

#include "core/basic_string.h"

// Stores the compiled-in project settings, the debug mode and the
// application name. Called before the runtime start-up.
void game_project_settings();
// The application, run after the runtime start-up: the globals' start
// values, then the main program; returns 0.
int game_entry();
// The main program: reads "Media/zzz_game.zemo", sets the window title to
// the game's, starts the run and hands the frames to the loop runner. A
// game that cannot be read shows "Load Error!", waits for a click and ends
// the program with exit status 2 (also when it is left with Esc or by
// closing the window).
void game_main();
// One frame of play and show-screen; listed in the call-by-name table as
// "ZEMO_PLAYER_APP".
void game_player_app_frame();
// The window's title text, kept as the host's caption too.
void game_set_window_title(const BasicString& text);

// The answers of the platform query keys "COMPILED", "HOSTID", "VERSION".
void game_info_compiled(BasicString& out);
void game_info_host_id(BasicString& out);
void game_info_version(BasicString& out);
