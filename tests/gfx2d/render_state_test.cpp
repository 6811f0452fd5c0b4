// The GL state cache, the colour cache, the 2D reset and the alpha modes,
// checked against a real (software) GL context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_rainbows.h"
#include "tests/support/gl_context.h"

namespace {

using RenderState = GlContextTest;

bool enabled(int slot) { return glIsEnabled(GlStateCache::capability_of(slot)) == GL_TRUE; }

const int kSlots[] = {GLCAP_BLEND,      GLCAP_ALPHA_TEST,  GLCAP_COLOR_MATERIAL, GLCAP_CULL_FACE,
                      GLCAP_LIGHTING,   GLCAP_STENCIL_TEST, GLCAP_DEPTH_TEST,   GLCAP_FOG,
                      GLCAP_DITHER,     GLCAP_LINE_SMOOTH, GLCAP_POINT_SMOOTH,  GLCAP_NORMALIZE,
                      GLCAP_POLYGON_SMOOTH, GLCAP_POLYGON_OFFSET_POINT, GLCAP_AUTO_NORMAL,
                      GLCAP_TEXTURE_GEN_S, GLCAP_TEXTURE_GEN_T};

// A switch the cache already knows does not reach GL: a change made behind
// its back survives. After a reset every slot reaches GL again.
TEST_F(RenderState, CapabilityReachesGlOnceUntilReset) {
  GlStateCache& c = qvl_gfx_state_cache;
  c.reset();
  for (int slot : kSlots) {
    c.enable(slot);
    EXPECT_TRUE(enabled(slot)) << slot;
    glDisable(GlStateCache::capability_of(slot));
    c.enable(slot);
    EXPECT_FALSE(enabled(slot)) << "second enable reached GL, slot " << slot;
    c.disable(slot);  // cache says enabled: this one reaches GL
    glEnable(GlStateCache::capability_of(slot));
    c.disable(slot);
    EXPECT_TRUE(enabled(slot)) << "second disable reached GL, slot " << slot;
  }
  c.reset();
  for (int slot : kSlots) {
    c.disable(slot);
    EXPECT_FALSE(enabled(slot)) << "after reset, slot " << slot;
  }
  EXPECT_EQ(GlStateCache::capability_of(2), 0u);
  EXPECT_EQ(GlStateCache::capability_of(16), 0u);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderState, ColourReachesGlOnlyWhenItChanges) {
  float got[4];
  qvl_gfx_set_colour_cached(0.25f, 0.5f, 0.75f, 1.0f);
  glGetFloatv(GL_CURRENT_COLOR, got);
  EXPECT_FLOAT_EQ(got[2], 0.75f);
  glColor4f(0, 0, 0, 0);
  qvl_gfx_set_colour_cached(0.25f, 0.5f, 0.75f, 1.0f);
  glGetFloatv(GL_CURRENT_COLOR, got);
  EXPECT_FLOAT_EQ(got[2], 0.0f) << "an unchanged colour reached GL";
  qvl_gfx_set_colour_cached(0.25f, 0.5f, 0.75f, 0.5f);
  glGetFloatv(GL_CURRENT_COLOR, got);
  EXPECT_FLOAT_EQ(got[3], 0.5f);
}

TEST_F(RenderState, ResetDisablesWhatWasEnabledBehindTheCache) {
  OpenGLRainbows gfx;
  GlStateCache& c = qvl_gfx_state_cache;
  c.disable(GLCAP_LIGHTING);
  glEnable(GL_LIGHTING);
  glEnable(GL_DEPTH_TEST);
  gfx.reset_2d_state();
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  for (int reserved : {2, 3, 4, 5, 16}) EXPECT_EQ(c.slots[reserved], GlStateCache::kUnknown);
  EXPECT_EQ(gfx.blend_value, -1.0f);
  EXPECT_EQ(gfx.unit0_sprite, -1);
  // With blending already normal a second reset leaves the blend slot unknown.
  gfx.reset_2d_state();
  EXPECT_EQ(c.slots[GLCAP_BLEND], GlStateCache::kUnknown);
}

TEST_F(RenderState, AlphaModes) {
  struct Case {
    float mode;
    bool blend;
    GLint dst;
    float alpha;
  } cases[] = {{0.5f, true, GL_ONE, 0.5f},
               {-3.0f, true, GL_ONE_MINUS_SRC_ALPHA, 1.0f},
               {0.0f, false, -1, 1.0f},
               {-0.25f, true, GL_ONE_MINUS_SRC_ALPHA, 0.25f}};
  OpenGLRainbows gfx;
  for (const Case& k : cases) {
    gfx.set_alpha_mode(k.mode);
    EXPECT_EQ(glIsEnabled(GL_BLEND) == GL_TRUE, k.blend) << k.mode;
    if (k.dst >= 0) {
      GLint dst = 0;
      glGetIntegerv(GL_BLEND_DST, &dst);
      EXPECT_EQ(dst, k.dst) << k.mode;
    }
    EXPECT_FLOAT_EQ(gfx.global_alpha, k.alpha) << k.mode;
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[3], k.alpha) << k.mode;
  }
  // The same mode again does nothing, even after GL was changed directly.
  glBlendFunc(GL_ONE, GL_ZERO);
  gfx.set_alpha_mode(-0.25f);
  GLint dst = 0;
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(dst, GL_ZERO);
}

}  // namespace
