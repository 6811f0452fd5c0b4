// The background commands: the clear colour, grabbing and loading the
// background of every frame, and the blocking cross-fade to an image.
#include "core/error_state.h"
#include "files/file_resolve.h"
#include "files/sys_timer.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/opengl_rainbows.h"

void (*qvl_gfx_show_screen_hook)() = nullptr;

namespace {

// A background that cannot be had leaves frames that start black.
void black_background(OpenGLRainbows& g) {
  g.free_background(0);
  g.set_clear_colour(0);
}

void show_screen(OpenGLRainbows& g) {
  if (qvl_gfx_show_screen_hook) qvl_gfx_show_screen_hook();
  else g.present(nullptr);
}

float elapsed_ms() { return static_cast<float>(qvl_sys_timer_since_start()); }

}  // namespace

void qvl_gfx_set_clear_colour(int colour) {
  OpenGLRainbows* g = qvl_gfx_rainbows;
  if (!g) return;
  g->free_background(0);
  g->set_clear_colour(static_cast<uint32_t>(colour));
}

void qvl_gfx_grab_background() {
  if (OpenGLRainbows* g = qvl_gfx_rainbows) g->grab_background(0);
}

void qvl_gfx_load_background(const BasicString& name) {
  qvl_err_state.last_error = 0;
  OpenGLRainbows* g = qvl_gfx_rainbows;
  if (!g) return;
  BasicString resolved(name);
  if (qvl_file_resolve(resolved) && g->load_background(0, resolved.text)) {
    g->draw_background(0);
    return;
  }
  qvl_err_raise(3);
  black_background(*g);
}

void qvl_gfx_fade_in_image(const BasicString& name, int ms) {
  qvl_err_state.last_error = 0;
  OpenGLRainbows* g = qvl_gfx_rainbows;
  if (!g) return;
  BasicString resolved(name);
  if (!qvl_file_resolve(resolved)) {
    qvl_err_raise(3);
    black_background(*g);
    return;
  }
  g->grab_background(2);  // the old screen
  g->load_background(1, resolved.text);
  black_background(*g);
  const float n = static_cast<float>(ms);
  const float end = elapsed_ms() + n;
  float s = 0.9f;
  do {
    g->set_alpha_mode(s);
    g->draw_background(2);
    s = 1.0f - s;
    g->set_alpha_mode(s);
    g->draw_background(1);
    show_screen(*g);
    s = (end - elapsed_ms()) / n;
  } while (0.0f < s && s < 1.0f);
  g->set_alpha_mode(0.0f);
  g->draw_background(1);
  g->grab_background(0);
  g->free_background(1);
  g->free_background(2);
  show_screen(*g);
}
