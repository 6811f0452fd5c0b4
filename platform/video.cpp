#include "platform/video.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_opengl.h>
#include <SDL2/SDL_syswm.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace {

bool g_video_up = false;
// SDL unloads its GL library when the last GL window is destroyed, and a
// context deleted after that is silently kept: its renderer threads then
// still run while the display connection closes, which can hang the
// shutdown in the driver. The layer holds the library for as long as video
// is up, and deletes what contexts are left before closing video.
bool g_gl_library_held = false;
std::vector<SDL_GLContext> g_contexts;
// SDL's connection to the X server, when the x11 driver runs.
Display* g_x11_display = nullptr;
std::string g_error;
std::string g_extensions;

void set_gl_attributes(int samples) {
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 0 ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples > 0 ? samples : 0);
}

int display_of(WindowHandle window) {
  int d = window ? SDL_GetWindowDisplayIndex(window) : 0;
  return d < 0 ? 0 : d;
}

}  // namespace

bool plat_video_init() {
  if (g_video_up) return true;
  // A closed window is a message for the program, not a reason to quit.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    g_error = SDL_GetError();
    return false;
  }
  g_video_up = true;
  g_gl_library_held = SDL_GL_LoadLibrary(nullptr) == 0;
  return true;
}

const char* plat_video_error() { return g_error.c_str(); }

WindowHandle plat_window_create(const char* title_cp1252, int width, int height, int samples) {
  if (!plat_video_init()) return nullptr;
  set_gl_attributes(samples);
  if (width <= 0) width = 1;
  if (height <= 0) height = 1;
  SDL_Window* w = SDL_CreateWindow(plat_cp1252_to_utf8(title_cp1252).c_str(),
                                   SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                   SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!w) g_error = SDL_GetError();
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (w && SDL_GetWindowWMInfo(w, &info) && info.subsystem == SDL_SYSWM_X11)
    g_x11_display = info.info.x11.display;
  return w;
}

void plat_window_destroy(WindowHandle window) {
  if (!window) return;
  plat_discard_messages(window);
  SDL_DestroyWindow(window);
}

void plat_window_show(WindowHandle window, PlatShow how) {
  if (!window) return;
  switch (how) {
    case PLAT_HIDE: SDL_HideWindow(window); break;
    case PLAT_SHOW: SDL_ShowWindow(window); break;
    case PLAT_MINIMIZE: SDL_MinimizeWindow(window); break;
    case PLAT_RESTORE:
      SDL_ShowWindow(window);
      SDL_RestoreWindow(window);
      break;
  }
}

void plat_window_raise(WindowHandle window) {
  if (window) SDL_RaiseWindow(window);
}

void plat_window_set_title(WindowHandle window, const char* title_cp1252) {
  if (window) SDL_SetWindowTitle(window, plat_cp1252_to_utf8(title_cp1252).c_str());
}

void plat_window_set_bordered(WindowHandle window, bool bordered) {
  if (window) SDL_SetWindowBordered(window, bordered ? SDL_TRUE : SDL_FALSE);
}

void plat_window_set_rect(WindowHandle window, int x, int y, int width, int height) {
  if (!window) return;
  if (width > 0 && height > 0) SDL_SetWindowSize(window, width, height);
  SDL_SetWindowPosition(window, x, y);
}

PlatRect plat_window_rect(WindowHandle window) {
  PlatRect r{0, 0, 0, 0};
  if (window) {
    SDL_GetWindowPosition(window, &r.x, &r.y);
    SDL_GetWindowSize(window, &r.w, &r.h);
  }
  return r;
}

bool plat_window_visible(WindowHandle window) {
  return window && (SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN) != 0;
}

void plat_desktop_size(int* width, int* height, int* bits_per_pixel) {
  SDL_DisplayMode m{};
  if (!plat_video_init() || SDL_GetDesktopDisplayMode(0, &m) != 0) {
    m.w = 1024;
    m.h = 768;
    m.format = SDL_PIXELFORMAT_RGB888;
  }
  if (width) *width = m.w;
  if (height) *height = m.h;
  if (bits_per_pixel) {
    int bpp = static_cast<int>(SDL_BITSPERPIXEL(m.format));
    *bits_per_pixel = bpp == 24 ? 32 : bpp;  // X servers report 24-bit depth in 32-bit pixels
  }
}

PlatRect plat_work_area(WindowHandle window) {
  SDL_Rect r{0, 0, 0, 0};
  if (SDL_GetDisplayUsableBounds(display_of(window), &r) != 0) {
    plat_desktop_size(&r.w, &r.h, nullptr);
    r.x = r.y = 0;
  }
  return PlatRect{r.x, r.y, r.w, r.h};
}

bool plat_display_fullscreen(WindowHandle window, int width, int height, int bits) {
  if (!window) return false;
  SDL_DisplayMode want{}, got{};
  want.w = width;
  want.h = height;
  if (bits == 16) want.format = SDL_PIXELFORMAT_RGB565;
  if (!SDL_GetClosestDisplayMode(display_of(window), &want, &got)) return false;
  if (got.w != width || got.h != height) return false;
  if (SDL_SetWindowDisplayMode(window, &got) != 0) return false;
  return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0;
}

void plat_display_restore(WindowHandle window) {
  if (window) SDL_SetWindowFullscreen(window, 0);
}

GlContext plat_gl_create_context(WindowHandle window) {
  if (!window) return nullptr;
  SDL_GLContext c = SDL_GL_CreateContext(window);
  if (!c) g_error = SDL_GetError();
  else g_contexts.push_back(c);
  return c;
}

bool plat_gl_make_current(WindowHandle window, GlContext context) {
  return SDL_GL_MakeCurrent(window, context) == 0;
}

void plat_gl_delete_context(GlContext context) {
  if (!context) return;
  // Work still queued for the context is done before it goes.
  if (SDL_GL_GetCurrentContext() == context) glFinish();
  SDL_GL_DeleteContext(context);
  g_contexts.erase(std::remove(g_contexts.begin(), g_contexts.end(), context), g_contexts.end());
}

void plat_gl_swap(WindowHandle window) {
  if (window) SDL_GL_SwapWindow(window);
}

void* plat_gl_get_proc_address(const char* name) { return SDL_GL_GetProcAddress(name); }

const char* plat_gl_extensions() {
  if (!SDL_GL_GetCurrentContext()) return nullptr;
  const char* gl = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  g_extensions = gl ? gl : "";
  // The swap interval is probed with the current value so nothing changes.
  int current = SDL_GL_GetSwapInterval();
  if (SDL_GL_SetSwapInterval(current) == 0) g_extensions += " WGL_EXT_swap_control";
  if (SDL_GL_ExtensionSupported("GL_ARB_multisample")) g_extensions += " WGL_ARB_multisample";
  return g_extensions.c_str();
}

bool plat_gl_set_swap_interval(int interval) { return SDL_GL_SetSwapInterval(interval) == 0; }

int plat_gl_max_samples() {
  if (!SDL_GL_GetCurrentContext()) return 0;
  GLint n = 0;
  glGetIntegerv(0x8D57 /* GL_MAX_SAMPLES */, &n);
  return glGetError() == GL_NO_ERROR ? n : 0;
}

void plat_message_box(const char* text_cp1252, const char* caption_cp1252, uint32_t style) {
  uint32_t flags = SDL_MESSAGEBOX_INFORMATION;
  uint32_t icon = style & 0xF0;
  if (icon == MB_ICONERROR) flags = SDL_MESSAGEBOX_ERROR;
  else if (icon == MB_ICONWARNING) flags = SDL_MESSAGEBOX_WARNING;
  SDL_ShowSimpleMessageBox(flags, plat_cp1252_to_utf8(caption_cp1252).c_str(),
                           plat_cp1252_to_utf8(text_cp1252).c_str(), nullptr);
}

void plat_cursor_show(bool show) {
  if (!g_video_up) return;
  if (show) SDL_SetCursor(SDL_GetDefaultCursor());
  SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void plat_pump_events() {
  if (!SDL_WasInit(SDL_INIT_EVENTS)) return;
  // The GL driver talks to the X server through xcb; events that arrive
  // while it waits for a reply stay in xcb's queue, where SDL's test for
  // pending events does not look, and a key press then waits there until
  // some later event wakes the connection. Asking Xlib moves them into its
  // own queue, which SDL reads.
  if (g_x11_display) XPending(g_x11_display);
  SDL_PumpEvents();
}

void plat_video_quit() {
  if (!g_video_up) return;
  g_x11_display = nullptr;
  SDL_GL_MakeCurrent(nullptr, nullptr);
  while (!g_contexts.empty()) plat_gl_delete_context(g_contexts.back());
  if (g_gl_library_held) SDL_GL_UnloadLibrary();
  g_gl_library_held = false;
  SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
  g_video_up = false;
}
