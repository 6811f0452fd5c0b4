#include "gfx2d/texture_upload.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/texture_state.h"

int qvl_tex_size_for(int n) {
  int size = 16;
  while (size < n && size < (1 << 30)) size *= 2;
  return size;
}

int64_t qvl_tex_texels_for(int64_t w, int64_t h, bool mips) {
  // qvl_tex_size_for holds sides at 2^30, so the sums below stay inside 64
  // bits for any sides a header declares.
  auto rounded = [](int64_t n) {
    return int64_t{qvl_tex_size_for(static_cast<int>(std::min<int64_t>(n, int64_t{1} << 30)))};
  };
  const int64_t tw = rounded(w), th = rounded(h);
  int64_t texels = tw * th;
  if (mips) {
    for (int64_t side = std::min(tw, th); side >= 1; side /= 2) texels += side * side;
  }
  return texels;
}

void qvl_tex_fill_buffer(const uint8_t* image, int image_w, int image_h, int x, int y, int cw,
                         int ch, uint8_t* buffer, int tw, int th) {
  std::memset(buffer, 0, static_cast<size_t>(tw) * th * 4);
  int c0 = std::max(x, 0), c1 = std::min(x + cw, image_w);
  int r0 = std::max(y, 0), r1 = std::min(y + ch, image_h);
  if (c0 >= c1) return;
  size_t bytes = static_cast<size_t>(c1 - c0) * 4;
  for (int r = r0; r < r1; ++r) {
    const uint8_t* from = image + (static_cast<size_t>(r) * image_w + c0) * 4;
    uint8_t* to = buffer + (static_cast<size_t>(ch - 1 - (r - y)) * tw + (c0 - x)) * 4;
    std::memcpy(to, from, bytes);
  }
}

void qvl_tex_mip_make_square(uint8_t* b, int* w, int* h) {
  while (*h < *w) {
    int nw = *w / 2;
    for (int row = 0; row < *h; ++row) {
      for (int j = 0; j < nw; ++j) {
        const uint8_t* a = b + (static_cast<size_t>(row) * *w + 2 * j) * 4;
        uint8_t* to = b + (static_cast<size_t>(row) * nw + j) * 4;
        for (int k = 0; k < 4; ++k) to[k] = static_cast<uint8_t>((a[k] + a[k + 4]) >> 1);
      }
    }
    *w = nw;
  }
  while (*w < *h) {
    int nh = *h / 2;
    size_t row_bytes = static_cast<size_t>(*w) * 4;
    for (int k = 0; k < nh; ++k) {
      const uint8_t* a = b + 2 * k * row_bytes;
      const uint8_t* c = a + row_bytes;
      uint8_t* to = b + k * row_bytes;
      for (size_t i = 0; i < row_bytes; ++i) to[i] = static_cast<uint8_t>((a[i] + c[i]) >> 1);
    }
    *h = nh;
  }
}

void qvl_tex_mip_next_level(uint8_t* b, int w, int h) {
  int nw = w / 2, nh = h / 2;
  // Every source pixel lies at or after the pixel written from it, so the
  // level can be computed in place front to back.
  auto at = [&](int i, int j) { return b + (static_cast<size_t>(j) * w + i) * 4; };
  for (int j = 0; j < nh; ++j) {
    for (int i = 0; i < nw; ++i) {
      const uint8_t* s = at(2 * i, 2 * j);
      bool last_col = i == nw - 1, last_row = j == nh - 1;
      uint8_t out[4];
      for (int k = 0; k < 4; ++k) {
        int v;
        if (!last_col && !last_row) {
          const uint8_t* d = at(2 * i, 2 * j + 2);
          v = (4 * s[k] + 2 * s[k + 4] + 2 * d[k + 4] + d[k]) / 9;
        } else if (last_col && !last_row) {
          v = (2 * s[k] + at(2 * i, 2 * j + 2)[k]) / 3;
        } else if (!last_col && last_row) {
          v = (2 * s[k] + s[k + 4]) / 3;
        } else {
          v = s[k];
        }
        out[k] = static_cast<uint8_t>(v);
      }
      std::memcpy(b + (static_cast<size_t>(j) * nw + i) * 4, out, 4);
    }
  }
}

bool qvl_tex_normal_map_rgba(uint8_t* pixels, int w, int h) {
  if (w <= 0 || h <= 0) return true;
  size_t bytes = static_cast<size_t>(w) * h * 4;
  uint8_t* out = static_cast<uint8_t*>(std::calloc(bytes, 1));
  if (!out) return false;
  // Neighbours wrap on both axes; the left and upper neighbours of the first
  // column and row are the last ones, never index -1.
  auto H = [&](int c, int r) {
    c = (c + w) % w;
    r = (r + h) % h;
    return pixels[(static_cast<size_t>(r) * w + c) * 4 + 2] / 255.0f;
  };
  for (int r = 0; r < h; ++r) {
    for (int c = 0; c < w; ++c) {
      float nx = -((H(c + 1, r + 1) + 2 * H(c + 1, r) + H(c + 1, r - 1)) -
                   (H(c - 1, r + 1) + 2 * H(c - 1, r) + H(c - 1, r - 1)));
      float ny = (H(c - 1, r + 1) + 2 * H(c, r + 1) + H(c + 1, r + 1)) -
                 (H(c - 1, r - 1) + 2 * H(c, r - 1) + H(c + 1, r - 1));
      float len = std::sqrt(nx * nx + ny * ny + 1.0f);
      size_t p = (static_cast<size_t>(r) * w + c) * 4;
      out[p + 0] = static_cast<uint8_t>((nx / len + 1.0f) * 0.5f * 255.0f);
      out[p + 1] = static_cast<uint8_t>((ny / len + 1.0f) * 0.5f * 255.0f);
      out[p + 2] = static_cast<uint8_t>((1.0f / len + 1.0f) * 0.5f * 255.0f);
      out[p + 3] = pixels[p + 3];
    }
  }
  std::memcpy(pixels, out, bytes);
  std::free(out);
  return true;
}

void qvl_tex_height_to_normal_map(PixelImage& image) {
  qvl_tex_normal_map_rgba(image.pixels, image.width, image.height);
}

void qvl_tex_set_parameters(int min_filter, int mag_filter) {
  qvl_gfx_tex_set_wrap(GL_REPEAT);
  qvl_gfx_tex_set_filters(min_filter, mag_filter);
}

int qvl_tex_max_size() {
  GLint max = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max);
  return std::min<int>(max, kTexRecordMaxSize);
}

void qvl_tex_reset_unpack_store() {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
}

namespace {

// A name the slot already holds is deleted and bound again, so the sprite
// keeps its texture name across uploads.
// The name is kept when there is one, but its texture made anew.
void bind_reused_name(uint32_t* name, GLint filter) {
  if (*name != 0) {
    qvl_gfx_tex_delete(*name);
  } else {
    qvl_gfx_tex_generate(name);
  }
  qvl_gfx_tex_bind(*name);
  qvl_tex_set_parameters(filter, filter);
}

// The mipmapped twin, built from the upload buffer itself: squared, then
// every level computed in place and uploaded.
void upload_mip_chain(uint8_t* buffer, int w, int h, uint32_t* mip) {
  qvl_tex_reset_unpack_store();
  qvl_gfx_tex_generate(mip);
  qvl_gfx_tex_bind(*mip);
  qvl_tex_set_parameters(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR);
  qvl_tex_mip_make_square(buffer, &w, &h);
  for (int level = 0;; ++level) {
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, buffer);
    if (w / 2 < 1 && h / 2 < 1) break;
    qvl_tex_mip_next_level(buffer, w, h);
    w /= 2;
    h /= 2;
  }
}

// Level 0 of a tw x th texture holding the rectangle (x, y, cw, ch) of the
// image, as qvl_tex_fill_buffer lays it out, without a padded copy of the
// picture: the texture is made empty and filled a band of rows at a time
// through one small block of the texture's width, the rows turned
// bottom-up and the padding transparent black. (GL's unpack state can skip
// rows and pixels but cannot walk rows backwards, and a call per row costs
// several times the copy.) False when the block cannot be had.
bool upload_level0(const PixelImage& image, int x, int y, int cw, int ch, int tw, int th) {
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  const size_t stride = static_cast<size_t>(tw) * 4;
  const int band = std::max(1, std::min(th, static_cast<int>((4u << 20) / stride)));
  uint8_t* block = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(band), stride));
  if (!block) return false;
  const int c0 = std::max(x, 0), c1 = std::min(x + cw, image.width);
  const bool columns = image.pixels && c0 < c1;
  // Texture row t holds image row y + ch - 1 - t; rows from ch up are padding.
  for (int first = 0; first < th; first += band) {
    const int rows = std::min(band, th - first);
    for (int k = 0; k < rows; ++k) {
      uint8_t* to = block + k * stride;
      const int t = first + k, r = y + ch - 1 - t;
      if (columns && t < ch && r >= 0 && r < image.height) {
        std::memcpy(to + static_cast<size_t>(c0 - x) * 4,
                    image.pixels + (static_cast<size_t>(r) * image.width + c0) * 4,
                    static_cast<size_t>(c1 - c0) * 4);
      } else if (columns) {
        // Only these columns are ever written; the rest of the block stays clear.
        std::memset(to + static_cast<size_t>(c0 - x) * 4, 0, static_cast<size_t>(c1 - c0) * 4);
      }
    }
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, first, tw, rows, GL_RGBA, GL_UNSIGNED_BYTE, block);
  }
  std::free(block);
  return true;
}

// A tw x th upload buffer laid out in the image's own block: rows turned
// bottom-up and spread to the texture's width, the padding transparent
// black; the same bytes as qvl_tex_fill_buffer writes. The image is left
// empty, its block handed to the caller; null (image unchanged) when the
// block cannot grow.
uint8_t* buffer_from_image(PixelImage& image, int tw, int th) {
  const int w = image.width, h = image.height;
  const size_t bytes = static_cast<size_t>(tw) * th * 4;
  uint8_t* block = image.pixels;
  if (static_cast<size_t>(image.capacity) < bytes) {
    block = static_cast<uint8_t*>(std::realloc(image.pixels, bytes));
    if (!block) return nullptr;
    image.pixels = block;
  }
  image.flip_vertical();
  // From the last row up: each row moves to a place at or after its own,
  // past every row still to be moved.
  const size_t row = static_cast<size_t>(w) * 4, stride = static_cast<size_t>(tw) * 4;
  for (int r = h - 1; r >= 0; --r) {
    std::memmove(block + r * stride, block + r * row, row);
    std::memset(block + r * stride + row, 0, stride - row);
  }
  std::memset(block + h * stride, 0, (th - h) * stride);
  image.pixels = nullptr;
  image.clear();
  return block;
}

// Checks shared by the uploads: the rectangle's sizes, or false.
bool upload_sizes(const PixelImage& image, int x, int y, int* w, int* h) {
  if (*w == 0) *w = image.width - x;
  if (*h == 0) *h = image.height - y;
  const int max = qvl_tex_max_size();
  return *w >= 1 && *h >= 1 && *w <= max && *h <= max;
}

// A tw x th block holding the rectangle as qvl_tex_fill_buffer lays it
// out (transparent black for an image of no pixels); null when it cannot
// be had.
uint8_t* padded_copy(const PixelImage& image, int x, int y, int w, int h, int tw, int th) {
  uint8_t* buffer = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(tw) * th * 4));
  if (!buffer) return nullptr;
  if (image.pixels) {
    qvl_tex_fill_buffer(image.pixels, image.width, image.height, x, y, w, h, buffer, tw, th);
  } else {
    std::memset(buffer, 0, static_cast<size_t>(tw) * th * 4);
  }
  return buffer;
}

// Level 0 from a padded block and, with `mip`, the mipmapped twin, whose
// levels are computed in the block; the block is freed.
void upload_padded(uint8_t* buffer, int tw, int th, uint32_t* texture, GLint filter,
                   uint32_t* mip) {
  qvl_tex_reset_unpack_store();
  bind_reused_name(texture, filter);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, buffer);
  if (mip) upload_mip_chain(buffer, tw, th, mip);
  std::free(buffer);
}

}  // namespace

bool qvl_tex_upload_nearest(const PixelImage& image, SpriteSlot& slot) {
  int max = qvl_tex_max_size();
  if (image.width <= 0 || image.height <= 0 || !image.pixels) return false;
  // An image the GL cannot hold whole is a failure, not a silent crop: the
  // records would describe more than the texture holds.
  if (image.width > max || image.height > max) return false;
  int cw = image.width, ch = image.height;
  int tw = qvl_tex_size_for(cw), th = qvl_tex_size_for(ch);
  qvl_tex_reset_unpack_store();
  bind_reused_name(&slot.texture, GL_NEAREST);
  return upload_level0(image, 0, 0, cw, ch, tw, th);
}

bool qvl_tex_upload_rect(const PixelImage& image, int x, int y, int w, int h, uint32_t* texture,
                         uint32_t* mip, bool normal_map, bool nearest) {
  if (!upload_sizes(image, x, y, &w, &h)) return false;
  const int tw = qvl_tex_size_for(w), th = qvl_tex_size_for(h);
  const GLint filter = normal_map || !nearest ? GL_LINEAR : GL_NEAREST;
  if (!mip && !normal_map) {
    qvl_tex_reset_unpack_store();
    bind_reused_name(texture, filter);
    return upload_level0(image, x, y, w, h, tw, th);
  }
  // The twin needs the padded picture anyway, and a normal map's filter
  // wraps at its edges: level 0 goes from the padded block too.
  uint8_t* buffer = padded_copy(image, x, y, w, h, tw, th);
  if (!buffer) return false;
  if (normal_map) qvl_tex_normal_map_rgba(buffer, tw, th);
  upload_padded(buffer, tw, th, texture, filter, mip);
  return true;
}

bool qvl_tex_upload_taking(PixelImage& image, uint32_t* texture, uint32_t* mip, bool normal_map) {
  if (normal_map || !mip || !image.pixels)
    return qvl_tex_upload_rect(image, 0, 0, 0, 0, texture, mip, normal_map, false);
  int w = 0, h = 0;
  if (!upload_sizes(image, 0, 0, &w, &h)) return false;
  const int tw = qvl_tex_size_for(w), th = qvl_tex_size_for(h);
  uint8_t* buffer = buffer_from_image(image, tw, th);
  if (!buffer) {
    // No room to grow the block in place: a padded copy, as for a lent image.
    if (!qvl_tex_upload_rect(image, 0, 0, 0, 0, texture, mip, false, false)) return false;
    image.clear();
    return true;
  }
  upload_padded(buffer, tw, th, texture, GL_LINEAR, mip);
  return true;
}
