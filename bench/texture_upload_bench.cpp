// A picture's first texture level on Mesa: the runtime's upload (the
// texture made empty, its padding cleared, the image's rows sent one by one
// turned bottom-up, no copy of the picture) against what a plain GL program
// does with a picture it has in memory, one glTexImage2D of the whole
// block (rows left top-down). The two alternate within one benchmark so
// that both meet the same load on a shared machine; each upload ends with
// glFinish. A third upload makes the padded copy of the whole texture and
// hands it over in one call, as the previous version did. Counters:
// milliseconds of each ("runtime_ms", "plain_ms", "padded_ms") and the
// runtime's time over the plain one's ("ratio"). Sides: a power of two (no padding) and one just past one
// (the texture nearly four times the picture).
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>

#include "bench/bench_window.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/texture_state.h"
#include "gfx2d/texture_upload.h"

namespace {

double now_ms() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void BM_TextureUpload(benchmark::State& state) {
  bench_window();
  const int side = static_cast<int>(state.range(0));
  PixelImage image;
  if (!image.resize(side, side)) {
    state.SkipWithError("no memory for the picture");
    return;
  }
  for (int64_t i = 0; i < int64_t{side} * side * 4; ++i)
    image.pixels[i] = static_cast<uint8_t>(i * 7);
  uint32_t runtime_name = 0, plain_name = 0, padded_name = 0;
  qvl_gfx_tex_generate(&plain_name);
  qvl_gfx_tex_generate(&padded_name);
  const int tw = qvl_tex_size_for(side);
  double runtime_ms = 0, plain_ms = 0, padded_ms = 0;
  for (auto _ : state) {
    double t0 = now_ms();
    qvl_tex_upload_rect(image, 0, 0, 0, 0, &runtime_name, nullptr, false, false);
    glFinish();
    double t1 = now_ms();
    qvl_gfx_tex_bind(plain_name);
    if (tw == side) {
      glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, side, side, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                   image.pixels);
    } else {
      glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tw, tw, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
      glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, side, side, GL_RGBA, GL_UNSIGNED_BYTE,
                      image.pixels);
    }
    glFinish();
    double t2 = now_ms();
    auto* padded = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(tw) * tw * 4));
    qvl_tex_fill_buffer(image.pixels, side, side, 0, 0, side, side, padded, tw, tw);
    qvl_gfx_tex_bind(padded_name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tw, tw, 0, GL_RGBA, GL_UNSIGNED_BYTE, padded);
    std::free(padded);
    glFinish();
    double t3 = now_ms();
    runtime_ms += t1 - t0;
    plain_ms += t2 - t1;
    padded_ms += t3 - t2;
  }
  qvl_gfx_tex_delete(runtime_name);
  qvl_gfx_tex_delete(plain_name);
  qvl_gfx_tex_delete(padded_name);
  const double n = static_cast<double>(state.iterations());
  state.counters["runtime_ms"] = runtime_ms / n;
  state.counters["plain_ms"] = plain_ms / n;
  state.counters["padded_ms"] = padded_ms / n;
  state.counters["ratio"] = runtime_ms / plain_ms;
}
BENCHMARK(BM_TextureUpload)->Arg(1024)->Arg(1025)->Arg(4096)->Unit(benchmark::kMillisecond);

}  // namespace
