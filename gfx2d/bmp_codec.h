// The runtime's own BMP reader and writer, on bytes in memory.
//
// Read: "BM" files with the 12-byte (OS/2) or the 40-, 108- or 124-byte
// (Windows) info header, 1, 4, 8 (palette), 16 (5-5-5), 24 and 32 bits per
// pixel, 16 and 32 bits also with bit-field colour masks (5-6-5, R and B in
// either order), rows bottom-up or (Windows header, negative height)
// top-down. Written: 24-bit bottom-up files with the 40-byte header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx2d/image_bytes.h"
#include "gfx2d/pixel_image.h"

// Decodes a whole BMP file. Pixels whose R + G * 256 + B * 65536 equals
// colour_key become 0, 0, 0, 0 (kNoColourKey: none). On success has_alpha is
// 0 (a BMP's fourth byte is never alpha). Any file that cannot be a valid
// image gives false and an empty image; the data is never read past size.
bool qvl_bmp_decode(const uint8_t* data, size_t size, uint32_t colour_key,
                    PixelImage& image);

// The width and height the header of a BMP file declares, without decoding
// it (the height as a positive number); false when the file has no BMP
// header the reader knows.
bool qvl_bmp_declared_size(const uint8_t* data, size_t size, int64_t& width, int64_t& height);

// Encodes the image as a 24-bit BMP: pixels with alpha 255 keep their
// colour, any other pixel is written as the colour key 0x8000FF. False for an
// empty image, one too large for the format's 32-bit sizes, or no memory.
bool qvl_bmp_encode(const PixelImage& image, ImageBytes& out);
