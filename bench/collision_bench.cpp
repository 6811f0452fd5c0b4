// One pixel-collision test between two 64 x 64 sprites placed on top of
// each other, with their alpha masks already read back (the one-time read
// is not counted), against the plain double loop over two byte masks that a
// user would write instead. Three scenes: both opaque (the centre test hits
// at once), halves that never meet (every pixel visited), and one shared
// pixel in the last corner (found in the last pass).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "gfx2d/opengl_rainbows.h"

namespace {

constexpr int kSize = 64;
constexpr int kTex = 64;

enum Scene { kBothOpaque, kHalvesApart, kLastPixel };

// Alpha of sprite a or b at image pixel (x, y) (y from the top).
bool opaque(Scene scene, bool first, int x, int y) {
  switch (scene) {
    case kBothOpaque:
      return true;
    case kHalvesApart:
      return first ? x < kSize / 2 : x >= kSize / 2;
    case kLastPixel:
      return x == kSize - 1 && y == kSize - 1;
  }
  return false;
}

// The graphics object with two sprites whose masks are in place, as after
// their first test; no GL is needed from then on.
OpenGLRainbows* scene_object(Scene scene) {
  static OpenGLRainbows* gfx = new OpenGLRainbows();  // kept for the process
  for (int id : {1, 2}) {
    SpriteSlot& s = gfx->sprites[id];
    s.tex_width = s.tex_height = kTex;
    s.img_width = s.img_height = kSize;
    std::free(gfx->alpha_masks[id]);
    auto* mask = static_cast<uint8_t*>(std::calloc(kTex * kTex, 1));
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x)
        mask[kTex * (kSize - 1 - y) + x] = opaque(scene, id == 1, x, y) ? 255 : 0;
    gfx->alpha_masks[id] = mask;
  }
  return gfx;
}

void BM_SpriteCollision(benchmark::State& state) {
  Scene scene = static_cast<Scene>(state.range(0));
  OpenGLRainbows* gfx = scene_object(scene);
  bool hit = false;
  for (auto _ : state) {
    hit = gfx->sprite_collision(1, 2, 10, 20, 10, 20);
    benchmark::DoNotOptimize(hit);
  }
  if (hit != (scene != kHalvesApart)) state.SkipWithError("wrong result");
}
BENCHMARK(BM_SpriteCollision)->Arg(kBothOpaque)->Arg(kHalvesApart)->Arg(kLastPixel);

// The plain way: two top-down masks of the image size, every overlapping
// pixel in row order until both are opaque.
void BM_PlainMaskLoop(benchmark::State& state) {
  Scene scene = static_cast<Scene>(state.range(0));
  std::vector<uint8_t> a(kSize * kSize), b(kSize * kSize);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      a[y * kSize + x] = opaque(scene, true, x, y);
      b[y * kSize + x] = opaque(scene, false, x, y);
    }
  bool hit = false;
  for (auto _ : state) {
    hit = false;
    for (int y = 0; y < kSize && !hit; ++y)
      for (int x = 0; x < kSize; ++x)
        if (a[y * kSize + x] && b[y * kSize + x]) {
          hit = true;
          break;
        }
    benchmark::DoNotOptimize(hit);
  }
  if (hit != (scene != kHalvesApart)) state.SkipWithError("wrong result");
}
BENCHMARK(BM_PlainMaskLoop)->Arg(kBothOpaque)->Arg(kHalvesApart)->Arg(kLastPixel);

}  // namespace
