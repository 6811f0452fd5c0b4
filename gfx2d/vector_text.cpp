// Loading a vector font into a slot and printing with it: the glyphs'
// triangles go through the polygon batch in the print colour, untextured.
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_table.h"
#include "gfx2d/vector_text_width.h"

int OpenGLRainbows::load_vector_font(int slot, const void* data) {
  if (slot < 0 || slot >= kFontSlots) return 1;
  vector_fonts[slot].free_glyphs();
  font_scale[slot] = 1.0f;
  free_sprite(kFirstFontSprite + slot);
  qvl_font_build_vector_glyphs(data, vector_fonts[slot]);
  return 1;
}

void OpenGLRainbows::print_vector_text(int slot, const char* text, float x, float y,
                                       int proportional) {
  if (slot < 0 || slot >= kFontSlots) return;
  const VectorFont& font = vector_fonts[slot];
  if (font.empty()) return;
  const float s = font_scale[slot];
  const float baseline = y + s * font.ascent;
  const float blank = qvl_font_vector_blank_advance(font, s);
  const float spacing = blank * 0.25f;
  texture_off();
  poly_begin(-1, 1);  // a triangle list, no texture
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text ? text : ""); *p;
       ++p) {
    if (*p < 33) {
      x += blank;
      continue;
    }
    const VectorGlyph& g = font.vector_glyphs[*p];
    const float pen = x - g.left;  // the left metric is not scaled
    for (int t = 0; t < g.triangles.count; ++t) {
      const VectorTriangle& tri = g.triangles[t];
      for (int32_t i : {tri.a, tri.b, tri.c}) {
        const VectorPoint& pt = g.points[i];
        poly_vertex_plain(pen + s * pt.x, baseline + s * pt.y, print_colour);
      }
    }
    x += proportional ? s * (g.right - g.left) : s * font.max_width;
    x += spacing;
  }
  poly_end();
}
