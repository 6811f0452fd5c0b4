// Wave paths: their length and the point at a distance along them.
// Distances are in quarter pixels (path_factor per pixel); a segment's
// length is the integer square root of dx^2 + dy^2 in whole pixels.
#pragma once

#include <cstdint>

#include "game/model.h"

// Sets and returns the wave's path_length (and its segment ends): the sum
// of the segments' lengths times path_factor; 0 below two points.
double wave_path_length(Twave& wave);

// The point at distance d along the path and the heading of its segment
// (x and y in -1 .. 1, one of the eight directions). From path_length on
// the point is the last path point, at 0 and below the first; the heading
// is then left as it is. A path without points ends the program (error 9).
void wave_path_position(Twave& wave, int d, Tpoint& point, Tpoint& heading);

// The largest r with r * r <= n.
int64_t game_isqrt(uint64_t n);
// a + (b - a) * f / 1024, in integer division.
int game_lerp_fixed(int a, int b, int f);
