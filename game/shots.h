// Shots: fired by players and enemies, they fly straight at a fixed speed
// and end when their time is up or when they hit a player, a wall or a
// solid enemy. They live in the slots of gamestate.shots; a slot whose
// expires lies below frame_clock is free.
#pragma once

#include "game/model.h"

// The most shot slots there are. Enemies fire at the rate and with the
// lifetime their templates give, up to eight shots each, so without a
// bound a swarm of long-lived shots would grow every frame (and every shot
// is moved and tested every frame).
constexpr int kMaxShots = 4096;

// Stores the shot in the first free slot, else in a new one at the end
// (error 8 for an array of more than one dimension); with kMaxShots slots
// all in flight the shot is dropped.
void shot_add(const Tshot& shot, BasicArray<Tshot>& shots);

// A player's shot along its direction, when the player's firing animation
// allows that direction; the player then shows its firing animation.
int player_fire(Tobject& player, int index, BasicArray<Tshot>& shots, BasicArray<Tanim>& anims,
                int jump_and_run);

// Moves one shot and tests it against the players, the wall layer and the
// enemies; 1 when the shot ends.
int shot_collide(BasicArray<Tobject>& players, BasicArray<Tenemy>& enemies, Tshot& shot,
                 Tgame& game, Tlevel& level, Tpoint tile_size);

// Moves and hits the shots, once a frame before the players move: every
// slot in turn; a slot whose shot ends takes the last slot's shot, and the
// last slot is freed.
void shots_update(Tgame& game, Tlevel& level);

// Draws the shots, once a frame after the players: every live shot into
// the open object batch.
void shots_draw(Tgame& game, int now);
