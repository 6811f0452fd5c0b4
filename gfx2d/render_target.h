// Render targets: drawing into a sprite's texture instead of the window,
// through framebuffer objects, with a back-buffer emulation for when a
// target cannot be bound. The methods live on OpenGLRainbows and
// RenderTarget (opengl_rainbows.h); these are the commands over the one
// graphics object and the process-wide state beside it.
#pragma once

#include <cstdint>

// The sprite that holds the window area an emulated target covers while it
// is current. Free searches never return it, so no program sprite is lost.
constexpr int kTargetScratchSprite = 65536;

// Orientation of the window while an emulated target draws unturned.
extern int32_t qvl_fbo_saved_orientation;

// Slot 0..31, sprite id, image size; false when not created.
bool qvl_fbo_create_target(int slot, int id, int width, int height);
// A slot below 0 returns to the window.
void qvl_fbo_use_target(int slot);
// The highest free slot, or -1.
int qvl_fbo_free_slot();
