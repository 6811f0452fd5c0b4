// The GL names the mesh records own: deleting vertex buffers and textures,
// and uploading the shade lookup texture of the cel-shading mode.
#include <GL/gl.h>

#include "gfx2d/gl_ext.h"
#include "gfx2d/texture_state.h"
#include "gfx3d/mesh_records.h"
#include "gfx3d/rainbows3d.h"
#include "gfx3d/shade_texels.h"

namespace {

void delete_buffers(int count, const uint32_t* names) {
  if (glDeleteBuffersARB_) glDeleteBuffersARB_(count, names);
}

// Through the 2D code's texture records, which must not keep what they
// knew of a name GL may hand out again.
void delete_textures(int count, const uint32_t* names) {
  for (int i = 0; i < count; ++i)
    if (names[i]) qvl_gfx_tex_delete(names[i]);
}

}  // namespace

void qvl_x3d_install_gl_deleters() {
  qvl_x3d_gl_deleters.buffers = delete_buffers;
  qvl_x3d_gl_deleters.textures = delete_textures;
}

void qvl_x3d_remove_gl_deleters() { qvl_x3d_gl_deleters = MeshGlDeleters{}; }

bool MeshObjectX::build_shade_texture(bool bgra) {
  ShadeTexels texels;
  if (!qvl_x3d_shade_texels(values, bgra, texels)) return false;
  shade_step = texels.step;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  if (shade_texture == 0) qvl_gfx_tex_generate(&shade_texture);
  qvl_gfx_tex_bind(shade_texture);
  qvl_gfx_tex_forget(shade_texture);  // its parameters are set here, past the records
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, bgra ? GL_RGBA8 : GL_RGBA, texels.width, texels.height, 0,
               bgra ? GL_BGRA : GL_RGBA, GL_UNSIGNED_BYTE, texels.pixels);
  return true;
}

bool MeshObjectX::ensure_shade_texture(bool bgra) {
  return shade_texture != 0 || build_shade_texture(bgra);
}

void Rainbows3D::set_shade_table(const uint8_t* bytes, int length) {
  if (!qvl_x3d_shade_table_store(bytes, length) || length <= 0) return;
  for (int n = 0; n < objects.count; ++n) {
    ObjectSlot& slot = objects[n];
    for (int p = 0; p < slot.parts.count; ++p) {
      MeshObjectX& part = slot.parts[p];
      if (part.shade_texture == 0) continue;
      qvl_gfx_tex_delete(part.shade_texture);
      part.shade_texture = 0;
    }
  }
}
