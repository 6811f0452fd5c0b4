// PNG through libpng: the runtime's glue (callbacks, a memory source, the
// transformations it asks for) on bytes in memory.
//
// Errors reported by libpng come back here through setjmp/longjmp and end the
// call with false; they never end the process. Each call keeps its own
// library state, so calls need not be serialised.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx2d/image_bytes.h"
#include "gfx2d/pixel_image.h"

// Decodes a whole PNG file to 8-bit grey, RGB or RGBA and from there to the
// image's RGBA. Palette and low-depth grey are expanded, a tRNS chunk becomes
// an alpha channel, 16-bit samples are cut to 8. has_alpha tells whether the
// decoded image had an alpha channel. For images without one, pixels whose
// B * 65536 + G * 256 + R equals colour_key become 0, 0, 0, 0. Grey with
// alpha is refused. name only labels the messages printed for unsupported
// depths and colour types. False on any error; the image may then be partly
// filled.
//
// The chunk headers are read before libpng starts: a file declaring more
// than kImageFileMaxPixels, one whose compressed image data is smaller than
// deflate could make the declared rows from, and one with a chunk announcing
// more than the file holds are refused before any pixel block is taken. A
// plain (not interlaced) image takes memory as its rows arrive.
bool qvl_png_decode(const uint8_t* data, size_t size, const char* name,
                    uint32_t colour_key, PixelImage& image);

// The width and height in the IHDR chunk of a PNG file, without decoding
// it; false when the file does not start with a PNG signature and IHDR.
bool qvl_png_declared_size(const uint8_t* data, size_t size, int64_t& width, int64_t& height);

// Encodes w x h RGBA pixels (rows top-down) as an 8-bit RGBA PNG with a
// white bKGD chunk. False for an empty image or any library error.
bool qvl_png_encode(const uint8_t* rgba, int w, int h, ImageBytes& out);
