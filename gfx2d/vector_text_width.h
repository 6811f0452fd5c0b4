// Measuring text in a vector font (no GL).
#pragma once

#include "gfx2d/vector_font.h"

// The advance of a blank: the width of the letter e at the scale.
float qvl_font_vector_blank_advance(const VectorFont& font, float scale);

// Width of text printed with the font at scale: 1 for an empty text, else
// 1 + the printed advance, truncated toward zero. 0 for a font not built.
int qvl_font_vector_text_width(const VectorFont& font, float scale, const char* text,
                               int proportional);
