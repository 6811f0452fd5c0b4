// Bitmap-font images without GL: the grid of glyph cells, measuring
// proportional widths from the alpha channel, and the built-in 8 x 8 font.
#pragma once

#include <cstdint>

#include "gfx2d/opengl_rainbows.h"

struct PixelImage;

// The glyph grid of a w x h font image: 16 columns; 16 rows of 256 glyphs
// when the image is taller than wide, else 8 rows of 128.
struct FontGrid {
  int cell_width;   // w / 16
  int cell_height;  // h / 16 or h / 8
  int count;        // 256 or 128
  int last_row;     // 15 or 7
};
FontGrid qvl_font_grid(int width, int height);

// Fills the 256 glyph entries of a font image: proportional widths measured
// from the alpha channel, u values for a texture tex_width pixels wide. The
// blank takes the width of the letter j; a 128-glyph font repeats its lower
// half in the upper.
void qvl_font_measure_glyphs(const PixelImage& image, int tex_width, GlyphInfo glyphs[256]);

// Whether glyph cell k of a font image has a pixel that is not fully
// transparent.
bool qvl_font_cell_has_ink(const PixelImage& image, int k);

// The built-in font's image is PixelImage::build_system_font.
constexpr int kSystemFontWidth = 128;
constexpr int kSystemFontHeight = 64;
