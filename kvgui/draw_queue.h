// What a dialog draws, gathered in the drawing surface's pixels and sent to
// GL in a few batches instead of a draw call or two a rectangle, line or
// caption: one batch of untextured faces (rectangles, gradients, triangles,
// with a colour per vertex), one of lines, one of the lines' end pixels,
// and one per texture and alpha for glyphs and for sprites.
//
// Batches are drawn in layers, each layer in the order faces, lines,
// points, then its textured batches as they were opened. A primitive goes
// after everything it overlaps that was added before it: into the batch of
// the latest such primitive or one drawn later, in the first layer from
// that primitive's on where one fits. Faces, lines and points have one
// batch a layer; glyphs and sprites join the latest batch of their texture
// and alpha mode there, or open one while the layer has room. What a
// primitive does not overlap may be drawn before or after it alike. So the
// picture is the one that drawing each primitive at once in the order
// given makes, while widgets side by side share their batches.
//
// Overlap is tested on boxes of pixels: [x0, x1) x [y0, y1), or for an
// outline only the box's one-pixel border. A grid of cells over the surface
// keeps the test to the primitives near a box.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/poly_batch.h"

struct KvguiBox {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool ring = false;  // only the border: the pixels inside it stay free

  bool empty() const { return x0 >= x1 || y0 >= y1; }
};

// Whether two boxes may touch a pixel in common.
bool kvgui_boxes_touch(const KvguiBox& a, const KvguiBox& b);

class KvguiDrawQueue {
 public:
  // A new queue for a surface of w x h pixels (boxes beyond it are kept
  // in the grid's border cells).
  void start(int surface_w, int surface_h);
  bool empty() const { return primitives_.empty(); }

  // Untextured triangles (three indices into v each), lines (two vertices
  // each, without their end pixel) and points.
  void add_faces(const ColourVertex* v, int count, const uint16_t* indices, int index_count,
                 const KvguiBox& box);
  void add_lines(const ColourVertex* v, int count, const KvguiBox& box);
  void add_points(const ColourVertex* v, int count, const KvguiBox& box);
  // Glyph quads of a font slot (four strip vertices each) and sprite quads
  // (four fan corners each), drawn at the given alpha mode.
  void add_glyphs(int slot, float alpha_mode, const TexVertex* v, int quads, const KvguiBox& box);
  void add_sprites(int sprite, float alpha_mode, const QuadVertex* v, int quads,
                   const KvguiBox& box);

  // Draws the batches, layer by layer, into the viewport in force (the
  // whole surface at zoom 1), and empties the queue. Leaves the alpha mode
  // of the last textured batch. Returns the number of batches drawn.
  int draw(OpenGLRainbows& gfx);

 private:
  enum Kind : uint8_t { FACES, LINES, POINTS, GLYPHS, SPRITES };
  static constexpr int kSlots = 32;  // a layer's batches: 3 untextured, the rest textured
  // A draw call takes at most this many untextured vertices: larger ones
  // make Mesa allocate its upload buffer anew for every call.
  static constexpr int kChunkVertices = 8192;
  // GL is handed what it has been given once batches of this many vertices
  // have gone out since the last time (qvl_gfx_hand_over).
  static constexpr int kHandOverVertices = 4096;

  // Where a draw call of an untextured batch begins.
  struct Chunk {
    int vertex, index;
  };
  struct Batch {
    Kind kind = FACES;
    int source = 0;  // font slot or sprite id
    float alpha_mode = -1.0f;
    std::vector<ColourVertex> colours;
    std::vector<uint16_t> indices;  // faces: into their chunk's vertices
    std::vector<Chunk> chunks;
    std::vector<TexVertex> glyphs;
    std::vector<QuadVertex> sprites;

    void add_colours(const ColourVertex* v, int count, const uint16_t* index, int index_count);
  };
  struct Layer {
    int slots[kSlots];
    int used = 3;  // slots 0..2 are the untextured kinds, -1 until opened
  };
  struct Primitive {
    KvguiBox box;
    int position;  // layer * kSlots + slot: the order it is drawn in
  };

  Batch& place(Kind kind, int source, float alpha_mode, const KvguiBox& box);
  int latest_overlapped(const KvguiBox& box) const;
  void remember(const KvguiBox& box, int position);
  int open_batch(Kind kind, int source, float alpha_mode);
  int cell_column(int x) const;
  int cell_row(int y) const;

  std::vector<Batch> batches_;  // kept between frames for their storage
  int batches_used_ = 0;
  std::vector<Layer> layers_;
  std::vector<Primitive> primitives_;
  std::vector<std::vector<int>> cells_;
  int columns_ = 1, rows_ = 1;
};
