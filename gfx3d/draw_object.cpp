// Drawing a 3D object with vertex arrays: the frames and their blend, the
// frustum test, the per-vertex data of the shadow modes, the vertex
// buffers, up to two textures, sphere mapping and the shade mode's outline.
//
// The records go to GL as they are: MeshVertex is the stride, so the
// arrays point at its fields (in a buffer object by offset, else by
// address).
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "gfx2d/gl_ext.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/texture_state.h"
#include "gfx3d/matrix4.h"
#include "gfx3d/rainbows3d.h"

namespace {

constexpr GLsizei kStride = sizeof(MeshVertex);

// Which two frames a draw mixes, and how far: a record is first + weight x
// (second - first).
struct FramePick {
  int first, second;
  float weight;
};

int clamp_frame(int64_t f, int count) {
  return static_cast<int>(std::clamp<int64_t>(f, 0, count - 1));
}

FramePick pick_frames(int a, int b, float factor, bool blend, int frame_count) {
  FramePick pick{a, b, factor};
  if (blend) {
    if (factor > 1.0f || factor < 0.0f) factor = std::fabs(std::fmod(factor, 1.0f));
    // Kept in range for the truncation; the frames are clamped anyway.
    const double value = std::clamp(a + (static_cast<double>(b) - a) * factor, -1e9, 1e9);
    const int64_t k = static_cast<int64_t>(value);
    const float frac = static_cast<float>(value - static_cast<double>(k));
    if (a < b) return {clamp_frame(k + 1, frame_count), clamp_frame(k, frame_count), 1.0f - frac};
    if (a > b) return {clamp_frame(k, frame_count), clamp_frame(k + 1, frame_count), frac};
    return {clamp_frame(a, frame_count), clamp_frame(a, frame_count), 0.0f};
  }
  pick.first = clamp_frame(a, frame_count);
  pick.second = clamp_frame(b, frame_count);
  return pick;
}

// The largest length of the matrix's three axis columns: how much it
// scales a radius.
float largest_axis(const float m[16]) {
  float largest = 0.0f;
  for (int c = 0; c < 3; ++c) {
    const float* col = m + 4 * c;
    largest = std::max(largest, std::sqrt(col[0] * col[0] + col[1] * col[1] + col[2] * col[2]));
  }
  return largest;
}

bool multitexture() { return glActiveTextureARB_ && glClientActiveTextureARB_; }

bool buffer_objects() { return glGenBuffersARB_ && glBindBufferARB_ && glBufferDataARB_; }

// The GL texture of a texture number: an index into the package's list
// when there is one (0 outside it), else a sprite id.
uint32_t texture_name(const OpenGLRainbows& gfx, int id, const uint32_t* list, int list_count) {
  if (list) return id >= 0 && id < list_count ? list[id] : 0;
  if (id < 0 || id >= kSpriteCount || !gfx.sprites) return 0;
  return gfx.mipmap_bound ? gfx.sprites[id].mip_texture : gfx.sprites[id].texture;
}

void bind_on_unit(GLenum unit, uint32_t name) {
  glActiveTextureARB_(unit);
  glBindTexture(GL_TEXTURE_2D, name);
  glEnable(GL_TEXTURE_2D);
}

void texcoord_array(GLenum unit, const char* at) {
  glClientActiveTextureARB_(unit);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, kStride, at);
}

// The mixed record: position and normal between the two frames, the rest
// from the first.
void mix_record(MeshVertex& out, const MeshVertex& first, const MeshVertex& second, float w) {
  out = first;
  if (w == 0.0f) return;
  if (w == 1.0f) {  // exact, so that a blend landing on a whole frame draws it unchanged
    out.x = second.x, out.y = second.y, out.z = second.z;
    out.nx = second.nx, out.ny = second.ny, out.nz = second.nz;
    return;
  }
  out.x = first.x + w * (second.x - first.x);
  out.y = first.y + w * (second.y - first.y);
  out.z = first.z + w * (second.z - first.z);
  out.nx = first.nx + w * (second.nx - first.nx);
  out.ny = first.ny + w * (second.ny - first.ny);
  out.nz = first.nz + w * (second.nz - first.nz);
}

// The shadow modes' per-vertex light terms, with L the light in object
// space.
void light_terms(MeshVertex& r, uint8_t mode, Vec3 light, float shade_step) {
  const Vec3 l = normalized(light - Vec3{r.x, r.y, r.z});
  const Vec3 n{r.nx, r.ny, r.nz};
  if (mode == kShadowBump) {
    r.light_r = 0.5f * dot({r.tangent_x, r.tangent_y, r.tangent_z}, l) + 0.5f;
    r.light_g = 0.5f * dot({r.bitangent_x, r.bitangent_y, r.bitangent_z}, l) + 0.5f;
    r.light_b = 0.5f * dot(n, l) + 0.5f;
  } else if (mode == kShadowShade) {
    r.bitangent_y = (r.value_index + 0.5f) * shade_step;
    // How much the surface faces the light picks the shade level.
    r.bitangent_x = std::clamp(dot(l, normalized(n)), 0.05f, 0.95f);
  }
}

// Whether the bounding sphere of the frame drawn second, placed by the
// level matrix, touches the view.
bool sphere_in_view(const Rainbows3D& engine, const MeshFrame& bound, const float* level) {
  const Vec3 centre = qvl_x3d_transformed(level, {bound.bound_x, bound.bound_y, bound.bound_z});
  const float radius = bound.bound_radius * largest_axis(level);
  return engine.sphere_in_frustum(centre.x, centre.y, centre.z, radius);
}

// What the shadow mode needs of the mesh, and its triangle lists: made once
// and kept by the mesh's flags (the triangle lists are built again with
// the normals).
void prepare_mesh(const Rainbows3D& engine, MeshObjectX& part, bool shadows, bool stencil) {
  if (shadows) {
    if (engine.shadow_mode == kShadowBump) {
      part.smooth_normals(true, engine.mesh_build_mode == 2, true);
    } else {
      part.smooth_normals(true, false, false);
    }
  }
  if (part.draw_buffer.count == 0) part.build();
  if (shadows && engine.shadow_mode == kShadowShade)
    part.ensure_shade_texture(engine.gfx && engine.gfx->bgra_supported);
  if (stencil) part.ensure_edges();
}

// The shadow light and the camera in the object's own space.
struct ObjectSpace {
  Vec3 light{0, 0, 0}, camera{0, 0, 0};
};

ObjectSpace object_space(const Rainbows3D& engine, const float* level) {
  float inverse[16];
  std::memcpy(inverse, level, sizeof inverse);
  qvl_x3d_invert_matrix(inverse);
  ObjectSpace space;
  space.light = qvl_x3d_transformed(
      inverse, {engine.shadow_light_x, engine.shadow_light_y, engine.shadow_light_z});
  space.camera = qvl_x3d_transformed(inverse, {engine.camera_x, engine.camera_y, engine.camera_z});
  return space;
}

// The records a draw sends to GL.
struct VertexSource {
  const MeshVertex* records;
  int count;
  bool from_static;  // frame 0 as it stands: the static buffer
};

// Frame `first` as it stands, or the draw buffer rewritten for this draw:
// the two frames mixed, the shadow modes' light terms, the texture offset.
VertexSource vertex_source(const Rainbows3D& engine, MeshObjectX& part, const FramePick& pick,
                           bool shadows, Vec3 light) {
  const GrowVector<MeshVertex>& first = part.frames[pick.first].triangles;
  const GrowVector<MeshVertex>& second = part.frames[pick.second].triangles;
  if (!shadows && pick.weight == 0.0f && engine.texture_offset_u == 0.0f &&
      engine.texture_offset_v == 0.0f)
    return {first.data, first.count, pick.first == 0};
  // Frames of unequal length (a failed end-object) mix as far as all
  // three lists reach.
  int count = std::min({part.draw_buffer.count, first.count, second.count});
  count -= count % 3;
  const bool terms = shadows && multitexture() && engine.shadow_mode != kShadowStencil;
  for (int i = 0; i < count; ++i) {
    MeshVertex& r = part.draw_buffer[i];
    mix_record(r, first[i], second[i], pick.weight);
    if (terms) light_terms(r, engine.shadow_mode, light, part.shade_step);
    r.u += engine.texture_offset_u;
    r.v += engine.texture_offset_v;
  }
  return {part.draw_buffer.data, count, false};
}

// The stencil mode draws the shadow volume of the frame drawn second into
// the stencil buffer, untextured, and not the object itself.
void draw_shadow_volume_only(Rainbows3D& engine, MeshObjectX& part,
                             const GrowVector<MeshVertex>& second, const float* level,
                             Vec3 light) {
  glPushMatrix();
  glMultMatrixf(level);
  part.build_shadow_volume(second, &light.x);
  if (engine.gfx) engine.gfx->bind_textures_3d(-1, -1, 0, nullptr);
  part.draw_shadow_volume(part.draw_buffer, &light.x, true);
  glPopMatrix();
}

// The static buffer is filled once and afterwards only bound, the stream
// buffer every draw; the vertex array is set. Returns the base the other
// arrays point from: an offset into the bound buffer, else the records'
// address.
const char* bind_vertex_data(MeshObjectX& part, const VertexSource& source) {
  const char* base = reinterpret_cast<const char*>(source.records);
  if (buffer_objects()) {
    uint32_t& vbo = source.from_static ? part.static_vbo : part.stream_vbo;
    const bool fill = !source.from_static || vbo == 0;
    if (vbo == 0) glGenBuffersARB_(1, &vbo);
    glBindBufferARB_(GL_ARRAY_BUFFER_ARB, vbo);
    if (fill) {
      const size_t bytes = static_cast<size_t>(source.count) * sizeof(MeshVertex);
      glBufferDataARB_(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(bytes), source.records,
                       source.from_static ? GL_STATIC_DRAW_ARB : GL_STREAM_DRAW_ARB);
    }
    base = nullptr;
  }
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, kStride, base + offsetof(MeshVertex, x));
  return base;
}

// The bump mode: the normal map on unit 0 dotted with the light vector in
// the colour, then the texture of unit 1 over it.
void bump_mode_arrays(const char* base) {
  glActiveTextureARB_(GL_TEXTURE1_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  texcoord_array(GL_TEXTURE1_ARB, base + offsetof(MeshVertex, u));
  glActiveTextureARB_(GL_TEXTURE0_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_DOT3_RGB_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_PRIMARY_COLOR_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_TEXTURE);
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB_ARB, GL_SRC_COLOR);
  texcoord_array(GL_TEXTURE0_ARB, base + offsetof(MeshVertex, u));
  glEnableClientState(GL_COLOR_ARRAY);
  glColorPointer(3, GL_FLOAT, kStride, base + offsetof(MeshVertex, light_r));
}

// The shade mode: the shade lookup texture on unit 1 at the shade
// coordinates, the first texture (when set) on unit 0.
void shade_mode_arrays(const OpenGLRainbows* gfx, const MeshObjectX& part, const char* base,
                       const uint32_t* textures, int texture_count) {
  bind_on_unit(GL_TEXTURE1_ARB, part.shade_texture);
  texcoord_array(GL_TEXTURE1_ARB, base + offsetof(MeshVertex, bitangent_x));
  glActiveTextureARB_(GL_TEXTURE0_ARB);
  if (gfx && gfx->unit0_sprite >= 0) {
    bind_on_unit(GL_TEXTURE0_ARB, texture_name(*gfx, gfx->unit0_sprite, textures, texture_count));
    texcoord_array(GL_TEXTURE0_ARB, base + offsetof(MeshVertex, u));
  }
}

// Plain texturing: the first texture on unit 0 and, with multitexture, the
// second on unit 1.
void plain_texture_arrays(const OpenGLRainbows& gfx, const char* base, const uint32_t* textures,
                          int texture_count, bool multi) {
  const uint32_t first_name = texture_name(gfx, gfx.unit0_sprite, textures, texture_count);
  if (gfx.unit1_sprite >= 0 && multi) {
    bind_on_unit(GL_TEXTURE1_ARB, texture_name(gfx, gfx.unit1_sprite, textures, texture_count));
    texcoord_array(GL_TEXTURE1_ARB, base + offsetof(MeshVertex, u));
    bind_on_unit(GL_TEXTURE0_ARB, first_name);
    texcoord_array(GL_TEXTURE0_ARB, base + offsetof(MeshVertex, u));
  } else {
    if (multi) glActiveTextureARB_(GL_TEXTURE0_ARB);
    glBindTexture(GL_TEXTURE_2D, first_name);
    glEnable(GL_TEXTURE_2D);
    if (multi) glClientActiveTextureARB_(GL_TEXTURE0_ARB);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, kStride, base + offsetof(MeshVertex, u));
  }
}

// Textures and colours by the shadow mode; the bump and shade modes colour
// through their own texture units, the others by the records' colours
// when the mesh has any.
void texture_and_colour_arrays(const Rainbows3D& engine, const MeshObjectX& part, bool shadows,
                               const char* base, const uint32_t* textures, int texture_count) {
  const bool multi = multitexture();
  const OpenGLRainbows* gfx = engine.gfx;
  const bool combined = shadows && multi && engine.shadow_mode != kShadowStencil;
  if (combined && engine.shadow_mode == kShadowBump) {
    bump_mode_arrays(base);
  } else if (combined && engine.shadow_mode == kShadowShade) {
    shade_mode_arrays(gfx, part, base, textures, texture_count);
  } else if (gfx && gfx->unit0_sprite >= 0) {
    plain_texture_arrays(*gfx, base, textures, texture_count, multi);
  }
  if (!combined && part.has_colours == 1) {
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, kStride, base + offsetof(MeshVertex, red));
  }
  // Unit 0's binding changed behind the 2D code's record of it.
  qvl_gfx_tex_forget_binding();
}

// The triangles under the level matrix (pushed; the caller pops), with
// normals for the lights or sphere mapping; afterwards every array this
// draw enabled is off again, unit 1's texture coordinates too, so the next
// draw reads only the arrays it sets up itself.
void draw_triangles(const Rainbows3D& engine, const float* level, const char* base, int count) {
  GlStateCache& c = qvl_gfx_state_cache;
  glPushMatrix();
  glMultMatrixf(level);
  if (engine.light_mask != 0 || engine.sphere_mapping) {
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, kStride, base + offsetof(MeshVertex, nx));
  }
  if (engine.sphere_mapping) {
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    c.enable(GLCAP_TEXTURE_GEN_S);
    c.enable(GLCAP_TEXTURE_GEN_T);
  }
  glDrawArrays(GL_TRIANGLES, 0, count);
  if (engine.sphere_mapping) {
    c.disable(GLCAP_TEXTURE_GEN_S);
    c.disable(GLCAP_TEXTURE_GEN_T);
  }
  if (multitexture()) {
    glClientActiveTextureARB_(GL_TEXTURE1_ARB);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glClientActiveTextureARB_(GL_TEXTURE0_ARB);
  }
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  if (buffer_objects()) glBindBufferARB_(GL_ARRAY_BUFFER_ARB, 0);
}

// Both units' texture environments back to GL_MODULATE, unit 0 active.
void reset_texture_environments() {
  if (!multitexture()) return;
  glActiveTextureARB_(GL_TEXTURE1_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glActiveTextureARB_(GL_TEXTURE0_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

}  // namespace

void Rainbows3D::draw_object(int n, int a, int b, float factor, bool blend) {
  if (n < 0 || n >= objects.count) return;
  ObjectSlot& slot = objects[n];
  if (!slot.package) {
    if (slot.parts.count > 0) draw_frame(slot.parts[0], a, b, factor, blend, nullptr, 0);
    return;
  }
  const uint32_t* list = slot.textures.count > 0 ? slot.textures.data : nullptr;
  auto in_list = [&slot](int i) { return i >= 0 && i < slot.textures.count ? i : -1; };
  for (int p = 0; p < slot.parts.count; ++p) {
    MeshObjectX& part = slot.parts[p];
    if (gfx) {
      if (list) {
        gfx->bind_textures_3d(in_list(part.texture_a), in_list(part.texture_b), 0, list);
      } else {
        gfx->bind_textures_3d(-1, -1, 0, nullptr);
      }
    }
    draw_frame(part, a, b, factor, blend, list, slot.textures.count);
  }
}

void Rainbows3D::draw_frame(MeshObjectX& part, int a, int b, float factor, bool blend,
                            const uint32_t* textures, int texture_count) {
  if (part.frames.count == 0 || part.frames[0].vertices.count == 0) return;
  qvl_gfx_flush_sprites();
  const float alpha = gfx ? gfx->global_alpha : 1.0f;
  const FramePick pick = pick_frames(a, b, factor, blend, part.frames.count);
  const bool shadows = shadow_enabled != 0;
  const bool stencil = shadows && shadow_mode == kShadowStencil;

  update_object_matrix();
  const float* level = transform_levels[current_level].matrix;
  // Outside the view only its shadow volume can still be seen.
  if (!stencil && !sphere_in_view(*this, part.frames[pick.second], level)) return;

  qvl_gfx_set_colour_cached(1.0f, 1.0f, 1.0f, alpha);
  qvl_gfx_state_cache.enable(GLCAP_COLOR_MATERIAL);
  prepare_mesh(*this, part, shadows, stencil);
  const ObjectSpace space = shadows ? object_space(*this, level) : ObjectSpace{};
  const VertexSource source = vertex_source(*this, part, pick, shadows, space.light);
  if (source.count > 0) {
    glMatrixMode(GL_MODELVIEW);
    if (stencil) {
      draw_shadow_volume_only(*this, part, part.frames[pick.second].triangles, level, space.light);
    } else {
      const char* base = bind_vertex_data(part, source);
      texture_and_colour_arrays(*this, part, shadows, base, textures, texture_count);
      draw_triangles(*this, level, base, source.count);
      if (shadows && shadow_mode == kShadowShade && cull_mode != 0)
        draw_outline(part, part.frames[pick.second], space.camera, source.count, textures);
      reset_texture_environments();
      glPopMatrix();
    }
  }
  // Every draw that passed the frustum test ends alike, whatever it drew:
  // colour material off and the colour white at the global alpha.
  qvl_gfx_state_cache.disable(GLCAP_COLOR_MATERIAL);
  qvl_gfx_set_colour_cached(1.0f, 1.0f, 1.0f, alpha);
}

// The shade mode's black outline: the draw buffer pushed out along the
// normals by a thickness that grows with the distance, drawn with the
// faces turned the other way.
void Rainbows3D::draw_outline(MeshObjectX& part, const MeshFrame& bound, Vec3 camera, int count,
                              const uint32_t* textures) {
  const Vec3 d = camera - Vec3{bound.bound_x, bound.bound_y, bound.bound_z};
  const float sq = dot(d, d);
  float thickness = (sq > 1e-7f ? std::sqrt(sq) : 0.0f) * view_tangent * 0.003f;
  if (thickness > 0.5f * bound.bound_radius) return;
  thickness = std::max(thickness, 1e-7f);
  GlStateCache& c = qvl_gfx_state_cache;
  set_cull_mode(-cull_mode);
  for (int i = 0; i < count; ++i) {
    MeshVertex& r = part.draw_buffer[i];
    r.x += thickness * r.nx;
    r.y += thickness * r.ny;
    r.z += thickness * r.nz;
  }
  const char* base = reinterpret_cast<const char*>(part.draw_buffer.data);
  if (buffer_objects()) {
    if (part.stream_vbo == 0) glGenBuffersARB_(1, &part.stream_vbo);
    glBindBufferARB_(GL_ARRAY_BUFFER_ARB, part.stream_vbo);
    glBufferDataARB_(GL_ARRAY_BUFFER_ARB,
                     static_cast<GLsizeiptrARB>(count) * static_cast<GLsizeiptrARB>(kStride),
                     part.draw_buffer.data, GL_STREAM_DRAW_ARB);
    base = nullptr;
  }
  if (multitexture()) {
    glActiveTextureARB_(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB_(GL_TEXTURE0_ARB);
  }
  glDisable(GL_TEXTURE_2D);
  c.disable(GLCAP_LIGHTING);
  c.enable(GLCAP_COLOR_MATERIAL);
  qvl_gfx_set_colour_cached(0.0f, 0.0f, 0.0f, 1.0f);
  glDepthFunc(GL_LEQUAL);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, kStride, base + offsetof(MeshVertex, x));
  glDrawArrays(GL_TRIANGLES, 0, count);
  glDepthFunc(GL_LESS);
  glDisableClientState(GL_VERTEX_ARRAY);
  // The lights stay on for the objects drawn after this one.
  if (light_mask != 0) c.enable(GLCAP_LIGHTING);
  if (gfx)
    gfx->bind_textures_3d(gfx->unit0_sprite, gfx->unit1_sprite, gfx->mipmap_bound, textures);
  set_cull_mode(-cull_mode);
  if (buffer_objects()) glBindBufferARB_(GL_ARRAY_BUFFER_ARB, 0);
}

void Rainbows3D::set_cull_mode(int mode) {
  qvl_gfx_flush_sprites();
  cull_mode = static_cast<int8_t>(mode);
  GlStateCache& c = qvl_gfx_state_cache;
  if (mode == 1) {
    glFrontFace(GL_CW);
    c.enable(GLCAP_CULL_FACE);
  } else if (mode == -1) {
    c.enable(GLCAP_CULL_FACE);
    glFrontFace(GL_CCW);
  } else if (mode == 0) {
    c.disable(GLCAP_CULL_FACE);
  }
}

void Rainbows3D::set_depth_test(bool on) {
  qvl_gfx_flush_sprites();
  if (on) {
    qvl_gfx_state_cache.enable(GLCAP_DEPTH_TEST);
    glDepthFunc(GL_LESS);
  } else {
    qvl_gfx_state_cache.disable(GLCAP_DEPTH_TEST);
  }
}
