// The camera by the level's scroll type, and the wave trigger that starts
// a wave's enemies when one of its spawn points comes into view.
//
// Scroll types: 0 time-limited arena and 5 free centre (the camera centres
// on the players), 1 vertical auto-scroll, 2 vertical follow (never down),
// 3 horizontal auto-scroll, 4 horizontal follow (never left).
#pragma once

#include <cstdint>

#include "game/model.h"

// The players that have lives: their number, position sums and extremes.
struct PlayerCensus {
  int n = 0;
  int64_t sum_x = 0, sum_y = 0;
  int least_x = 0, greatest_x = 0, least_y = 0, greatest_y = 0;
};

// Takes the census over the players with 1 or more lives; the extremes
// start from least = the level size, greatest = 0.
PlayerCensus camera_census(const BasicArray<Tobject>& players, Tpoint level_size);

// Moves gamestate's camera for one frame (auto-scrolling moves every player
// with it in type 1).
void camera_step(Tgame& game, const Tlevel& level, const PlayerCensus& census);

// The most enemies alive at once, of one wave and in all. A wave starts
// one enemy per template at every spawn point that comes into view, so a
// small file of a thousand of each would otherwise start a million enemies
// in one frame (and every frame after would have to move them all); real
// waves start a few dozen.
constexpr int kMaxWaveEnemies = 256;
constexpr int kMaxLiveEnemies = 1024;

// Starts the waves whose untriggered spawn points touch the picture: one
// enemy per template, each with a new wave-group id per trigger. Enemies
// past kMaxWaveEnemies alive of their wave, or kMaxLiveEnemies in all, are
// not started; their spawn point counts as triggered all the same.
void wave_trigger(Tgame& game, Tlevel& level);
