#include "gfx2d/gl_state_cache.h"

#include <GL/gl.h>

#include "gfx2d/sprite_batch.h"

GlStateCache qvl_gfx_state_cache = {{
    GlStateCache::kUnknown, GlStateCache::kUnknown, GlStateCache::kUnknown, GlStateCache::kUnknown,
    GlStateCache::kUnknown, GlStateCache::kUnknown, GlStateCache::kUnknown, GlStateCache::kUnknown,
    GlStateCache::kUnknown, GlStateCache::kUnknown, GlStateCache::kUnknown, GlStateCache::kUnknown,
    GlStateCache::kUnknown, GlStateCache::kUnknown, GlStateCache::kUnknown, GlStateCache::kUnknown,
    GlStateCache::kUnknown, GlStateCache::kUnknown, GlStateCache::kUnknown, GlStateCache::kUnknown,
    GlStateCache::kUnknown, GlStateCache::kUnknown}};

namespace {

// -1 in every channel, so the first colour of the process reaches GL.
float g_colour[4] = {-1.0f, -1.0f, -1.0f, -1.0f};

const uint32_t kCaps[GLCAP_SLOT_COUNT] = {
    GL_BLEND,      GL_ALPHA_TEST,  0,         0,           0,
    0,             GL_COLOR_MATERIAL, GL_CULL_FACE, GL_LIGHTING, GL_STENCIL_TEST,
    GL_DEPTH_TEST, GL_FOG,         GL_DITHER, GL_LINE_SMOOTH, GL_POINT_SMOOTH,
    GL_NORMALIZE,  0,              GL_POLYGON_SMOOTH, GL_POLYGON_OFFSET_POINT, GL_AUTO_NORMAL,
    GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T};

bool valid(int slot) { return slot >= 0 && slot < GLCAP_SLOT_COUNT && kCaps[slot] != 0; }

}  // namespace

uint32_t GlStateCache::capability_of(int slot) { return valid(slot) ? kCaps[slot] : 0; }

void GlStateCache::enable(int slot) {
  if (!valid(slot) || slots[slot] == 1) return;
  qvl_gfx_flush_sprites();
  glEnable(kCaps[slot]);
  slots[slot] = 1;
}

void GlStateCache::disable(int slot) {
  if (!valid(slot) || slots[slot] == 0) return;
  qvl_gfx_flush_sprites();
  glDisable(kCaps[slot]);
  slots[slot] = 0;
}

void GlStateCache::reset() {
  for (int32_t& s : slots) s = kUnknown;
}

void qvl_gfx_set_colour_cached(float r, float g, float b, float a) {
  if (r == g_colour[0] && g == g_colour[1] && b == g_colour[2] && a == g_colour[3]) return;
  qvl_gfx_flush_sprites();
  g_colour[0] = r;
  g_colour[1] = g;
  g_colour[2] = b;
  g_colour[3] = a;
  glColor4f(r, g, b, a);
}

const float* qvl_gfx_colour_cache() { return g_colour; }

void qvl_gfx_forget_colour() {
  for (float& c : g_colour) c = -1.0f;
}
