#include "game/palette_sprites.h"

#include <cstdint>

#include "game/busy_stand_in.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/render_target.h"

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

const int kSet0[] = {
    0x8000FF, 0x7C7C7C, 0xFC0000, 0xBC0000, 0xBC2844, 0x840094, 0x2000A8, 0x0010A8,
    0x001488, 0x003050, 0x007800, 0x006800, 0x005800, 0x584000, 0x000000, 0xBCBCBC,
    0xF87800, 0xF85800, 0xFC4468, 0xCC00D8, 0x5800E4, 0x0038F8, 0x105CE4, 0x007CAC,
    0x00B800, 0x00A800, 0x44A800, 0x888800, 0x2C2C2C, 0xCCCCCC, 0xFCBC3C, 0xFC8868,
    0xF87898, 0xF878F8, 0x9858F8, 0x5878F8, 0x44A0FC, 0x00B8F8, 0x18F8B8, 0x54D858,
    0x98F858, 0xD8E800, 0x5C5C5C, 0xFCFCFC, 0xFCE4A4, 0xF8B8B8, 0xF8B8D8, 0xF8B8F8,
    0xC0A4F8, 0xB0D0F0, 0xA8E0FC, 0x78D8F8, 0x50FFF8, 0xB8F8B8, 0xD8F8B8, 0xFCFC00};
// Entry 6 is 0x7900FF, one step away from the colour key.
const int kSet1[] = {0x8000FF, 0x000000, 0x000080, 0x0000FF, 0x800000, 0x800080, 0x7900FF,
                     0xFF0000, 0xFF0080, 0xFF00FF, 0x008000, 0x008080, 0x0080FF, 0x808000,
                     0x808080, 0x8080FF, 0xFF8000, 0xFF8080, 0xFF80FF, 0x00FF00, 0x00FF80,
                     0x00FFFF, 0x80FF00, 0x80FF80, 0x80FFFF, 0xFFFF00, 0xFFFF80, 0xFFFFFF};
const int kSet2[] = {0x8000FF, 0x000000, 0xFFFFFF, 0xFA3200, 0x1CE1FF, 0xAB47D8,
                     0x68BA51, 0x004AD0, 0xFFEB45, 0xFF5B00, 0xC33D00, 0xFF7142,
                     0x605F61, 0x8F8F8F, 0xC3B8D7, 0xB3FF97, 0x458AFF};
const int kSet3[] = {0x8000FF, 0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000,
                     0xAA00AA, 0xAA5500, 0xAAAAAA, 0x555555, 0x5555FF, 0x55FF55,
                     0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};
const int kSet4[] = {0x8000FF, 0x000000, 0x0000C0, 0xC00000, 0xC000C0, 0x00C000,
                     0x00C0C0, 0xC0C000, 0xC0C0C0, 0x0000FF, 0xFF0000, 0xFF00FF,
                     0x00FF00, 0x00FFFF, 0xFFFF00, 0xFFFFFF};

template <int N>
void set_palette(BasicArray<int>& palette, const int (&set)[N]) {
  palette.fill(N, set);
}

}  // namespace

void gamefile_default_palette(int kind, BasicArray<int>& palette) {
  switch (kind) {
    case 0: set_palette(palette, kSet0); break;
    case 1: set_palette(palette, kSet1); break;
    case 2: set_palette(palette, kSet2); break;
    case 3: set_palette(palette, kSet3); break;
    case 4: set_palette(palette, kSet4); break;
    default: break;
  }
  while (palette.size1 <= 55) palette.push(0xFF00FF);
  for (int i = 1; i < palette.size1; ++i) palette.data[i] = int(uint32_t(palette.data[i]) | kOpaque);
}

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

void gamefile_sheet_size(int count, int w, int* sheet_w, int* sheet_h) {
  *sheet_w = kSheetColumns * w;
  // The cells are square: the cell width serves as the height too.
  *sheet_h = w * ((count + kSheetColumns - 1) / kSheetColumns);
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
