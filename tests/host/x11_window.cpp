// The X11 id of an SDL window, for tests that drive it with xdotool. Kept
// apart because Xlib's macros (None, Bool) collide with GoogleTest.
#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>

unsigned long qvl_test_x11_window(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
  return static_cast<unsigned long>(info.info.x11.window);
}
