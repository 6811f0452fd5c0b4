// Process-wide OpenGL render state that the 2D code and the 3D engine share:
// the cache of enable flags, the cached drawing colour and the extension
// entry points. Main thread only.
#pragma once

#include <cstdint>

// Slots of the enable-flag cache; reserved slots are never switched.
enum GlCapSlot : int {
  GLCAP_BLEND = 0,
  GLCAP_ALPHA_TEST = 1,
  GLCAP_COLOR_MATERIAL = 6,
  GLCAP_CULL_FACE = 7,
  GLCAP_LIGHTING = 8,
  GLCAP_STENCIL_TEST = 9,
  GLCAP_DEPTH_TEST = 10,
  GLCAP_FOG = 11,
  GLCAP_DITHER = 12,
  GLCAP_LINE_SMOOTH = 13,
  GLCAP_POINT_SMOOTH = 14,
  GLCAP_NORMALIZE = 15,
  GLCAP_POLYGON_SMOOTH = 17,
  GLCAP_POLYGON_OFFSET_POINT = 18,
  GLCAP_AUTO_NORMAL = 19,
  GLCAP_TEXTURE_GEN_S = 20,
  GLCAP_TEXTURE_GEN_T = 21,
  GLCAP_SLOT_COUNT = 22,
};

// Each slot is 1 (enabled), 0 (disabled) or kUnknown; a switch reaches GL
// unless the slot already holds the wanted state, so an unknown slot
// always reaches it.
struct GlStateCache {
  static constexpr int32_t kUnknown = 0x7F7F7F7F;
  int32_t slots[GLCAP_SLOT_COUNT];

  void enable(int slot);
  void disable(int slot);
  // Every slot unknown: the next switch of each reaches GL.
  void reset();
  // The GL capability of a slot; 0 for the reserved slots.
  static uint32_t capability_of(int slot);
};

extern GlStateCache qvl_gfx_state_cache;

// glColor4f unless the four values equal the cached ones (a NaN never does).
void qvl_gfx_set_colour_cached(float r, float g, float b, float a);
// The colour cache as it stands: r, g, b, a (-1 before the first colour).
const float* qvl_gfx_colour_cache();
// GL's current colour is no longer known (a colour array leaves it
// undefined): the next qvl_gfx_set_colour_cached reaches GL.
void qvl_gfx_forget_colour();
