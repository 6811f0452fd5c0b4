// Sprite table: finding, freeing and sizing sprites, and loading images
// into them (the reader chain, the colour bleed, the halving retry).
#include "gfx2d/sprite_table.h"

#include <GL/gl.h>

#include <cstdlib>

#include "core/error_state.h"
#include "gfx2d/gfx_log.h"
#include "gfx2d/image_files.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/texture_state.h"
#include "gfx2d/texture_upload.h"

namespace {

// The render target (first match) that draws into sprite id, or -1.
int target_of_sprite(const OpenGLRainbows& gfx, int id) {
  for (int i = 0; i < kRenderTargets; ++i)
    if (gfx.render_targets[i].sprite == id) return i;
  return -1;
}

// A render target that drew into the sprite must draw into its new texture.
void reattach_render_target(OpenGLRainbows& gfx, int slot, int id) {
  const SpriteSlot& s = gfx.sprites[id];
  RenderTarget& target = gfx.render_targets[slot];
  if (target.attach_texture(s.tex_width, s.tex_height, s.texture, true)) target.sprite = id;
}

}  // namespace

bool qvl_sprite_id_checked(int id) {
  if (qvl_sprite_id_valid(id)) return true;
  qvl_err_raise(7);
  return false;
}

int OpenGLRainbows::find_free_sprite() {
  for (int id = kTopProgramSprite; id >= 0; --id)
    if (sprites[id].img_width == 0) return id;
  return -1;
}

void OpenGLRainbows::free_sprite(int id) {
  if (!qvl_sprite_id_valid(id) || !sprites) return;
  std::free(alpha_masks[id]);
  alpha_masks[id] = nullptr;
  texture_off();
  SpriteSlot& s = sprites[id];
  if (s.texture) qvl_gfx_tex_delete(s.texture);
  if (s.mip_texture) qvl_gfx_tex_delete(s.mip_texture);
  s.texture = 0;
  s.mip_texture = 0;
  s.tex_width = s.tex_height = -1;
  s.img_width = s.img_height = 0;
  s.u_max = s.v_max = 1.0f;
}

void OpenGLRainbows::free_all_sprites() {
  if (!sprites) return;
  for (int id = 0; id < kSpriteCount - 1; ++id) free_sprite(id);
  for (int32_t& b : background_slots) {
    free_sprite(b);
    b = -1;
  }
}

void OpenGLRainbows::sprite_size(int id, int* width, int* height) {
  bool ok = qvl_sprite_id_valid(id);
  if (width) *width = ok ? sprites[id].img_width : 0;
  if (height) *height = ok ? sprites[id].img_height : 0;
}

void OpenGLRainbows::set_anim_size(int id, int frame_width, int frame_height) {
  if (!qvl_sprite_id_valid(id)) return;
  sprites[id].anim_width = static_cast<int16_t>(frame_width);
  sprites[id].anim_height = static_cast<int16_t>(frame_height);
}

namespace {

// Uploads into sprite id; with `taken`, the image is that one and the
// upload may take it apart (gfx2d/texture_upload.h).
bool put_sprite_image(OpenGLRainbows& gfx, int id, const PixelImage& image, PixelImage* taken,
                      bool normal_map) {
  if (!qvl_sprite_id_valid(id)) return false;
  int target = target_of_sprite(gfx, id);
  gfx.free_sprite(id);
  if (image.width <= 0 || image.height <= 0) return false;
  const int w = image.width, h = image.height;
  SpriteSlot& s = gfx.sprites[id];
  // Images beyond the texture limit fail the upload below, so the sizes
  // kept in the 16-bit fields always fit.
  bool ok;
  if (id > kTopProgramSprite) {
    ok = qvl_tex_upload_nearest(image, s);
  } else if (taken) {
    ok = qvl_tex_upload_taking(*taken, &s.texture, &s.mip_texture, normal_map);
  } else {
    ok = qvl_tex_upload_rect(image, 0, 0, 0, 0, &s.texture, &s.mip_texture, normal_map, false);
  }
  if (!ok) {
    gfx.free_sprite(id);
    return false;
  }
  s.set_sizes(qvl_tex_size_for(w), qvl_tex_size_for(h), w, h);
  if (target >= 0) reattach_render_target(gfx, target, id);
  return true;
}

}  // namespace

bool OpenGLRainbows::set_sprite_image(int id, const PixelImage& image, bool normal_map) {
  return put_sprite_image(*this, id, image, nullptr, normal_map);
}

bool qvl_sprite_take_image(OpenGLRainbows& gfx, int id, PixelImage& image, bool normal_map) {
  return put_sprite_image(gfx, id, image, &image, normal_map);
}

bool qvl_sprite_upload_halving(OpenGLRainbows& gfx, int id, PixelImage& image, bool normal_map) {
  for (;;) {
    // A render target drawing into the sprite follows it to the new texture
    // inside the upload.
    if (qvl_sprite_take_image(gfx, id, image, normal_map)) return true;
    // Too tall counts as too large as well as too wide.
    if (image.width <= 512 && image.height <= 512) return false;
    if (image.width < 2 || image.height < 2) return false;  // nothing left to halve
    qvl_gfx_log("Image %d/%d is too large for texture. Downscaling by 1/2\n", image.width,
                image.height);
    image.halve_size();
  }
}

bool OpenGLRainbows::load_sprite(int id, const char* name, uint32_t colour_key, bool normal_map) {
  if (!qvl_sprite_id_valid(id)) return false;
  free_sprite(id);
  if (!name || !*name) return false;
  PixelImage image;
  // Weighed as the texture it will make before it is decoded.
  if (!qvl_img_load_texture_file(image, name, colour_key, id <= kTopProgramSprite))
    return false;  // logged there
  if (!image.has_alpha) image.bleed_transparent_pixels();
  return qvl_sprite_upload_halving(*this, id, image, normal_map);
}
