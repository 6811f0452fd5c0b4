// Image files: reading BMP, PNG and JPEG files (disk or "mem://") into a
// PixelImage, and writing PNG, JPEG or BMP files chosen by the extension.
//
// Names are used as given: callers pass them through the file-name
// resolution first. No error code is raised here; the load and save
// commands raise theirs from the results. Writers never leave a half-written
// file in place of a good one: the new file replaces the old only when it
// was written whole.
#pragma once

#include <cstddef>
#include <cstdint>

#include "files/file_channel.h"
#include "gfx2d/pixel_image.h"

// The reader chain: the file is read once and tried as BMP (with the key),
// PNG (with the key) and JPEG; the first success wins.
bool qvl_img_read_file(PixelImage& image, const char* name, uint32_t colour_key);

// The same chain on a file already in memory; name only labels messages.
bool qvl_img_decode(PixelImage& image, const uint8_t* data, size_t size, const char* name,
                    uint32_t colour_key);
// The width and height the file's header declares, asked of the readers in
// the chain's order without decoding; false when none knows the header.
// Lets a caller with a budget refuse a file before it is decoded.
bool qvl_img_declared_size(const uint8_t* data, size_t size, int64_t& width, int64_t& height);

// The reader chain of the sprite loader; when all readers fail, it logs
// "Image can't be loaded: <name>\n" to the error log and returns false.
bool qvl_img_load_file(PixelImage& image, const char* name, uint32_t colour_key);

// The readers of the texture loaders (sprites, fonts, backgrounds): as
// qvl_img_read_file, but the size the file's header declares is first
// weighed as the texture it will make (qvl_tex_fits_budget, with the
// mipmapped twin when `mips`); a file declaring more is not decoded, and
// "Image too large for a texture: <w> x <h> pixels: <name>" goes to the
// error log. Without `jpeg` only the BMP and PNG readers are tried.
bool qvl_img_read_texture_file(PixelImage& image, const char* name, uint32_t colour_key,
                               bool mips, bool jpeg = true);
// The same with the sprite loader's report of a failure, as
// qvl_img_load_file.
bool qvl_img_load_texture_file(PixelImage& image, const char* name, uint32_t colour_key,
                               bool mips);
// True when a file whose header declares w x h pixels may be decoded for a
// texture; otherwise logs the line above.
bool qvl_img_texture_size_ok(int64_t width, int64_t height, bool mips, const char* name);

// Writes w x h RGBA pixels as a PNG file. False for a "mem://" name, an
// empty image or a file that cannot be written.
bool qvl_png_save(const char* name, const uint8_t* rgba, int w, int h);
// Writes w x h pixels given as B, G, R, x bytes as a JPEG file at quality 80.
bool qvl_jpeg_save(const char* name, const uint8_t* bgrx, int w, int h);
// Saves by the name's extension (the last four characters, when the name is
// longer than that): ".png" PNG, ".jpg" JPEG (any letter case), anything
// else (".jpeg" too) a 24-bit BMP in which every pixel that is not fully
// opaque becomes the colour key 0x8000FF. The image is not changed.
bool qvl_img_save(const char* name, const PixelImage& image);

// Reads 4 little-endian bytes at the channel's position.
bool qvl_img_read_u32(FileChannel& channel, uint32_t& value);
