#include "bench/kvgui_screen.h"

#include "bench/bench_window.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/opengl_rainbows.h"
#include "kvgui/kvgui.h"
#include "kvgui/seam.h"

bool kvgui_bench_escape_down = false;

namespace {

void quiet_seam() {
  kvgui_seam.now_ms = [] { return 1000.0; };
  kvgui_seam.frame_time_ms = [] { return 17.0; };
  kvgui_seam.mouse = [](int* x, int* y, int* b1, int* b2) {
    *x = *y = -100;
    *b1 = *b2 = 0;
  };
  kvgui_seam.wheel_total = [] { return 0; };
  kvgui_seam.show_pointer = [] {};
  kvgui_seam.key_down = [](int scan) { return scan == 1 && kvgui_bench_escape_down ? 1 : 0; };
  kvgui_seam.typed_char = [] { return BasicString(); };
  kvgui_seam.show_screen = [] {};
  kvgui_seam.message_step = [] {};
}

}  // namespace

OpenGLRainbows* kvgui_bench_screen() {
  static int made_on = 0;
  OpenGLRainbows* gfx = bench_window();
  if (bench_window_is_new(made_on)) {  // the font goes with the window
    gfx->install_system_font(0);
    quiet_seam();
  }
  qvl_gfx_current_font = 0;
  gfx->font_scale[0] = 1.0f;  // 8 x 8 glyphs
  return gfx;
}

void kvgui_bench_empty_stack() {
  while (!kvgui_stack_empty()) kvgui_pop_dialog();
}
