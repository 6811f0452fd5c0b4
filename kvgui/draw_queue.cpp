#include "kvgui/draw_queue.h"

#include <algorithm>

#include "gfx2d/sprite_batch.h"

namespace {

constexpr int kCell = 32;  // grid cells are kCell x kCell pixels

// The other box lies wholly inside the ring's border, where it draws nothing.
bool inside_ring(const KvguiBox& ring, const KvguiBox& other) {
  return other.x0 > ring.x0 && other.x1 < ring.x1 && other.y0 > ring.y0 && other.y1 < ring.y1;
}

}  // namespace

bool kvgui_boxes_touch(const KvguiBox& a, const KvguiBox& b) {
  if (a.x0 >= b.x1 || b.x0 >= a.x1 || a.y0 >= b.y1 || b.y0 >= a.y1) return false;
  if (a.ring && inside_ring(a, b)) return false;
  if (b.ring && inside_ring(b, a)) return false;
  return true;
}

void KvguiDrawQueue::start(int surface_w, int surface_h) {
  columns_ = std::max(1, (surface_w + kCell - 1) / kCell);
  rows_ = std::max(1, (surface_h + kCell - 1) / kCell);
  cells_.resize(size_t(columns_) * size_t(rows_));
  for (std::vector<int>& cell : cells_) cell.clear();
  primitives_.clear();
  layers_.clear();
  batches_used_ = 0;
}

int KvguiDrawQueue::cell_column(int x) const {
  return x < 0 ? 0 : std::min(columns_ - 1, x / kCell);
}

int KvguiDrawQueue::cell_row(int y) const { return y < 0 ? 0 : std::min(rows_ - 1, y / kCell); }

int KvguiDrawQueue::latest_overlapped(const KvguiBox& box) const {
  int latest = -1;
  const int c0 = cell_column(box.x0), c1 = cell_column(box.x1 - 1);
  const int r0 = cell_row(box.y0), r1 = cell_row(box.y1 - 1);
  for (int r = r0; r <= r1; ++r) {
    for (int c = c0; c <= c1; ++c) {
      for (int i : cells_[size_t(r) * size_t(columns_) + size_t(c)]) {
        const Primitive& p = primitives_[size_t(i)];
        if (p.position > latest && kvgui_boxes_touch(p.box, box)) latest = p.position;
      }
    }
  }
  return latest;
}

void KvguiDrawQueue::remember(const KvguiBox& box, int position) {
  const int index = static_cast<int>(primitives_.size());
  primitives_.push_back(Primitive{box, position});
  const int c0 = cell_column(box.x0), c1 = cell_column(box.x1 - 1);
  const int r0 = cell_row(box.y0), r1 = cell_row(box.y1 - 1);
  for (int r = r0; r <= r1; ++r)
    for (int c = c0; c <= c1; ++c) cells_[size_t(r) * size_t(columns_) + size_t(c)].push_back(index);
}

int KvguiDrawQueue::open_batch(Kind kind, int source, float alpha_mode) {
  if (batches_used_ == static_cast<int>(batches_.size())) batches_.emplace_back();
  Batch& b = batches_[size_t(batches_used_)];
  b.kind = kind;
  b.source = source;
  b.alpha_mode = alpha_mode;
  b.colours.clear();
  b.indices.clear();
  b.chunks.clear();
  b.glyphs.clear();
  b.sprites.clear();
  return batches_used_++;
}

KvguiDrawQueue::Batch& KvguiDrawQueue::place(Kind kind, int source, float alpha_mode,
                                             const KvguiBox& box) {
  const int latest = latest_overlapped(box);
  for (size_t layer = latest < 0 ? 0 : size_t(latest / kSlots);; ++layer) {
    if (layer == layers_.size()) {
      Layer fresh;
      std::fill(std::begin(fresh.slots), std::end(fresh.slots), -1);
      layers_.push_back(fresh);
    }
    Layer& l = layers_[layer];
    // In the layer of the latest overlapped primitive only its own batch
    // and the ones drawn after it will do.
    const int lowest = latest >= 0 && size_t(latest / kSlots) == layer ? latest % kSlots : 0;
    int slot = -1;
    if (kind < GLYPHS) {
      if (kind >= lowest) slot = kind;
    } else {
      for (int s = l.used - 1; s >= std::max(3, lowest) && slot < 0; --s) {
        const Batch& b = batches_[size_t(l.slots[s])];
        if (b.kind == kind && b.source == source && b.alpha_mode == alpha_mode) slot = s;
      }
      if (slot < 0 && l.used < kSlots) slot = l.used++;
    }
    if (slot < 0) continue;
    if (l.slots[slot] < 0) l.slots[slot] = open_batch(kind, source, alpha_mode);
    remember(box, static_cast<int>(layer) * kSlots + slot);
    return batches_[size_t(l.slots[slot])];
  }
}

void KvguiDrawQueue::Batch::add_colours(const ColourVertex* v, int count, const uint16_t* index,
                                        int index_count) {
  if (chunks.empty() || int(colours.size()) - chunks.back().vertex + count > kChunkVertices)
    chunks.push_back(Chunk{int(colours.size()), int(indices.size())});
  const int base = int(colours.size()) - chunks.back().vertex;
  colours.insert(colours.end(), v, v + count);
  for (int i = 0; i < index_count; ++i) indices.push_back(static_cast<uint16_t>(base + index[i]));
}

void KvguiDrawQueue::add_faces(const ColourVertex* v, int count, const uint16_t* indices,
                               int index_count, const KvguiBox& box) {
  if (count <= 0 || index_count <= 0 || box.empty()) return;
  place(FACES, 0, -1.0f, box).add_colours(v, count, indices, index_count);
}

void KvguiDrawQueue::add_lines(const ColourVertex* v, int count, const KvguiBox& box) {
  if (count <= 0 || box.empty()) return;
  place(LINES, 0, -1.0f, box).add_colours(v, count, nullptr, 0);
}

void KvguiDrawQueue::add_points(const ColourVertex* v, int count, const KvguiBox& box) {
  if (count <= 0 || box.empty()) return;
  place(POINTS, 0, -1.0f, box).add_colours(v, count, nullptr, 0);
}

void KvguiDrawQueue::add_glyphs(int slot, float alpha_mode, const TexVertex* v, int quads,
                                const KvguiBox& box) {
  if (quads <= 0 || box.empty()) return;
  std::vector<TexVertex>& to = place(GLYPHS, slot, alpha_mode, box).glyphs;
  to.insert(to.end(), v, v + 4 * quads);
}

void KvguiDrawQueue::add_sprites(int sprite, float alpha_mode, const QuadVertex* v, int quads,
                                 const KvguiBox& box) {
  if (quads <= 0 || box.empty()) return;
  std::vector<QuadVertex>& to = place(SPRITES, sprite, alpha_mode, box).sprites;
  to.insert(to.end(), v, v + 4 * quads);
}

int KvguiDrawQueue::draw(OpenGLRainbows& gfx) {
  int drawn = 0, since_hand_over = 0;
  for (const Layer& l : layers_) {
    for (int s = 0; s < l.used; ++s) {
      if (l.slots[s] < 0) continue;
      const Batch& b = batches_[size_t(l.slots[s])];
      if (since_hand_over >= kHandOverVertices) {
        qvl_gfx_hand_over();
        since_hand_over = 0;
      }
      since_hand_over += static_cast<int>(b.colours.size() + b.glyphs.size() + b.sprites.size());
      switch (b.kind) {
        case FACES:
        case LINES:
        case POINTS: {
          // The colours carry their alpha; the blending is the usual one.
          if (!(gfx.blend_value < 0.0f)) gfx.set_alpha_mode(-1.0f);
          const ColourPrimitive primitive = b.kind == FACES   ? ColourPrimitive::kTriangles
                                            : b.kind == LINES ? ColourPrimitive::kLines
                                                              : ColourPrimitive::kPoints;
          for (size_t c = 0; c < b.chunks.size(); ++c) {
            const bool last = c + 1 == b.chunks.size();
            const Chunk from = b.chunks[c];
            const Chunk to = last ? Chunk{int(b.colours.size()), int(b.indices.size())}
                                  : b.chunks[c + 1];
            gfx.draw_coloured(primitive, b.colours.data() + from.vertex, to.vertex - from.vertex,
                              b.kind == FACES ? b.indices.data() + from.index : nullptr,
                              to.index - from.index);
          }
          break;
        }
        case GLYPHS:
          gfx.set_alpha_mode(b.alpha_mode);
          gfx.draw_glyph_quads(b.source, b.glyphs.data(), static_cast<int>(b.glyphs.size() / 4));
          break;
        case SPRITES:
          gfx.set_alpha_mode(b.alpha_mode);
          gfx.draw_sprite_quads(b.source, b.sprites.data(), static_cast<int>(b.sprites.size() / 4));
          break;
      }
      ++drawn;
    }
  }
  qvl_gfx_flush_sprites();
  start(columns_ * kCell, rows_ * kCell);
  return drawn;
}
