// Scene packages: an INI text starting ";KVW" that bundles texture images
// and .kvd objects into one object slot, each object drawn with its own
// pair of the package's textures.
//
//   ;KVW
//   [textures]
//   count=2
//   1=wood.png
//   2=stone.bmp
//   [objects]
//   count=1
//   1=table.kvd
//   1ta=1
//   1tb=2
//
// File names are relative to the package's folder (none for a package that
// is itself a memory file) and found on disk or, by their last component,
// in the archive appended to the executable. Texture numbers count from 1;
// 0 also selects the first, a negative number none.
#pragma once

#include <cstdint>

#include "gfx2d/texture_upload.h"
#include "gfx3d/kvd_binary.h"
#include "gfx3d/mesh_records.h"

// The most textures or objects one package may list.
constexpr int kPackageMaxEntries = 4096;

// What one package may cost, whatever its size: its objects together hold
// no more records than one object may (a package can list the same file
// 4,096 times), and its textures together no more texels than one sprite
// may make (kTexMaxTexels: three 4096 x 4096 textures), counted at the
// sides they are uploaded with, so that the textures already made and the
// one being decoded stay within a few hundred megabytes.
struct PackageLimits {
  int64_t records = kKvdMaxRecords;
  int64_t texture_texels = kTexMaxTexels;
};

// Fills the empty slot: one GL texture per image (0 where an image cannot
// be read) and one part per object (empty where a file cannot be read),
// the slot marked used and package. colour_key is the graphics object's,
// for images read without alpha. Needs a current GL context for the
// textures.
//
// A package whose counts are negative, above kPackageMaxEntries or above
// the keys its section holds, or whose textures or objects together pass
// the limits, is refused: the error log says why, the slot is left empty
// and the result is false. A texture number beyond the count selects no
// texture.
bool qvl_x3d_load_package(const char* name, ObjectSlot& slot, uint32_t colour_key,
                          const PackageLimits& limits = PackageLimits());
