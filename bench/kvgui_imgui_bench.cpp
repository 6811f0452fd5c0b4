// A grid of buttons drawn by the widget library against Dear ImGui (Debian's
// libimgui-dev, with its SDL2 and OpenGL2 backends) drawing the same grid:
// one window of N buttons "Button 0" .. "Button N-1", 42 x 14 each, 23 to a
// row, all visible on the 1024 x 768 screen, N = 100 and 1,000.
//
// A frame is a cleared screen, the library's whole frame and glFinish:
// kvgui_show for the library (widgets laid out, handled and drawn), and
// NewFrame to RenderDrawData for ImGui. Time is the wall time of a frame,
// CPU the main thread's (Mesa's llvmpipe fills the pixels on threads of
// its own). The library's benchmarks draw an ImGui frame after each of
// theirs, outside the timing, and report cpu_vs_imgui, their CPU over
// ImGui's in the same frames (so that a busy machine weighs on both alike),
// and batches, the draw calls of the library's frame about; "widget by
// widget" is the library with its drawing not queued.
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <time.h>

#include <memory>
#include <string>
#include <vector>

#include "backends/imgui_impl_opengl2.h"
#include "backends/imgui_impl_sdl.h"
#include "bench/bench_window.h"
#include "bench/kvgui_screen.h"
#include "core/string_ops.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "imgui.h"
#include "kvgui/canvas.h"
#include "kvgui/globals.h"
#include "kvgui/kvgui.h"
#include "platform/video.h"

namespace {

constexpr int kPerRow = 23;
constexpr float kButtonW = 42.0f, kButtonH = 14.0f;

double thread_cpu_ms() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

std::vector<std::string> button_labels(int n) {
  std::vector<std::string> labels;
  for (int i = 0; i < n; ++i) labels.push_back("Button " + std::to_string(i));
  return labels;
}

// Dear ImGui on the benchmark window, made again whenever the window is.
class ImGuiGrid {
 public:
  static ImGuiGrid& get() {
    static std::unique_ptr<ImGuiGrid> grid;
    static int made_on = 0;
    kvgui_bench_screen();
    if (bench_window_is_new(made_on)) {
      grid.reset();
      grid.reset(new ImGuiGrid());
    }
    return *grid;
  }
  ~ImGuiGrid() {
    // The font texture went with the old window's context: with no context
    // current, the backend's delete cannot reach a texture of the new one.
    OpenGLRainbows* gfx = kvgui_bench_screen();
    plat_gl_make_current(nullptr, nullptr);
    ImGui_ImplOpenGL2_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext();
    plat_gl_make_current(gfx->window, gfx->gl_context);
  }

  // One whole frame of the grid: the screen cleared, built, drawn, finished.
  void frame(const std::vector<std::string>& labels) {
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(ImVec2(1024, 768));
    ImGui::Begin("grid", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoSavedSettings);
    for (size_t i = 0; i < labels.size(); ++i) {
      if (i % kPerRow != 0) ImGui::SameLine();
      ImGui::Button(labels[i].c_str(), ImVec2(kButtonW, kButtonH));
    }
    ImGui::End();
    ImGui::Render();
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
    glFinish();
  }

  // The 2D layer's record of GL state is stale after ImGui has drawn.
  static void give_back_gl(OpenGLRainbows& gfx) {
    qvl_gfx_forget_colour();
    gfx.reset_2d_state();
  }

 private:
  ImGuiGrid() {
    OpenGLRainbows* gfx = kvgui_bench_screen();
    ImGui::CreateContext();
    ImGui::GetIO().IniFilename = nullptr;
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowPadding = ImVec2(3, 3);  // as the library's content inset
    style.ItemSpacing = ImVec2(2, 2);    // and its spacing
    ImGui_ImplSDL2_InitForOpenGL(gfx->window, gfx->gl_context);
    ImGui_ImplOpenGL2_Init();
  }
};

void button_grid(benchmark::State& state, bool queued) {
  OpenGLRainbows* gfx = kvgui_bench_screen();
  const std::vector<std::string> labels = button_labels(static_cast<int>(state.range(0)));
  ImGuiGrid& imgui = ImGuiGrid::get();
  for (int i = 0; i < 3; ++i) imgui.frame(labels);
  ImGuiGrid::give_back_gl(*gfx);
  kvgui_bench_empty_stack();
  // Widgets lower than the standard height take their caption's wrapped
  // height: at 14 the buttons keep theirs.
  const int standard_height = kvgui_widget_height;
  kvgui_widget_height = int(kButtonH);
  kvgui_push_dialog(0, 0, 0, 0, 0, 0);
  for (const std::string& label : labels)
    kvgui_add_button(BasicString(""), BasicString(label.c_str()), int(kButtonW), int(kButtonH));
  kvgui_queue_drawing = queued;
  kvgui_show(0);  // the driver compiles its shader variants here
  double kvgui_ms = 0, imgui_ms = 0;
  for (auto _ : state) {
    const double start = thread_cpu_ms();
    glClear(GL_COLOR_BUFFER_BIT);
    kvgui_show(0);
    qvl_gfx_flush_sprites();  // as presenting the frame does
    glFinish();
    const double middle = thread_cpu_ms();
    state.PauseTiming();
    imgui.frame(labels);
    const double end = thread_cpu_ms();
    ImGuiGrid::give_back_gl(*gfx);
    kvgui_ms += middle - start;
    imgui_ms += end - middle;
    state.ResumeTiming();
  }
  state.counters["cpu_vs_imgui"] = kvgui_ms / imgui_ms;
  if (queued) state.counters["batches"] = kvgui_canvas_batches_drawn();
  kvgui_queue_drawing = true;
  kvgui_bench_empty_stack();
  kvgui_widget_height = standard_height;
}

void BM_KvguiButtonGrid(benchmark::State& state) { button_grid(state, true); }
BENCHMARK(BM_KvguiButtonGrid)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_KvguiButtonGridWidgetByWidget(benchmark::State& state) { button_grid(state, false); }
BENCHMARK(BM_KvguiButtonGridWidgetByWidget)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ImGuiButtonGrid(benchmark::State& state) {
  OpenGLRainbows* gfx = kvgui_bench_screen();
  const std::vector<std::string> labels = button_labels(static_cast<int>(state.range(0)));
  ImGuiGrid& grid = ImGuiGrid::get();
  grid.frame(labels);
  for (auto _ : state) grid.frame(labels);
  ImGuiGrid::give_back_gl(*gfx);
}
BENCHMARK(BM_ImGuiButtonGrid)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
