// Viewport, orientation and virtual resolution: how logical 2D pixels
// (x right, y down, (0, 0) at the viewport's top-left) land in the window.
//
// The mappings and the virtual-resolution fit are plain functions of their
// inputs, used by the graphics object and callable without a GL context.
#pragma once

#include <cstdint>

class OpenGLRainbows;

// The viewport as get_viewport reports it.
struct ViewportRect {
  int32_t x, y, width, height;
};

// The picture is drawn for a fixed logical size, scaled by `scale` and
// placed at the offsets in the window; scale 0 = no virtual resolution.
struct VirtualResolution {
  int32_t offset_x;
  int32_t offset_y;
  int32_t width;
  int32_t height;
  float scale;
};

extern VirtualResolution qvl_gfx_virtual_resolution;
// Render-target slot selected by the drawing commands, -1 = the window.
// While one is selected the virtual resolution is not applied.
extern int32_t qvl_gfx_target_slot;
extern int32_t qvl_gfx_requested_width, qvl_gfx_requested_height;

// Ends a pending stencil shadow pass before the viewport changes; the 3D
// engine installs it (null = no 3D engine).
extern void (*qvl_gfx_end_shadow_pass_hook)();

struct IntPair {
  int x, y;
};

// Orientation 0 normal, 1 turned by -90 degrees, 2 by 180, 3 by +90; any
// other value behaves as 0. w, h are the window's client size. Results
// beyond the int range saturate.
IntPair qvl_orient_logical_to_window(int orientation, int w, int h, int x, int y);
IntPair qvl_orient_window_to_logical(int orientation, int w, int h, int x, int y);
IntPair qvl_orient_vector(int orientation, int x, int y);

// The window rectangle (from the window's top-left) that a logical viewport
// (x, y, vw, vh) covers in a w x h window.
ViewportRect qvl_orient_viewport_window_rect(int orientation, int w, int h, int x, int y, int vw,
                                             int vh);

// The column-major matrix that turns clip-space x and y for an orientation.
void qvl_orient_clip_rotation(int orientation, float m[16]);

// The stepped zoom factor for a fit ratio m: floor(m) from 10 up, then 8,
// 4, 3, 2, 1.5, and 1 for anything smaller.
float qvl_virtual_scale_step(float m);

// Scale, offsets and size of a virtual resolution vw x vh centred in a
// visible area of w x h pixels.
VirtualResolution qvl_virtual_resolution_fit(int w, int h, double vw, double vh);

// A viewport as the graphics object takes it: the rectangle in the drawing
// surface's own pixels (the window's, before the orientation turns them, or
// a render target's) and the zoom that scales what is drawn in it.
struct SurfaceViewport {
  int32_t x, y, width, height;
  float zoom;
};

// The zoom of the viewport in force: the virtual resolution's scale, or 1.
extern float qvl_gfx_viewport_zoom;

// The commands over the one graphics object; each does nothing without it.
void qvl_gfx_set_viewport(int x, int y, int w, int h);
// What qvl_gfx_set_viewport(x, y, w, h) sets, worked out without setting
// it; a drawing at (px, py) in it lands at (x + px * zoom, y + py * zoom)
// of the surface.
SurfaceViewport qvl_gfx_surface_viewport(int x, int y, int w, int h);
// The whole drawing surface in its own pixels, at zoom 1.
SurfaceViewport qvl_gfx_whole_surface();
void qvl_gfx_set_surface_viewport(const SurfaceViewport& v);
// A surface viewport in the program's coordinates, as qvl_gfx_get_viewport_f
// reports the one in force.
void qvl_gfx_logical_viewport(const SurfaceViewport& v, double* x, double* y, double* w,
                              double* h);
void qvl_gfx_set_orientation(int orientation);
int qvl_gfx_orientation();
void qvl_gfx_set_virtual_resolution(double width, double height);
// Grabs the logical rectangle into sprite id (a zero size frees it); under
// a virtual resolution the scaled picture is shrunk back to logical size.
// An id outside the table raises error 7 and changes nothing.
void qvl_sprite_grab(int id, int x, int y, int w, int h);
void qvl_gfx_get_viewport(int* x, int* y, int* w, int* h);
void qvl_gfx_get_viewport_f(double* x, double* y, double* w, double* h);
void qvl_gfx_screen_size(int* w, int* h);
void qvl_gfx_screen_size_f(double* w, double* h);
void qvl_gfx_desktop_size(int* w, int* h);
void qvl_gfx_desktop_size_f(double* w, double* h);
void qvl_notify_screen_size(int w, int h);
void qvl_gfx_requested_screen_size(int* w, int* h);
