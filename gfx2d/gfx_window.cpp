// The main window and its OpenGL context: creation, windowed and
// full-screen mode, the frame period, hiding and closing.
#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "core/basic_string.h"
#include "core/logs.h"
#include "gfx2d/gfx_log.h"
#include "gfx2d/fbo_ext.h"
#include "gfx2d/gl_ext.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/texture_state.h"
#include "platform/file_io.h"
#include "platform/gl_entry_points.h"
#include "platform/video.h"

int32_t qvl_gfx_desktop_width = 0, qvl_gfx_desktop_height = 0;

namespace {

WindowHandle g_main_window = nullptr;
bool g_software_warned = false;

const char kDriverWarning[] =
    "Please update your GFX adapter's driver\nso it can render OpenGL by HARDWARE\n\n\n"
    "Bitte aktualisieren Sie Ihren\nGrafkkartentreiber, damit er OpenGL\nper HARDWARE "
    "unterst\xFCtzt!";

double period_of(int fps) { return fps <= 0 ? 2.0 : 1000.0 / fps; }

// The software-renderer warning is meant for the generic GDI renderer of
// the original system (OpenGL 1.1 without acceleration). Mesa's llvmpipe,
// which virtual displays use, is a complete renderer and gets no warning.
// The renderer's name is kept as a copy: the GL's own text goes with the
// context that gave it.
bool renderer_is_software() {
  static char renderer[256];
  static bool fetched = false;
  if (!fetched) {
    const GLubyte* r = glGetString(GL_RENDERER);
    std::snprintf(renderer, sizeof renderer, "%s", r ? reinterpret_cast<const char*>(r) : "");
    fetched = true;
  }
  return std::strcmp(renderer, "Mesa Windows GDI Driver") == 0 ||
         std::strcmp(renderer, "GDI Generic") == 0;
}

void warn_software_renderer() {
  g_software_warned = true;
  qvl_log_error_file("*** OpenGL Software Emulation - update driver!\n");
  char text[2048] = {0};
  // Only a regular file is read: a named pipe there never holds the start.
  if (PlatFile* f = plat_file_open("opengldriver.txt", PlatOpenMode::read)) {
    size_t n = 0;
    if (!plat_file_read(f, text, sizeof text - 1, &n)) n = 0;
    text[n] = 0;
    plat_file_close(f);
  }
  plat_message_box(text[0] ? text : kDriverWarning, "No OpenGL Hardware Drivers",
                   MB_ICONWARNING);
}

}  // namespace

BasicString& qvl_win_caption() {
  static BasicString* caption = new BasicString();  // lives until exit
  return *caption;
}

WindowHandle qvl_win_handle() { return g_main_window; }
void qvl_win_set_handle(WindowHandle window) { g_main_window = window; }

int OpenGLRainbows::create_window(void* inst, int width, int height, int depth, int fps,
                                  int samples, int /*full_screen: the start-up picks the mode*/) {
  qvl_gfx_flush_sprites();  // into the context they were meant for
  if (qvl_gfx_swap_control) plat_gl_set_swap_interval(0);
  frame_period = period_of(fps);
  if (!plat_video_init()) {
    qvl_gfx_log("SDL video: %s\n", plat_video_error());
    return 0;
  }
  qvl_log_error_file("WIN32 init video\n");
  instance = inst;
  int desktop_bits = 32;
  plat_desktop_size(&qvl_gfx_desktop_width, &qvl_gfx_desktop_height, &desktop_bits);

  window = plat_window_create("Quarvel", width, height, 0);
  if (!window) return 0;
  plat_set_main_window(window);
  PlatRect r = plat_window_rect(window);
  if (depth == 0) depth = desktop_bits;
  if (width == 0) width = r.w;
  if (height == 0) height = r.h;
  fullscreen = 0;
  colour_depth = depth;
  screen_height = height;
  screen_width = width;
  sample_count = samples;

  if (!gl_context) gl_context = plat_gl_create_context(window);
  if (!gl_context || !plat_gl_make_current(window, gl_context)) {
    plat_gl_delete_context(gl_context);
    gl_context = plat_gl_create_context(window);
    if (!gl_context || !plat_gl_make_current(window, gl_context)) return 0;
  }

  // Multisampling needs a window made for it: the first one only served
  // to ask the driver. Its context is released, not leaked.
  int format = 0;
  if (samples != 0 && qvl_win_gl_has_extension("WGL_ARB_multisample"))
    format = qvl_win_choose_multisample_format(samples);
  if (format != 0) {
    GlContext first = gl_context;
    gl_context = nullptr;
    close_window();
    plat_gl_delete_context(first);
    window = plat_window_create("Quarvel", width, height, format);
    if (!window) return 0;
    plat_set_main_window(window);
    screen_width = width;
    screen_height = height;
    gl_context = plat_gl_create_context(window);
    if (!gl_context || !plat_gl_make_current(window, gl_context)) return 0;
  }

  if (!g_software_warned && renderer_is_software()) warn_software_renderer();
  qvl_gfx_tex_new_context();

  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  virtual_width = virtual_height = 0;
  fullscreen = 0;
  colour_depth = depth;
  screen_width = width;
  screen_height = height;

  qvl_log_error_file("get accurate timer - 1st call\n");
  next_frame_time = qvl_gfx_frame_clock.now_ms();
  qvl_log_error_file("flip - 1st call\n");

  const char* ext = plat_gl_extensions();
  qvl_gfx_load_gl_extensions(ext);

  bgra_supported = 0;
  if (ext && (std::strstr(ext, "_texture_format_BGRA8888") || std::strstr(ext, "GL_EXT_bgra"))) {
    bgra_supported = 1;
    qvl_log_error_file("BGRA ext supported\n");
  } else {
    qvl_gfx_log("BGRA ext NOT supported\n%s\n", ext ? ext : "");
  }
  GLint max_size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
  qvl_gfx_log("Texture size limit: %d\n", max_size);
  qvl_log_error_file("init fbo\n");
  qvl_fbo_load_extensions();

  plat_window_show(window, PLAT_HIDE);
  qvl_log_error_file("2D VP\n");
  reset_2d_state();
  qvl_log_error_file("OGRB init [OK]\n");
  return 1;
}

void OpenGLRainbows::close_window() {
  qvl_gfx_flush_sprites();
  free_all_sprites();
  if (!window) return;
  set_windowed();
  plat_gl_make_current(window, nullptr);
  if (g_main_window == window) g_main_window = nullptr;
  plat_window_destroy(window);
  window = nullptr;
  screen_width = 0;
  screen_height = 0;
}

int OpenGLRainbows::set_windowed() {
  if (fullscreen) {
    plat_display_restore(window);
    qvl_win_restore_window_placements_twice();
  }
  plat_window_set_bordered(window, true);
  PlatRect work = plat_work_area(window);
  int x = work.x + (work.w - screen_width) / 2;
  int y = work.y + (work.h - screen_height) / 2;
  plat_window_set_rect(window, x, y, screen_width, screen_height);
  plat_window_show(window, PLAT_SHOW);
  plat_window_raise(window);
  set_viewport(0, 0, 0, 0, 1.0f);
  fullscreen = 0;
  return 1;
}

int OpenGLRainbows::set_fullscreen() {
  int bits = 0;
  int desktop_bits = 32;
  plat_desktop_size(nullptr, nullptr, &desktop_bits);
  if (colour_depth != 0 && colour_depth != desktop_bits) bits = colour_depth;
  if (!plat_display_fullscreen(window, screen_width, screen_height, bits) &&
      !plat_display_fullscreen(window, screen_width, screen_height, 0)) {
    qvl_log_error_file("No Fullscreen Mode available\n");
    set_windowed();
    return 0;
  }
  set_viewport(0, 0, 0, 0, 1.0f);
  plat_window_show(window, PLAT_RESTORE);
  plat_window_raise(window);
  set_viewport(0, 0, 0, 0, 1.0f);
  fullscreen = 1;
  return 1;
}

int OpenGLRainbows::set_mode(int width, int height, int depth, int full) {
  if (width) screen_width = width;
  if (height) screen_height = height;
  if (depth) colour_depth = depth;
  virtual_width = virtual_height = 0;
  set_windowed();
  return full ? set_fullscreen() : set_windowed();
}

void OpenGLRainbows::set_logical_size(int width, int height) {
  screen_width = width;
  screen_height = height;
  set_viewport(0, 0, 0, 0, 1.0f);
}

void OpenGLRainbows::set_frame_rate(int fps, int vsync) {
  if (qvl_gfx_swap_control) plat_gl_set_swap_interval(vsync & 0xFF);
  frame_period = period_of(fps);
}

int OpenGLRainbows::hide_window() {
  if (fullscreen) plat_display_restore(window);
  plat_window_show(window, PLAT_HIDE);
  fullscreen = 0;
  pump_messages(nullptr, 0);
  return 1;
}

bool qvl_win_gl_has_extension(const char* name) {
  return qvl_gl_has_extension(plat_gl_extensions(), name);
}

int qvl_win_choose_multisample_format(int samples) {
  int max = plat_gl_max_samples();
  for (int n = samples;; n >>= 1) {
    if (n >= 2 && n <= max) return n;
    if (n == -1 || n == 0 || n == 1) return 0;
  }
}

int qvl_win_multisample_format_if_supported(int samples) {
  if (!qvl_win_gl_has_extension("WGL_ARB_multisample")) return 0;
  return qvl_win_choose_multisample_format(samples);
}

// Changing the display mode leaves other windows where they were on this
// platform, so there are no placements to record or restore.
void qvl_win_save_window_placements() {}
void qvl_win_restore_window_placements() {}
void qvl_win_restore_window_placements_twice() {}
