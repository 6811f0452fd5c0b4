// Minimal versions of graphics-object operations whose full versions come
// with the render-target code. Each does the least the window, the start-up
// and show-screen rely on; replace each one here when its real version lands.
#include "gfx2d/opengl_rainbows.h"

void OpenGLRainbows::end_render_target() { current_target = -1; }

void RenderTarget::release() { set_released(); }
