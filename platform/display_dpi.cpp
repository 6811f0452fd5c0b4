#include "platform/display_dpi.h"

#include <SDL.h>

#include <cmath>

int qvl_display_dpi() {
  float horizontal = 0;
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0 ||
      SDL_GetDisplayDPI(0, nullptr, &horizontal, nullptr) != 0) {
    return 96;
  }
  int dpi = static_cast<int>(std::lround(horizontal));
  return dpi < 96 ? 96 : dpi;
}
