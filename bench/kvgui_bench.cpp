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
//   through the property interface;
// - a frame of a list of 5,000 items against printing its visible rows by
//   hand and against a list that splits its text and draws every row from
//   the first visible one to the last item each frame;
// - a frame of a text field holding 10,000 characters (focused, caret
//   drawn) against printing its visible lines, wrapped beforehand, by hand;
// - opening a popup list of 1,000 items (built, laid out, shown until Esc
//   closes it on its first frame) against building the same buttons in a
//   dialog of one's own and showing it once.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "bench/kvgui_screen.h"
#include "core/call_by_name.h"
#include "core/string_ops.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/viewport.h"
#include "kvgui/kvgui.h"
#include "kvgui/globals.h"
#include "kvgui/item_list.h"
#include "kvgui/seam.h"
#include "platform/video.h"

namespace {

OpenGLRainbows* screen() { return kvgui_bench_screen(); }

void empty_stack() { kvgui_bench_empty_stack(); }

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

// --- The widget kinds --------------------------------------------------------

std::string many_items(int n) {
  std::string items;
  for (int i = 0; i < n; ++i) items += "item " + std::to_string(i) + "|";
  return items;
}

void BM_KvguiShowLongList(benchmark::State& state) {
  screen();
  empty_stack();
  kvgui_push_dialog(0, 0, 0, 0, 0, 0);
  kvgui_add_list(BasicString("ls"), BasicString(many_items(5000).c_str()), 600, 600);
  kvgui_set_property(BasicString("ls"), BasicString("SCROLL"), BasicString("40000"));
  time_frames(state);
}
BENCHMARK(BM_KvguiShowLongList)->Unit(benchmark::kMillisecond)->UseRealTime();

// The rows of the list's box printed by hand, on a filled box.
void BM_PlainPrintedRows(benchmark::State& state) {
  screen();
  std::vector<BasicString> rows;
  for (int i = 0; i < 5000; ++i) rows.push_back(BasicString(("item " + std::to_string(i)).c_str()));
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    qvl_gfx_draw_rect(3, 3, 600, 600, 0xFFFFFF);
    for (int r = 0; r < 600 / 16; ++r) qvl_font_print(rows[size_t(2500 + r)], 7, 3 + r * 16 + 4, 1);
    qvl_gfx_flush_sprites();
    glFinish();
  }
}
BENCHMARK(BM_PlainPrintedRows)->Unit(benchmark::kMillisecond)->UseRealTime();

// A list done the simple way: its text split every frame, and every row
// from the first visible one to the last item drawn (the clip hides them).
void BM_ListSplitEachFrameDrawnToEnd(benchmark::State& state) {
  screen();
  const BasicString text(many_items(5000).c_str());
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    qvl_gfx_set_viewport(3, 3, 600, 600);
    qvl_gfx_draw_rect(0, 0, 600, 600, 0xFFFFFF);
    const std::vector<BasicString> rows = kvgui_split_items(text);
    for (size_t r = 2500; r < rows.size(); ++r)
      qvl_font_print(rows[r], 4, int(r - 2500) * 16 + 2, 1);
    qvl_gfx_set_viewport(0, 0, 0, 0);
    qvl_gfx_flush_sprites();
    glFinish();
  }
}
BENCHMARK(BM_ListSplitEachFrameDrawnToEnd)->Unit(benchmark::kMillisecond)->UseRealTime();

// About 10,000 characters: words of three to nine letters.
std::string long_text() {
  std::string text;
  std::mt19937 random(7);
  while (text.size() < 10000) {
    text += std::string(3 + random() % 7, char('a' + random() % 26));
    text += ' ';
  }
  text.resize(10000);
  return text;
}

void BM_KvguiShowLongText(benchmark::State& state) {
  screen();
  empty_stack();
  kvgui_push_dialog(0, 0, 0, 0, 0, 0);
  kvgui_add_text(BasicString("tx"), BasicString(long_text().c_str()), 600, 400);
  kvgui_set_property(BasicString(""), BasicString("FOCUS"), BasicString("tx"));
  kvgui_set_property(BasicString("tx"), BasicString("SELEND"), BasicString("5000"));
  time_frames(state);
}
BENCHMARK(BM_KvguiShowLongText)->Unit(benchmark::kMillisecond)->UseRealTime();

// The lines of the field's box, wrapped once beforehand, printed by hand.
void BM_PlainPrintedLines(benchmark::State& state) {
  screen();
  const std::string text = long_text();
  std::vector<BasicString> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    line += text[i];
    if (line.size() >= 70 && text[i] == ' ') {
      lines.push_back(BasicString(line.c_str()));
      line.clear();
    }
  }
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    qvl_gfx_draw_rect(3, 3, 600, 400, 0xFFFFFF);
    for (int r = 0; r < 400 / 8 && size_t(r) < lines.size(); ++r)
      qvl_font_print(lines[size_t(r)], 7, 3 + r * 8, 1);
    qvl_gfx_flush_sprites();
    glFinish();
  }
}
BENCHMARK(BM_PlainPrintedLines)->Unit(benchmark::kMillisecond)->UseRealTime();

void press_escape() { kvgui_bench_escape_down = true; }
const NamedSub kEscapeHook[] = {{press_escape, "KVGUI_ON_AFTER_SHOWSCREEN"}, {nullptr, nullptr}};

void BM_KvguiOpenPopup(benchmark::State& state) {
  screen();
  empty_stack();
  const BasicString items(many_items(1000).c_str());
  qvl_call_set_table(kEscapeHook);
  for (auto _ : state) {
    kvgui_bench_escape_down = false;
    kvgui_pick_item(100, 100, 200, 0, items, 500, 0);
    qvl_gfx_flush_sprites();
    glFinish();
  }
  qvl_call_set_table(nullptr);
  kvgui_bench_escape_down = false;
}
BENCHMARK(BM_KvguiOpenPopup)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same buttons in a dialog built by hand, shown once.
void BM_HandBuiltButtons(benchmark::State& state) {
  screen();
  empty_stack();
  std::vector<BasicString> ids, captions;
  for (int i = 0; i < 1000; ++i) {
    ids.push_back(name("b", i));
    captions.push_back(BasicString(("item " + std::to_string(i)).c_str()));
  }
  for (auto _ : state) {
    kvgui_push_dialog(99, 99, 202, 669, 0, 0);
    for (int i = 0; i < 1000; ++i) kvgui_add_button(ids[size_t(i)], captions[size_t(i)], 176, 16);
    kvgui_show_all();
    qvl_gfx_flush_sprites();
    glFinish();
    kvgui_pop_dialog();
  }
}
BENCHMARK(BM_HandBuiltButtons)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
