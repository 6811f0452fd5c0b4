// The texture cache: every sprite image written to one temporary file and
// loaded back, so that sprites survive the loss of their GL textures.
#include <cerrno>
#include <cstring>

#include "gfx2d/gfx_log.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/texture_cache_file.h"
#include "gfx2d/texture_cache_name.h"
#include "platform/exclusive_file.h"
#include "platform/file_io.h"
#include "platform/remove_path.h"

namespace {

class DiskSource : public TexCacheSource {
 public:
  explicit DiskSource(PlatFile* file) : file_(file) {}
  bool read(void* into, size_t n) override {
    size_t got = 0;
    return plat_file_read(file_, into, n, &got) && got == n;
  }
  bool seek(int64_t position) override { return plat_file_seek(file_, position); }
  int64_t size() override { return plat_file_size(file_); }

 private:
  PlatFile* file_;
};

bool apply_record(void* context, int32_t id, const PixelImage& image) {
  return static_cast<OpenGLRainbows*>(context)->set_sprite_image(id, image, false);
}

// Writes every sprite image; false on the first that cannot be read back
// or written, since a cache missing a sprite would lose it on restore.
bool write_records(OpenGLRainbows& gfx, PlatNewFile* file) {
  PixelImage image;
  for (int id = 0; id <= kTexCacheMaxId; ++id) {
    if (gfx.sprites[id].img_width <= 0) continue;
    if (!gfx.sprite_to_image(id, image)) {
      qvl_gfx_log("   ...sprite %d can't be read back\n", id);
      return false;
    }
    uint8_t header[kTexCacheHeaderBytes];
    qvl_tex_cache_encode_header({id, image.width, image.height}, header);
    size_t bytes = static_cast<size_t>(image.width) * image.height * 4;
    if (!plat_new_file_write(file, header, sizeof header) ||
        !plat_new_file_write(file, image.pixels, bytes)) {
      qvl_gfx_log("   ...write failed\n");
      return false;
    }
  }
  return true;
}

bool save(OpenGLRainbows& gfx, const char* name) {
  qvl_gfx_log("move textures from mem to temp file\n   \"%s\"\n", name);
  if (std::strncmp(name, "mem://", 6) == 0) return false;
  qvl_os_remove_path(name);
  PlatNewFile* file = plat_new_file_create(name);
  if (!file) {
    qvl_gfx_log("   ...can't create the file\n");
    return false;
  }
  bool written = write_records(gfx, file);
  if (!plat_new_file_close(file) && written) {
    qvl_gfx_log("   ...write failed\n");
    written = false;
  }
  if (!written) {
    qvl_os_remove_path(name);
    return false;
  }
  qvl_gfx_log("   ...done\n");
  return true;
}

bool restore(OpenGLRainbows& gfx, const char* name) {
  qvl_gfx_log("restoring textures from temp file\n");
  // The folder is shared: what lies at the name must be a file this user
  // made, never a link, a pipe or a device planted there.
  PlatFile* file = plat_file_open(name, PlatOpenMode::read_own);
  if (!file) {
    if (errno == EPERM || errno == ELOOP) {
      if (qvl_os_remove_path(name)) qvl_gfx_log("   ...not a cache file, removed\n");
    }
    return false;
  }
  DiskSource source(file);
  PixelImage scratch;
  const char* why = "";
  bool loaded = qvl_tex_cache_load(source, scratch, apply_record, &gfx, &why);
  plat_file_close(file);
  qvl_os_remove_path(name);
  if (!loaded) {
    qvl_gfx_log("   ...bad cache file: %s\n", why);
    return false;
  }
  qvl_gfx_log("   ...done\n");
  return true;
}

}  // namespace

bool OpenGLRainbows::move_textures(bool restore_them) {
  const char* name = qvl_tex_cache_file_name(this);
  qvl_gfx_flush_sprites();
  return restore_them ? restore(*this, name) : save(*this, name);
}
