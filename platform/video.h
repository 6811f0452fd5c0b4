// The main window, its OpenGL context, display modes and message boxes over
// SDL2. Everything here runs on the main thread.
#pragma once

#include <cstdint>

#include "platform/message_queue.h"
#include "platform/win_messages.h"

// Starts SDL's video and event subsystems once; false with the reason in
// plat_video_error() when no display can be opened.
bool plat_video_init();
const char* plat_video_error();

// A hidden OpenGL window with the given client size, and a context that asks
// for a compatibility profile, RGBA 8, depth 24 and stencil 8; samples > 0
// asks for a multisampled framebuffer. Null on failure.
WindowHandle plat_window_create(const char* title_cp1252, int width, int height, int samples);
void plat_window_destroy(WindowHandle window);

enum PlatShow { PLAT_HIDE, PLAT_SHOW, PLAT_MINIMIZE, PLAT_RESTORE };
void plat_window_show(WindowHandle window, PlatShow how);
void plat_window_raise(WindowHandle window);  // to the front, with input focus
void plat_window_set_title(WindowHandle window, const char* title_cp1252);
void plat_window_set_bordered(WindowHandle window, bool bordered);
void plat_window_set_rect(WindowHandle window, int x, int y, int width, int height);
PlatRect plat_window_rect(WindowHandle window);  // client area on the screen
bool plat_window_visible(WindowHandle window);

// Desktop size and colour depth of the display the window is on (or the
// first one).
void plat_desktop_size(int* width, int* height, int* bits_per_pixel);
PlatRect plat_work_area(WindowHandle window);
// Full-screen mode at width x height (bits 0 = any); false when no mode fits.
bool plat_display_fullscreen(WindowHandle window, int width, int height, int bits);
// Back to the desktop's own mode.
void plat_display_restore(WindowHandle window);

GlContext plat_gl_create_context(WindowHandle window);
bool plat_gl_make_current(WindowHandle window, GlContext context);
void plat_gl_delete_context(GlContext context);
void plat_gl_swap(WindowHandle window);
// Entry point look-up; a non-null answer says nothing about availability,
// so callers gate on the extension list.
void* plat_gl_get_proc_address(const char* name);
// The GL extension list of the current context, followed by the names of
// the window-system features this layer provides: "WGL_EXT_swap_control"
// when the swap interval can be set, "WGL_ARB_multisample" when the GL has
// multisampling. Null without a current context. Stays valid until the next
// call.
const char* plat_gl_extensions();
bool plat_gl_set_swap_interval(int interval);
// Largest multisample count a window can ask for (0 = none).
int plat_gl_max_samples();

// A modal message box; style carries the MB_ICON* bits. Texts are in the
// system code page.
void plat_message_box(const char* text_cp1252, const char* caption_cp1252, uint32_t style);
// The system pointer over the window: arrow or none.
void plat_cursor_show(bool show);

// Moves what the system has sent into SDL's event queue.
void plat_pump_events();

// Closes SDL's video subsystem after the last window has gone.
void plat_video_quit();
