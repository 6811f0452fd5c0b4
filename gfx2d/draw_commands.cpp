// The drawing commands that forward to one method of the graphics object,
// and the sprite load and save commands.
#include "gfx2d/draw_commands.h"

#include <cmath>

#include "core/error_state.h"
#include "files/file_resolve.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_table.h"

namespace {

OpenGLRainbows* gfx() { return qvl_gfx_rainbows; }

// Resolves name and loads it into sprite id; error 3 when either fails.
void load_sprite_file(const BasicString& name, int id, bool normal_map) {
  OpenGLRainbows* g = gfx();
  BasicString resolved(name);
  if (!qvl_file_resolve(resolved)) {
    qvl_err_raise(3);
    return;
  }
  if (!g->load_sprite(id, resolved.text, g->colour_key, normal_map)) qvl_err_raise(3);
}

// trunc(v) as an int; sizes beyond the int range saturate.
int trunc_to_int(long double v) {
  if (!(v > -2147483648.0L)) return v != v ? 0 : INT32_MIN;
  if (v >= 2147483648.0L) return INT32_MAX;
  return static_cast<int>(v);
}

}  // namespace

void qvl_gfx_set_smoothing(int flag) {
  if (OpenGLRainbows* g = gfx()) g->set_smoothing(flag != 0);
}

void qvl_gfx_set_alpha_mode(double value) {
  if (OpenGLRainbows* g = gfx()) g->set_alpha_mode(static_cast<float>(value));
}

void qvl_gfx_set_alpha_test(double value) {
  if (OpenGLRainbows* g = gfx()) g->set_alpha_test(static_cast<float>(value));
}

void qvl_gfx_set_transparent_colour(int colour) {
  if (OpenGLRainbows* g = gfx()) g->set_transparent_colour(static_cast<uint32_t>(colour));
}

int qvl_gfx_is_fullscreen() {
  OpenGLRainbows* g = gfx();
  return g ? g->fullscreen : 0;
}

void qvl_gfx_nothing() {}

void qvl_gfx_draw_line(int x1, int y1, int x2, int y2, int colour) {
  if (OpenGLRainbows* g = gfx()) g->draw_line_int(x1, y1, x2, y2, static_cast<uint32_t>(colour));
}

void qvl_gfx_set_pixel(int x, int y, int colour) {
  if (OpenGLRainbows* g = gfx()) g->set_pixel(x, y, static_cast<uint32_t>(colour));
}

void qvl_gfx_draw_rect(int x, int y, int width, int height, int colour) {
  if (OpenGLRainbows* g = gfx()) g->draw_rect(x, y, width, height, static_cast<uint32_t>(colour));
}

int qvl_gfx_get_pixel(int x, int y) {
  OpenGLRainbows* g = gfx();
  return g ? static_cast<int>(g->get_pixel(x, y)) : 0;
}

void qvl_gfx_poly_begin(int id, int mode) {
  OpenGLRainbows* g = gfx();
  if (!g) return;
  // Below 0 is the untextured batch; only ids past the table are wrong.
  if (id >= 0 && !qvl_sprite_id_checked(id)) return;
  g->poly_begin(id, mode);
}

void qvl_gfx_poly_vertex(double x, double y, double tx, double ty, int colour) {
  if (OpenGLRainbows* g = gfx())
    g->poly_vertex(static_cast<float>(x), static_cast<float>(y), static_cast<float>(tx),
                   static_cast<float>(ty), static_cast<uint32_t>(colour));
}

void qvl_gfx_poly_new_strip() {
  if (OpenGLRainbows* g = gfx()) g->poly_new_strip();
}

void qvl_gfx_poly_end() {
  if (OpenGLRainbows* g = gfx()) g->poly_end();
}

void qvl_sprite_load(const BasicString& name, int id) {
  qvl_err_state.last_error = 0;
  OpenGLRainbows* g = gfx();
  if (!g || !qvl_sprite_id_checked(id)) return;
  g->free_sprite(id);
  if (name.length == 0) return;  // the command frees a sprite
  load_sprite_file(name, id, false);
}

void qvl_sprite_load_anim(const BasicString& name, int id, int frame_width, int frame_height) {
  qvl_sprite_load(name, id);
  // A bad id was reported once by the load.
  if (qvl_sprite_id_valid(id)) qvl_sprite_set_anim_size(id, frame_width, frame_height);
}

void qvl_sprite_load_normal_map(const BasicString& name, int id) {
  qvl_err_state.last_error = 0;
  OpenGLRainbows* g = gfx();
  if (!g || !qvl_sprite_id_checked(id)) return;
  g->free_sprite(id);
  load_sprite_file(name, id, true);  // an empty name does not resolve
}

int qvl_sprite_save(const BasicString& name, int id) {
  qvl_err_state.last_error = 0;
  OpenGLRainbows* g = gfx();
  if (g && !qvl_sprite_id_valid(id)) return qvl_err_raise(7);
  if (g && g->save_sprite(id, name.text)) return 1;
  return qvl_err_raise(3);
}

int qvl_gfx_save_screenshot(const BasicString& name) {
  qvl_err_state.last_error = 0;
  OpenGLRainbows* g = gfx();
  if (g && g->save_screenshot(name.text)) return 1;
  return qvl_err_raise(3);
}

void qvl_sprite_set_anim_size(int id, int frame_width, int frame_height) {
  OpenGLRainbows* g = gfx();
  if (!g || !qvl_sprite_id_checked(id) || g->sprites[id].img_width <= 0) return;
  g->set_anim_size(id, frame_width, frame_height);
}

void qvl_sprite_size(int id, int* width, int* height) {
  int w = 0, h = 0;
  OpenGLRainbows* g = gfx();
  if (g && qvl_sprite_id_checked(id)) g->sprite_size(id, &w, &h);
  if (width) *width = w;
  if (height) *height = h;
}

void qvl_sprite_size_f(double id, double* width, double* height) {
  int w = 0, h = 0;
  // Ids far outside the int range name no sprite either.
  if (std::fabs(id) < 2147483648.0)
    qvl_sprite_size(static_cast<int>(id), &w, &h);
  else if (gfx())
    qvl_err_raise(7);
  if (width) *width = w;
  if (height) *height = h;
}

uint32_t qvl_sprite_gl_texture(int id) {
  OpenGLRainbows* g = gfx();
  // An id outside the table has no texture; reading there would not be one.
  if (!g || !qvl_sprite_id_checked(id)) return 0;
  return g->sprites[id].texture;
}

int qvl_sprite_free_id() {
  OpenGLRainbows* g = gfx();
  return g ? g->find_free_sprite() : -1;
}

bool qvl_tex_cache_swap(int flag) {
  OpenGLRainbows* g = gfx();
  return g && g->move_textures(flag != 0);
}

void qvl_sprite_draw(int id, int x, int y) {
  OpenGLRainbows* g = gfx();
  if (g && qvl_sprite_id_checked(id)) g->draw_sprite(id, x, y);
}

void qvl_sprite_draw_stretched(int id, int x, int y, int width, int height) {
  OpenGLRainbows* g = gfx();
  if (g && qvl_sprite_id_checked(id)) g->draw_sprite_stretched(id, x, y, width, height);
}

void qvl_sprite_draw_rotated(int id, int x, int y, double angle) {
  OpenGLRainbows* g = gfx();
  if (g && qvl_sprite_id_checked(id))
    g->draw_sprite_rotated(id, x, y, static_cast<float>(angle), 1.0f);
}

void qvl_sprite_draw_rotated_zoomed(int id, int x, int y, double angle, double zoom) {
  OpenGLRainbows* g = gfx();
  if (g && qvl_sprite_id_checked(id))
    g->draw_sprite_rotated(id, x, y, static_cast<float>(angle), static_cast<float>(zoom));
}

void qvl_sprite_draw_zoomed(int id, int x, int y, double fx, double fy) {
  OpenGLRainbows* g = gfx();
  if (!g || !qvl_sprite_id_checked(id)) return;
  int w = 0, h = 0;
  g->sprite_size(id, &w, &h);
  // The picture grows about its centre; the halving rounds toward zero.
  const long double big_w = static_cast<long double>(w) * fx;
  const long double big_h = static_cast<long double>(h) * fy;
  const int grow_w = trunc_to_int(big_w - w);
  const int grow_h = trunc_to_int(big_h - h);
  g->draw_sprite_stretched(id, trunc_to_int(static_cast<long double>(x) - grow_w / 2),
                           trunc_to_int(static_cast<long double>(y) - grow_h / 2),
                           trunc_to_int(big_w), trunc_to_int(big_h));
}

void qvl_sprite_draw_anim(int id, int frame, int x, int y) {
  OpenGLRainbows* g = gfx();
  if (g && qvl_sprite_id_checked(id)) g->draw_anim(id, frame, x, y);
}

void qvl_sprite_draw_anim_rotated(int id, int frame, int x, int y, double angle, double zoom) {
  OpenGLRainbows* g = gfx();
  if (g && qvl_sprite_id_checked(id))
    g->draw_anim_rotated(id, frame, x, y, static_cast<float>(angle), static_cast<float>(zoom));
}

void qvl_sprite_draw_anim_stretched(int id, int frame, int x, int y, int width, int height) {
  OpenGLRainbows* g = gfx();
  if (g && qvl_sprite_id_checked(id)) g->draw_anim_stretched(id, frame, x, y, width, height);
}

bool qvl_sprite_collision(int a, int xa, int ya, int b, int xb, int yb) {
  OpenGLRainbows* g = gfx();
  return g && qvl_sprite_id_checked(a) && qvl_sprite_id_checked(b) &&
         g->sprite_collision(a, b, xa, ya, xb, yb);
}

bool qvl_sprite_anim_collision(int a, int frame_a, int xa, int ya, int b, int frame_b, int xb,
                               int yb) {
  OpenGLRainbows* g = gfx();
  return g && qvl_sprite_id_checked(a) && qvl_sprite_id_checked(b) &&
         g->anim_collision(a, frame_a, xa, ya, b, frame_b, xb, yb);
}
