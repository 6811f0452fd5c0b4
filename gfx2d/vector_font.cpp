// Building vector fonts from their data and measuring vector text. No GL
// here: printing lives in gfx2d/vector_text.cpp.
#include "gfx2d/vector_font.h"

#include <algorithm>
#include <cstring>

#include "gfx2d/vector_text_width.h"

void VectorGlyph::init() { left = bottom = right = top = 0.0f; }

namespace {

template <class T>
bool copy_list(GrowVector<T>& to, const GrowVector<T>& from) {
  to.count = 0;
  if (!to.reserve(from.count)) return false;
  if (from.count > 0) std::memcpy(to.data, from.data, sizeof(T) * from.count);
  to.count = from.count;
  return true;
}

}  // namespace

void VectorGlyph::assign(const VectorGlyph& other) {
  if (&other == this) return;
  copy_list(points, other.points);
  copy_list(triangles, other.triangles);
  copy_list(pairs, other.pairs);
  left = other.left;
  bottom = other.bottom;
  right = other.right;
  top = other.top;
}

void VectorGlyph::release() {
  pairs.clear(true);
  triangles.clear(true);
  points.clear(true);
}

void VectorFont::free_glyphs() {
  vector_glyphs.clear(true);
  max_width = ascent = descent = 0.0f;
}

namespace {

// Reads signed 16-bit little-endian values from a block that may or may not
// have a known end; every read checks that the values lie inside it.
class DataReader {
 public:
  DataReader(const void* data, size_t size)
      : bytes_(static_cast<const uint8_t*>(data)), size_(size) {}

  bool has(size_t values) const {
    return values <= (size_ - pos_) / 2;
  }
  int16_t next() {
    const uint8_t* p = bytes_ + pos_;
    pos_ += 2;
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
  }
  void skip(size_t values) { pos_ += values * 2; }

 private:
  const uint8_t* bytes_;
  size_t size_;
  size_t pos_ = 0;
};

struct RecordHeader {
  int code, points, triangles, pairs;
};

// Values a record holds after its header.
size_t record_body(const RecordHeader& h) {
  return static_cast<size_t>(h.points) * 2 + 4 + static_cast<size_t>(h.pairs) * 2 +
         static_cast<size_t>(h.triangles) * 3;
}

// Stores one record's body into glyph g; false when a list cannot grow.
bool read_glyph(DataReader& in, const RecordHeader& h, VectorGlyph& g, VectorFont& font) {
  if (!g.points.reserve(h.points) || !g.pairs.reserve(h.pairs) ||
      !g.triangles.reserve(h.triangles))
    return false;
  for (int i = 0; i < h.points; ++i) {
    const int16_t x = in.next();
    const int16_t y = in.next();
    g.points[i] = VectorPoint{qvl_font_vector_unit(x), -qvl_font_vector_unit(y)};
  }
  g.points.count = h.points;
  g.left = qvl_font_vector_unit(in.next());
  g.bottom = qvl_font_vector_unit(in.next());
  g.right = qvl_font_vector_unit(in.next());
  g.top = qvl_font_vector_unit(in.next());
  font.max_width = std::max(font.max_width, g.right - g.left);
  font.ascent = std::max(font.ascent, g.top);
  font.descent = std::min(font.descent, g.bottom);
  for (int i = 0; i < h.pairs; ++i) {
    const int32_t a = in.next();
    const int32_t b = in.next();
    g.pairs[i] = VectorPair{a, b};
  }
  g.pairs.count = h.pairs;
  // Triangles are drawn by indexing the points: one that names a point the
  // glyph does not have would read outside them, so it is left out.
  int kept = 0;
  for (int i = 0; i < h.triangles; ++i) {
    const int32_t a = in.next();
    const int32_t b = in.next();
    const int32_t c = in.next();
    auto ok = [&](int32_t k) { return k >= 0 && k < h.points; };
    if (ok(a) && ok(b) && ok(c)) g.triangles[kept++] = VectorTriangle{a, b, c};
  }
  g.triangles.count = kept;
  return true;
}

}  // namespace

void qvl_font_build_vector_glyphs_sized(const void* data, size_t size, VectorFont& font) {
  font.free_glyphs();
  if (!font.vector_glyphs.reserve(kVectorGlyphCount)) return;
  font.vector_glyphs.count = kVectorGlyphCount;
  if (!data) return;
  DataReader in(data, size);
  // The code comes first so that data ending in a lone negative value is
  // not read beyond it.
  while (in.has(1)) {
    RecordHeader h{};
    h.code = in.next();
    if (h.code < 0 || !in.has(3)) break;
    h.points = in.next();
    h.triangles = in.next();
    h.pairs = in.next();
    if (h.points == 0 || h.triangles == 0) continue;
    // A negative count gives the record no length: nothing after it can be
    // found, so the data ends here.
    if (h.points < 0 || h.triangles < 0 || h.pairs < 0) break;
    const size_t body = record_body(h);
    if (!in.has(body)) break;
    if (h.code >= kVectorGlyphCount) {  // no such glyph: read past it
      in.skip(body);
      continue;
    }
    if (!read_glyph(in, h, font.vector_glyphs[h.code], font)) break;
  }
}

void qvl_font_build_vector_glyphs(const void* data, VectorFont& font) {
  qvl_font_build_vector_glyphs_sized(data, SIZE_MAX, font);
}

float qvl_font_vector_blank_advance(const VectorFont& font, float scale) {
  const VectorGlyph& e = font.vector_glyphs[101];  // the letter e
  return scale * (e.right - e.left);
}

int qvl_font_vector_text_width(const VectorFont& font, float scale, const char* text,
                               int proportional) {
  if (font.empty()) return 0;
  const float a = qvl_font_vector_blank_advance(font, scale);
  if (!text || !*text) return 1;
  float width = 1.0f;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    if (*p < 33) {
      width += a;
      continue;
    }
    const VectorGlyph& g = font.vector_glyphs[*p];
    width += (proportional ? scale * (g.right - g.left) : scale * font.max_width) + a * 0.25f;
  }
  return static_cast<int>(width);
}
