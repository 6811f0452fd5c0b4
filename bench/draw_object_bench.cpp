// Drawing a 100k-triangle object (a jittered 250 x 200 grid) on Mesa at
// 1024 x 768: the engine's static path (frame 0 uploaded once, then only
// bound), its stream path (the draw buffer rewritten and uploaded every
// draw, here for a texture offset) and a plain glDrawArrays of the same
// records from a buffer object filled once. The three alternate within
// each iteration so that they meet the same load; each draw ends with
// glFinish and times are wall-clock. Counters: milliseconds a draw for
// each, and the static path's time over the plain loop's ("ratio").
//
// The second benchmark times one stencil shadow pass of the same object:
// the silhouette found, its volume drawn into the stencil buffer, and the
// pass finished (the marked screen darkened).
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>

#include "bench/bench_window.h"
#include "gfx2d/gl_ext.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx3d/rainbows3d.h"
#include "tests/gfx3d/mesh_fixtures.h"

namespace {

constexpr int kObject = 1;

double now_ms() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

// The engine on the shared window with the grid in slot kObject, the
// camera looking down on it.
Rainbows3D& scene() {
  static Rainbows3D* engine = nullptr;
  static int made_on = 0;
  OpenGLRainbows* gfx = bench_window();
  if (bench_window_is_new(made_on)) {
    engine = new Rainbows3D(gfx);
    ObjectSlot& slot = engine->objects[kObject];
    slot.parts.reserve(1);
    slot.parts.count = 1;
    slot.used = 1;
    MeshObjectX& part = slot.parts[0];
    mesh_fixture::add_grid(part, 250, 200, 7);
    part.build_value_table();
    part.smooth_normals(true, false, false);
    part.build_triangles();
    part.compute_bounds();
  }
  engine->begin_3d(1.0f, 1000.0f, 60.0f);
  engine->set_camera(125, 100, 260, 125, 100, 0);
  return *engine;
}

void draw(Rainbows3D& engine, float offset) {
  engine.texture_offset_u = offset;
  engine.draw_object(kObject, 0, 0, 0.0f, false);
  glFinish();
}

void plain_draw(uint32_t vbo, int count, const float* level) {
  glPushMatrix();
  glMultMatrixf(level);
  glBindBufferARB_(GL_ARRAY_BUFFER_ARB, vbo);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, sizeof(MeshVertex), nullptr);
  glDrawArrays(GL_TRIANGLES, 0, count);
  glDisableClientState(GL_VERTEX_ARRAY);
  glBindBufferARB_(GL_ARRAY_BUFFER_ARB, 0);
  glPopMatrix();
  glFinish();
}

void BM_ObjectStaticStreamVsPlainGl(benchmark::State& state) {
  Rainbows3D& engine = scene();
  if (!glGenBuffersARB_) {
    state.SkipWithError("no vertex buffer objects");
    return;
  }
  const MeshObjectX& part = engine.objects[kObject].parts[0];
  const int count = part.frames[0].triangles.count;
  uint32_t vbo = 0;
  glGenBuffersARB_(1, &vbo);
  glBindBufferARB_(GL_ARRAY_BUFFER_ARB, vbo);
  glBufferDataARB_(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(count) * sizeof(MeshVertex),
                   part.frames[0].triangles.data, GL_STATIC_DRAW_ARB);
  glBindBufferARB_(GL_ARRAY_BUFFER_ARB, 0);
  engine.update_object_matrix();
  const float* level = engine.transform_levels[0].matrix;
  for (int i = 0; i < 3; ++i) {  // buffers made and Mesa's variants compiled
    draw(engine, 0.0f);
    draw(engine, 0.25f);
    plain_draw(vbo, count, level);
  }
  double static_ms = 0, stream_ms = 0, plain_ms = 0;
  for (auto _ : state) {
    const double t0 = now_ms();
    draw(engine, 0.0f);
    const double t1 = now_ms();
    draw(engine, 0.25f);
    const double t2 = now_ms();
    plain_draw(vbo, count, level);
    const double t3 = now_ms();
    static_ms += t1 - t0;
    stream_ms += t2 - t1;
    plain_ms += t3 - t2;
    state.SetIterationTime((t3 - t0) / 1000.0);
  }
  glDeleteBuffersARB_(1, &vbo);
  engine.texture_offset_u = 0.0f;
  const double n = static_cast<double>(state.iterations());
  state.counters["static_ms"] = static_ms / n;
  state.counters["stream_ms"] = stream_ms / n;
  state.counters["plain_ms"] = plain_ms / n;
  state.counters["ratio"] = static_ms / plain_ms;
}
BENCHMARK(BM_ObjectStaticStreamVsPlainGl)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseManualTime();

void BM_ObjectShadowVolumePass(benchmark::State& state) {
  Rainbows3D& engine = scene();
  for (auto _ : state) {
    const double t0 = now_ms();
    engine.set_light(-3, 0, 60, 80, 200, 0, 0, 0, 1.0f, false);
    engine.draw_object(kObject, 0, 0, 0.0f, false);
    engine.set_shadow_pass(0);
    glFinish();
    state.SetIterationTime((now_ms() - t0) / 1000.0);
  }
  engine.set_light(-3, 0, 0, 0, 0, 0, 0, 0, 0.0f, false);
}
BENCHMARK(BM_ObjectShadowVolumePass)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseManualTime();

}  // namespace
