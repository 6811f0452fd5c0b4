// Interim: the texture upload and virtual-resolution state of the sprite and
// viewport code, which the render targets, grabs and backgrounds build on.
// Goes when that code arrives.
#pragma once

#include <cstdint>

struct PixelImage;

bool qvl_tex_upload_rect(const PixelImage& image, int x, int y, int w, int h, uint32_t* texture,
                         uint32_t* mip, bool normal_map, bool nearest);

struct VirtualResolution {
  int32_t offset_x, offset_y, width, height;
  float scale;
};
extern VirtualResolution qvl_gfx_virtual_resolution;
