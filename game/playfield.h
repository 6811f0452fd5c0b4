// Play graphics as cells of the two sprite sheets (objects 2048, tiles
// 2049, 16 cells per row), each a quad added to the open polygon batch, so a
// whole layer or all objects go out in one draw call; and the tests of an
// object against the wall tiles of a layer.
#pragma once

#include <cstdint>

#include "game/model.h"

// Adds cell n of the bound sheet at screen (x, y), cell_size pixels square.
int playfield_draw_cell(int n, int x, int y);
// As playfield_draw_cell with the quad cell_size * scale on screen.
int playfield_draw_cell_scaled(int n, int x, int y, double scale);

// Draws the part of a layer that a width x height picture shows from the
// camera (cam_x, cam_y), with a margin of one cell above and left and two
// below and right. A tile is drawn from its index in the tile sheet.
int playfield_draw_layer(BasicArray<Timage>& tiles, Tplayfield& layer, int cam_x, int cam_y,
                         int width, int height);

// The cells of a layer an object is tested against: columns first_col ..
// first_col + extra_cols and rows first_row .. first_row + extra_rows,
// cut to the layer's own size.
struct WallCells {
  int first_col, extra_cols;
  int first_row, extra_rows;
};

// Whether sprite at (x, y) touches a tile in any of the cells; tile t sits
// at (column * tile_w, row * tile_h).
bool playfield_wall_hit(const BasicArray<Timage>& tiles, const Tplayfield& layer, int tile_w,
                        int tile_h, const WallCells& cells, int sprite, int x, int y);

// The box a sprite's image covers at (x, y); empty for a sprite without an
// image (and for every sprite while there is no graphics object).
struct SpriteBox {
  int64_t left = 0, top = 0, right = 0, bottom = 0;
};
SpriteBox play_sprite_box(int sprite, int x, int y);
inline bool play_boxes_meet(const SpriteBox& a, const SpriteBox& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Pixel collision of two sprites, the pair first rejected by the boxes of
// their images so that far-apart pairs cost no pixel test.
bool play_sprites_touch(int a, int xa, int ya, int b, int xb, int yb);
