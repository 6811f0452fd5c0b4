#include "gfx2d/render_target.h"

#include <cstdlib>

#include "core/logs.h"
#include "gfx2d/fbo_ext.h"
#include "gfx2d/gfx_log.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/sprite_table.h"
#include "gfx2d/texture_state.h"
#include "gfx2d/texture_upload.h"
#include "gfx2d/viewport.h"

int32_t qvl_fbo_saved_orientation = 0;

namespace {

bool entry_points_present() {
  return glGenFramebuffersEXT_ && glBindFramebufferEXT_ && glDeleteFramebuffersEXT_ &&
         glFramebufferTexture2DEXT_ && glCheckFramebufferStatusEXT_ && glGenRenderbuffersEXT_ &&
         glBindRenderbufferEXT_ && glRenderbufferStorageEXT_ && glDeleteRenderbuffersEXT_ &&
         glFramebufferRenderbufferEXT_;
}

// Errors of earlier calls must not be taken for the depth format's answer.
void drain_gl_errors() {
  for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

}  // namespace

bool RenderTarget::begin() {
  if (!qvl_fbo_available) return false;
  if (saved_binding != -1) {
    qvl_log_error_file("Trying to rebind the same FBO again. Need to end first\n");
    return false;
  }
  qvl_gfx_flush_sprites();
  GLint binding = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &binding);
  saved_binding = binding;
  glBindFramebufferEXT_(GL_FRAMEBUFFER_EXT, framebuffer);
  return true;
}

bool RenderTarget::end() {
  if (!qvl_fbo_available || saved_binding == -1 || !glBindFramebufferEXT_) return false;
  qvl_gfx_flush_sprites();
  glBindFramebufferEXT_(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(saved_binding));
  saved_binding = -1;
  return true;
}

void RenderTarget::release() {
  end();
  if (framebuffer && glDeleteFramebuffersEXT_) glDeleteFramebuffersEXT_(1, &framebuffer);
  if (depth_buffer && glDeleteRenderbuffersEXT_) glDeleteRenderbuffersEXT_(1, &depth_buffer);
  set_released();
}

bool RenderTarget::attach_texture(int w, int h, uint32_t texture, bool depth) {
  release();
  if (w <= 0 || h <= 0) {
    qvl_gfx_log("can't create FBO for neg dims %dx%d\n", w, h);
    return false;
  }
  if (!entry_points_present()) return false;
  glGenFramebuffersEXT_(1, &framebuffer);
  if (framebuffer == 0) {
    qvl_log_error_file("glGenFramebuffersExt failed\n");
    return false;
  }
  begin();
  qvl_gfx_tex_bind(texture);
  glFramebufferTexture2DEXT_(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture,
                             0);
  if (depth) {
    glGenRenderbuffersEXT_(1, &depth_buffer);
    if (depth_buffer == 0) {
      qvl_log_error_file("glGenRenderbuffersExt failed\n");
      release();
      return false;
    }
    glBindRenderbufferEXT_(GL_RENDERBUFFER_EXT, depth_buffer);
    drain_gl_errors();
    glRenderbufferStorageEXT_(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT32, w, h);
    if (glGetError() == GL_INVALID_ENUM) {
      qvl_log_error_file("depth 32 failed, try 24\n");
      glRenderbufferStorageEXT_(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, w, h);
      if (glGetError() == GL_INVALID_ENUM)
        glRenderbufferStorageEXT_(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT16, w, h);
    }
    glFramebufferRenderbufferEXT_(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                  depth_buffer);
  }
  GLenum status = glCheckFramebufferStatusEXT_(GL_FRAMEBUFFER_EXT);
  if (status == 0) qvl_gfx_log("glCheckFramebufferStatusExt()=0: glError=%x\n", glGetError());
  end();
  if (status == GL_FRAMEBUFFER_COMPLETE_EXT) {
    width = w;
    height = h;
    return true;
  }
  qvl_gfx_log("glBindRenderbufferExt failed %x\n", status);
  release();
  if (depth) {
    qvl_log_error_file("Trying without a depth buffer as a fallback...\n");
    return attach_texture(w, h, texture, false);
  }
  qvl_log_error_file("CAN'T CREATE FRAMEBUFFER (CREATESCREEN)\n");
  return false;
}

bool OpenGLRainbows::create_render_target(unsigned n, int id, int w, int h) {
  if (n >= kRenderTargets) return false;
  end_render_target();
  render_targets[n].release();
  if (id < 0 || id >= kSpriteCount) return false;
  free_sprite(id);
  if (w <= 0 || h <= 0) return false;
  // The sprite table's size rule (at least 16 texels): the upload makes
  // textures of that size, and the record says what the texture is.
  int tw = qvl_tex_size_for(w);
  int th = qvl_tex_size_for(h);
  if (tw > kTexRecordMaxSize || th > kTexRecordMaxSize) return false;
  if (!qvl_tex_fits_budget(w, h, false)) return false;

  // An image of no pixels uploads as transparent black: the texture is
  // cleared a band at a time, without a block of its size.
  PixelImage empty;
  empty.width = tw;
  empty.height = th;
  SpriteSlot& s = sprites[id];
  if (!qvl_tex_upload_rect(empty, 0, 0, 0, 0, &s.texture, nullptr, false, false)) return false;
  s.set_sizes(tw, th, w, h);

  if (!render_targets[n].attach_texture(tw, th, s.texture, true)) return false;
  render_targets[n].sprite = id;
  end_render_target();
  return true;
}

void OpenGLRainbows::use_render_target(unsigned n) {
  if (current_target >= 0) end_render_target();
  if (n >= kRenderTargets || render_targets[n].width == 0) return;
  RenderTarget& target = render_targets[n];
  int s = target.sprite;
  if (s < 0 || s >= kSpriteCount) return;
  current_target = static_cast<int32_t>(n);
  int w = sprites[s].img_width;
  int h = sprites[s].img_height;
  if (target.begin()) {
    set_viewport(0, 0, w, h, 1.0f);
    glViewport(0, 0, w, h);
  } else {
    // Emulation: draw unturned into the window's top-left corner, after
    // putting the target's picture there; the area it covers is kept aside
    // and comes back when the target ends.
    qvl_fbo_saved_orientation = orientation;
    current_target = -1;
    orientation = 0;
    set_viewport(0, 0, w, h, 1.0f);
    // The saved area is kept whole: no colour of it may count as the key.
    uint32_t key = colour_key;
    colour_key = 0;
    grab_sprite(kTargetScratchSprite, 0, 0, w, h);
    colour_key = key;
    draw_rect(0, 0, w, h, colour_key);
    draw_sprite(s, 0, 0);
    current_target = static_cast<int32_t>(n);
  }
  // Drawing changes the picture: its collision mask is read again.
  std::free(alpha_masks[s]);
  alpha_masks[s] = nullptr;
}

void OpenGLRainbows::end_render_target() {
  if (current_target >= 0 && current_target < kRenderTargets) {
    RenderTarget& target = render_targets[current_target];
    if (qvl_fbo_available && target.saved_binding != -1) {
      target.end();
    } else if (target.sprite >= 0 && target.sprite < kSpriteCount) {
      const SpriteSlot& s = sprites[target.sprite];
      grab_sprite(target.sprite, 0, 0, s.img_width, s.img_height);
      draw_rect(0, 0, s.tex_width, s.tex_height, 0);
      draw_sprite(kTargetScratchSprite, 0, 0);
      orientation = qvl_fbo_saved_orientation;
      free_sprite(kTargetScratchSprite);
    }
  }
  current_target = -1;
  set_viewport(0, 0, 0, 0, 1.0f);
}

int OpenGLRainbows::find_free_render_target() {
  for (int n = kRenderTargets - 1; n >= 0; --n)
    if (render_targets[n].width == 0 || render_targets[n].sprite < 0) return n;
  return -1;
}

bool qvl_fbo_create_target(int n, int id, int w, int h) {
  if (!qvl_gfx_rainbows || !qvl_sprite_id_checked(id)) return false;
  return qvl_gfx_rainbows->create_render_target(static_cast<unsigned>(n), id, w, h);
}

void qvl_fbo_use_target(int n) {
  if (!qvl_gfx_rainbows) return;
  if (n < 0) {
    qvl_gfx_target_slot = -1;
    qvl_gfx_rainbows->end_render_target();
  } else {
    qvl_gfx_target_slot = n;
    qvl_gfx_rainbows->use_render_target(static_cast<unsigned>(n));
  }
  qvl_gfx_set_viewport(0, 0, 0, 0);
}

int qvl_fbo_free_slot() {
  return qvl_gfx_rainbows ? qvl_gfx_rainbows->find_free_render_target() : -1;
}
