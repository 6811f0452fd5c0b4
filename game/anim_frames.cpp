#include "game/anim_frames.h"

#include <cstdint>

int game_direction_code(int dx, int dy) {
  // Indexed by [sign(dy) + 1][sign(dx) + 1].
  static constexpr int kCodes[3][3] = {{3, 2, 1}, {4, 8, 0}, {5, 6, 7}};
  const int sx = (dx > 0) - (dx < 0);
  const int sy = (dy > 0) - (dy < 0);
  return kCodes[sy + 1][sx + 1];
}

int anim_pick_frame(const Tanim& anim, int& dir, int& set, int start, int dx, int dy) {
  // 64-bit time arithmetic: a speed or start from the game file must not
  // make the product overflow.
  const int64_t elapsed = int64_t(frame_clock) - start;
  const int64_t steps = (int64_t(anim.speed) + 1) * elapsed / 500;
  const bool moving = dx != 0 || dy != 0;
  int64_t f;
  if (anim.mode == -1 && !moving) {
    f = int64_t(dir) * 2;
  } else if (anim.mode != 0 && anim.mode != -1) {
    const int64_t n = anim.mode;
    int64_t g = steps;
    if (set > 0 && g >= n) {
      set = 0;
      g = 0;
    }
    f = g % n;
  } else {
    const int code = game_direction_code(dx, dy);
    dir = code;
    if (set > 0) set = 0;
    f = int64_t(code) * 2 + (steps & 1);
  }
  if (f < 0 || f >= anim.frames.size1) return 0;
  return anim.frames.data[f];
}
