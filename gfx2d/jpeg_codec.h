// JPEG through libjpeg(-turbo): decoding from memory and encoding at
// quality 80, with an error manager that returns to the caller instead of
// ending the process.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx2d/image_bytes.h"
#include "gfx2d/pixel_image.h"

// Decodes a whole JPEG file into the image: 3 components (colour) become
// R, G, B, 255; 1 (grey) v, v, v, 255; 4 (CMYK) keep their four bytes, the
// fourth as alpha. has_alpha is 1 only for 4 components. components receives
// the file's number of output components as soon as the header is read (0
// before); other numbers than 1, 3 and 4 give false without decoding, and
// so do images beyond qvl_img_decodable, arithmetic-coded files, and
// files too short to give every block its DC code (a bit each). Data that ends before the
// last row is decoded gives false (only a missing final end-of-image marker
// is forgiven), as soon as the library meets the end; so does a file of
// more than 256 scans. Rows take memory as they are decoded. False on any
// library error; the image may then be partly filled.
bool qvl_jpeg_decode(const uint8_t* data, size_t size, PixelImage& image, int& components);

// The width and height a JPEG file's frame header declares, read by the
// library without decoding; false when it finds no image header.
bool qvl_jpeg_declared_size(const uint8_t* data, size_t size, int64_t& width, int64_t& height);

// The byte order of the pixels handed to the encoder.
enum class JpegPixelOrder { bgrx, rgbx };

// Encodes w x h 4-byte pixels (rows top-down, the fourth byte ignored) as a
// baseline JPEG at quality 80. False for an empty image or a library error.
bool qvl_jpeg_encode(const uint8_t* pixels, JpegPixelOrder order, int w, int h,
                     ImageBytes& out);
