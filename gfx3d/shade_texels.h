// The pixels of a part's shade lookup texture (the cel-shading mode): one
// row per value-table colour, shaded left to right by the engine's table of
// brightness levels. Drawing uploads them; this is the arithmetic.
#pragma once

#include <cstdint>

#include "core/grow_vector.h"

// The brightness levels, engine-wide; empty until the first texture build
// fills in the 16 defaults, or until the program sets its own.
extern GrowVector<uint8_t> qvl_x3d_shade_table;

// Stores the program's levels; a length of 0 or less gives the single
// level 255. False when memory ran out (the table is then unchanged).
bool qvl_x3d_shade_table_store(const uint8_t* bytes, int length);

struct ShadeTexels {
  int32_t width = 0;   // 64 .. 512
  int32_t height = 0;  // rows: a power of two that holds the table
  float step = 0.0f;   // 1 / height: the distance between row centres
  uint8_t* pixels = nullptr;  // width × height texels of 4 bytes, top row first

  ShadeTexels() = default;
  ~ShadeTexels();
  ShadeTexels(const ShadeTexels&) = delete;
  ShadeTexels& operator=(const ShadeTexels&) = delete;
};

// Texels for a value table, bytes blue, green, red, alpha when bgra is set,
// else red, green, blue, alpha. Rows past the table repeat its first colour;
// an empty table gives one white row. False when memory ran out.
bool qvl_x3d_shade_texels(const GrowVector<uint32_t>& values, bool bgra, ShadeTexels& out);
