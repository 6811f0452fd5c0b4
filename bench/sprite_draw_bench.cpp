// Sprites per frame at 1024 x 768 on Mesa: the graphics object's sprite
// blit (one client-array quad per sprite, filter and clamp set on every
// draw) against the same quads drawn by a plain GL loop that binds the
// texture once and hands all quads over in one array. Each frame ends with
// glFinish so the driver's work (on its own threads) is counted, and times
// are wall-clock. "sprites_at_60fps" extrapolates the measured frame time
// to the number of sprites a 1/60 s frame holds (shown as a rate: read
// "1.5k/s" as 1500 sprites).
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "bench/bench_window.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/sprite_batch.h"

namespace {

constexpr int kSprite = 1;
constexpr int kSize = 32;

// The shared window with this file's sprite, made on first use.
OpenGLRainbows* screen() {
  static OpenGLRainbows* gfx = [] {
    OpenGLRainbows* g = bench_window();
    PixelImage image;
    image.resize(kSize, kSize);
    for (int i = 0; i < kSize * kSize * 4; ++i) image.pixels[i] = static_cast<uint8_t>(i * 7);
    g->set_sprite_image(kSprite, image, false);
    return g;
  }();
  return gfx;
}

// Positions spread over the screen, the same for both benchmarks.
int pos_x(int i) { return (i * 37) % (1024 - kSize); }
int pos_y(int i) { return (i * 53) % (768 - kSize); }

void report(benchmark::State& state, int n) {
  state.counters["sprites_at_60fps"] =
      benchmark::Counter(n / 60.0, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_SpriteBlit(benchmark::State& state) {
  OpenGLRainbows* gfx = screen();
  int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    for (int i = 0; i < n; ++i) gfx->draw_sprite(kSprite, pos_x(i), pos_y(i));
    qvl_gfx_flush_sprites();  // as presenting the frame does
    glFinish();
  }
  report(state, n);
}
BENCHMARK(BM_SpriteBlit)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainGlQuads(benchmark::State& state) {
  OpenGLRainbows* gfx = screen();
  int n = static_cast<int>(state.range(0));
  const SpriteSlot& s = gfx->sprites[kSprite];
  std::vector<float> v(static_cast<size_t>(n) * 16);
  for (int i = 0; i < n; ++i) {
    float l = pos_x(i), t = pos_y(i), r = l + kSize, b = t + kSize;
    const float quad[16] = {r, t, s.u_max, s.v_max, l, t, 0, s.v_max,
                            l, b, 0, 0,             r, b, s.u_max, 0};
    std::copy(quad, quad + 16, v.begin() + i * 16);
  }
  glBindTexture(GL_TEXTURE_2D, s.texture);
  glEnable(GL_TEXTURE_2D);
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 16, v.data());
    glTexCoordPointer(2, GL_FLOAT, 16, v.data() + 2);
    glDrawArrays(GL_QUADS, 0, n * 4);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glFinish();
  }
  gfx->texture_off();
  report(state, n);
}
BENCHMARK(BM_PlainGlQuads)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
