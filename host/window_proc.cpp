#include "host/window_proc.h"

#include "core/call_by_name.h"
#include "core/error_state.h"
#include "core/logs.h"
#include "files/sys_process.h"
#include "gfx2d/opengl_rainbows.h"
#include "host/input_manager.h"
#include "host/project_settings.h"
#include "host/show_screen.h"
#include "platform/message_queue.h"
#include "platform/video.h"

namespace {

void set_title_paused(bool paused) {
  BasicString title(qvl_win_caption());
  if (paused) title.append_cstr(" <pause>");
  plat_window_set_title(qvl_win_handle(), title.c_str());
}

// A close while END is already running: the window goes at once, and every
// copy of its handle is cleared so the shutdown does not destroy it again.
void destroy_window_now(WindowHandle window) {
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (gfx && gfx->window == window) {
    plat_gl_make_current(window, nullptr);
    gfx->window = nullptr;
  }
  if (qvl_win_handle() == window) qvl_win_set_handle(nullptr);
  if (qvl_input_manager && qvl_input_manager->window == window) qvl_input_manager->window = nullptr;
  plat_window_destroy(window);
}

void on_activate(uintptr_t wParam) {
  uint32_t state = plat_loword(wParam);
  if (state == WA_INACTIVE) {
    if (qvl_win_project_settings.full_screen == 1) plat_window_show(qvl_win_handle(), PLAT_MINIMIZE);
    if (qvl_err_state.debug_mode) return;
    qvl_call_pause_hook(1);
    if (qvl_call_paused == 1 && qvl_call_pause_switch == 1) set_title_paused(true);
  } else if (state == WA_ACTIVE || state == WA_CLICKACTIVE) {
    if (qvl_err_state.debug_mode) return;
    qvl_call_pause_hook(0);
    if (qvl_call_paused == 0 && qvl_call_pause_switch == 1) set_title_paused(false);
  }
}

bool escape_down() {
  return qvl_win_escape_switch == 1 && (qvl_input_key(129) != 0.0 || qvl_input_key(1) != 0.0);
}

void pause_loop() {
  qvl_log_error_file("pause loop in showscreen/hibernate\n");
  while (qvl_call_paused == 1 && qvl_win_activation_request == 0) {
    qvl_sys_sleep(10);
    qvl_win_music_restart();
    qvl_win_pump_hooked(1);
    qvl_sys_sleep(10);
    qvl_call_by_name(BasicString("QVL_ON_HIDE"));
  }
  qvl_log_error_file("pause loop ended\n");
  qvl_call_by_name(BasicString("QVL_ON_RESUME"));
  qvl_call_paused = 0;
}

bool any_button_down() { return qvl_input_manager && qvl_input_manager->any_button_down(); }

}  // namespace

intptr_t qvl_win_window_proc(WindowHandle window, uint32_t message, uintptr_t wParam,
                             intptr_t lParam) {
  switch (message) {
    case WM_CLOSE:
      if (!qvl_err_state.ending) qvl_err_end_program();
      destroy_window_now(window);
      plat_post_quit_message(0);
      return 0;
    case WM_ACTIVATE:
      on_activate(wParam);
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_SCREENSAVE:
        case SC_MONITORPOWER:
          return 0;
        case SC_CLOSE:
          plat_post_quit_message(0);
          break;
        default:
          break;
      }
      return plat_def_window_proc(window, message, wParam, lParam);
    case WM_MOUSEWHEEL:
      qvl_input_wheel_sum = qvl_input_wheel_add(qvl_input_wheel_sum, plat_hiword(wParam));
      return plat_def_window_proc(window, message, wParam, lParam);
    case WM_POINTERUPDATE:
    case WM_POINTERDOWN:
    case WM_POINTERUP: {
      int kind = message == WM_POINTERDOWN ? 1 : message == WM_POINTERUP ? -1 : 0;
      qvl_input_on_pointer_message(kind, wParam, lParam);
      return plat_def_window_proc(window, message, wParam, lParam);
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SYSKEYUP:
      return 0;
    default:
      return plat_def_window_proc(window, message, wParam, lParam);
  }
}

void qvl_loop_hibernate() {
  qvl_win_music_restart();
  qvl_win_pump_hooked(0);
  if (qvl_win_idle_count <= 29) return;
  int x0 = 0, y0 = 0, b1 = 0, b2 = 0;
  qvl_input_mouse_state(&x0, &y0, &b1, &b2);
  for (int pass = 0; pass < 100; ++pass) {
    qvl_win_music_restart();
    qvl_win_pump_hooked(1);
    if (qvl_call_paused == 1) pause_loop();
    if (qvl_input_manager) qvl_input_manager->rebase_mice();
    if (escape_down() && !qvl_err_state.ending) qvl_err_end_program();
    for (int scan = 0; scan <= 254; ++scan) {
      if (qvl_input_key(scan) != 0.0) {
        qvl_win_idle_count = 0;
        return;
      }
    }
    int x = 0, y = 0;
    qvl_input_mouse_state(&x, &y, &b1, &b2);
    if (x != x0 || y != y0 || b1 || b2) {
      qvl_win_idle_count = 0;
      return;
    }
    qvl_sys_sleep(10);
  }
}

void qvl_input_wait_click() {
  qvl_win_idle_count = 31;
  while (any_button_down()) qvl_loop_hibernate();
  while (!any_button_down()) qvl_loop_hibernate();
  while (any_button_down()) qvl_loop_hibernate();
  qvl_win_idle_count = 0;
}

intptr_t qvl_win_call_msg_hook() {
  QvlRoutine hook = qvl_win_find_msg_hook();
  if (hook) hook();
  return reinterpret_cast<intptr_t>(hook);
}
