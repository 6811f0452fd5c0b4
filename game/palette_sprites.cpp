#include "game/palette_sprites.h"

#include <cstdint>

#include "gfx2d/draw_commands.h"
#include "gfx2d/render_target.h"
#include "kvgui/busy_overlay.h"

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

}  // namespace

bool gamefile_image_pixels(Timage& image, const BasicArray<int>& palette, int size,
                           BasicArray<int>& pixels) {
  image.update_alpha();
  BasicArray<int>& grid = image.pixels;
  if (grid.size1 == 0) grid.dim(size, size, 0, 0);
  const int n = grid.size1;
  pixels.dim(0, 0, 0, 0);
  // The sprite is the grid's top n x n square: it needs n rows.
  if (n <= 0 || grid.size2 < n || int64_t(n) * n > INT32_MAX) return false;
  pixels.dim_exact(n * n, 0, 0, 0);
  const int colours = palette.size1;
  for (int y = 0; y < n; ++y) {
    const int* row = grid.data + int64_t(y) * n;
    int* out = pixels.data + int64_t(y) * n;
    for (int x = 0; x < n; ++x) {
      int p = row[x];
      if (p == 0) {
        out[x] = 0;
        continue;
      }
      if (p < 0) p += colours;
      if (p < 0 || p >= colours) {
        pixels.dim(0, 0, 0, 0);
        return false;
      }
      out[x] = int(uint32_t(palette.data[p]) | kOpaque);
    }
  }
  return true;
}

int gamefile_image_to_sprite(Timage& image, const BasicArray<int>& palette, int size) {
  BasicArray<int> pixels;
  if (gamefile_image_pixels(image, palette, size, pixels)) {
    const int n = image.pixels.size1;
    qvl_sprite_from_int_array(pixels, image.sprite, n, n);
  }
  return 0;
}

void gamefile_build_sprites(BasicArray<Timage>& images, const BasicArray<int>& palette,
                            int first_id, int size, int sheet_id) {
  for (int i = 0; i < images.size1; ++i) {
    Timage& image = images.data[i];
    image.sprite = first_id + i;
    if ((first_id + i + 1) % 10 == 0) kvgui_show_busy(1, -1);
    gamefile_image_to_sprite(image, palette, size);
  }
  if (sheet_id >= 0) {
    int w = 0, h = 0;
    qvl_sprite_size(first_id, &w, &h);
    int sheet_w = 0, sheet_h = 0;
    gamefile_sheet_size(images.size1, w, &sheet_w, &sheet_h);
    qvl_gfx_set_transparent_colour(kColourKey);
    qvl_fbo_create_target(kSheetTargetSlot, sheet_id, sheet_w, sheet_h);
    qvl_fbo_use_target(kSheetTargetSlot);
    // The transparent colour draws with alpha 0: the sheet starts clear.
    qvl_gfx_draw_rect(0, 0, sheet_w, sheet_h, kColourKey);
    qvl_fbo_use_target(kSheetTargetSlot);
    for (int k = 0; k < images.size1; ++k)
      qvl_sprite_draw(first_id + k, w * (k % kSheetColumns), h * (k / kSheetColumns));
    qvl_fbo_use_target(-1);
  }
  kvgui_show_busy(0, -1);
}
