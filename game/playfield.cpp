#include "game/playfield.h"

#include <algorithm>
#include <cstdint>

#include "core/maths.h"
#include "game/palette_sprites.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_table.h"

namespace {

constexpr int kWhite = 0xFFFFFF;

void add_cell(int n, double x, double y, double edge) {
  const int c = cell_size;
  // The cell number is taken unsigned, so no id lands left of the sheet.
  const uint32_t u = uint32_t(n);
  const double tx = double(c) * (u & 15u), ty = double(c) * (u / 16u);
  qvl_gfx_poly_vertex(x, y, tx, ty, kWhite);
  qvl_gfx_poly_vertex(x, y + edge, tx, ty + c, kWhite);
  qvl_gfx_poly_vertex(x + edge, y, tx + c, ty, kWhite);
  qvl_gfx_poly_vertex(x + edge, y + edge, tx + c, ty + c, kWhite);
  qvl_gfx_poly_new_strip();
}

}  // namespace

int playfield_draw_cell(int n, int x, int y) {
  add_cell(n, x, y, cell_size);
  return 0;
}

int playfield_draw_cell_scaled(int n, int x, int y, double scale) {
  add_cell(n, x, y, cell_size * scale);
  return 0;
}

int playfield_draw_layer(BasicArray<Timage>& tiles, Tplayfield& layer, int cam_x, int cam_y,
                         int width, int height) {
  int cw = 0, ch = 0;
  qvl_sprite_size(tiles.at(0).sprite, &cw, &ch);
  if (cw <= 0 || ch <= 0) return 0;  // no sprites (yet): nothing to draw
  // The camera may stand anywhere an int reaches (a scroll speed near the
  // largest int carries it there in one step), so cells and screen places
  // are counted in 64 bits; a place beyond the int range is far off the
  // picture whichever int it is drawn at.
  const int64_t columns = layer.tiles.size1, rows = layer.tiles.size2;
  const int64_t c0 = std::max<int64_t>(0, int64_t(cam_x) / cw - 1);
  const int64_t c1 = std::min<int64_t>(columns - 1, width / cw + c0 + 2);
  const int64_t r0 = std::max<int64_t>(0, int64_t(cam_y) / ch - 1);
  const int64_t r1 = std::min<int64_t>(rows - 1, height / ch + r0 + 2);
  qvl_gfx_poly_begin(kTileSheetSprite, 2);
  cell_size = cw;
  for (int64_t row = r0; row <= r1; ++row) {
    for (int64_t col = c0; col <= c1; ++col) {
      const int o = layer.tiles.at2(int(col), int(row));
      if (o < 0) continue;
      tiles.at(o);  // a tile that is not there ends the program (error 9)
      playfield_draw_cell(o, qvl_math_saturate_int(col * cw - cam_x),
                          qvl_math_saturate_int(row * ch - cam_y));
    }
  }
  qvl_gfx_poly_end();
  return 0;
}

bool playfield_wall_hit(const BasicArray<Timage>& tiles, const Tplayfield& layer, int tile_w,
                        int tile_h, const WallCells& cells, int sprite, int x, int y) {
  const BasicArray<int>& grid = layer.tiles;
  const int c0 = std::max(0, cells.first_col), r0 = std::max(0, cells.first_row);
  const int c1 = int(std::min<int64_t>(int64_t(c0) + cells.extra_cols, grid.size1 - 1));
  const int r1 = int(std::min<int64_t>(int64_t(r0) + cells.extra_rows, std::max(grid.size2, 1) - 1));
  for (int col = c0; col <= c1; ++col) {
    for (int row = r0; row <= r1; ++row) {
      const int o = grid.data[col + row * grid.stride1];
      if (o < 0 || o >= tiles.size1) continue;
      if (play_sprites_touch(sprite, x, y, tiles.data[o].sprite, col * tile_w, row * tile_h))
        return true;
    }
  }
  return false;
}

SpriteBox play_sprite_box(int sprite, int x, int y) {
  const OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!gfx || !qvl_sprite_id_valid(sprite)) return SpriteBox{x, y, x, y};
  const SpriteSlot& slot = gfx->sprites[sprite];
  return SpriteBox{x, y, int64_t(x) + slot.img_width, int64_t(y) + slot.img_height};
}

bool play_sprites_touch(int a, int xa, int ya, int b, int xb, int yb) {
  if (!play_boxes_meet(play_sprite_box(a, xa, ya), play_sprite_box(b, xb, yb))) return false;
  return qvl_sprite_collision(a, xa, ya, b, xb, yb);
}
