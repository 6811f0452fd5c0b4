// Enemies: created by the wave trigger (waves.h) from a wave's templates,
// they follow the wave's path one step per frame until they reach their end
// place, loop, die or fall far behind the camera; on the way they animate,
// fire at the players and touch them (hurting, giving points, power-ups or
// a ride).
#pragma once

#include "game/model.h"

// The enemies' part of a frame, for every enemy in array order: move,
// animate, draw into the open object batch, fire and touch the players. now is the
// frame's clock. Returns whether an enemy with must_kill is still there.
bool enemies_step(Tgame& game, Tlevel& level, int now);

// Fires at the living players along the directions the enemy's firing
// animation allows: 1 when it fired or its animation allows no direction at
// all (then without a shot), 0 when no player lies in an allowed direction.
int enemy_fire(BasicArray<Tobject>& players, Tenemy& enemy, BasicArray<Tshot>& shots,
               BasicArray<Tanim>& anims);

// Starts the death animation and plays its sound.
void enemy_die(Tenemy& enemy, Tgame& game);
// Marks the enemy dead and lets it die unless it is already dying.
void enemy_kill(Tenemy& enemy, Tgame& game);
// enemy_kill for every enemy of the wave group.
void wave_kill_group(BasicArray<Tenemy>& enemies, int group, Tgame& game);

// -1 when a lies above b (smaller y), 1 below, else by x the same way; 0
// when both stand at the same place.
double enemy_compare_draw_order(Tenemy& a, Tenemy& b);
// Sorts the enemies so that lower ones are drawn over higher ones, with the
// runtime's array sort; an array already in strict order is left as it is
// (the sort would give the same order, at quadratic cost).
void enemies_sort_draw_order(BasicArray<Tenemy>& enemies);

// Plays the sound of animation k when it has one.
void play_anim_sound(Tgame& game, int k);
