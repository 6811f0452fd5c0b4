// Vector fonts: per character a set of outline points, the triangles that
// fill the outline and four metrics, built from a block of 16-bit values a
// program hands over. Text in a vector font is drawn as filled triangles in
// the print colour, at any size and without a texture.
//
// Data format (signed 16-bit little-endian values), a sequence of records:
//   header    code, point count, triangle count, pair count
//   points    point count x {x, y}
//   metrics   left, bottom, right, top
//   pairs     pair count x {a, b}
//   triangles triangle count x {a, b, c} (point indices)
// A negative code ends the data. A record whose point or triangle count is
// 0 is the 8-byte header alone. Coordinates become v * 1000 / 65536 font
// units; point y is negated (y down), metrics keep y up.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/grow_vector.h"

struct VectorPoint {
  float x, y;
};

struct VectorTriangle {
  int32_t a, b, c;
};

struct VectorPair {
  int32_t a, b;
};

// One character of a vector font.
struct VectorGlyph {
  GrowVector<VectorPoint> points;        // y pointing down
  GrowVector<VectorTriangle> triangles;  // indices into points
  GrowVector<VectorPair> pairs;          // kept from the data, not drawn
  float left, bottom, right, top;        // y pointing up

  // GrowVector record protocol (see core/grow_vector.h).
  void init();
  void assign(const VectorGlyph& other);
  void release();
};
QVL_GROW_VECTOR_RECORD(VectorGlyph);

// The vector font of one font slot; 256 glyphs once built, none while the
// slot holds no vector font.
struct VectorFont {
  GrowVector<VectorGlyph> vector_glyphs;
  float max_width = 0.0f;  // largest right - left of the glyphs built
  float ascent = 0.0f;     // largest top (never below 0)
  float descent = 0.0f;    // smallest bottom (never above 0)

  bool empty() const { return vector_glyphs.count == 0; }
  // Frees every glyph with its lists and the glyph array; metrics become 0.
  void free_glyphs();
};

constexpr int kVectorGlyphCount = 256;

// Builds the 256 glyphs of font from data. The data has no length of its
// own: it ends at its first negative code. Records that would not fit the
// tables are not stored (see the sized form).
void qvl_font_build_vector_glyphs(const void* data, VectorFont& font);

// The same for data of a known size; reading stops at its end. Malformed
// records are handled so that nothing is written outside the tables:
//  - a code above 255 is read past and skipped;
//  - a negative count ends the data (its record has no length);
//  - a triangle that names a point outside its glyph's points is dropped.
void qvl_font_build_vector_glyphs_sized(const void* data, size_t size, VectorFont& font);

// The font-unit value of a 16-bit coordinate of the data.
inline float qvl_font_vector_unit(int16_t v) {
  return static_cast<float>(static_cast<double>(v) * 1000.0 / 65536.0);
}
