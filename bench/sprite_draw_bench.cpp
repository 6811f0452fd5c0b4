// Sprites per frame at 1024 x 768 on Mesa: the graphics object's sprite
// blit against the same quads drawn by a plain GL loop that binds the
// texture once and hands all quads over in one array built beforehand.
// Frames of the two alternate within one benchmark, so that both meet the
// same load on a shared machine. Each frame ends as presenting does (the
// waiting sprites flushed) and with glFinish, so the driver's work on its
// own threads is counted; times are wall-clock. Counters: sprites that a
// 1/60 s frame holds for each ("runtime", "plain_gl") and the runtime's
// share of the plain loop's rate ("ratio"). Run once with Mesa's default
// rasteriser threads and once with 2, as on a small machine.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "bench/bench_window.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/texture_state.h"

namespace {

constexpr int kSprite = 1;
constexpr int kSize = 32;

// The window with this file's sprite, made again whenever the window is.
OpenGLRainbows* screen(int mesa_threads) {
  static int made_on = 0;
  OpenGLRainbows* gfx = bench_window(mesa_threads);
  if (bench_window_is_new(made_on)) {
    PixelImage image;
    image.resize(kSize, kSize);
    for (int i = 0; i < kSize * kSize * 4; ++i) image.pixels[i] = static_cast<uint8_t>(i * 7);
    gfx->set_sprite_image(kSprite, image, false);
  }
  return gfx;
}

// Positions spread over the screen, the same for both loops.
int pos_x(int i) { return (i * 37) % (1024 - kSize); }
int pos_y(int i) { return (i * 53) % (768 - kSize); }

double now_ms() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void runtime_frame(OpenGLRainbows& gfx, int n) {
  glClear(GL_COLOR_BUFFER_BIT);
  for (int i = 0; i < n; ++i) gfx.draw_sprite(kSprite, pos_x(i), pos_y(i));
  qvl_gfx_flush_sprites();
  glFinish();
}

void plain_frame(const SpriteSlot& s, const std::vector<float>& v, int n) {
  glClear(GL_COLOR_BUFFER_BIT);
  glBindTexture(GL_TEXTURE_2D, s.texture);
  glEnable(GL_TEXTURE_2D);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glVertexPointer(2, GL_FLOAT, 16, v.data());
  glTexCoordPointer(2, GL_FLOAT, 16, v.data() + 2);
  glDrawArrays(GL_QUADS, 0, n * 4);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glFinish();
}

void BM_SpritesVsPlainGl(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  OpenGLRainbows* gfx = screen(static_cast<int>(state.range(1)));
  const SpriteSlot& s = gfx->sprites[kSprite];
  std::vector<float> v(static_cast<size_t>(n) * 16);
  for (int i = 0; i < n; ++i) {
    float l = pos_x(i), t = pos_y(i), r = l + kSize, b = t + kSize;
    const float quad[16] = {r, t, s.u_max, s.v_max, l, t, 0, s.v_max,
                            l, b, 0, 0,             r, b, s.u_max, 0};
    std::copy(quad, quad + 16, v.begin() + i * 16);
  }
  // Mesa compiles its shader variants on first use: not part of a frame.
  for (int i = 0; i < 3; ++i) {
    runtime_frame(*gfx, n);
    plain_frame(s, v, n);
    qvl_gfx_tex_forget_binding();
  }
  double runtime_ms = 0.0, plain_ms = 0.0;
  for (auto _ : state) {
    const double t0 = now_ms();
    runtime_frame(*gfx, n);
    const double t1 = now_ms();
    plain_frame(s, v, n);
    qvl_gfx_tex_forget_binding();  // the plain loop bound behind the runtime
    const double t2 = now_ms();
    runtime_ms += t1 - t0;
    plain_ms += t2 - t1;
    state.SetIterationTime((t2 - t0) / 1000.0);
  }
  const double frames = static_cast<double>(state.iterations());
  const double frame_60 = 1000.0 / 60.0;
  state.counters["runtime"] = n * frame_60 / (runtime_ms / frames);
  state.counters["plain_gl"] = n * frame_60 / (plain_ms / frames);
  state.counters["ratio"] = plain_ms / runtime_ms;
}
BENCHMARK(BM_SpritesVsPlainGl)
    ->ArgNames({"sprites", "mesa_threads"})
    ->Args({1000, 0})
    ->Args({4000, 0})
    ->Args({16000, 0})
    ->Args({1000, 2})
    ->Args({4000, 2})
    ->Args({16000, 2})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseManualTime();

}  // namespace
