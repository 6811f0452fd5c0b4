// Drawing sprites of the sprite table: in their own size, stretched,
// rotated and zoomed, as animation frames, and as camera-facing 3D quads.
// Quads drawn in the 2D transform go to the sprite batch, which sends runs
// of them with one texture in one draw call; the others flush it and draw
// at once.
#include "gfx2d/sprite_draw.h"

#include <GL/gl.h>

#include <cmath>

#include "gfx2d/poly_batch.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/sprite_table.h"
#include "gfx2d/texture_state.h"

AnimFrame qvl_anim_frame(const SpriteSlot& s, int n) {
  AnimFrame f{};
  const int64_t aw = s.anim_width, ah = s.anim_height;
  const int64_t per_row = aw != 0 ? s.img_width / aw : 0;
  if (per_row != 0) {
    f.row = n / per_row + 1;
    f.column = n % per_row;
  } else {
    f.row = 1;
    f.column = n;
  }
  float tw = s.tex_width, th = s.tex_height;
  f.u_left = static_cast<float>(f.column * aw) / tw;
  f.u_right = static_cast<float>((f.column + 1) * aw) / tw;
  f.v_bottom = static_cast<float>(s.img_height - f.row * ah) / th;
  f.v_top = f.v_bottom + static_cast<float>(ah) / th;
  return f;
}

namespace {

// The far edge of a quad side: position plus size, in 64 bits, so that a
// position near the end of the int range cannot wrap round to the other
// side of the screen.
float edge(int pos, int size) { return static_cast<float>(int64_t{pos} + size); }

// The sprite to draw, or null for ids outside the table.
const SpriteSlot* drawable(const OpenGLRainbows& gfx, int id) {
  return qvl_sprite_id_valid(id) && gfx.sprites ? &gfx.sprites[id] : nullptr;
}

bool has_frames(const SpriteSlot& s) {
  return s.anim_width != 0 && s.anim_height != 0 && s.tex_width > 0 && s.tex_height > 0;
}

// The bound sprite's quad, clamped at the texture's edges, into the batch.
void blit(const SpriteSlot& s, const QuadVertex quad[4]) {
  if (!qvl_gfx_batching) {
    qvl_gfx_draw_quad(quad);
    return;
  }
  qvl_gfx_tex_set_wrap(GL_CLAMP_TO_EDGE);
  qvl_gfx_batch_fan(s.texture, quad);
}

}  // namespace

void qvl_sprite_blit_quad(const SpriteSlot& s, int x, int y, QuadVertex quad[4]) {
  const float l = x, t = y, r = edge(x, s.img_width), b = edge(y, s.img_height);
  quad[0] = {r, t, s.u_max, s.v_max};
  quad[1] = {l, t, 0, s.v_max};
  quad[2] = {l, b, 0, 0};
  quad[3] = {r, b, s.u_max, 0};
}

void qvl_sprite_stretched_quad(const SpriteSlot& s, int x, int y, int w, int h,
                               QuadVertex quad[4]) {
  const float l = x, t = y, r = edge(x, w), b = edge(y, h);
  quad[0] = {l, b, 0, 0};
  quad[1] = {r, b, s.u_max, 0};
  quad[2] = {r, t, s.u_max, s.v_max};
  quad[3] = {l, t, 0, s.v_max};
}

void OpenGLRainbows::draw_sprite(int id, int x, int y) {
  const SpriteSlot* s = drawable(*this, id);
  if (!s) return;
  bind_sprite_texture(id);
  apply_smoothing();
  QuadVertex quad[4];
  qvl_sprite_blit_quad(*s, x, y, quad);
  blit(*s, quad);
}

void OpenGLRainbows::draw_sprite_stretched(int id, int x, int y, int w, int h) {
  const SpriteSlot* s = drawable(*this, id);
  if (!s) return;
  bind_sprite_texture(id);
  apply_smoothing();
  QuadVertex quad[4];
  qvl_sprite_stretched_quad(*s, x, y, w, h, quad);
  blit(*s, quad);
}

void OpenGLRainbows::draw_sprite_quads(int id, const QuadVertex* quads, int count) {
  const SpriteSlot* s = drawable(*this, id);
  if (!s || count <= 0) return;
  bind_sprite_texture(id);
  apply_smoothing();
  for (int i = 0; i < count; ++i) blit(*s, quads + 4 * i);
}

void OpenGLRainbows::draw_sprite_rotated(int id, int x, int y, float angle, float zoom) {
  const SpriteSlot* s = drawable(*this, id);
  if (!s || s->tex_width <= 0 || s->tex_height <= 0) return;
  // Half a texel in from every edge, so filtering never reaches the
  // neighbouring (transparent) texels of the power-of-two texture.
  float tw = s->tex_width, th = s->tex_height;
  float u_lo = 0.5f / tw, u_hi = (s->img_width - 0.5f) / tw;
  float v_lo = 0.5f / th, v_hi = (s->img_height - 0.5f) / th;
  float hw = zoom * s->img_width * 0.5f, hh = zoom * s->img_height * 0.5f;
  qvl_gfx_flush_sprites();  // the quads waiting were placed without this turn
  bind_sprite_texture(id);
  glPushMatrix();
  glTranslatef(edge(x, s->img_width >> 1), edge(y, s->img_height >> 1), 0.0f);
  glRotatef(angle, 0.0f, 0.0f, -1.0f);  // positive = counter-clockwise on screen
  const QuadVertex quad[4] = {
      {-hw, hh, u_lo, v_lo}, {hw, hh, u_hi, v_lo}, {hw, -hh, u_hi, v_hi}, {-hw, -hh, u_lo, v_hi}};
  apply_smoothing();
  qvl_gfx_draw_quad(quad);
  glPopMatrix();
}

void OpenGLRainbows::draw_anim(int id, int n, int x, int y) {
  const SpriteSlot* s = drawable(*this, id);
  if (!s || !has_frames(*s)) return;
  AnimFrame f = qvl_anim_frame(*s, n);
  int aw = s->anim_width, ah = s->anim_height;
  bind_sprite_texture(id);
  apply_smoothing();
  const float l = x, t = y, r = edge(x, aw), b = edge(y, ah);
  qvl_gfx_tex_apply_wrap();
  // Immediate mode is gathered by the driver itself: consecutive frames
  // with one texture become one draw. Its split of a quad depends on that
  // gathering, so the sprite batch does not copy it.
  qvl_gfx_flush_sprites();
  glBegin(GL_QUADS);
  glTexCoord2f(f.u_right, f.v_top);
  glVertex2f(r, t);
  glTexCoord2f(f.u_left, f.v_top);
  glVertex2f(l, t);
  glTexCoord2f(f.u_left, f.v_bottom);
  glVertex2f(l, b);
  glTexCoord2f(f.u_right, f.v_bottom);
  glVertex2f(r, b);
  glEnd();
}

void OpenGLRainbows::draw_anim_rotated(int id, int n, int x, int y, float angle, float zoom) {
  const SpriteSlot* s = drawable(*this, id);
  if (!s || !has_frames(*s)) return;
  AnimFrame f = qvl_anim_frame(*s, n);
  int aw = s->anim_width, ah = s->anim_height;
  float tw = s->tex_width, th = s->tex_height;
  float u_l = f.u_left + 0.5f / tw, u_r = u_l + aw / tw - 1.0f / tw;
  float v_b = f.v_bottom + 0.5f / th, v_t = v_b + ah / th - 1.0f / th;
  float hw = aw * zoom * 0.5f, hh = ah * zoom * 0.5f;
  float theta = angle * 0.017453292f;
  float c = std::cos(theta), sn = std::sin(theta);
  float cx = edge(x, aw / 2), cy = edge(y, ah / 2);
  auto corner = [&](float dx, float dy, float u, float v) {
    return QuadVertex{cx + c * dx + sn * dy, cy - sn * dx + c * dy, u, v};
  };
  bind_sprite_texture(id);
  const QuadVertex quad[4] = {corner(-hw, -hh, u_l, v_t), corner(-hw, hh, u_l, v_b),
                              corner(hw, hh, u_r, v_b), corner(hw, -hh, u_r, v_t)};
  apply_smoothing();
  blit(*s, quad);
}

void OpenGLRainbows::draw_anim_stretched(int id, int n, int x, int y, int w, int h) {
  const SpriteSlot* s = drawable(*this, id);
  if (!s || !has_frames(*s)) return;
  AnimFrame f = qvl_anim_frame(*s, n);
  // The right and bottom edges reach 0.1 pixel further, so that tiled
  // frames leave no gap between them.
  float l = x, t = y, r = edge(x, w) + 0.1f, b = edge(y, h) + 0.1f;
  const QuadVertex quad[4] = {{l, t, f.u_left, f.v_top},
                              {l, b, f.u_left, f.v_bottom},
                              {r, b, f.u_right, f.v_bottom},
                              {r, t, f.u_right, f.v_top}};
  bind_sprite_texture(id);
  apply_smoothing();
  blit(*s, quad);
}

void OpenGLRainbows::draw_sprite_3d(int id, float x, float y, float z, float scale) {
  const SpriteSlot* s = drawable(*this, id);
  if (!s || s->tex_width <= 0 || s->tex_height <= 0) return;
  qvl_gfx_flush_sprites();  // the normal below is state the waiting quads would take
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  // The camera's right and up vectors are the first two rows of the
  // modelview rotation; the quad faces the camera along the third.
  const float right[3] = {m[0], m[4], m[8]};
  const float up[3] = {m[1], m[5], m[9]};
  glNormal3f(m[2], m[6], m[10]);
  float hw = (s->img_width >> 2) * scale, hh = (s->img_height >> 1) * scale;
  float u_hi = (s->img_width - 0.5f) / s->tex_width;
  float v_hi = (s->img_height - 0.5f) / s->tex_height;
  bind_sprite_texture(id);
  const float p[3] = {x, y, z};
  auto vertex = [&](float along_right, float along_up, float u, float v) {
    TexVertex t;
    t.x = p[0] + right[0] * along_right + up[0] * along_up;
    t.y = p[1] + right[1] * along_right + up[1] * along_up;
    t.z = p[2] + right[2] * along_right + up[2] * along_up;
    t.u = u;
    t.v = v;
    return t;
  };
  vertices.clear(false);
  vertices.push(vertex(-hw, 0, 0, 0));
  vertices.push(vertex(hw, 0, u_hi, 0));
  vertices.push(vertex(hw, hh, u_hi, v_hi));
  vertices.push(vertex(-hw, hh, 0, v_hi));
  qvl_gfx_tex_set_wrap(GL_CLAMP_TO_EDGE);
  apply_smoothing();
  draw_vertex_array(GL_TRIANGLE_FAN);
}
