#include "gfx2d/sprite_batch.h"

#include <GL/gl.h>

#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/poly_batch.h"

bool qvl_gfx_sprites_waiting = false;
bool qvl_gfx_batching = true;

namespace {

// A draw call takes at most this many quads: larger ones make Mesa allocate
// its upload buffer anew for every call, which costs more than the calls
// saved (and 16-bit indices reach 16384 quads).
constexpr int kMaxQuads = 2048;

// The triangles of a quad: a fan (0 1 2, 0 2 3) as GL splits it, and a
// strip's (0 1 2, 2 1 3), whose second triangle GL turns round to keep the
// winding.
constexpr uint16_t kFanOrder[6] = {0, 1, 2, 0, 2, 3};
constexpr uint16_t kStripOrder[6] = {0, 1, 2, 2, 1, 3};

struct Batch {
  uint32_t texture = 0;
  int quads = 0;
  TexVertex vertices[kMaxQuads * 4];
  uint16_t indices[kMaxQuads * 6];
};

Batch g_batch;

Batch& batch() { return g_batch; }

// Room for one more quad with this texture; draws what waits when full.
int next_quad(Batch& b, uint32_t texture) {
  if (qvl_gfx_sprites_waiting && (b.quads == kMaxQuads || b.texture != texture))
    qvl_gfx_draw_waiting_sprites();
  b.texture = texture;
  qvl_gfx_sprites_waiting = true;
  return b.quads++;
}

void add_indices(Batch& b, int quad, const uint16_t order[6]) {
  const uint16_t base = static_cast<uint16_t>(quad * 4);
  uint16_t* to = &b.indices[quad * 6];
  for (int k = 0; k < 6; ++k) to[k] = static_cast<uint16_t>(base + order[k]);
}

}  // namespace

void qvl_gfx_draw_waiting_sprites() {
  Batch& b = batch();
  qvl_gfx_sprites_waiting = false;
  if (b.quads == 0) return;
  const float* base = &b.vertices[0].x;
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, sizeof(TexVertex), base);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, sizeof(TexVertex), base + 3);
  glDrawRangeElements(GL_TRIANGLES, 0, static_cast<GLuint>(b.quads * 4 - 1), b.quads * 6,
                      GL_UNSIGNED_SHORT, b.indices);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  b.quads = 0;
}

void qvl_gfx_hand_over() {
  qvl_gfx_flush_sprites();
  glFlush();
}

bool qvl_gfx_batch_samples(uint32_t texture) {
  return qvl_gfx_sprites_waiting && batch().texture == texture;
}

void qvl_gfx_batch_quads(uint32_t texture, QuadOrder order, const TexVertex* vertices,
                         int quads) {
  Batch& b = batch();
  const uint16_t* pattern = order == QuadOrder::kFan ? kFanOrder : kStripOrder;
  for (int i = 0; i < quads; ++i) {
    const int q = next_quad(b, texture);
    for (int k = 0; k < 4; ++k) b.vertices[q * 4 + k] = vertices[i * 4 + k];
    add_indices(b, q, pattern);
  }
}

void qvl_gfx_batch_fan(uint32_t texture, const QuadVertex quad[4]) {
  Batch& b = batch();
  const int q = next_quad(b, texture);
  for (int k = 0; k < 4; ++k)
    b.vertices[q * 4 + k] = TexVertex{quad[k].x, quad[k].y, 0.0f, quad[k].u, quad[k].v};
  add_indices(b, q, kFanOrder);
}
