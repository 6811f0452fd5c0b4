// The eight fixed-function GL lights, the shadow light that selects a
// shadow mode for drawing, and GL fog.
#include <GL/gl.h>

#include <cmath>

#include "gfx2d/gl_state_cache.h"
#include "gfx2d/sprite_batch.h"
#include "gfx3d/rainbows3d.h"

namespace {

struct Rgba {
  float v[4];
};

// 0xBBGGRR with the given alpha.
Rgba colour_floats(int colour, float alpha) {
  return {{(colour & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f,
           ((colour >> 16) & 0xFF) / 255.0f, alpha}};
}

constexpr float kNoSpecular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
constexpr int kDebugDotColour = 0x80C8FF;
constexpr int kDebugSpotColour = 0x6CAAE1;

}  // namespace

void Rainbows3D::set_light(int n, int colour, float x, float y, float z, float dx, float dy,
                           float dz, float cutoff, bool debug) {
  if (n < 0) {
    shadow_enabled = std::fabs(cutoff) >= 0.00001f ? 1 : 0;
    if (shadow_enabled) {
      shadow_light_x = x, shadow_light_y = y, shadow_light_z = z;
      shadow_colour = colour;
    }
    if (n == -1) {
      shadow_mode = kShadowBump;
    } else if (n == -3) {
      shadow_mode = kShadowStencil;
      set_shadow_pass(shadow_enabled);
    } else {
      shadow_mode = kShadowShade;
    }
    return;
  }
  qvl_gfx_flush_sprites();
  GlStateCache& c = qvl_gfx_state_cache;
  const int index = n & 7;
  const GLenum light = GL_LIGHT0 + index;
  if (cutoff == 0.0f) {
    glDisable(light);
    light_mask = static_cast<uint8_t>(light_mask & ~(1u << index));
    if (light_mask == 0) c.disable(GLCAP_LIGHTING);
    return;
  }
  c.enable(GLCAP_LIGHTING);
  glEnable(light);
  light_mask = static_cast<uint8_t>(light_mask | (1u << index));
  glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
  // Positions are taken in the current modelview space.
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  const Rgba diffuse = colour_floats(colour, 1.0f);
  float position[4] = {x, y, z, 1.0f};
  bool spot = false;
  if (x == 0 && y == 0 && z == 0 && dx == 0 && dy == 0 && dz == 0) {
    // A light from the viewer.
    const float toward[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    glLightfv(light, GL_POSITION, toward);
    glLightfv(light, GL_DIFFUSE, diffuse.v);
    glLightfv(light, GL_SPECULAR, kNoSpecular);
    glLightf(light, GL_SPOT_CUTOFF, 180.0f);
  } else if (cutoff == 180.0f) {
    float direction[3] = {-dx, -dy, -dz};
    qvl_x3d_normalize(direction);
    const float away[4] = {direction[0], direction[1], direction[2], 0.0f};
    glLightfv(light, GL_POSITION, away);
    glLightf(light, GL_SPOT_CUTOFF, 180.0f);
    glLightfv(light, GL_DIFFUSE, diffuse.v);
    glLightfv(light, GL_SPECULAR, kNoSpecular);
  } else if (cutoff <= 90.0f) {
    spot = true;
    float direction[3] = {dx, dy, dz};
    qvl_x3d_normalize(direction);
    glLightf(light, GL_SPOT_CUTOFF, cutoff);
    glLightfv(light, GL_POSITION, position);
    glLightfv(light, GL_SPOT_DIRECTION, direction);
    glLightfv(light, GL_DIFFUSE, diffuse.v);
    glLightfv(light, GL_SPECULAR, diffuse.v);
  } else {
    glLightf(light, GL_SPOT_CUTOFF, 180.0f);
    glLightfv(light, GL_POSITION, position);
    glLightfv(light, GL_DIFFUSE, diffuse.v);
    glLightfv(light, GL_SPECULAR, diffuse.v);
  }
  glPopMatrix();
  if (!debug) return;
  draw_dot({x, y, z}, kDebugDotColour, 40.0f);
  if (spot) {
    const Vec3 d = normalized({dx, dy, dz});
    draw_line({x, y, z}, Vec3{x, y, z} + d * 500.0f, kDebugSpotColour, 3.0f);
  }
}

void Rainbows3D::light_at_camera(int n, int colour) {
  set_light(n, colour, camera_x, camera_y, camera_z, -camera_x, -camera_y, -camera_z, 180.0f,
            false);
}

void Rainbows3D::set_fog(int colour, int exponential, float a, float b) {
  qvl_gfx_flush_sprites();
  GlStateCache& c = qvl_gfx_state_cache;
  if (colour == -1) {
    c.disable(GLCAP_FOG);
    return;
  }
  c.enable(GLCAP_FOG);
  if (exponential != 0) {
    glFogi(GL_FOG_MODE, GL_EXP);
    glFogf(GL_FOG_DENSITY, a);
  } else {
    glFogi(GL_FOG_MODE, GL_LINEAR);
    if (a == 0.0f && b == 0.0f) {
      a = fog_start;
      b = fog_end;
    }
    glFogf(GL_FOG_START, a);
    glFogf(GL_FOG_END, b);
  }
  const Rgba fog = colour_floats(colour, 0.0f);
  glFogfv(GL_FOG_COLOR, fog.v);
}
