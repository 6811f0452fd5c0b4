// Palette images to sprites: every object image and tile becomes a sprite
// of the graphics object, and each array also becomes one sprite sheet that
// play draws its cells from.
//
// Sprite ids: object images 0, 1, 2 ... (sheet 2048), tiles 1024, 1025 ...
// (sheet 2049). A sheet has 16 cells per row, each of the size of the
// array's first sprite; image k sits in cell (k mod 16, k div 16).
#pragma once

#include <algorithm>
#include <cstdint>

#include "core/basic_array.h"
#include "game/model.h"

inline constexpr int kFirstImageSprite = 0;
inline constexpr int kFirstTileSprite = 1024;
inline constexpr int kImageSheetSprite = 2048;
inline constexpr int kTileSheetSprite = 2049;
inline constexpr int kSheetColumns = 16;
// The render-target slot the sheets are drawn through.
inline constexpr int kSheetTargetSlot = 3;
// The graphics object's colour key, also palette entry 0.
inline constexpr int kColourKey = 0x8000FF;

// The n x n pixels (0xAABBGGRR, rows from the top) of an image whose grid is
// n wide: index 0 is transparent black, any other index palette[p] made
// opaque, a negative index counting back from the palette's end. An empty
// grid first becomes size x size zeros. alpha is recomputed from the
// transparency. False, with pixels empty, when an index lies outside the
// palette or the grid is less high than wide.
bool gamefile_image_pixels(Timage& image, const BasicArray<int>& palette, int size,
                           BasicArray<int>& pixels);

// Converts one image into its sprite (image.sprite).
int gamefile_image_to_sprite(Timage& image, const BasicArray<int>& palette, int size);

// Gives every image the id first_id + index, converts each (the busy
// overlay after every tenth id), and, when sheet_id >= 0, draws them all
// into that sheet through render-target slot 3, which stays bound to the
// sheet; drawing returns to the screen. Ends the busy overlay.
void gamefile_build_sprites(BasicArray<Timage>& images, const BasicArray<int>& palette,
                            int first_id, int size, int sheet_id);

// The sheet of count cells of w x w: as many cells wide as it holds, up to
// 16 (w * min(count, 16) pixels), and w * ceil(count / 16) high.
inline void gamefile_sheet_size(int count, int w, int* sheet_w, int* sheet_h) {
  const int64_t columns = count < kSheetColumns ? count : kSheetColumns;
  const int64_t rows = (int64_t(count) + kSheetColumns - 1) / kSheetColumns;
  // The cells are square: the cell width serves as the height too.
  *sheet_w = int(std::min<int64_t>(INT32_MAX, w * columns));
  *sheet_h = int(std::min<int64_t>(INT32_MAX, w * rows));
}

// Fills palette with the built-in set of kind 0 to 4 (other kinds keep the
// palette), pads it with 0xFF00FF to at least 56 entries and makes every
// entry from 1 on opaque (alpha 0xFF).
void gamefile_default_palette(int kind, BasicArray<int>& palette);
