// Render targets on Mesa: the texture and record a target gets, drawing into
// it and back, the depth-buffer fallbacks (reached by wrapping GL entry
// points), the back-buffer emulation, and the slot commands.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gfx2d/fbo_ext.h"
#include "gfx2d/gl_ext.h"
#include "gfx2d/render_target.h"
#include "gfx2d/viewport.h"
#include "tests/gfx2d/gfx_fixture.h"
#include "tests/gfx2d/gfx_log_reader.h"

namespace {

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;

using RenderTargets = GfxTest;

uint32_t image_rgb(const PixelImage& image, int x, int y) {
  const uint8_t* p = image.pixel(x, y);
  return p[0] | p[1] << 8 | p[2] << 16;
}

TEST_F(RenderTargets, HundredBySixtyTargetDrawsIntoItsTextureAndBack) {
  ASSERT_TRUE(qvl_fbo_available);
  ASSERT_TRUE(gfx_->create_render_target(0, 10, 100, 60));
  const SpriteSlot& s = gfx_->sprites[10];
  EXPECT_EQ(s.tex_width, 128);
  EXPECT_EQ(s.tex_height, 64);
  EXPECT_EQ(s.img_width, 100);
  EXPECT_EQ(s.img_height, 60);
  EXPECT_FLOAT_EQ(s.u_max, 0.78125f);
  EXPECT_FLOAT_EQ(s.v_max, 0.9375f);
  const RenderTarget& t = gfx_->render_targets[0];
  EXPECT_NE(t.framebuffer, 0u);
  EXPECT_NE(t.depth_buffer, 0u);
  EXPECT_EQ(t.saved_binding, -1);
  EXPECT_EQ(t.width, 128);
  EXPECT_EQ(t.height, 64);
  EXPECT_EQ(t.sprite, 10);
  EXPECT_EQ(gfx_->current_target, -1);

  gfx_->use_render_target(0);
  EXPECT_EQ(gfx_->current_target, 0);
  EXPECT_NE(qvl_fbo_current_binding(), 0);
  EXPECT_EQ(qvl_fbo_attachment_name(), static_cast<int>(s.texture));
  // A viewport reset covers the texture, with y = 0 at the image's top.
  gfx_->set_viewport(0, 0, 0, 0, 1.0f);
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(vp[0], 0);
  EXPECT_EQ(vp[1], 60 - 64);
  EXPECT_EQ(vp[2], 128);
  EXPECT_EQ(vp[3], 64);
  gfx_->draw_rect(0, 0, 100, 60, kBlue);
  gfx_->draw_rect(0, 0, 10, 5, kRed);
  EXPECT_EQ(gfx_->get_pixel(0, 0), kRed);
  EXPECT_EQ(gfx_->get_pixel(9, 4), kRed);
  EXPECT_EQ(gfx_->get_pixel(10, 5), kBlue);
  EXPECT_EQ(gfx_->get_pixel(99, 59), kBlue);
  EXPECT_EQ(rgb(0, 0), 0u) << "drawing reached the window";
  gfx_->end_render_target();
  EXPECT_EQ(gfx_->current_target, -1);
  EXPECT_EQ(qvl_fbo_current_binding(), 0);

  PixelImage image;
  ASSERT_TRUE(gfx_->sprite_to_image(10, image));
  ASSERT_EQ(image.width, 100);
  ASSERT_EQ(image.height, 60);
  EXPECT_EQ(image_rgb(image, 0, 0), kRed);
  EXPECT_EQ(image_rgb(image, 9, 4), kRed);
  EXPECT_EQ(image_rgb(image, 10, 5), kBlue);
  EXPECT_EQ(image_rgb(image, 99, 59), kBlue);

  gfx_->set_viewport(0, 0, 0, 0, 1.0f);
  gfx_->draw_sprite(10, 200, 100);
  EXPECT_EQ(rgb(200, 100), kRed);
  EXPECT_EQ(rgb(209, 104), kRed);
  EXPECT_EQ(rgb(210, 105), kBlue);
  EXPECT_EQ(rgb(299, 159), kBlue);
  EXPECT_EQ(rgb(300, 160), 0u);
}

// The record says what the texture is: uploads are never below 16 texels.
TEST_F(RenderTargets, SmallTargetRecordsItsRealTexture) {
  ASSERT_TRUE(gfx_->create_render_target(3, 7, 1, 1));
  GLint w = 0, h = 0;
  glBindTexture(GL_TEXTURE_2D, gfx_->sprites[7].texture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  EXPECT_EQ(w, 16);
  EXPECT_EQ(h, 16);
  EXPECT_EQ(gfx_->sprites[7].tex_width, 16);
  EXPECT_EQ(gfx_->render_targets[3].width, 16);
  EXPECT_FLOAT_EQ(gfx_->sprites[7].u_max, 1.0f / 16.0f);
}

TEST_F(RenderTargets, RefusedArgumentsCreateNothing) {
  EXPECT_FALSE(gfx_->create_render_target(32, 5, 10, 10));
  EXPECT_FALSE(gfx_->create_render_target(static_cast<unsigned>(-1), 5, 10, 10));
  EXPECT_FALSE(gfx_->create_render_target(0, -1, 10, 10));
  EXPECT_FALSE(gfx_->create_render_target(0, 5, 0, 10));
  EXPECT_FALSE(gfx_->create_render_target(0, 5, 10, -3));
  EXPECT_EQ(gfx_->render_targets[0].width, 0);
  EXPECT_EQ(gfx_->sprites[5].img_width, 0);
}

// --- Depth fallbacks, reached by wrapping entry points ---------------------

PFNGLRENDERBUFFERSTORAGEEXTPROC real_storage;
PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC real_status;
std::vector<GLenum> requested_formats;

// Refuses 32- and 24-bit depth as a driver would: GL_INVALID_ENUM.
void GLAPIENTRY storage_without_deep_depth(GLenum target, GLenum format, GLsizei w, GLsizei h) {
  requested_formats.push_back(format);
  bool refused = format == GL_DEPTH_COMPONENT32 || format == GL_DEPTH_COMPONENT24;
  real_storage(target, refused ? 0 : format, w, h);  // 0 makes GL raise INVALID_ENUM
}

GLenum GLAPIENTRY status_incomplete_with_depth(GLenum target) {
  GLint type = GL_NONE;
  glGetFramebufferAttachmentParameterivEXT_(target, GL_DEPTH_ATTACHMENT_EXT,
                                            GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_EXT, &type);
  return type != GL_NONE ? GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT : real_status(target);
}

GLenum GLAPIENTRY status_always_incomplete(GLenum) {
  return GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT;
}

TEST_F(RenderTargets, DepthFallsBackTo16BitsWhenDeeperFormatsAreRefused) {
  real_storage = glRenderbufferStorageEXT_;
  glRenderbufferStorageEXT_ = storage_without_deep_depth;
  ASSERT_TRUE(gfx_->create_render_target(0, 10, 100, 60));
  EXPECT_EQ(requested_formats, (std::vector<GLenum>{GL_DEPTH_COMPONENT32, GL_DEPTH_COMPONENT24,
                                                    GL_DEPTH_COMPONENT16}));
  const RenderTarget& t = gfx_->render_targets[0];
  ASSERT_NE(t.depth_buffer, 0u);
  glBindRenderbufferEXT_(GL_RENDERBUFFER_EXT, t.depth_buffer);
  GLint depth_bits = 0;
  reinterpret_cast<PFNGLGETRENDERBUFFERPARAMETERIVEXTPROC>(
      plat_gl_get_proc_address("glGetRenderbufferParameterivEXT"))(
      GL_RENDERBUFFER_EXT, GL_RENDERBUFFER_DEPTH_SIZE_EXT, &depth_bits);
  EXPECT_EQ(depth_bits, 16);
  std::string log = read_error_log();
  EXPECT_NE(log.find("depth 32 failed, try 24\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("Trying without a depth buffer"), std::string::npos) << log;
}

TEST_F(RenderTargets, IncompleteFramebufferWithDepthRetriesWithout) {
  real_status = glCheckFramebufferStatusEXT_;
  glCheckFramebufferStatusEXT_ = status_incomplete_with_depth;
  ASSERT_TRUE(gfx_->create_render_target(0, 10, 100, 60));
  EXPECT_EQ(gfx_->render_targets[0].depth_buffer, 0u);
  EXPECT_EQ(gfx_->render_targets[0].sprite, 10);
  std::string log = read_error_log();
  EXPECT_NE(log.find("glBindRenderbufferExt failed 8cd6\n"
                     "Trying without a depth buffer as a fallback...\n"),
            std::string::npos)
      << log;
  // The target works without its depth buffer.
  gfx_->use_render_target(0);
  gfx_->draw_rect(0, 0, 4, 4, kGreen);
  EXPECT_EQ(gfx_->get_pixel(1, 1), kGreen);
  gfx_->end_render_target();
}

TEST_F(RenderTargets, FramebufferNeverCompleteFailsAndLeavesTheSlotReleased) {
  glCheckFramebufferStatusEXT_ = status_always_incomplete;
  EXPECT_FALSE(gfx_->create_render_target(0, 10, 100, 60));
  const RenderTarget& t = gfx_->render_targets[0];
  EXPECT_EQ(t.framebuffer, 0u);
  EXPECT_EQ(t.width, 0);
  EXPECT_EQ(t.sprite, -1);
  std::string log = read_error_log();
  EXPECT_NE(log.find("glBindRenderbufferExt failed 8cd6\n"
                     "Trying without a depth buffer as a fallback...\n"
                     "glBindRenderbufferExt failed 8cd6\n"
                     "CAN'T CREATE FRAMEBUFFER (CREATESCREEN)\n"),
            std::string::npos)
      << log;
  gfx_->use_render_target(0);
  EXPECT_EQ(gfx_->current_target, -1);
}

// --- Without framebuffer objects -------------------------------------------

TEST_F(RenderTargets, WithoutFramebufferObjectsNothingIsCreatedAndTexturesStillReadBack) {
  qvl_gfx_hidden_extensions = "GL_EXT_framebuffer_object";
  qvl_fbo_load_extensions();
  EXPECT_FALSE(qvl_fbo_available);
  EXPECT_EQ(glGenFramebuffersEXT_, nullptr);
  std::string log = read_error_log();
  EXPECT_NE(log.find("ext: glGenFramebuffersEXT                  [FAILED]"), std::string::npos)
      << log;
  EXPECT_NE(log.find("can't use framebuffer object\n"), std::string::npos) << log;

  EXPECT_FALSE(gfx_->create_render_target(0, 10, 100, 60));
  EXPECT_EQ(gfx_->render_targets[0].width, 0);
  gfx_->use_render_target(0);
  EXPECT_EQ(gfx_->current_target, -1);
  EXPECT_EQ(qvl_fbo_current_binding(), 0);
  EXPECT_EQ(qvl_fbo_attachment_name(), 0);

  // A sprite's texture still reads back, exactly.
  PixelImage in;
  make_image(in, 3, 2, {kRed, kGreen, kBlue, 0x123456, 0xABCDEF, 0xFFFFFF});
  ASSERT_TRUE(gfx_->set_sprite_image(4, in, false));
  PixelImage out;
  ASSERT_TRUE(gfx_->sprite_to_image(4, out));
  ASSERT_EQ(out.width, 3);
  ASSERT_EQ(out.height, 2);
  EXPECT_EQ(0, std::memcmp(in.pixels, out.pixels, 3 * 2 * 4));
}

// --- The back-buffer emulation ---------------------------------------------

TEST_F(RenderTargets, EmulatedTargetDrawsInTheWindowCornerAndPutsItBack) {
  ASSERT_TRUE(gfx_->create_render_target(0, 20, 32, 16));
  gfx_->draw_rect(0, 0, 64, 64, kGreen);
  // Binding fails from now on: the target is emulated in the back buffer.
  qvl_fbo_available = 0;
  gfx_->use_render_target(0);
  EXPECT_EQ(gfx_->current_target, 0);
  EXPECT_EQ(gfx_->sprites[kTargetScratchSprite].img_width, 32);
  EXPECT_EQ(gfx_->find_free_sprite(), 65503) << "the scratch took a program id";
  gfx_->draw_rect(0, 0, 8, 8, kRed);
  EXPECT_EQ(gfx_->get_pixel(7, 7), kRed);
  gfx_->end_render_target();
  EXPECT_EQ(gfx_->current_target, -1);
  EXPECT_EQ(gfx_->sprites[kTargetScratchSprite].img_width, 0) << "scratch sprite left behind";

  PixelImage image;
  ASSERT_TRUE(gfx_->sprite_to_image(20, image));
  ASSERT_EQ(image.width, 32);
  EXPECT_EQ(image_rgb(image, 0, 0), kRed);
  EXPECT_EQ(image_rgb(image, 7, 7), kRed);
  EXPECT_EQ(image_rgb(image, 8, 8), kGreen);
  // The window's corner has its own picture again.
  EXPECT_EQ(rgb(0, 0), kGreen);
  EXPECT_EQ(rgb(7, 7), kGreen);
  EXPECT_EQ(rgb(40, 40), kGreen);
}

// --- Slots and commands ----------------------------------------------------

TEST_F(RenderTargets, SlotCommands) {
  EXPECT_EQ(qvl_fbo_free_slot(), 31);
  ASSERT_TRUE(qvl_fbo_create_target(31, 100, 20, 20));
  EXPECT_EQ(qvl_fbo_free_slot(), 30);

  qvl_fbo_use_target(31);
  EXPECT_EQ(gfx_->current_target, 31);
  EXPECT_EQ(qvl_gfx_target_slot, 31);
  qvl_fbo_use_target(-1);
  EXPECT_EQ(gfx_->current_target, -1);
  EXPECT_EQ(qvl_gfx_target_slot, -1);
  EXPECT_EQ(gfx_->viewport_width, kWidth);
  qvl_fbo_use_target(40);
  EXPECT_EQ(gfx_->current_target, -1);

  // A new image in the target's sprite is drawn into from then on.
  PixelImage image;
  make_image(image, 40, 30, {});
  ASSERT_TRUE(gfx_->set_sprite_image(100, image, false));
  EXPECT_EQ(gfx_->render_targets[31].width, 64);
  EXPECT_EQ(gfx_->render_targets[31].sprite, 100);
  qvl_fbo_use_target(31);
  EXPECT_EQ(qvl_fbo_attachment_name(), static_cast<int>(gfx_->sprites[100].texture));
  qvl_fbo_use_target(-1);

  for (int n = 0; n < 31; ++n) ASSERT_TRUE(qvl_fbo_create_target(n, 200 + n, 8, 8)) << n;
  EXPECT_EQ(qvl_fbo_free_slot(), -1);
}

}  // namespace
