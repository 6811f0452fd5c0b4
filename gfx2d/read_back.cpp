#include "gfx2d/read_back.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/maths.h"
#include "gfx2d/fbo_ext.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/image_files.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/texture_state.h"
#include "gfx2d/texture_upload.h"
#include "gfx2d/viewport.h"

int qvl_gfx_frame_alpha_bits = -1;

namespace {

PixelImage* g_grab_scratch = nullptr;

GLenum pixel_format(const OpenGLRainbows& gfx) { return gfx.bgra_supported ? GL_BGRA : GL_RGBA; }

// R + G * 256 + B * 65536 of a pixel read in the given format.
uint32_t colour_of(const uint8_t* p, GLenum format) {
  uint32_t r = format == GL_BGRA ? p[2] : p[0];
  uint32_t b = format == GL_BGRA ? p[0] : p[2];
  return r | (uint32_t{p[1]} << 8) | (b << 16);
}

// Where a logical rectangle lies in GL window coordinates (origin at the
// bottom-left); turned orientations read it with w and h exchanged.
struct ReadRect {
  int x, y, w, h;
};

ReadRect read_rect(int orientation, int W, int H, int x, int y, int w, int h) {
  ViewportRect r = qvl_orient_viewport_window_rect(orientation, W, H, x, y, w, h);
  return {r.x, qvl_math_saturate_int(int64_t{H} - r.y - r.height), r.width, r.height};
}

// Whether any of the rectangle lies in the window. GL's reads leave pixels
// outside the window undefined; a rectangle wholly outside is not read at
// all, since the GL's own clipping does not expect coordinates near the
// ends of the int range.
bool touches_window(const ReadRect& r, int W, int H) {
  return r.x < W && r.y < H && int64_t{r.x} + r.w > 0 && int64_t{r.y} + r.h > 0;
}

void free_mask(OpenGLRainbows& gfx, int id) {
  std::free(gfx.alpha_masks[id]);
  gfx.alpha_masks[id] = nullptr;
}

}  // namespace

PixelImage& qvl_gfx_grab_scratch() {
  if (!g_grab_scratch) {
    g_grab_scratch = new PixelImage();
    std::atexit(qvl_gfx_free_grab_scratch);
  }
  return *g_grab_scratch;
}

void qvl_gfx_free_grab_scratch() {
  delete g_grab_scratch;
  g_grab_scratch = nullptr;
}

void qvl_gfx_turn_pixels(const uint8_t* source, int w, int h, uint8_t* result) {
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c)
      std::memcpy(result + (static_cast<size_t>(c) * h + (h - 1 - r)) * 4,
                  source + (static_cast<size_t>(r) * w + c) * 4, 4);
}

uint32_t OpenGLRainbows::get_pixel(int x, int y) {
  qvl_gfx_flush_sprites();
  const RenderTarget* target =
      current_target >= 0 && current_target < kRenderTargets ? &render_targets[current_target]
                                                             : nullptr;
  // GL coordinates in 64 bits: a point far outside lies outside, and GL
  // reads nothing there.
  int64_t gx = x, gy = 0;
  if (target && target->saved_binding != -1 && target->sprite >= 0) {
    // A bound target draws unturned, its image's top row at the top.
    glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
    gy = int64_t{sprites[target->sprite].img_height} - 1 - y;
  } else {
    IntPair w = qvl_orient_logical_to_window(orientation, screen_width, screen_height, x, y);
    gx = w.x;
    glReadBuffer(GL_BACK);
    gy = int64_t{screen_height} - 1 - w.y;
  }
  uint8_t p[4] = {0, 0, 0, 0};
  if (gx < 0 || gy < 0 || gx >= INT32_MAX || gy >= INT32_MAX) return 0;
  GLenum format = pixel_format(*this);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(static_cast<GLint>(gx), static_cast<GLint>(gy), 1, 1, format, GL_UNSIGNED_BYTE, p);
  return colour_of(p, format);
}

uint32_t OpenGLRainbows::probe_colour_key() {
  if (colour_key == 0) return 0;
  // The key draws with alpha 0, which blending or the alpha test would
  // drop; the probe must reach the frame buffer, and so must the restore
  // (whatever the global alpha).
  const bool blend = glIsEnabled(GL_BLEND), alpha_test = glIsEnabled(GL_ALPHA_TEST);
  qvl_gfx_state_cache.disable(GLCAP_BLEND);
  qvl_gfx_state_cache.disable(GLCAP_ALPHA_TEST);
  uint32_t before = get_pixel(4, 4);
  draw_rect(4, 4, 1, 1, colour_key);
  uint32_t key = get_pixel(4, 4);
  draw_rect(4, 4, 1, 1, before);
  if (blend) qvl_gfx_state_cache.enable(GLCAP_BLEND);
  if (alpha_test) qvl_gfx_state_cache.enable(GLCAP_ALPHA_TEST);
  return key;
}

bool OpenGLRainbows::grab_sprite(int id, int x, int y, int w, int h) {
  if (id < 0 || id >= kSpriteCount) return false;
  qvl_gfx_flush_sprites();  // what waits belongs in the picture, or samples this texture
  SpriteSlot& s = sprites[id];
  s.anim_width = s.anim_height = 0;
  free_mask(*this, id);
  if (w == 0 || h == 0) {
    free_sprite(id);
    return true;
  }
  int tw = qvl_tex_size_for(w), th = qvl_tex_size_for(h);
  if (w < 0 || h < 0 || tw > kTexRecordMaxSize || th > kTexRecordMaxSize) return false;
  // The texture and the read-back copy are sized by the program.
  if (!qvl_tex_fits_budget(w, h, false)) return false;
  GLenum format = pixel_format(*this);

  qvl_tex_reset_unpack_store();
  if (s.texture != 0 && s.tex_width == tw && s.tex_height == th) {
    qvl_gfx_tex_bind(s.texture);
  } else {
    if (s.texture) qvl_gfx_tex_delete(s.texture);
    if (s.mip_texture) qvl_gfx_tex_delete(s.mip_texture);
    s.texture = s.mip_texture = 0;
    qvl_gfx_tex_generate(&s.texture);
    qvl_gfx_tex_bind(s.texture);
    qvl_tex_set_parameters(GL_LINEAR, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, format, GL_UNSIGNED_BYTE, nullptr);
  }
  s.set_sizes(tw, th, w, h);

  if (qvl_gfx_frame_alpha_bits < 0) {
    GLint bits = 0;
    glGetIntegerv(GL_ALPHA_BITS, &bits);
    qvl_gfx_frame_alpha_bits = bits;
  }
  int W = screen_width, H = screen_height;
  int turns = orientation >= 1 && orientation <= 3 ? orientation : 0;
  ReadRect rect = read_rect(turns, W, H, x, y, w, h);
  const bool on_screen = touches_window(rect, W, H);
  if (qvl_gfx_frame_alpha_bits > 0 && turns == 0 && on_screen) {
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, rect.x, rect.y, w, h);
    return true;
  }

  PixelImage& scratch = qvl_gfx_grab_scratch();
  if (!scratch.resize(rect.w, rect.h)) return false;
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  if (on_screen)
    glReadPixels(rect.x, rect.y, rect.w, rect.h, format, GL_UNSIGNED_BYTE, scratch.pixels);

  if (qvl_gfx_frame_alpha_bits <= 0) {
    // Without frame-buffer alpha every pixel is opaque but the key colour,
    // as it reads back, which is what was drawn transparent.
    uint32_t key = probe_colour_key();
    size_t n = static_cast<size_t>(rect.w) * rect.h;
    for (size_t i = 0; i < n; ++i) {
      uint8_t* p = scratch.pixels + i * 4;
      p[3] = colour_key != 0 && colour_of(p, format) == key ? 0 : 255;
    }
  }

  // Turn the read rectangle into the logical picture (rows from the
  // bottom, as textures hold them), then pad it to the texture's size.
  std::vector<uint8_t> turned;
  const uint8_t* picture = scratch.pixels;
  int pw = rect.w, ph = rect.h;
  if (turns > 0) {
    std::vector<uint8_t> other(static_cast<size_t>(pw) * ph * 4);
    turned.assign(scratch.pixels, scratch.pixels + other.size());
    for (int t = 0; t < turns; ++t) {
      qvl_gfx_turn_pixels(turned.data(), pw, ph, other.data());
      turned.swap(other);
      std::swap(pw, ph);
    }
    picture = turned.data();
  }
  std::vector<uint8_t> block(static_cast<size_t>(tw) * th * 4, 0);
  size_t row_bytes = static_cast<size_t>(std::min(pw, tw)) * 4;
  for (int r = 0; r < ph && r < th; ++r)
    std::memcpy(block.data() + static_cast<size_t>(r) * tw * 4,
                picture + static_cast<size_t>(r) * pw * 4, row_bytes);
  qvl_gfx_tex_bind(s.texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, format, GL_UNSIGNED_BYTE, block.data());
  return true;
}

bool OpenGLRainbows::sprite_to_image(int id, PixelImage& image) {
  if (id < 0 || id >= kSpriteCount) return false;
  const SpriteSlot& s = sprites[id];
  if (s.img_width <= 0 || s.img_height <= 0 || s.texture == 0) return false;
  if (s.tex_width < s.img_width || s.tex_height < s.img_height) return false;
  if (!image.resize(s.img_width, s.img_height)) return false;
  qvl_gfx_flush_sprites();
  if (current_target >= 0) end_render_target();

  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glPixelStorei(GL_PACK_SKIP_ROWS, 0);
  glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
  RenderTarget reader{0, 0, -1, 0, 0, -1};
  bool read = false;
  if (qvl_fbo_available && reader.attach_texture(s.tex_width, s.tex_height, s.texture, false)) {
    reader.begin();
    glReadPixels(0, 0, s.img_width, s.img_height, GL_RGBA, GL_UNSIGNED_BYTE, image.pixels);
    reader.end();
    read = true;
  }
  reader.release();
  if (!read) {
    // Without a framebuffer the texture itself is read, whole, and the
    // image's part taken from it.
    std::vector<uint8_t> level(static_cast<size_t>(s.tex_width) * s.tex_height * 4);
    qvl_gfx_tex_bind(s.texture);
    GLint tw = 0, th = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
    if (tw != s.tex_width || th != s.tex_height) return false;
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, level.data());
    for (int r = 0; r < s.img_height; ++r)
      std::memcpy(image.pixels + static_cast<size_t>(r) * s.img_width * 4,
                  level.data() + static_cast<size_t>(r) * s.tex_width * 4,
                  static_cast<size_t>(s.img_width) * 4);
  }
  image.flip_vertical();
  return true;
}

bool OpenGLRainbows::save_sprite(int id, const char* name) {
  PixelImage image;
  return sprite_to_image(id, image) && qvl_img_save(name, image);
}

bool OpenGLRainbows::save_screenshot(const char* name) {
  int id = find_free_sprite();
  if (id < 0) return false;
  // The whole window, as the logical picture of the current orientation.
  bool turned = orientation == 1 || orientation == 3;
  int w = turned ? screen_height : screen_width;
  int h = turned ? screen_width : screen_height;
  bool saved = grab_sprite(id, 0, 0, w, h) && save_sprite(id, name);
  free_sprite(id);
  return saved;
}
