#include "gfx2d/font_image.h"

#include <cstring>

#include "gfx2d/pixel_image.h"

FontGrid qvl_font_grid(int width, int height) {
  FontGrid g{};
  g.cell_width = width / 16;
  if (width < height) {
    g.count = 256;
    g.last_row = 15;
    g.cell_height = height / 16;
  } else {
    g.count = 128;
    g.last_row = 7;
    g.cell_height = height / 8;
  }
  return g;
}

namespace {

bool column_has_alpha(const PixelImage& image, int x, int y0, int rows) {
  for (int y = y0; y < y0 + rows; ++y)
    if (image.pixel(x, y)[3] != 0) return true;
  return false;
}

}  // namespace

bool qvl_font_cell_has_ink(const PixelImage& image, int k) {
  const FontGrid grid = qvl_font_grid(image.width, image.height);
  if (k < 0 || k >= grid.count) return false;
  const int x0 = (k % 16) * grid.cell_width, y0 = (k / 16) * grid.cell_height;
  for (int x = x0; x < x0 + grid.cell_width; ++x)
    if (column_has_alpha(image, x, y0, grid.cell_height)) return true;
  return false;
}

void qvl_font_measure_glyphs(const PixelImage& image, int tex_width, GlyphInfo glyphs[256]) {
  const FontGrid grid = qvl_font_grid(image.width, image.height);
  const int cw = grid.cell_width, ch = grid.cell_height;
  const float d = static_cast<float>(tex_width);
  for (int i = 0; i < grid.count; ++i) {
    const int x0 = (i % 16) * cw;
    const int y0 = (i / 16) * ch;
    GlyphInfo& g = glyphs[i];
    g.left = 0;
    g.width = 0;
    int l = 0;
    while (l < cw && !column_has_alpha(image, x0 + l, y0, ch)) ++l;
    g.ink = l < cw ? 1 : 0;  // the blank keeps its own cell's, whatever its width
    if (l == cw) {  // an empty cell advances by the whole cell
      g.width = static_cast<uint8_t>(cw);
      g.u_left = g.u_right = static_cast<float>(x0) / d;
    } else {
      int r = cw - 1;
      while (r > l && !column_has_alpha(image, x0 + r, y0, ch)) --r;
      int width = r - l + 1;
      if (r + 1 < cw) ++width;  // one column of spacing
      g.width = static_cast<uint8_t>(width);
      g.left = static_cast<uint8_t>(l);
      g.u_left = static_cast<float>(x0 + l) / d;
      g.u_right = static_cast<float>(x0 + l + width) / d;
    }
    if (i == 106) {  // the blank is as wide as the letter j
      glyphs[32].width = g.width;
      glyphs[32].u_left = 0.0f;
      glyphs[32].u_right = g.u_right - g.u_left;
    }
    if (grid.count == 128) glyphs[i + 128] = g;
  }
}

namespace {

// Bit (gx + 5 * gy) of a pattern is the glyph pixel at column gx (0..4),
// row gy (0..5); codes 32 to 127.
constexpr uint32_t kSystemGlyphs[96] = {
    0x00000000, 0x08021080, 0x00002940, 0x15f57d40, 0x08e619c4, 0x14222140, 0x0ed114e0, 0x00001080,
    0x08210880, 0x04421040, 0x09575480, 0x08471080, 0x04400000, 0x00070000, 0x08000000, 0x04222100,
    0x00e5294e, 0x004210c4, 0x00e1390e, 0x00e4390e, 0x0084394a, 0x00e4384e, 0x00e5384e, 0x0042210e,
    0x00e5394e, 0x00e4394e, 0x00020080, 0x00220080, 0x00820888, 0x000701c0, 0x00222082, 0x0040310e,
    0x00e0b526, 0x00a5394e, 0x00e5194e, 0x00e5094e, 0x00e52946, 0x00e1384e, 0x0021384e, 0x00e5284e,
    0x00a5394a, 0x00e2108e, 0x00e5210c, 0x00a5194a, 0x00e10842, 0x015ad6bf, 0x00a5294e, 0x00e5294e,
    0x0021394e, 0x00f294a7, 0x00a5194e, 0x00e4384e, 0x0042108e, 0x00e5294a, 0x0045294a, 0x01fad6b5,
    0x00a5114a, 0x0042394a, 0x00e1110e, 0x00610846, 0x01041041, 0x00621086, 0x00000144, 0x00e00000,
    0x00000082, 0x00e53000, 0x00e53842, 0x00e13800, 0x00e53908, 0x08273800, 0x00423888, 0x08873800,
    0x00a51842, 0x00421004, 0x04421004, 0x00a32842, 0x00421084, 0x015abc00, 0x00a51800, 0x00e53800,
    0x04e51800, 0x10e53000, 0x00253800, 0x00e409c0, 0x00c23884, 0x00c52800, 0x00452800, 0x00ead400,
    0x00a22800, 0x1c872800, 0x00e121c0, 0x00821888, 0x00421084, 0x00223082, 0x0002a800, 0x3f18c63f,
};

bool glyph_bit(uint32_t pattern, int gx, int gy) {
  if (gx < 0 || gx > 4 || gy < 0 || gy > 5) return false;
  return (pattern >> (gx + 5 * gy)) & 1u;
}

void put(PixelImage& image, int x, int y, uint8_t level) {
  uint8_t* p = image.pixel(x, y);
  p[0] = p[1] = p[2] = level;
  p[3] = 255;
}

}  // namespace

bool PixelImage::build_system_font() {
  PixelImage& image = *this;
  if (!image.resize(kSystemFontWidth, kSystemFontHeight)) return false;
  image.has_alpha = 1;
  std::memset(image.pixels, 0, static_cast<size_t>(kSystemFontWidth) * kSystemFontHeight * 4);
  for (int code = 32; code < 128; ++code) {
    const uint32_t pattern = kSystemGlyphs[code - 32];
    const int cx = (code % 16) * 8, cy = (code / 16) * 8;
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 7; ++x) {
        const int gx = x - 1, gy = y - 1;
        if (glyph_bit(pattern, gx, gy)) {
          put(image, cx + x, cy + y, 255);
        } else if (glyph_bit(pattern, gx - 1, gy) || glyph_bit(pattern, gx + 1, gy) ||
                   glyph_bit(pattern, gx, gy - 1) || glyph_bit(pattern, gx, gy + 1)) {
          put(image, cx + x, cy + y, 8);
        }
      }
    }
  }
  return true;
}
