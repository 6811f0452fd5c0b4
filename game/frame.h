// One frame of the game: the pause dialog while paused, the title screen
// while nobody has joined, otherwise play: the clock, the camera, the
// waves, enemies, shots and players, the level's end with its fades, the
// head-up display and the level change.
#pragma once

#include "game/model.h"

// Runs one frame; 0 stops a blocking run (the pause dialog's stop button,
// X or leaving in the editor, Esc or Q on the title screen while
// game.exit_on_escape is set), else 1.
int game_frame(Tgame& game);

// Adds 17 to frame_clock when the flag is set; returns the clock.
int game_clock_step(int flag);

// The fade a frame draws after judging the level's end.
struct LevelEndFade {
  enum Kind { kNone, kOpening, kClosing };
  Kind kind = kNone;
  double progress = 0;
  double t = 0;  // half-seconds since level_time, after any restart of it
};

// The level's end in a frame: marks the level complete when its end is
// reached (the top or right edge with no must-kill enemy left, a
// time-limited arena's time up, or no player left with lives), restarts
// level_time at the start of the closing fade and says which fade to draw.
LevelEndFade level_end_step(const Tgame& game, const Tlevel& level, int now, bool must_kill_alive);
