// Texture upload: turning a PixelImage (rows top-down) into GL textures
// (rows bottom-up, power-of-two sizes), the mipmapped twin that the 3D
// engine samples, and the normal-map conversion.
//
// The pixel arithmetic lives in plain functions over RGBA byte buffers so
// that it can be used and tested without a GL context; the two upload
// functions at the end are the only ones that talk to GL.
#pragma once

#include <cstdint>

struct PixelImage;
struct SpriteSlot;

// Texture size for an image dimension: 8 doubled until it is at least n, so
// always a power of two of at least 16. Dimensions beyond 2^30 give 2^30.
int qvl_tex_size_for(int n);

// Largest texture the records can describe: sizes are kept in 16 bits.
constexpr int kTexRecordMaxSize = 16384;

// Most texels one image may make once uploaded: level 0 at its rounded
// sides, and for a sprite its mipmapped twin as well (the square level and
// the chain below it, a third more). 3 x 2^24 texels, 192 MB as RGBA: a
// 4096 x 4096 sprite with its mips (39 million texels), a 8192 x 4096 font
// or background without them. The image, its texture and the driver's
// copy of it are what a loaded picture costs, so a file of a few bytes
// declaring 8192 x 8192 pixels must be refused before it is decoded.
constexpr int64_t kTexMaxTexels = int64_t{3} << 24;

// The texels an image of w x h pixels makes once uploaded (sides rounded as
// qvl_tex_size_for rounds them; with `mips`, the mipmapped twin too).
// Saturates instead of overflowing for any sides a file may declare.
int64_t qvl_tex_texels_for(int64_t w, int64_t h, bool mips);

// True when a w x h upload (w, h >= 1) stays within kTexMaxTexels.
inline bool qvl_tex_fits_budget(int64_t w, int64_t h, bool mips) {
  return w >= 1 && h >= 1 && qvl_tex_texels_for(w, h, mips) <= kTexMaxTexels;
}

// Copies the cw x ch rectangle whose top-left is image pixel (x, y) into a
// zeroed tw x th buffer, turned bottom-up: image row y + k lands in buffer
// row ch - 1 - k. Parts of the rectangle outside the image stay transparent
// black; x and y may be negative. The buffer must hold tw * th pixels and
// cw <= tw, ch <= th.
void qvl_tex_fill_buffer(const uint8_t* image, int image_w, int image_h, int x, int y, int cw,
                         int ch, uint8_t* buffer, int tw, int th);

// Makes a w x h buffer square in place by averaging neighbouring pixels:
// first the width is halved while it exceeds the height, then the height
// while it exceeds the width. Sizes are powers of two.
void qvl_tex_mip_make_square(uint8_t* buffer, int* w, int* h);

// Computes the next mip level of a w x h buffer in place; the new level is
// (w / 2) x (h / 2). The filter weighs the pixel itself 4, its right
// neighbour 2, and the pixel two rows below 1 and its right neighbour 2;
// the last column and row fall back to fewer taps.
void qvl_tex_mip_next_level(uint8_t* buffer, int w, int h);

// Turns a height map (blue channel) into a tangent-space normal map in
// place with a Sobel filter; neighbours wrap around at every edge. Alpha is
// kept. False when no scratch block could be had (the buffer is unchanged).
bool qvl_tex_normal_map_rgba(uint8_t* pixels, int w, int h);

// The same on an image.
void qvl_tex_height_to_normal_map(PixelImage& image);

// Uploads a font image: the top-left part that fits GL's limit, NEAREST
// filtering, into the slot's texture (a name it holds is reused). Fails for
// empty images and for images the GL cannot hold.
bool qvl_tex_upload_nearest(const PixelImage& image, SpriteSlot& slot);

// Uploads the rectangle (x, y, w, h) of the image (w or h 0 = up to the
// image's edge) into *texture (a name it holds is reused) and, when `mip` is
// not null, a mipmapped twin into a new name stored in *mip. Fails for an
// empty rectangle and for one larger than the GL texture limit, so that the
// caller can shrink the image and try again.
//
// Without a twin, level 0 goes to GL from the image's rows, a band at a
// time through a block of at most 4 MB. The twin (and a normal map) needs a
// padded block of the texture's size, and level 0 then goes from that.
bool qvl_tex_upload_rect(const PixelImage& image, int x, int y, int w, int h, uint32_t* texture,
                         uint32_t* mip, bool normal_map, bool nearest);
// The same for the whole image, which the upload may take apart: the
// mipmapped twin is built in the image's own block, so the decoded image
// and a padded copy of it are never held together. When the upload
// succeeded with a twin, the image is left empty; when it failed, the
// image is unchanged.
bool qvl_tex_upload_taking(PixelImage& image, uint32_t* texture, uint32_t* mip, bool normal_map);

// Repeat wrapping and the two filters for the texture bound on GL_TEXTURE_2D.
void qvl_tex_set_parameters(int min_filter, int mag_filter);

// Tightly packed rows for the next upload, whatever a movie or a caller left
// in the unpack state.
void qvl_tex_reset_unpack_store();

// GL_MAX_TEXTURE_SIZE, capped at what the records can describe.
int qvl_tex_max_size();
