// The language's 3D commands: thin functions over the one engine
// (qvl_x3d_engine) and the graphics object. Each converts its arguments,
// calls the engine and returns the result in a language type; each does
// nothing (or returns 0 / false) while there is no engine. Object numbers
// are 0..4095; numbers outside the table do nothing. Colours are 0xBBGGRR;
// colours and modes given as doubles are truncated to integers.
//
// The transform-stack commands are in gfx3d/transform_commands.h, the
// mipmapping switch (qvl_x3d_set_mipmapping) in gfx3d/rainbows3d.h and the
// mesh build mode (qvl_x3d_set_mesh_build_mode) in gfx3d/object_build.h.
#pragma once

#include <cstdint>

#include "core/basic_array.h"
#include "core/basic_string.h"

// Textures of the commands: sprite ids, -1 none (the draw commands bind
// them); the cull mode the sprite command returns to.
extern int32_t qvl_x3d_command_texture_a;
extern int32_t qvl_x3d_command_texture_b;
extern int32_t qvl_x3d_command_cull_mode;

// ---- State and frame (commands3d_render.cpp) ----
// Starts a 3D frame: the shadow pass ended, the depth buffer cleared, the
// projection, the camera at the origin, culling off, no textures, lights
// and shadow light forgotten (the GL lights stay as they are).
void qvl_x3d_begin_3d(double near_plane, double far_plane, double field_of_view);
void qvl_x3d_end_3d();
void qvl_x3d_clear();
void qvl_x3d_set_textures(int first, int second);
void qvl_x3d_set_texture_offset(double u, double v);
void qvl_x3d_set_sphere_mapping(int flag);
// 0 off; positive: clockwise front faces culled away; negative:
// counter-clockwise.
void qvl_x3d_set_cull_mode(int n);
void qvl_x3d_set_depth_test(int flag);
// colour -1 switches fog off; mode non-zero exponential with density a,
// else linear from a to b (both 0: the planes of begin-3D).
void qvl_x3d_set_fog(double colour, double mode, double a, double b);
// Lights 0..7 (n & 7); negative n the shadow light (-1 bump mapping, -3
// stencil shadows, others the shade texture). Cutoff 0 switches off, 180
// a directional light, up to 90 a spot light, else a point light.
void qvl_x3d_set_light(int n, int colour, double x, double y, double z, double dx, double dy,
                       double dz, double cutoff);
void qvl_x3d_light_at_camera(int n, int colour);
void qvl_x3d_set_camera(double x, double y, double z, double target_x, double target_y,
                        double target_z);
void qvl_x3d_set_camera_up(double x, double y, double z);

// ---- Objects (commands3d.cpp, drawing in commands3d_render.cpp) ----
// Building: the first run is a triangle strip; a new group another strip.
void qvl_x3d_object_begin(int n);
void qvl_x3d_object_new_frame(int frame);
void qvl_x3d_object_set_normal(double x, double y, double z);
void qvl_x3d_object_add_vertex(double x, double y, double z, double u, double v, int colour);
void qvl_x3d_object_new_group();
void qvl_x3d_object_end();
// A name found nowhere (disk, memory file, archive) leaves the slot empty.
void qvl_x3d_object_load(const BasicString& name, int n);
// 1 when written, 0 when nothing was (the old file then stays as it was).
int qvl_x3d_object_save(const BasicString& name, int n);
void qvl_x3d_object_rebuild(int n);
// The free-slot command is qvl_x3d_object_find_free (gfx3d/rainbows3d.h).
// Frames a and b blended by factor (blend non-zero) or weighted (blend 0).
void qvl_x3d_object_draw(int n, int a, int b, double factor, int blend);
void qvl_x3d_object_draw_frame(int n, int a);
void qvl_x3d_object_scale(int n, double x, double y, double z);
int qvl_x3d_object_face_count(int n);
// Dimensions the array to [3][9]: per corner x, y, z, u, v, colour, nx, ny,
// nz. A face past the last leaves it all 0.
void qvl_x3d_object_get_face(int n, int frame, int face, BasicArray<double>& array);
// The brightness levels of the shade texture, each element x 255; an empty
// array ends the program with error 9.
void qvl_x3d_set_shade_table(BasicArray<double>& array);

// ---- Drawing, shaders, projection (commands3d.cpp, commands3d_render.cpp) ----
void qvl_x3d_draw_axes(double x, double y, double z);
// Size and width are held to 1..512.
void qvl_x3d_draw_dot(double x, double y, double z, double size, int colour);
void qvl_x3d_draw_line(double x1, double y1, double z1, double x2, double y2, double z2,
                       double width, int colour);
void qvl_x3d_draw_sprite(int id, double x, double y, double z, double scale);
void qvl_x3d_print_text(const BasicString& text, double x, double y, double z, double size,
                        int proportional);
// The point through the camera, the projection and the viewport to the
// window (y from the top) and back; false (outputs untouched) when it
// cannot be.
bool qvl_x3d_project(double x, double y, double z, double* sx, double* sy, double* sz);
bool qvl_x3d_unproject(double sx, double sy, double sz, double* x, double* y, double* z);
bool qvl_x3d_shader_load(int n, const BasicString& vertex_file, const BasicString& fragment_file);
void qvl_x3d_shader_use(int n);
void qvl_x3d_shader_set_uniform(const BasicString& name, double value);

// ---- Collision (commands3d.cpp) ----
// In debug mode each also draws its shape: red (0x0000FF, width 5) on a
// hit, green (width 1) otherwise.
int qvl_x3d_object_hit_sphere(int n, int frame, double radius, double x, double y, double z);
int qvl_x3d_object_hit_box(int n, int frame, double x, double y, double z, double width,
                           double height, double depth);
int qvl_x3d_sphere_hits_box(double x, double y, double z, double radius, double width,
                            double height, double depth);
// The distance along the direction to the first triangle hit, 0 for none.
double qvl_x3d_object_hit_ray(int n, int frame, double x, double y, double z, double dx,
                              double dy, double dz);
// The face the last sphere, box or ray test hit; 0 before any.
int qvl_x3d_last_hit_face();

// In debug mode the text and a newline to the debug log; else nothing.
void qvl_x3d_log_callback(const char* text);
