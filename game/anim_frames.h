// Choosing the image an animation shows at the current frame_clock, for
// enemies, players and shots alike.
#pragma once

#include "game/model.h"

// The index into Tgame::images that animation `anim` shows now.
// - mode -1 while (dx, dy) is (0, 0): the first frame of the last
//   direction's pair;
// - mode n > 0 (or any other non-zero mode): cycles n frames at speed + 1
//   steps per 500 ms from `start`; a one-shot set (set > 0) that has run
//   through once returns to set 0;
// - mode 0, or -1 while moving: the pair of frames of the direction of
//   (dx, dy) (0 right, counter-clockwise in eighths, 8 still), alternating
//   every 500 / (speed + 1) ms; dir takes that direction and set returns to 0.
// A frame number the list does not hold shows image 0; the list is never
// changed, so play does not grow the game's animations.
int anim_pick_frame(const Tanim& anim, int& dir, int& set, int start, int dx, int dy);

// The direction code of a motion: 0 right, 1 up-right, 2 up, 3 up-left,
// 4 left, 5 down-left, 6 down, 7 down-right, 8 still (signs only, up is
// dy < 0).
int game_direction_code(int dx, int dy);
