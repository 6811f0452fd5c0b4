// The language's 2D drawing commands over the one graphics object
// (qvl_gfx_rainbows). Most forward to one method of it; each does nothing
// (or returns 0 / false) while there is no graphics object. Colours are
// 0xBBGGRR. The load and save commands clear the last error first and
// report files that cannot be found, read or written with runtime error 3;
// the program goes on.
#pragma once

#include <cstdint>

#include "core/basic_array.h"
#include "core/basic_string.h"

// Screen, background and render state.
void qvl_gfx_set_clear_colour(int colour);
void qvl_gfx_grab_background();
void qvl_gfx_load_background(const BasicString& name);
void qvl_gfx_fade_in_image(const BasicString& name, int ms);
void qvl_gfx_set_smoothing(int flag);
void qvl_gfx_set_alpha_mode(double value);
void qvl_gfx_set_alpha_test(double value);
void qvl_gfx_set_transparent_colour(int colour);
int qvl_gfx_is_fullscreen();
void qvl_gfx_nothing();

// Primitives and the polygon batch.
void qvl_gfx_draw_line(int x1, int y1, int x2, int y2, int colour);
void qvl_gfx_set_pixel(int x, int y, int colour);
void qvl_gfx_draw_rect(int x, int y, int width, int height, int colour);
int qvl_gfx_get_pixel(int x, int y);
void qvl_gfx_poly_begin(int id, int mode);
void qvl_gfx_poly_vertex(double x, double y, double tx, double ty, int colour);
void qvl_gfx_poly_new_strip();
void qvl_gfx_poly_end();

// Sprites: loading, saving, sizes.
void qvl_sprite_load(const BasicString& name, int id);
void qvl_sprite_load_anim(const BasicString& name, int id, int frame_width, int frame_height);
void qvl_sprite_load_normal_map(const BasicString& name, int id);
// 1 when saved, else the error code 3.
int qvl_sprite_save(const BasicString& name, int id);
int qvl_gfx_save_screenshot(const BasicString& name);
void qvl_sprite_set_anim_size(int id, int frame_width, int frame_height);
void qvl_sprite_size(int id, int* width, int* height);
void qvl_sprite_size_f(double id, double* width, double* height);
uint32_t qvl_sprite_gl_texture(int id);
int qvl_sprite_free_id();
bool qvl_tex_cache_swap(int flag);

// Sprite drawing and collision.
void qvl_sprite_draw(int id, int x, int y);
void qvl_sprite_draw_stretched(int id, int x, int y, int width, int height);
void qvl_sprite_draw_rotated(int id, int x, int y, double angle);
void qvl_sprite_draw_rotated_zoomed(int id, int x, int y, double angle, double zoom);
void qvl_sprite_draw_zoomed(int id, int x, int y, double fx, double fy);
void qvl_sprite_draw_anim(int id, int frame, int x, int y);
void qvl_sprite_draw_anim_rotated(int id, int frame, int x, int y, double angle, double zoom);
void qvl_sprite_draw_anim_stretched(int id, int frame, int x, int y, int width, int height);
bool qvl_sprite_collision(int a, int xa, int ya, int b, int xb, int yb);
bool qvl_sprite_anim_collision(int a, int frame_a, int xa, int ya, int b, int frame_b, int xb,
                               int yb);

// Pixel arrays: one int per pixel, red in the low byte, alpha in the high;
// rows from the top.
bool qvl_sprite_to_int_array(BasicArray<int>& array, int id);
bool qvl_img_file_to_int_array(const BasicString& name, int* width, int* height,
                               BasicArray<int>& array);
bool qvl_sprite_from_int_array(BasicArray<int>& array, int id, int width, int height);

// One frame of the blocking cross-fade: the host installs its show-screen
// here (null: the graphics object presents the frame itself).
extern void (*qvl_gfx_show_screen_hook)();
