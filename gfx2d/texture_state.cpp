#include "gfx2d/texture_state.h"

#include <GL/gl.h>

#include <vector>

#include "gfx2d/sprite_batch.h"

namespace {

// 0 in a field = not known.
struct TexRecord {
  int32_t wrap_wanted;
  int32_t wrap_held;
  int32_t min_held;
  int32_t mag_held;
};

// GL names are small counters on every driver we know; a name past this is
// simply not recorded and its parameters always reach GL.
constexpr uint32_t kMaxRecorded = 1u << 20;
constexpr uint32_t kUnknownBinding = 0xFFFFFFFFu;

std::vector<TexRecord> g_records;
uint32_t g_bound = kUnknownBinding;

// The record of a name, made on first use; null for names not recorded.
TexRecord* record(uint32_t name) {
  if (name >= kMaxRecorded) return nullptr;
  if (name >= g_records.size()) g_records.resize(name + 1, TexRecord{0, 0, 0, 0});
  return &g_records[name];
}

uint32_t bound_name() {
  if (g_bound == kUnknownBinding) {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    g_bound = static_cast<uint32_t>(name);
  }
  return g_bound;
}

// Sets one parameter of the bound texture unless `held` already says GL has it.
void set_parameter(int32_t* held, GLenum pname, int32_t value) {
  if (held && *held == value) return;
  qvl_gfx_flush_sprites();
  glTexParameteri(GL_TEXTURE_2D, pname, value);
  if (held) *held = value;
}

}  // namespace

void qvl_gfx_tex_bind(uint32_t name) {
  if (name != g_bound) qvl_gfx_flush_sprites();
  glBindTexture(GL_TEXTURE_2D, name);
  g_bound = name;
}

void qvl_gfx_tex_generate(uint32_t* name) {
  glGenTextures(1, name);
  qvl_gfx_tex_forget(*name);
}

void qvl_gfx_tex_delete(uint32_t name) {
  qvl_gfx_flush_sprites();
  glDeleteTextures(1, &name);
  qvl_gfx_tex_forget(name);
  if (g_bound == name) g_bound = 0;
}

void qvl_gfx_tex_forget_binding() { g_bound = kUnknownBinding; }

void qvl_gfx_tex_forget(uint32_t name) {
  if (name < g_records.size()) g_records[name] = TexRecord{0, 0, 0, 0};
}

void qvl_gfx_tex_new_context() {
  g_records.clear();
  g_bound = kUnknownBinding;
}

void qvl_gfx_tex_forget_held() {
  for (TexRecord& r : g_records) r.wrap_held = r.min_held = r.mag_held = 0;
}

void qvl_gfx_tex_want_wrap(int32_t mode) {
  if (TexRecord* r = record(bound_name())) r->wrap_wanted = mode;
}

void qvl_gfx_tex_apply_wrap() {
  TexRecord* r = record(bound_name());
  // A texture that no drawing code has given a mode keeps what GL has.
  if (!r || r->wrap_wanted == 0 || r->wrap_wanted == r->wrap_held) return;
  qvl_gfx_flush_sprites();
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, r->wrap_wanted);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, r->wrap_wanted);
  r->wrap_held = r->wrap_wanted;
}

void qvl_gfx_tex_set_wrap(int32_t mode) {
  TexRecord* r = record(bound_name());
  if (!r) {
    qvl_gfx_flush_sprites();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, mode);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, mode);
    return;
  }
  r->wrap_wanted = mode;
  qvl_gfx_tex_apply_wrap();
}

void qvl_gfx_tex_set_filters(int32_t min_filter, int32_t mag_filter) {
  TexRecord* r = record(bound_name());
  set_parameter(r ? &r->mag_held : nullptr, GL_TEXTURE_MAG_FILTER, mag_filter);
  set_parameter(r ? &r->min_held : nullptr, GL_TEXTURE_MIN_FILTER, min_filter);
}

int32_t qvl_gfx_tex_mag_filter(uint32_t name) {
  TexRecord* r = record(name);
  if (r && r->mag_held != 0) return r->mag_held;
  const uint32_t previous = bound_name();
  if (previous != name) qvl_gfx_tex_bind(name);
  GLint filter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
  if (previous != name) qvl_gfx_tex_bind(previous);
  if (r) r->mag_held = filter;
  return filter;
}

int32_t qvl_gfx_tex_held_wrap(uint32_t name) {
  return name < g_records.size() ? g_records[name].wrap_held : 0;
}
