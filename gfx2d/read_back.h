// Reading pixels back from OpenGL: single pixels, grabs into sprites,
// sprite textures into images, screenshots. The methods live on
// OpenGLRainbows; this is the process-wide state beside them.
#pragma once

#include <cstdint>

struct PixelImage;

// Alpha bits of the frame buffer: -1 until the first grab asks GL. A grab
// without them builds transparency from the colour key instead.
extern int qvl_gfx_frame_alpha_bits;

// The grab's reused read buffer (made on first use) and its exit-time
// release.
PixelImage& qvl_gfx_grab_scratch();
void qvl_gfx_free_grab_scratch();

// Turns a w x h RGBA block a quarter to the left in GL's row order (rows
// from the bottom): pixel (c, r) goes to (h - 1 - r, c) of the h x w result.
void qvl_gfx_turn_pixels(const uint8_t* source, int w, int h, uint8_t* result);
