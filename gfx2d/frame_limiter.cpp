#include "gfx2d/frame_limiter.h"

int qvl_frame_wait_step(double left) {
  if (left > 7.0) return static_cast<int>(left - 3.0);
  return left > 1.0 ? 0 : -1;
}

double qvl_frame_next_time(double next, double now, double period) {
  if (!(period > 0.0)) return next;
  if (now <= next + period) return next + period;
  if (now <= next + 2.0 * period) return next + 2.0 * period;
  return now + period;
}
