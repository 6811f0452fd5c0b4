// Interim versions of sprite-table, drawing and viewport operations that the
// render targets, grabs, collision and texture cache call; each does what
// its full version does for these callers. Goes when that code arrives.
#include "gfx2d/pending_sprite_ops.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/render_target.h"

VirtualResolution qvl_gfx_virtual_resolution = {0, 0, 0, 0, 0.0f};
int32_t qvl_gfx_target_slot = -1;

namespace {
int tex_size(int n) {
  int s = 8;
  while (s < n) s *= 2;
  return s;
}

void upload(uint32_t* name, int tw, int th, const uint8_t* pixels, bool nearest) {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  if (*name == 0) glGenTextures(1, name);
  glBindTexture(GL_TEXTURE_2D, *name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  GLint f = nearest ? GL_NEAREST : GL_LINEAR;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, f);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, f);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
}
}  // namespace

bool qvl_tex_upload_rect(const PixelImage& image, int x, int y, int w, int h, uint32_t* texture,
                         uint32_t* mip, bool, bool nearest) {
  if (w == 0) w = image.width - x;
  if (h == 0) h = image.height - y;
  if (w < 1 || h < 1) return false;
  int tw = tex_size(w), th = tex_size(h);
  std::vector<uint8_t> buf(static_cast<size_t>(tw) * th * 4, 0);
  for (int r = 0; r < h && y + r < image.height; ++r)
    for (int c = 0; c < w && x + c < image.width; ++c)
      if (x + c >= 0 && y + r >= 0)
        std::memcpy(&buf[(static_cast<size_t>(h - 1 - r) * tw + c) * 4], image.pixel(x + c, y + r),
                    4);
  upload(texture, tw, th, buf.data(), nearest);
  if (mip) {
    *mip = 0;
    upload(mip, tw, th, buf.data(), false);
  }
  return true;
}

int OpenGLRainbows::find_free_sprite() {
  for (int id = 65503; id >= 0; --id)
    if (sprites[id].img_width == 0) return id;
  return -1;
}

void OpenGLRainbows::free_sprite(int id) {
  if (id < 0 || id >= kSpriteCount) return;
  std::free(alpha_masks[id]);
  alpha_masks[id] = nullptr;
  texture_off();
  SpriteSlot& s = sprites[id];
  if (s.texture) glDeleteTextures(1, &s.texture);
  if (s.mip_texture) glDeleteTextures(1, &s.mip_texture);
  s.texture = s.mip_texture = 0;
  s.tex_width = s.tex_height = -1;
  s.img_width = s.img_height = 0;
  s.u_max = s.v_max = 1.0f;
}

bool OpenGLRainbows::set_sprite_image(int id, const PixelImage& image, bool normal_map) {
  int target = -1;
  for (int n = 0; n < kRenderTargets && target < 0; ++n)
    if (render_targets[n].sprite == id) target = n;
  free_sprite(id);
  if (image.width == 0 || image.height == 0) return false;
  SpriteSlot& s = sprites[id];
  int tw = tex_size(image.width), th = tex_size(image.height);
  bool ok = qvl_tex_upload_rect(image, 0, 0, 0, 0, &s.texture, id > 65503 ? nullptr : &s.mip_texture,
                                normal_map, id > 65503);
  s.tex_width = static_cast<int16_t>(tw);
  s.tex_height = static_cast<int16_t>(th);
  s.img_width = static_cast<int16_t>(image.width);
  s.img_height = static_cast<int16_t>(image.height);
  s.u_max = static_cast<float>(image.width) / tw;
  s.v_max = static_cast<float>(image.height) / th;
  if (!ok) {
    free_sprite(id);
    return false;
  }
  if (target >= 0 && render_targets[target].attach_texture(tw, th, s.texture, true))
    render_targets[target].sprite = id;
  return true;
}

void OpenGLRainbows::draw_rect(int x, int y, int w, int h, uint32_t colour) {
  float a = colour == colour_key ? 0.0f : global_alpha;
  qvl_gfx_set_colour_cached((colour & 255) / 255.0f, ((colour >> 8) & 255) / 255.0f,
                            ((colour >> 16) & 255) / 255.0f, a);
  texture_off();
  float x2 = static_cast<float>(w < 0 ? x + 1 : x + w), x1 = static_cast<float>(w < 0 ? x + w + 1 : x);
  float y2 = static_cast<float>(h < 0 ? y + 1 : y + h), y1 = static_cast<float>(h < 0 ? y + h + 1 : y);
  glBegin(GL_TRIANGLE_FAN);
  glVertex2f(x1, y2);
  glVertex2f(x2, y2);
  glVertex2f(x2, y1);
  glVertex2f(x1, y1);
  glEnd();
  qvl_gfx_set_colour_cached(1, 1, 1, global_alpha);
}

void OpenGLRainbows::draw_sprite(int id, int x, int y) {
  bind_sprite_texture(id);
  const SpriteSlot& s = sprites[id];
  GLint f = smoothing ? GL_LINEAR : GL_NEAREST;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, f);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, f);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  float w = s.img_width, h = s.img_height;
  glBegin(GL_TRIANGLE_FAN);
  glTexCoord2f(s.u_max, s.v_max);
  glVertex2f(x + w, y);
  glTexCoord2f(0, s.v_max);
  glVertex2f(x, y);
  glTexCoord2f(0, 0);
  glVertex2f(x, y + h);
  glTexCoord2f(s.u_max, 0);
  glVertex2f(x + w, y + h);
  glEnd();
}

void qvl_gfx_set_viewport(int x, int y, int w, int h) {
  if (qvl_gfx_rainbows) qvl_gfx_rainbows->set_viewport(x, y, w, h, 1.0f);
}
