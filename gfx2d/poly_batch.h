// The polygon batch: the program adds vertices one by one and the batch
// draws them in one call as a triangle fan, list or strip with per-vertex
// colours. Building the vertex stream is plain arithmetic (PolyBatch's own
// methods); the graphics object's poly_* methods add the GL side.
#pragma once

#include <cstdint>

// One vertex as handed to GL, 20 bytes.
struct PolyVertex {
  float x, y;
  float u, v;
  uint8_t red, green, blue, alpha;
};
static_assert(sizeof(PolyVertex) == 20, "PolyVertex is the GL layout");

enum PolyMode : int { POLY_FAN = 0, POLY_TRIANGLES = 1, POLY_STRIP = 2 };

struct PolyBatch {
  // The vertex block grows by the vector rule (step 128, minimum 512) and
  // is kept between batches, so a frame's polygons cost no allocation.
  PolyVertex* data = nullptr;
  int32_t count = 0;
  int32_t capacity = 0;
  int32_t step = 128;
  int32_t minimum = 512;
  int32_t mode = POLY_FAN;
  int32_t colour_used = 0;
  int32_t new_strip = 0;
  float inverse_width = 0.0f, inverse_height = 0.0f;

  // Empties the batch for a new mode, with room for 150 vertices.
  void begin(int mode);
  // Adds a vertex; `textured` says whether u, v are meaningful (else they
  // are left as they were). Colour 0xBBGGRR; the colour key gives alpha 0,
  // otherwise the global alpha does.
  void add(float x, float y, bool textured, float u, float v, uint32_t colour,
           uint32_t colour_key, float global_alpha);
  // Joins the next vertices to the strip so far by degenerate triangles:
  // the last vertex and the next one are each stored twice.
  void break_strip();
  // Frees the block (at exit).
  void release();

 private:
  // Makes room for n vertices, keeping those in use.
  void reserve(int32_t n);
};

extern PolyBatch qvl_gfx_poly_batch;

// A vertex colour of the batch: 0xBBGGRR as red, green, blue and alpha
// bytes; the colour key gives alpha 0, otherwise the global alpha does.
void qvl_gfx_poly_colour(uint32_t colour, uint32_t colour_key, float global_alpha,
                         uint8_t rgba[4]);

// Frees the batch's block; run at exit.
void qvl_gfx_free_poly_batch();

// One corner of a textured quad: position and texture coordinates.
struct QuadVertex {
  float x, y, u, v;
};

// Draws a quad as a triangle fan with the bound texture (clamped at its
// edges); the path of every sprite blit, rectangle and background.
void qvl_gfx_draw_quad(const QuadVertex quad[4]);

// One vertex of untextured drawing with its own colour, as GL takes a
// colour from glColor4f: red, green, blue and alpha in 0 .. 1.
struct ColourVertex {
  float x, y;
  float r, g, b, a;
};

// What draw_coloured draws: triangles, or lines and points placed as
// draw_line places its line and its end pixel (a line leaves out its last
// pixel; a point is one pixel).
enum class ColourPrimitive { kTriangles, kLines, kPoints };

// A 0xBBGGRR colour as draw_rect and draw_line give it to GL under an
// alpha mode whose alpha is `alpha`: the colour key transparent.
ColourVertex qvl_gfx_colour_vertex(float x, float y, uint32_t colour, float alpha);
// The same colour as a vertex of the polygon batch carries it (in bytes).
ColourVertex qvl_gfx_poly_colour_vertex(float x, float y, uint32_t colour, float alpha);

// The two edges of a rectangle side at `pos` with size `size`: a negative
// size covers the |size| pixels that end at `pos`. In 64 bits, so that no
// position and size a program passes overflows.
struct RectEdges {
  int64_t lo, hi;
};
RectEdges qvl_gfx_rect_edges(int pos, int size);
