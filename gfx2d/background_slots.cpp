// The eight background slots: sprites that the frame start draws in place of
// clearing the screen, loaded from files or grabbed from the screen. A slot
// owns its sprite.
#include <GL/gl.h>

#include <utility>

#include "gfx2d/image_files.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/sprite_table.h"
#include "gfx2d/viewport.h"

namespace {
bool valid_slot(int slot) { return slot >= 0 && slot < kBackgroundSlots; }
}  // namespace

void OpenGLRainbows::draw_background(int slot) {
  if (!valid_slot(slot) || background_slots[slot] < 0) return;
  // The borders around a scaled picture.
  if (qvl_gfx_virtual_resolution.scale > 1.0f) {
    qvl_gfx_flush_sprites();
    glClear(GL_COLOR_BUFFER_BIT);
  }
  draw_sprite(background_slots[slot], 0, 0);
}

bool OpenGLRainbows::load_background(int slot, const char* name) {
  if (!valid_slot(slot) || !name) return false;
  PixelImage image;
  // A background is a sprite with its mipmapped twin, weighed as one
  // before the image is decoded.
  if (!qvl_img_read_texture_file(image, name, kNoColourKey, true) || image.width == 0 ||
      image.height == 0)
    return false;
  free_background(slot);
  int id = find_free_sprite();
  if (id < 0 || !qvl_sprite_take_image(*this, id, image, false)) return false;
  background_slots[slot] = id;
  return true;
}

bool OpenGLRainbows::grab_background(int slot) {
  if (!valid_slot(slot)) return false;
  free_background(slot);
  int id = find_free_sprite();
  if (id < 0) return false;
  // The logical screen: the virtual size, turned with the orientation.
  int w = virtual_height ? virtual_width : screen_width;
  int h = virtual_height ? virtual_height : screen_height;
  if (orientation == 1 || orientation == 3) std::swap(w, h);
  if (!grab_sprite(id, 0, 0, w, h)) {
    free_sprite(id);
    return false;
  }
  background_slots[slot] = id;
  return true;
}

void OpenGLRainbows::free_background(int slot) {
  if (!valid_slot(slot)) return;
  free_sprite(background_slots[slot]);
  background_slots[slot] = -1;
}

void OpenGLRainbows::set_transparent_colour(uint32_t colour) {
  colour_key = colour;
  font_colour_key = colour;
}
