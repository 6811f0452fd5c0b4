// A run: one stretch of play over the loaded game, from the title screen
// through the levels and back. game_run prepares it (fresh play state, the
// user's options, the off-screen play picture when the game's picture size
// differs from the screen, the in-game font, scores and jump arcs); with
// its blocking flag it also runs the frames itself (the editor's test
// play), otherwise the player application's frame routine drives them.
#pragma once

#include "game/model.h"

// Render-target slot of the off-screen play picture.
inline constexpr int kPlayTargetSlot = 1;

void game_run(Tgame& game, int trainer, int editor, int blocking);

// Starts the current level (gamestate.level); returns the new level_time.
int level_start(Tgame& game);
// Runs level_start when playgame.restart is set.
void level_restart_if_flagged(Tgame& game);

// Puts every player slot at its start place (the level's start point, else
// spread over the picture 14 tiles above the level's bottom), facing up (or
// right in side views and horizontal scrolling), and computes the waves'
// path lengths with their spawn points armed again.
void level_place_players(Tgame& game, int level);

// Alt+Enter: switches between window and full screen at the screen's size
// and rebuilds both sprite sheets; drawing goes on into the target that was
// selected. Returns 0.
int game_toggle_fullscreen(Tgame& game);

// With the flag, loads the in-game font as the run does; else the front-end
// font into slot 0 by the widget height.
void game_load_fonts(int flag);
