// Pixel arrays: moving pixels between sprites, image files and the
// language's integer arrays, one int per RGBA pixel (red in the low byte).
#include <cstring>

#include "core/error_state.h"
#include "files/file_resolve.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/image_files.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/sprite_table.h"

namespace {

// Dimensions the array to exactly the image's pixels and copies them.
bool image_to_array(const PixelImage& image, BasicArray<int>& array) {
  const int64_t n = static_cast<int64_t>(image.width) * image.height;
  if (n <= 0 || n > INT32_MAX) return false;
  if (array.dim_exact(static_cast<int>(n), 0, 0, 0) != n || !array.data) return false;
  std::memcpy(array.data, image.pixels, static_cast<size_t>(n) * 4);
  return true;
}

// The image of qvl_sprite_from_int_array, kept for the process.
PixelImage& from_array_image() {
  static PixelImage image;
  return image;
}

}  // namespace

bool qvl_sprite_to_int_array(BasicArray<int>& array, int id) {
  OpenGLRainbows* g = qvl_gfx_rainbows;
  if (!g || !qvl_sprite_id_checked(id)) return false;
  const SpriteSlot& s = g->sprites[id];
  if (static_cast<int64_t>(s.img_width) * s.img_height <= 0) return false;
  PixelImage image;
  if (!g->sprite_to_image(id, image)) return false;
  return image_to_array(image, array);
}

bool qvl_img_file_to_int_array(const BasicString& name, int* width, int* height,
                               BasicArray<int>& array) {
  BasicString resolved(name);
  if (!qvl_file_resolve(resolved)) {
    qvl_err_raise(3);
    return false;
  }
  OpenGLRainbows* g = qvl_gfx_rainbows;
  const uint32_t key = g ? g->colour_key : 0x8000FFu;
  PixelImage image;
  if (!qvl_img_read_file(image, resolved.text, key)) return false;
  if (!image.has_alpha) image.bleed_transparent_pixels();
  if (width) *width = image.width;
  if (height) *height = image.height;
  return image_to_array(image, array);
}

bool qvl_sprite_from_int_array(BasicArray<int>& array, int id, int width, int height) {
  OpenGLRainbows* g = qvl_gfx_rainbows;
  if (!g || !qvl_sprite_id_checked(id)) return false;
  // The pixel count in 64 bits: a product that wraps in 32 could match a
  // small array and copy far more pixels than it holds.
  const int64_t n = static_cast<int64_t>(width) * height;
  if (width < 0 || height < 0 || n != array.size1) return false;
  PixelImage& image = from_array_image();
  if (!image.resize(width, height)) return false;
  image.has_alpha = 1;
  const int* first = &array.at(0);  // an empty array is an out-of-bounds access
  std::memcpy(image.pixels, first, static_cast<size_t>(n) * 4);
  return g->set_sprite_image(id, image, false);
}
