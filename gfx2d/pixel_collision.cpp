// Pixel-exact collision: two sprites collide where both are opaque. Each
// sprite's alpha is read back from its texture once into a mask of one byte
// per texel (rows bottom-up, as the texture holds them) and kept until the
// sprite gets a new image.
#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/texture_state.h"

namespace {

bool valid_id(int id) { return id >= 0 && id < kSpriteCount; }

// One sprite placed with its image's top-left at (x0, y0).
struct Placed {
  const uint8_t* mask;
  const SpriteSlot* slot;
  int64_t x0, y0;

  // Screen pixel (X, Y) is opaque. Outside the image nothing is, whatever
  // frame or rectangle led there.
  bool opaque(int64_t X, int64_t Y) const {
    int64_t col = X - x0, row = Y - y0;
    if (col < 0 || row < 0 || col >= slot->img_width || row >= slot->img_height) return false;
    return mask[row_start(Y) + col] != 0;
  }
  // Index of the mask byte of screen row Y's first image column.
  int64_t row_start(int64_t Y) const {
    return int64_t{slot->tex_width} * (slot->img_height - 1 - (Y - y0));
  }
};

bool both_opaque(const Placed& a, const Placed& b, int64_t X, int64_t Y) {
  return a.opaque(X, Y) && b.opaque(X, Y);
}

// Tests the rectangle: its centre first, then every second row and column,
// then the pixels between, so that large overlaps are found early.
bool overlap(OpenGLRainbows& gfx, int a, int64_t xa, int64_t ya, int b, int64_t xb, int64_t yb,
             int64_t left, int64_t top, int64_t right, int64_t bottom) {
  if (!valid_id(a) || !valid_id(b)) return false;
  gfx.ensure_alpha_mask(a);
  gfx.ensure_alpha_mask(b);
  if (!gfx.alpha_masks[a] || !gfx.alpha_masks[b]) return false;
  Placed pa{gfx.alpha_masks[a], &gfx.sprites[a], xa, ya};
  Placed pb{gfx.alpha_masks[b], &gfx.sprites[b], xb, yb};
  // Nothing outside both images can collide.
  left = std::max({left, xa, xb});
  top = std::max({top, ya, yb});
  right = std::min({right, xa + pa.slot->img_width, xb + pb.slot->img_width});
  bottom = std::min({bottom, ya + pa.slot->img_height, yb + pb.slot->img_height});
  if (right <= left || bottom <= top) return false;

  if (both_opaque(pa, pb, left + (right - left) / 2, top + (bottom - top) / 2)) return true;
  // Inside the clipped rectangle every lookup lies in both images, so the
  // passes index the masks directly, a row at a time.
  for (int64_t row_start : {top, top + 1})
    for (int64_t col_start : {left, left + 1})
      for (int64_t Y = row_start; Y < bottom; Y += 2) {
        const uint8_t* ra = pa.mask + pa.row_start(Y);
        const uint8_t* rb = pb.mask + pb.row_start(Y);
        for (int64_t X = col_start; X < right; X += 2)
          if (ra[X - xa] && rb[X - xb]) return true;
      }
  return false;
}

// The frame's top-left in the image; false when the frame lies outside it.
bool frame_offset(const SpriteSlot& s, int n, int64_t* ox, int64_t* oy) {
  if (s.anim_width <= 0) {
    *ox = *oy = 0;
    return true;
  }
  int per_row = s.img_width / s.anim_width;
  if (per_row != 0) {
    *ox = int64_t{s.anim_width} * (n % per_row);
    *oy = int64_t{n / per_row} * s.anim_height;
  } else {
    *ox = 0;
    *oy = int64_t{n} * s.anim_height;
  }
  return *ox >= 0 && *oy >= 0 && *ox < s.img_width && *oy < s.img_height;
}

}  // namespace

void OpenGLRainbows::fetch_alpha_mask(int id) {
  if (!valid_id(id)) return;
  std::free(alpha_masks[id]);
  alpha_masks[id] = nullptr;
  const SpriteSlot& s = sprites[id];
  if (s.img_width <= 0 || s.img_height <= 0 || s.texture == 0) return;
  qvl_gfx_flush_sprites();  // quads waiting may draw into this texture
  qvl_gfx_tex_bind(s.texture);
  GLint w = 0, h = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  if (w <= 0 || h <= 0) {
    w = s.tex_width;
    h = s.tex_height;
  }
  // Room for GL's level and for every lookup the record allows.
  size_t bytes = std::max({size_t(w) * size_t(h), size_t(s.tex_width) * size_t(s.tex_height),
                           size_t{64}});
  auto* mask = static_cast<uint8_t*>(std::calloc(bytes, 1));
  if (!mask) return;
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, mask);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  alpha_masks[id] = mask;
}

void OpenGLRainbows::ensure_alpha_mask(int id) {
  if (valid_id(id) && !alpha_masks[id]) fetch_alpha_mask(id);
}

bool OpenGLRainbows::masks_overlap(int a, int xa, int ya, int b, int xb, int yb, int left,
                                   int top, int right, int bottom) {
  return overlap(*this, a, xa, ya, b, xb, yb, left, top, right, bottom);
}

bool OpenGLRainbows::sprite_collision(int a, int b, int xa, int ya, int xb, int yb) {
  if (!valid_id(a) || !valid_id(b)) return false;
  const SpriteSlot& sa = sprites[a];
  const SpriteSlot& sb = sprites[b];
  int64_t right = std::min(int64_t{xa} + sa.img_width, int64_t{xb} + sb.img_width);
  int64_t left = std::max(xa, xb);
  int64_t bottom = std::min(int64_t{ya} + sa.img_height, int64_t{yb} + sb.img_height);
  int64_t top = std::max(ya, yb);
  if (right <= left || bottom <= top) return false;
  return overlap(*this, a, xa, ya, b, xb, yb, left, top, right, bottom);
}

bool OpenGLRainbows::anim_collision(int a, int na, int xa, int ya, int b, int nb, int xb,
                                    int yb) {
  if (!valid_id(a) || !valid_id(b)) return false;
  const SpriteSlot& sa = sprites[a];
  const SpriteSlot& sb = sprites[b];
  int64_t oxa, oya, oxb, oyb;
  if (!frame_offset(sa, na, &oxa, &oya) || !frame_offset(sb, nb, &oxb, &oyb)) return false;
  int64_t wa = sa.anim_width > 0 ? sa.anim_width : sa.img_width;
  int64_t ha = sa.anim_width > 0 ? sa.anim_height : sa.img_height;
  int64_t wb = sb.anim_width > 0 ? sb.anim_width : sb.img_width;
  int64_t hb = sb.anim_width > 0 ? sb.anim_height : sb.img_height;
  int64_t right = std::min(xa + wa, xb + wb);
  int64_t left = std::max(xa, xb);
  int64_t bottom = std::min(ya + ha, yb + hb);
  int64_t top = std::max(ya, yb);
  if (right <= left || bottom <= top) return false;
  return overlap(*this, a, xa - oxa, ya - oya, b, xb - oxb, yb - oyb, left, top, right, bottom);
}

bool OpenGLRainbows::rect_mask_overlap(int a, int xa, int ya, int b, int xb, int yb, int left,
                                       int top, int right, int bottom) {
  if (top == bottom || left == right) return false;
  return overlap(*this, a, xa, ya, b, xb, yb, left, top, right, bottom);
}
