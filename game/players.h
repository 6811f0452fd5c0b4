// Players: one Tobject per slot of game.players, with its jump state
// (game.jumps) and power-up table (game.powerups) at the same index. A
// level is top-down (free movement in eight directions) or a side view
// (left and right move, up jumps, gravity pulls down, walls are floors).
#pragma once

#include "game/model.h"

// Scan codes of the keyboard scheme, per player: right, left, down, up,
// fire. Player 0: cursor keys and right Ctrl; player 1: D A S W and left
// Ctrl. Further players have no keyboard keys.
struct PlayerKeys {
  int right, left, down, up, fire;
};
inline constexpr PlayerKeys kPlayerKeys[2] = {{205, 203, 208, 200, 157}, {32, 30, 31, 17, 29}};

// A gamepad axis value that counts as a direction: at least 0.4 either way.
int player_axis_direction(double value);

// The input of player slot index by the control scheme of playgame: dx and
// dy in -1 .. 1, fire 0 or 1; no input for a scheme other than keyboard (0)
// and gamepad (1). Returns 0.
int player_read_input(int index, int& dx, int& dy, int& fire, Tplaygame& playgame);

// Advances the jump arc by one frame.
void player_jump_step(Tobject& player, Tjumpnrun& jump);

// Hurts a player that has lives and is not blinking yet: a life less, the
// hurt animation, the power-up ended. Returns 0.
int player_hurt(Tobject& player, int index, Tgame& game);

// The alpha mode a player is drawn with: while hurt_time runs, 7 of every
// 16 frames at half strength and additive, so a hurt player flashes.
double player_draw_alpha(int hurt_time, double alpha);

// The players' part of a frame, for every player slot in index order:
// join, fire, move, walls, jumps, stomps, clamping into the picture, extra
// lives and drawing into the open object batch. now is the frame's clock.
void players_step(Tgame& game, Tlevel& level, int now);
