// Bitmap fonts in the 32 font slots: loading an image font, the built-in
// font, sizes, text width and printing a line. The image of slot n is
// sprite kFirstFontSprite + n; a slot whose vector font is built hands its
// printing and measuring to the vector-font code.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gfx2d/font_image.h"
#include "gfx2d/image_files.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/sprite_table.h"
#include "gfx2d/texture_state.h"
#include "gfx2d/texture_upload.h"
#include "gfx2d/vector_text_width.h"
#include "gfx2d/viewport.h"

namespace {

bool slot_ok(int slot) { return slot >= 0 && slot < kFontSlots; }

}  // namespace

bool OpenGLRainbows::load_font(int slot, const char* name) {
  if (!slot_ok(slot)) return false;
  vector_fonts[slot].free_glyphs();
  font_scale[slot] = 1.0f;
  PixelImage image;
  const char* file = name ? name : "";
  // Fonts come as BMP or PNG; JPEG has no transparency to measure. The
  // texture is weighed before the image is decoded.
  if (!qvl_img_read_texture_file(image, file, font_colour_key, false, false)) {
    free_sprite(kFirstFontSprite + slot);
    return false;
  }
  qvl_font_measure_glyphs(image, qvl_tex_size_for(image.width), glyphs[slot]);
  return set_sprite_image(kFirstFontSprite + slot, image, false);
}

void OpenGLRainbows::install_system_font(int slot) {
  if (!slot_ok(slot)) return;
  font_scale[slot] = 4.0f;
  PixelImage image;
  SpriteSlot& s = sprites[kFirstFontSprite + slot];
  if (image.build_system_font() && qvl_tex_upload_nearest(image, s)) {
    s.tex_width = s.img_width = kSystemFontWidth;
    s.tex_height = s.img_height = kSystemFontHeight;
    s.u_max = s.v_max = 1.0f;
  }
  const float d = static_cast<float>(kSystemFontWidth);
  const int cell = kSystemFontWidth / 16;
  for (int code = 0; code < 256; ++code) {
    GlyphInfo& g = glyphs[slot][code];
    g.left = 0;
    g.width = static_cast<uint8_t>(cell);
    g.ink = image.pixels && qvl_font_cell_has_ink(image, code % 128) ? 1 : 0;
    g.u_left = static_cast<float>((code % 16) * cell) / d;
    g.u_right = g.u_left + static_cast<float>(cell) / d;
  }
}

void OpenGLRainbows::glyph_size(int slot, int* width, int* height) {
  int w = 0, h = 0;
  if (slot_ok(slot)) {
    const VectorFont& vf = vector_fonts[slot];
    if (!vf.empty()) {
      w = static_cast<int>(vf.max_width);
      h = static_cast<int>(std::fabs(vf.ascent) + std::fabs(vf.descent));
    } else {
      const SpriteSlot& s = sprites[kFirstFontSprite + slot];
      const FontGrid grid = qvl_font_grid(s.img_width, s.img_height);
      w = grid.cell_width;
      h = grid.cell_height;
    }
  }
  if (width) *width = w;
  if (height) *height = h;
}

int OpenGLRainbows::find_free_font() {
  for (int slot = kFontSlots - 1; slot >= 0; --slot) {
    int w = 0;
    glyph_size(slot, &w, nullptr);
    if (w == 0) return slot;
  }
  return -1;
}

int OpenGLRainbows::text_width(int slot, const char* text, int proportional) {
  if (!slot_ok(slot)) return 0;
  if (!text) text = "";
  const VectorFont& vf = vector_fonts[slot];
  if (!vf.empty()) return qvl_font_vector_text_width(vf, font_scale[slot], text, proportional);
  float width = 0.0f;
  if (proportional) {
    int sum = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
      sum += glyphs[slot][*p].width;
    width = static_cast<float>(sum);
  } else {
    const int cell = sprites[kFirstFontSprite + slot].img_width / 16;
    width = static_cast<float>(static_cast<int64_t>(std::strlen(text)) * cell);
  }
  return static_cast<int>(width * font_scale[slot]);
}

void OpenGLRainbows::print_text(int slot, const char* text, float x, float y, float z,
                                int proportional, int scaled) {
  if (!slot_ok(slot)) return;
  if (!vector_fonts[slot].empty()) {
    print_vector_text(slot, text, x, y, proportional);
    return;
  }
  print_bitmap_glyphs(slot, text, nullptr, x, y, z, proportional, scaled);
}

void OpenGLRainbows::print_glyphs_at(int slot, const char* text, const int* xs, float y,
                                     int proportional) {
  if (!slot_ok(slot) || !vector_fonts[slot].empty() || !xs) return;
  print_bitmap_glyphs(slot, text, xs, 0.0f, y, 0.0f, proportional, 1);
}

// The glyphs' quads join the batch. Placed by xs, a byte the font lacks
// skips only itself, as it would printed alone.
void OpenGLRainbows::print_bitmap_glyphs(int slot, const char* text, const int* xs, float x,
                                         float y, float z, int proportional, int scaled) {
  if (!text || !*text) return;
  const int id = kFirstFontSprite + slot;
  bind_sprite_texture(id);
  // Drawn unbatched the quads form one strip, whose joining triangles have
  // no area only while each glyph starts where the one before ended: no
  // glyph may be left out there.
  const int quads = glyph_quads(slot, text, xs, x, y, z, proportional, scaled,
                                qvl_gfx_viewport_zoom, qvl_gfx_batching && blend_value != 0.0f);
  if (quads <= 0) return;
  if (!qvl_gfx_batching) {
    draw_vertex_array(GL_TRIANGLE_STRIP);
    return;
  }
  // The glyphs join the sprite batch; the strip's zero-area triangles
  // between them are left out.
  qvl_gfx_tex_apply_wrap();
  qvl_gfx_batch_quads(sprites[id].texture, QuadOrder::kStrip, vertices.data, quads);
}

void OpenGLRainbows::draw_glyph_quads(int slot, const TexVertex* quads, int count) {
  if (!slot_ok(slot) || count <= 0) return;
  const int id = kFirstFontSprite + slot;
  bind_sprite_texture(id);
  qvl_gfx_tex_apply_wrap();
  qvl_gfx_batch_quads(sprites[id].texture, QuadOrder::kStrip, quads, count);
}

int OpenGLRainbows::glyph_quads(int slot, const char* text, const int* xs, float x, float y,
                                float z, int proportional, int scaled, float zoom, bool blended) {
  vertices.count = 0;
  if (!slot_ok(slot) || !text || !*text) return 0;
  const size_t length = std::strlen(text);
  // Four vertices per byte must fit the vertex list's 32-bit count.
  if (length > (INT32_MAX - 1) / 4 || !vertices.reserve(static_cast<int>(4 * length))) return 0;
  const SpriteSlot& s = sprites[kFirstFontSprite + slot];
  const FontGrid grid = qvl_font_grid(s.img_width, s.img_height);
  const float row_v = s.v_max / (grid.count == 256 ? 16.0f : 8.0f);
  const float cell_u = s.u_max / 16.0f;
  x = std::ceil(x);
  y = std::ceil(y);
  const float sf = scaled ? font_scale[slot] : 1.0f;
  const float qh = static_cast<float>(grid.cell_height) * sf;
  const float fixed_advance = static_cast<float>(grid.cell_width) * sf;
  // Drawn 1:1 the glyphs sample their texels' centres. Any other size
  // samples between texels, and a linearly filtered texture then mixes in
  // the texels across the glyph's edges, which belong to the neighbouring
  // cells of the sheet (a blank would show the top of the glyph below it as
  // a line): the coordinates keep half a texel inside the glyph instead.
  float inset_u = 0.0f, inset_v = 0.0f;
  if (sf * zoom != 1.0f && s.tex_width > 0 && s.tex_height > 0 &&
      qvl_gfx_tex_mag_filter(s.texture) == GL_LINEAR) {
    inset_u = 0.5f / static_cast<float>(s.tex_width);
    inset_v = 0.5f / static_cast<float>(s.tex_height);
  }
  size_t n = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    const int k = *p % grid.count;
    if (k == 0 && !xs) break;  // a 128-glyph font ends the text at byte 128
    if (k == 0) continue;
    if (xs) x = static_cast<float>(xs[p - reinterpret_cast<const unsigned char*>(text)]);
    const float vb = static_cast<float>(grid.last_row - k / 16) * row_v + inset_v;
    const float vt = vb + row_v - 2.0f * inset_v;
    const GlyphInfo& g = glyphs[slot][k];
    float u_left, u_right, advance;
    if (proportional) {
      u_left = g.u_left;
      u_right = g.u_right;
      advance = static_cast<float>(g.width) * sf;
    } else {
      u_left = static_cast<float>(k % 16) * cell_u;
      u_right = u_left + cell_u;
      advance = fixed_advance;
    }
    if (blended && !g.ink) {  // a blank: blended, its transparent texels change nothing
      x += advance;
      continue;
    }
    if (inset_u > 0.0f) {
      // An empty glyph (no width in the sheet) samples its own first column.
      u_left += inset_u;
      u_right = std::max(u_left, u_right - inset_u);
    }
    vertices[n++] = TexVertex{x, y + qh, z, u_left, vb};
    vertices[n++] = TexVertex{x, y, z, u_left, vt};
    x += advance;
    vertices[n++] = TexVertex{x, y + qh, z, u_right, vb};
    vertices[n++] = TexVertex{x, y, z, u_right, vt};
  }
  vertices.count = static_cast<int32_t>(n);
  return static_cast<int>(n / 4);
}
