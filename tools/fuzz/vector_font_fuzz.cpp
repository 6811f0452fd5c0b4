// libFuzzer target for the vector-font builder: any bytes must build a
// font without reading past them or writing outside its tables, and every
// triangle kept must name points its glyph has.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "gfx2d/vector_font.h"
#include "gfx2d/vector_text_width.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VectorFont font;
  qvl_font_build_vector_glyphs_sized(data, size, font);
  if (font.vector_glyphs.count != kVectorGlyphCount) std::abort();
  if (font.ascent < 0.0f || font.descent > 0.0f) std::abort();
  float sum = 0.0f;
  for (int c = 0; c < kVectorGlyphCount; ++c) {
    const VectorGlyph& g = font.vector_glyphs[c];
    for (int t = 0; t < g.triangles.count; ++t) {
      const VectorTriangle& tri = g.triangles[t];
      for (int32_t i : {tri.a, tri.b, tri.c}) {
        if (i < 0 || i >= g.points.count) std::abort();
        sum += g.points[i].x + g.points[i].y;  // reads every named point
      }
    }
  }
  (void)sum;
  char text[256];
  for (int i = 0; i < 255; ++i) text[i] = static_cast<char>(i + 1);
  text[255] = 0;
  qvl_font_vector_text_width(font, 2.0f, text, 1);
  qvl_font_vector_text_width(font, 2.0f, text, 0);
  // Building again over a built font frees the old glyphs first.
  qvl_font_build_vector_glyphs_sized(data, size / 2, font);
  return 0;
}
