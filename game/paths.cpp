#include "game/paths.h"

#include <algorithm>
#include <cmath>

#include "core/maths.h"

namespace {

// Squares in 64 bits: points far apart must not overflow (their square sum
// saturates, which no real path reaches).
int64_t segment_length(const Tpoint& a, const Tpoint& b) {
  const uint64_t dx = uint64_t(std::llabs(int64_t(b.x) - a.x));
  const uint64_t dy = uint64_t(std::llabs(int64_t(b.y) - a.y));
  const uint64_t xx = dx * dx, yy = dy * dy;
  const uint64_t sum = xx > UINT64_MAX - yy ? UINT64_MAX : xx + yy;
  return game_isqrt(sum);
}

int sign(int64_t v) { return (v > 0) - (v < 0); }

}  // namespace

int64_t game_isqrt(uint64_t n) {
  uint64_t r = uint64_t(std::sqrt(double(n)));
  while (r > 0 && (r > UINT32_MAX || r * r > n)) --r;
  while (r + 1 <= UINT32_MAX && (r + 1) * (r + 1) <= n) ++r;
  return int64_t(r);
}

int game_lerp_fixed(int a, int b, int f) {
  return qvl_math_saturate_int(a + (int64_t(b) - a) * f / 1024);
}

double wave_path_length(Twave& wave) {
  const BasicArray<Tpoint>& path = wave.path;
  wave.segment_ends.clear();
  int64_t total = 0;
  for (int k = 0; k + 1 < path.size1; ++k) {
    total += segment_length(path.data[k], path.data[k + 1]);
    wave.segment_ends.push_back(total);
  }
  wave.path_length = double(total) * path_factor;
  return wave.path_length;
}

void wave_path_position(Twave& wave, int d, Tpoint& point, Tpoint& heading) {
  BasicArray<Tpoint>& path = wave.path;
  if (d >= wave.path_length) {
    point = path.at(path.size1 - 1);
    return;
  }
  if (d <= 0) {
    point = path.at(0);
    return;
  }
  const int64_t pixels = d / std::max(path_factor, 1);
  // The first segment whose end is not before the distance holds it.
  const std::vector<int64_t>& ends = wave.segment_ends;
  if (ends.size() + 1 != size_t(std::max(path.size1, 1))) wave_path_length(wave);
  const auto it = std::lower_bound(ends.begin(), ends.end(), pixels);
  if (it == ends.end()) {
    point = path.at(path.size1 - 1);
    return;
  }
  const size_t k = size_t(it - ends.begin());
  const int64_t start = k == 0 ? 0 : ends[k - 1];
  const int64_t length = *it - start;
  const Tpoint& a = path.data[k];
  const Tpoint& b = path.data[k + 1];
  const int64_t f = (pixels - start) * 1024 / std::max<int64_t>(length, 1);
  point.x = qvl_math_saturate_int(a.x + (int64_t(b.x) - a.x) * f / 1024);
  point.y = qvl_math_saturate_int(a.y + (int64_t(b.y) - a.y) * f / 1024);
  const int64_t dx = int64_t(b.x) - a.x, dy = int64_t(b.y) - a.y;
  int hx = sign(dx), hy = sign(dy);
  if (std::llabs(dy) * 4 < std::llabs(dx)) hy = 0;
  else if (std::llabs(dx) * 4 < std::llabs(dy)) hx = 0;
  heading = Tpoint{hx, hy};
}
