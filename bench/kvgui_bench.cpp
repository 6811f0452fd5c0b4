// The widget library against the 16.7 ms of a 60 Hz frame and against what
// a program would do without it:
// - one frame of kvgui_show with 100 and 1,000 visible labels (the whole
//   dialog laid out, handled and drawn, glFinish included) against printing
//   the same labels straight onto a filled rectangle; and 1,000 labels of
//   which the dialog shows about 100 (the rest laid out and handled, but
//   skipped by the clip);
// - building 1,000 and 10,000 widgets (a tenfold count should cost about
//   tenfold, never a hundredfold) against filling a std::map with the ids;
// - 1,000 links applied in a frame against the same copies written by hand
//   through the property interface.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_window.h"
#include "core/string_ops.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "kvgui/kvgui.h"
#include "kvgui/globals.h"
#include "kvgui/seam.h"
#include "platform/video.h"

namespace {

// The library reads a still mouse and a steady clock.
void quiet_seam() {
  kvgui_seam.now_ms = [] { return 1000.0; };
  kvgui_seam.frame_time_ms = [] { return 17.0; };
  kvgui_seam.mouse = [](int* x, int* y, int* b1, int* b2) {
    *x = *y = -100;
    *b1 = *b2 = 0;
  };
  kvgui_seam.wheel_total = [] { return 0; };
  kvgui_seam.show_pointer = [] {};
}

OpenGLRainbows* screen() {
  static OpenGLRainbows* gfx = [] {
    OpenGLRainbows* g = bench_window();
    g->install_system_font(0);
    quiet_seam();
    return g;
  }();
  plat_gl_make_current(gfx->window, gfx->gl_context);
  qvl_gfx_current_font = 0;
  gfx->font_scale[0] = 1.0f;  // 8 x 8 glyphs
  return gfx;
}

void empty_stack() {
  while (!kvgui_stack_empty()) kvgui_pop_dialog();
}

// prefix + i, as the program would form it.
BasicString name(const char* prefix, int i) { return qvl_str_concat_cstr_int(prefix, i); }

// n labels 40 x 16 on a dialog covering the screen (24 to a row, 42 rows,
// every one of them visible), or only its top 80 pixels.
void label_dialog(int n, int height = 0) {
  empty_stack();
  kvgui_push_dialog(0, 0, 0, height, 0, 0);
  for (int i = 0; i < n; ++i) kvgui_add_widget(name("l", i), name("", i), 40, 16);
}

// Whole frames of the dialog on the stack, which is popped afterwards.
void time_frames(benchmark::State& state) {
  kvgui_show(0);  // the driver compiles its shader variants here
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    kvgui_show(0);
    qvl_gfx_flush_sprites();  // as presenting the frame does
    glFinish();
  }
  empty_stack();
}

void BM_KvguiShowLabels(benchmark::State& state) {
  screen();
  label_dialog(static_cast<int>(state.range(0)));
  time_frames(state);
}
BENCHMARK(BM_KvguiShowLabels)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_KvguiShowClippedLabels(benchmark::State& state) {
  screen();
  label_dialog(1000, 80);
  time_frames(state);
}
BENCHMARK(BM_KvguiShowClippedLabels)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same labels printed where the layout puts them, on one filled box.
void BM_PlainPrintedLabels(benchmark::State& state) {
  screen();
  const int n = static_cast<int>(state.range(0));
  std::vector<BasicString> texts;
  for (int i = 0; i < n; ++i) texts.push_back(name("", i));
  qvl_font_print(texts[0], 0, 0, 1);
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    qvl_gfx_draw_rect(0, 0, 1024, 768, 0xFFFFFF);
    for (int i = 0; i < n; ++i)
      qvl_font_print(texts[size_t(i)], 3 + (i % 24) * 42, 3 + (i / 24) * 18 + 4, 1);
    qvl_gfx_flush_sprites();  // as presenting the frame does
    glFinish();
  }
}
BENCHMARK(BM_PlainPrintedLabels)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

std::vector<std::string> shuffled_ids(int n) {
  std::vector<std::string> ids;
  for (int i = 0; i < n; ++i) ids.push_back(name("w", i).text);
  std::shuffle(ids.begin(), ids.end(), std::mt19937(12345));
  return ids;
}

void BM_KvguiBuildWidgets(benchmark::State& state) {
  screen();
  const std::vector<std::string> ids = shuffled_ids(static_cast<int>(state.range(0)));
  std::vector<BasicString> names;
  for (const std::string& id : ids) names.emplace_back(id.c_str());
  for (auto _ : state) {
    kvgui_push_dialog(0, 0, 0, 0, 0, 0);
    for (const BasicString& id : names) kvgui_add_widget(id, id, 40, 16);
    kvgui_get_dialog(-1);  // in id order, as anything walking them sees them
    state.PauseTiming();
    empty_stack();
    state.ResumeTiming();
  }
  state.counters["widgets"] = benchmark::Counter(double(state.range(0)),
                                                 benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_KvguiBuildWidgets)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

struct PlainWidget {
  std::string text;
  int width, height;
};

void BM_StdMapOfWidgets(benchmark::State& state) {
  const std::vector<std::string> ids = shuffled_ids(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::map<std::string, PlainWidget> widgets;
    for (const std::string& id : ids) widgets[id] = PlainWidget{id, 40, 16};
    benchmark::DoNotOptimize(widgets);
  }
  state.counters["widgets"] = benchmark::Counter(double(state.range(0)),
                                                 benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_StdMapOfWidgets)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// 1,000 links: half copy a number (SELECT to SELECT), half a text.
void link_dialog() {
  empty_stack();
  kvgui_push_dialog(0, 0, 0, 0, 0, 0);
  for (int i = 0; i < 500; ++i) {
    const BasicString a = name("a", i), b = name("b", i);
    kvgui_add_widget(a, BasicString("text"), 40, 16);
    kvgui_add_widget(b, BasicString(""), 40, 16);
    kvgui_add_link(a, BasicString("SELECT"), b, BasicString("SELECT"));
    kvgui_add_link(a, BasicString("TEXT"), b, BasicString("TEXT"));
  }
}

void BM_KvguiApplyLinks(benchmark::State& state) {
  screen();
  link_dialog();
  for (auto _ : state) kvgui_apply_links();
  state.counters["links"] =
      benchmark::Counter(1000, benchmark::Counter::kIsIterationInvariantRate);
  empty_stack();
}
BENCHMARK(BM_KvguiApplyLinks)->Unit(benchmark::kMicrosecond);

void BM_HandWrittenCopies(benchmark::State& state) {
  screen();
  link_dialog();
  std::vector<BasicString> a, b;
  for (int i = 0; i < 500; ++i) {
    a.push_back(name("a", i));
    b.push_back(name("b", i));
  }
  const BasicString select("SELECT"), text("TEXT");
  for (auto _ : state) {
    for (int i = 0; i < 500; ++i) {
      kvgui_set_property(b[size_t(i)], select, kvgui_get_property(a[size_t(i)], select));
      kvgui_set_property(b[size_t(i)], text, kvgui_get_property(a[size_t(i)], text));
    }
  }
  state.counters["links"] =
      benchmark::Counter(1000, benchmark::Counter::kIsIterationInvariantRate);
  empty_stack();
}
BENCHMARK(BM_HandWrittenCopies)->Unit(benchmark::kMicrosecond);

}  // namespace
