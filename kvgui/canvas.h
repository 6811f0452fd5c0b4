// What the widget library draws with: the viewport (origin and clip of the
// widget being drawn), the alpha mode, rectangles, lines and outlines,
// gradients and triangles, text and sprites, in the viewport's coordinates
// as the 2D drawing commands take them.
//
// While a dialog is drawn (between kvgui_canvas_begin and _end) with
// queuing on, nothing reaches GL at once: each call is turned into the
// surface's pixels, cut to the viewport on the CPU where it reaches beyond
// it, and queued (kvgui/draw_queue.h), so a dialog goes out in a few draw
// calls and no viewport is set per widget. Anything the queue cannot take
// (a vector font, a slanted line, additive blending, the alpha test, a
// turned screen) draws the queue first and then itself at once, as does a
// user kind's own drawing after kvgui_canvas_flush. With queuing off, or
// outside begin and end, every call draws at once, widget by widget.
#pragma once

// On by default; tests switch it off to compare the two pictures.
extern bool kvgui_queue_drawing;

// A dialog begins and ends drawing. begin also gives the GUI font's sheet
// the texture smoothing in force, which its text is drawn with.
void kvgui_canvas_begin();
void kvgui_canvas_end();
// Draws what waits and brings GL's viewport and alpha mode to what the
// canvas was last given; before anything draws behind its back.
void kvgui_canvas_flush();
// After drawing behind the canvas's back (a user kind's callback): the
// canvas goes on from the viewport and alpha mode that drawing left, as the
// widgets after it would at once.
void kvgui_canvas_after_own_drawing();
// The batches drawn since the last begin: a dialog's draw calls, about.
int kvgui_canvas_batches_drawn();

// As qvl_gfx_set_viewport and qvl_gfx_get_viewport; w <= 0 is the screen.
void kvgui_canvas_viewport(int x, int y, int w, int h);
void kvgui_canvas_get_viewport(double* x, double* y, double* w, double* h);
// As qvl_gfx_set_alpha_mode.
void kvgui_canvas_alpha(double mode);

// As qvl_gfx_draw_rect and qvl_gfx_draw_line (a line with its end pixel).
void kvgui_canvas_rect(int x, int y, int w, int h, int colour);
void kvgui_canvas_line(int x1, int y1, int x2, int y2, int colour);
// Lines (x1, y1, x2, y2 each, with their end pixels) in one lines draw and
// one points draw.
void kvgui_canvas_lines(const int* ends, int lines, int colour);
// The outline without its corner pixels: top, bottom, left and right.
void kvgui_canvas_outline(int x, int y, int w, int h, int colour);
// Two colours over a box: a blends into b over the first 35 % from the top
// (horizontal) or the left, the rest b; one triangle strip as the polygon
// batch draws it.
void kvgui_canvas_gradient(double x, double y, double w, double h, int a, int b,
                           bool horizontal);
// A filled triangle in one colour, as a polygon batch.
void kvgui_canvas_triangle(const double xy[6], int colour);

// Text in the current font at (x, y), as qvl_font_print; or each byte at
// its own x (xs holds one per byte), as OpenGLRainbows::print_glyphs_at.
void kvgui_canvas_print(const char* text, int x, int y, int proportional);
void kvgui_canvas_print_at(const char* text, const int* xs, int y, int proportional);
// As qvl_sprite_draw and qvl_sprite_draw_stretched.
void kvgui_canvas_sprite(int id, int x, int y);
void kvgui_canvas_sprite_stretched(int id, int x, int y, int w, int h);
