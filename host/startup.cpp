#include "host/startup.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/call_by_name.h"
#include "core/error_state.h"
#include "core/isaac.h"
#include "core/logs.h"
#include "files/app_name.h"
#include "files/dll_binding.h"
#include "files/file_commands.h"
#include "files/file_resolve.h"
#include "files/strongbox.h"
#include "files/sys_env.h"
#include "files/sys_process.h"
#include "files/sys_timer.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/text_3d.h"
#include "gfx2d/viewport.h"
#include "gfx3d/rainbows3d.h"
#include "host/break_hooks.h"
#include "host/input_manager.h"
#include "host/music.h"
#include "host/sound_slots.h"
#include "host/pointer_entries.h"
#include "host/project_settings.h"
#include "host/show_screen.h"
#include "host/window_proc.h"
#include "net/net_session.h"
#include "net/socket_table.h"
#include "net/sockets.h"
#include "platform/message_queue.h"
#include "platform/pointer_input.h"
#include "platform/video.h"

namespace {

bool g_quit_hook_ran = false;

// The executable's full path and its folder (no trailing '/').
std::string exe_path() {
  char buf[1024];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n < 0) return std::string();
  buf[n] = 0;
  return std::string(buf);
}

std::string exe_folder() {
  std::string p = exe_path();
  size_t cut = p.rfind('/');
  return cut == std::string::npos ? p : p.substr(0, cut);
}

void log_line(const char* format, const char* arg) {
  char line[2048];
  std::snprintf(line, sizeof line, format, arg);
  qvl_log_error_file(line);
}

// Touch contacts reach the program as pointer messages on this platform;
// the mouse stays ordinary mouse input, as the input code reads it.
int enable_mouse_in_pointer(int) { return 1; }

int get_pointer_touch_info(uint32_t pointer_id, void* info) {
  PlatTouchInfo t{};
  if (!plat_pointer_touch_info(pointer_id, &t)) return 0;
  // The fields of POINTER_TOUCH_INFO the touch code reads: the pointer id,
  // its flags and the pixel location, at their offsets in that record.
  auto* bytes = static_cast<uint8_t*>(info);
  uint32_t pointer_type = 2;  // PT_TOUCH
  std::memcpy(bytes + 0, &pointer_type, 4);
  std::memcpy(bytes + 4, &t.pointer_id, 4);
  uint32_t flags = (t.flags & POINTER_MESSAGE_FLAG_INCONTACT) ? 0x16 : 0x40000;  // INCONTACT|FIRSTBUTTON|INRANGE : UP
  std::memcpy(bytes + 12, &flags, 4);
  int32_t pos[2] = {t.screen_x, t.screen_y};
  std::memcpy(bytes + 32, pos, 8);  // ptPixelLocation
  return 1;
}

// What the process and shell services need of the window and the shutdown.
void install_sys_host_hooks() {
  SysHostHooks hooks{};
  hooks.escape_allowed = [] { return qvl_win_escape_allowed() != 0; };
  hooks.shutdown = qvl_win_shutdown;
  hooks.is_fullscreen = [] { return qvl_gfx_rainbows && qvl_gfx_rainbows->fullscreen != 0; };
  hooks.set_windowed = [] {
    if (qvl_gfx_rainbows) qvl_gfx_rainbows->set_windowed();
  };
  hooks.set_fullscreen = [] {
    if (qvl_gfx_rainbows) qvl_gfx_rainbows->set_fullscreen();
  };
  hooks.activate_window = [] {
    if (qvl_gfx_rainbows && qvl_gfx_rainbows->window) plat_window_raise(qvl_gfx_rainbows->window);
  };
  qvl_sys_set_host_hooks(hooks);
}

void create_net_session() {
  auto* s = new NetSession;
  s->init_idle();
  qvl_net_session = s;
}

void stop_net_session() {
  NetSession* s = qvl_net_session;
  if (!s) return;
  for (uint16_t id : s->local_ids())
    if (qvl_net_id_assigned(id)) s->send_remove_player(id);
  bool stopped = s->stop();
  qvl_net_shutdown();
  if (!stopped) {
    // The receive thread still holds the record: leave it to the exit
    // rather than free what the thread may still touch.
    qvl_log_error_file("network thread did not stop\n");
    qvl_net_session = nullptr;
    return;
  }
  qvl_sys_mutex_destroy(&s->lock);
  s->free_lists();
  delete s;
  qvl_net_session = nullptr;
}

}  // namespace

unsigned qvl_win_random_seed(double ms_since_start, long long wall_clock_ms) {
  auto ms = static_cast<unsigned>(static_cast<long long>(ms_since_start));
  auto wall = static_cast<unsigned long long>(wall_clock_ms);
  return ms ^ static_cast<unsigned>(wall) ^ static_cast<unsigned>(wall >> 32) ^
         (static_cast<unsigned>(wall / 1000) * 2654435761u);
}

int qvl_win_startup(void* instance, int show_command, const char* app_name) {
  // The error log holds one run.
  qvl_log_error_file_delete();
  qvl_log_error_file("Start new log...\n");
  qvl_call_pause_switch = 1;
  qvl_log_error_file("timer\n");
  qvl_sys_timer_init();
  qvl_gfx_frame_clock = QvlFrameClock{qvl_sys_timer_ms, qvl_sys_sleep};
  qvl_log_error_file("rbow\n");
  qvl_gfx_rainbows = new OpenGLRainbows();
  qvl_gfx_show_screen_hook = qvl_win_show_screen;  // the cross-fade's frames
  qvl_log_error_file("rbow init\n");
  plat_set_window_proc(qvl_win_window_proc);
  qvl_gfx_char_sink = qvl_input_push_char;
  qvl_err_set_shutdown_hook(qvl_win_shutdown);
  install_sys_host_hooks();
  // Without a window the application cannot run: END, as a failure.
  const ProjectSettings& ps = qvl_win_project_settings;
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!gfx->create_window(instance, ps.width, ps.height, 0, ps.frame_rate, ps.multisample,
                          ps.full_screen != 0)) {
    BasicString why("cannot open the window: ");
    why.append_cstr(plat_video_error());
    why.append_char('\n');
    qvl_log_print_err(why);
    qvl_err_end_program_failed();
  }
  // The caption is stored before the window is shown: the activation
  // that showing brings sets the title back to the caption.
  qvl_win_set_handle(gfx->window);
  qvl_win_caption().assign_cstr(app_name);
  plat_window_set_title(gfx->window, app_name);
  plat_window_show(gfx->window, PLAT_SHOW);
  gfx->pump_messages(nullptr, 0);
  qvl_log_error_file("Cptn\n");
  auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::system_clock::now().time_since_epoch())
                  .count();
  qvl_rnd_seed(qvl_win_random_seed(qvl_sys_timer_since_start(), wall));
  qvl_log_error_file("Network\n");
  create_net_session();
  qvl_x3d_engine = new Rainbows3D(gfx);
  // A viewport change ends a pending shadow pass (the 2D code cannot see
  // the engine, so it reaches it through this hook).
  qvl_gfx_end_shadow_pass_hook = [] {
    if (qvl_x3d_engine) qvl_x3d_engine->set_shadow_pass(0);
  };
  // 3D text reads the engine's matrices the same way.
  qvl_gfx_engine_matrices = qvl_x3d_read_matrices;
  qvl_log_error_file("Input\n");
  qvl_input_manager = new InputManager();
  qvl_win_install_break_hooks();
  qvl_log_error_file("Window mode\n");
  if (ps.full_screen != 0) gfx->set_fullscreen();
  else gfx->set_windowed();
  qvl_log_error_file("Create DXin\n");
  qvl_input_manager->open(qvl_win_handle(), instance, ps.hide_pointer != 0);
  qvl_log_error_file("reptr\n");
  qvl_gfx_current_font = 0;
  qvl_input_manager->window = gfx->window;
  qvl_log_error_file("getexe\n");
  std::string folder = exe_folder();
  qvl_log_error_file("cd\n");
  if (chdir(folder.c_str()) != 0) { /* stays where it was */ }
  log_line("exepath=curdir= %s\n", folder.c_str());
  qvl_arc_create();
  qvl_log_error_file("strongboxing...\n");
  BasicString exe(exe_path().c_str());
  qvl_arc_set_paths(exe, exe);
  qvl_log_error_file("init gettimer\n");
  double now = qvl_sys_timer_ms();
  qvl_win_frame_time_current = qvl_win_frame_time_previous = now;
  qvl_sys_timer_set_base(now);
  qvl_log_error_file("clear screen\n");
  qvl_gfx_set_clear_colour(0);
  qvl_log_error_file("flip\n");
  gfx->present(nullptr);
  qvl_log_error_file("mk2D\n");
  gfx->reset_2d_state();
  gfx->install_system_font(0);
  qvl_log_error_file("finding font...\n");
  qvl_font_startup_search();
  qvl_call_paused = 0;
  plat_cursor_show(true);
  // The first frame does not count the start-up.
  now = qvl_sys_timer_ms();
  qvl_win_frame_time_current = qvl_win_frame_time_previous = now;
  qvl_sys_timer_set_base(now);
  if (show_command == 0) {
    gfx->hide_window();
    plat_window_show(gfx->window, PLAT_HIDE);
  }
  qvl_input_show_pointer(ps.hide_pointer != 0 ? 0 : 1);
  // The pointer entries of user32 are this layer's own.
  qvl_user32_set_pointer_handlers(enable_mouse_in_pointer, get_pointer_touch_info);
  qvl_win_declare_pointer_entries();
  qvl_dll_resolve_all();
  if (qvl_win_enable_mouse_in_pointer) {
    qvl_log_error_file("Win8+ mouse as pointer\n");
    qvl_win_enable_mouse_in_pointer(1);
  } else {
    qvl_log_print_err(BasicString(
        "!!! EnableMouseInPointer() not found in user32.dll. If this is >=Win8, you get no "
        "mouse messages.\n"));
  }
  // A device that cannot be opened leaves the slots without one.
  qvl_snd_startup(gfx->window);
  qvl_log_error_file("Init Finalized\n");
  return 0;
}

void qvl_win_shutdown() {
  if (!g_quit_hook_ran) {
    g_quit_hook_ran = true;
    qvl_call_by_name(BasicString("QVL_ON_QUIT"));
  }
  if (!qvl_gfx_rainbows) return;
  qvl_log_error_file("Shut down QVL\n");
  qvl_mus_stop();
  std::string folder = exe_folder();
  if (chdir(folder.c_str()) != 0) { /* stays where it was */ }
  qvl_file_close_all();
  stop_net_session();
  for (int i = 0; i < 16; ++i) qvl_net_shutdown();
  if (qvl_input_manager) {
    qvl_input_manager->release();
    delete qvl_input_manager;
    qvl_input_manager = nullptr;
  }
  qvl_snd_shutdown();
  // The engine goes first, while the graphics object's GL context is still
  // current: its objects' buffers and textures and its shaders are GL names.
  if (qvl_x3d_engine) {
    qvl_x3d_engine->destroy_and_free();
    qvl_x3d_engine = nullptr;
  }
  // The window goes with the graphics object, so its global copy goes too.
  if (qvl_gfx_rainbows->window == qvl_win_handle()) qvl_win_set_handle(nullptr);
  qvl_gfx_rainbows->destroy_and_free();
  qvl_gfx_rainbows = nullptr;
  qvl_arc_release();
  if (WindowHandle w = qvl_win_handle()) {
    plat_window_destroy(w);
    qvl_win_set_handle(nullptr);
  }
  plat_video_quit();
  qvl_log_error_file("qvl is shut down\n");
}

int qvl_win_main(const QvlApplication& app, void* instance, int show_command, int argc,
                 const char* const* argv) {
  qvl_sys_set_command_line_from_argv(argc, argv);
  app.project_settings();
  qvl_win_startup(instance, show_command, qvl_sys_app_name().c_str());
  qvl_err_state.error_line = 0;
  qvl_err_state.last_error = 0;
  qvl_err_state.current_line = 0;
  int result = app.entry();
  BasicString loop_hook("QVL_ON_LOOP");
  if (qvl_call_find_routine(loop_hook)) qvl_call_run_loop(loop_hook);
  // A normal return is a normal END (status 0): an error raised and
  // survived earlier must not turn it into a failure.
  if (!qvl_err_state.ending) qvl_err_end_program();
  return result;
}

int qvl_win_init_only(const QvlApplication& app, void* instance) {
  app.project_settings();
  qvl_win_startup(instance, 1, qvl_sys_app_name().c_str());
  qvl_err_state.error_line = 0;
  qvl_err_state.last_error = 0;
  qvl_err_state.current_line = 0;
  return 1;
}
