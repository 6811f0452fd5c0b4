#include "host/show_screen.h"

#include <cstdio>

#include "core/error_state.h"
#include "core/maths.h"
#include "files/sys_timer.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/viewport.h"
#include "gfx3d/rainbows3d.h"
#include "host/input_manager.h"
#include "host/music.h"
#include "host/project_settings.h"
#include "host/sound_slots.h"
#include "host/window_proc.h"
#include "platform/video.h"

double qvl_win_frame_time_current = 0.0;
double qvl_win_frame_time_previous = 0.0;
int32_t qvl_win_idle_count = 0;
int32_t qvl_win_escape_switch = 1;
int32_t qvl_win_activation_request = 0;
int32_t qvl_win_msg_hook_state = -1;
QvlRoutine qvl_win_msg_hook = nullptr;

namespace {

// Escape or Alt+F4: END, unless the program is already ending.
int end_path() {
  qvl_err_raise(0);
  if (qvl_err_state.ending) return 0;
  qvl_err_end_program();
}

}  // namespace

QvlRoutine qvl_win_find_msg_hook() {
  if (qvl_win_msg_hook_state == -1) {
    qvl_win_msg_hook = qvl_call_find_routine(BasicString("QVL_WIN32_MSG"));
    qvl_win_msg_hook_state = qvl_win_msg_hook ? 1 : 0;
  }
  return qvl_win_msg_hook;
}

void qvl_win_pump_hooked(uint8_t wait) {
  QvlRoutine hook = qvl_win_find_msg_hook();
  if (qvl_gfx_rainbows) qvl_gfx_rainbows->pump_messages(hook, wait);
}

void qvl_win_music_restart() { qvl_mus_restart_if_due(); }

int qvl_win_show_screen_core() {
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (qvl_win_activation_request) {
    std::puts("activate");
    WindowHandle w = qvl_win_handle();
    plat_window_show(w, PLAT_SHOW);
    plat_window_raise(w);
    std::puts("ok");
    std::fflush(stdout);
    qvl_win_activation_request = 0;
  }
  qvl_win_frame_time_previous = qvl_win_frame_time_current;
  qvl_win_frame_time_current = qvl_sys_timer_ms();

  while (qvl_call_paused == 1) {
    qvl_win_idle_count = 31;
    qvl_loop_hibernate();
  }

  if (InputManager* im = qvl_input_manager) {
    qvl_input_key_query_count = 0;
    im->refresh_keyboard(0);
    im->rebase_mice();
    if (qvl_win_escape_switch == 1 && (im->key_down(129) || im->key_down(1))) return end_path();
    if (im->key_down(56) && im->key_down(62)) return end_path();
  }
  if (qvl_x3d_engine) qvl_x3d_engine->set_shadow_pass(0);
  qvl_win_music_restart();
  if (!gfx) return 1;
  QvlRoutine hook = qvl_win_find_msg_hook();
  gfx->pump_messages(hook, 0);
  if (gfx->present(hook) == 0) return end_path();
  return 1;
}

void qvl_win_reset_frame_state() {
  if (OpenGLRainbows* gfx = qvl_gfx_rainbows) {
    qvl_gfx_set_viewport(0, 0, 0, 0);
    gfx->clear_frame();
    gfx->set_alpha_test(1.0f);
    if (gfx->blend_value != -1.0f) gfx->set_alpha_mode(-1.0f);
  }
  qvl_x3d_set_mipmapping(0);
  if (qvl_x3d_engine) qvl_x3d_engine->shader_use(-1);
  ++qvl_win_idle_count;
  if (qvl_input_manager) qvl_input_manager->key_refresh_count = 100000;
}

void qvl_win_show_screen() {
  qvl_win_show_screen_core();
  qvl_win_reset_frame_state();
}

void qvl_gfx_set_frame_rate(double fps, int vsync) {
  // Rates beyond the int range saturate rather than overflow the cast.
  if (qvl_gfx_rainbows)
    qvl_gfx_rainbows->set_frame_rate(qvl_math_truncate_int(fps), vsync != 0);
}

double qvl_gfx_frame_time() {
  double d = qvl_win_frame_time_current - qvl_win_frame_time_previous;
  return d <= 0.0 ? 1.0 : d;
}

void qvl_win_allow_escape(int flag) { qvl_win_escape_switch = flag != 0; }
int qvl_win_escape_allowed() { return qvl_win_escape_switch ? 1 : 0; }
void qvl_win_reset_idle_count() { qvl_win_idle_count = 0; }

void qvl_win_set_screen(int width, int height, int full_screen) {
  qvl_win_project_settings.full_screen = full_screen;
  qvl_win_project_settings.width = width;
  qvl_win_project_settings.height = height;
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!gfx) return;
  gfx->set_mode(width, height, 0, full_screen);
  if (qvl_input_manager) {
    qvl_input_show_pointer(qvl_input_manager->pointer_visible ? 1 : 0);
    qvl_input_manager->window = gfx->window;
  }
  qvl_win_set_handle(gfx->window);
  if (qvl_snd_device) qvl_snd_device->set_window(gfx->window);
  for (int i = 0; i < 5; ++i) {
    qvl_win_show_screen_core();
    qvl_win_reset_frame_state();
  }
}
