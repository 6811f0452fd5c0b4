// Glyphs per second on Mesa: printing lines with the built-in bitmap font
// (one vertex array and one draw call per line, the vertex list rebuilt
// every time) against a plain GL loop that draws quads built once, the
// floor any text printer sits on; printing with a vector font (triangles
// through the polygon batch); and measuring text without GL. Each frame
// ends with glFinish so the driver's work is counted; times are wall-clock.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_window.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/sprite_table.h"
#include "platform/video.h"

namespace {

constexpr int kLines = 40;
const std::string kLine = "The quick brown fox jumps over the lazy dog 0123456789 !?";

// The shared window with this file's fonts, set up again whenever the
// window is made anew.
OpenGLRainbows* screen() {
  static int made_on = 0;
  OpenGLRainbows* g = bench_window();
  if (bench_window_is_new(made_on)) {
    g->install_system_font(0);
    g->font_scale[0] = 1.0f;  // 8 x 8 glyphs, as the plain quads draw them
    // Slot 1: a vector font whose printable glyphs are two triangles each.
    std::vector<int16_t> data;
    for (int c = 33; c < 128; ++c)
      data.insert(data.end(), {int16_t(c), 4, 2, 0, 0, 0, 400, 0, 400, 600, 0, 600, 0, 0, 400,
                               600, 0, 1, 2, 0, 2, 3});
    data.push_back(-1);
    g->load_vector_font(1, data.data());
    g->font_scale[1] = 1.0f;
  }
  plat_gl_make_current(g->window, g->gl_context);
  return g;
}

void count_glyphs(benchmark::State& state, int per_iteration) {
  state.counters["glyphs"] =
      benchmark::Counter(per_iteration, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_PrintBitmapText(benchmark::State& state) {
  OpenGLRainbows* gfx = screen();
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    for (int i = 0; i < kLines; ++i)
      gfx->print_text(0, kLine.c_str(), 0.0f, i * 16.0f, 0.0f, 1, 1);
    qvl_gfx_flush_sprites();  // as presenting the frame does
    glFinish();
  }
  count_glyphs(state, kLines * static_cast<int>(kLine.size()));
}
BENCHMARK(BM_PrintBitmapText)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same quads, built once, one array per line: no measuring, no
// rebuilding, no state bookkeeping.
void BM_PlainGlGlyphQuads(benchmark::State& state) {
  OpenGLRainbows* gfx = screen();
  const int n = static_cast<int>(kLine.size());
  std::vector<TexVertex> quads(4 * n * kLines);
  for (int l = 0; l < kLines; ++l)
    for (int i = 0; i < n; ++i) {
      const float x = i * 8.0f, y = l * 16.0f, u = (kLine[i] % 16) / 16.0f;
      TexVertex* v = &quads[(l * n + i) * 4];
      v[0] = {x, y + 8, 0, u, 0.25f};
      v[1] = {x, y, 0, u, 0.375f};
      v[2] = {x + 8, y + 8, 0, u + 0.0625f, 0.25f};
      v[3] = {x + 8, y, 0, u + 0.0625f, 0.375f};
    }
  gfx->bind_sprite_texture(kFirstFontSprite);
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(TexVertex), &quads[0].x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(TexVertex), &quads[0].u);
    for (int l = 0; l < kLines; ++l) glDrawArrays(GL_TRIANGLE_STRIP, l * n * 4, n * 4);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glFinish();
  }
  count_glyphs(state, kLines * n);
}
BENCHMARK(BM_PlainGlGlyphQuads)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PrintVectorText(benchmark::State& state) {
  OpenGLRainbows* gfx = screen();
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    for (int i = 0; i < kLines; ++i) gfx->print_vector_text(1, kLine.c_str(), 0.0f, i * 16.0f, 1);
    glFinish();
  }
  count_glyphs(state, kLines * static_cast<int>(kLine.size()));
}
BENCHMARK(BM_PrintVectorText)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TextWidth(benchmark::State& state) {
  OpenGLRainbows* gfx = screen();
  for (auto _ : state) benchmark::DoNotOptimize(gfx->text_width(0, kLine.c_str(), 1));
  count_glyphs(state, static_cast<int>(kLine.size()));
}
BENCHMARK(BM_TextWidth);

}  // namespace
