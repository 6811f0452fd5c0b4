// PixelImage: a decoded image, RGBA bytes with row 0 at the top. Every image
// file the runtime reads lands here before it becomes a texture, and every
// image it writes starts from here.
//
// The size operations and the colour bleed are plain pixel arithmetic (no GL),
// so they can be used and tested anywhere.
#pragma once

#include <cstdint>

// Largest pixel block an image may have: its capacity is a 32-bit count.
constexpr int64_t kPixelImageMaxBytes = INT32_MAX;

// True when a w x h RGBA image fits the 32-bit capacity (w, h >= 0).
bool qvl_img_size_fits(int64_t width, int64_t height);

// Most pixels an image file may declare: 8192 x 8192, 256 MB as RGBA, far
// above any picture a game draws. The readers refuse larger images from
// their headers, before they allocate, so a few bytes of header cannot make
// them take and clear gigabytes.
constexpr int64_t kImageFileMaxPixels = int64_t{1} << 26;

// True when the readers may decode a w x h image (w, h >= 1).
inline bool qvl_img_decodable(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kImageFileMaxPixels / height;
}

struct PixelImage {
  // Fields in their fixed order.
  uint8_t has_alpha = 1;     // 1 = the pixels carry alpha from the file
  int32_t width = 0;
  int32_t height = 0;
  uint8_t* pixels = nullptr;  // width * height * 4 bytes R, G, B, A; owned
  int32_t capacity = 0;       // bytes allocated in pixels

  PixelImage() = default;
  ~PixelImage();
  PixelImage(const PixelImage&) = delete;
  PixelImage& operator=(const PixelImage&) = delete;

  // Makes the image w x h with every byte 0. A block that is large enough is
  // kept (with has_alpha); a new block sets has_alpha to 1. False, with the
  // image unchanged, for negative sizes, sizes beyond the 32-bit capacity or
  // a block that cannot be had.
  bool resize(int32_t w, int32_t h);
  // Frees the pixels: {1, 0, 0, null, 0}, the state of a new image.
  void clear();
  // Row y (rows arrive one by one, top first) of a w-wide image that will
  // be `rows` high, its bytes not cleared: the block grows as the rows come,
  // by half again each time up to the final size, so a file whose data ends
  // early has taken room for half as many rows again as it held, not for
  // the whole image. The image becomes w x (y + 1). Null, with the image
  // keeping the rows it has, for sizes beyond the 32-bit capacity or when
  // no memory is left.
  uint8_t* arriving_row(int32_t w, int32_t y, int32_t rows);

  void flip_vertical();
  // Every pixel becomes a 2 x 2 block; nothing happens when the doubled
  // image would not fit.
  void double_size();
  // Keeps every second pixel of every second row: w / 2 x h / 2, in place.
  void halve_size();
  // Gives every fully transparent pixel the average colour of its opaque
  // neighbours (black when it has none), so filtered textures do not show
  // the colour key at the edges of transparent areas. Alpha stays 0.
  void bleed_transparent_pixels();

  // The readers (image_files.cpp). The name is a disk path or a "mem://"
  // name, already resolved. colour_key is 0xBBGGRR or 0xFFFFFFFF for none.
  bool load_bmp(const char* name, uint32_t colour_key);
  bool load_png(const char* name, uint32_t colour_key);
  bool load_jpeg(const char* name);

  // Draws the built-in font (font_image.cpp): 128 x 64, cells of 8 x 8,
  // white glyphs with a dark outline on transparent black. False only when
  // the pixels cannot be had.
  bool build_system_font();

  uint8_t* pixel(int x, int y) {
    return pixels + (static_cast<int64_t>(y) * width + x) * 4;
  }
  const uint8_t* pixel(int x, int y) const {
    return pixels + (static_cast<int64_t>(y) * width + x) * 4;
  }
};

// The "no colour key" value of the loaders.
constexpr uint32_t kNoColourKey = 0xFFFFFFFFu;

// Stores an opaque RGBA pixel, or transparent black where the colour
// (R + G * 256 + B * 65536) is the key.
inline void qvl_put_keyed_pixel(uint8_t* out, uint8_t r, uint8_t g, uint8_t b, uint32_t key) {
  if (key != kNoColourKey && static_cast<uint32_t>(r | g << 8 | b << 16) == key) {
    out[0] = out[1] = out[2] = out[3] = 0;
  } else {
    out[0] = r;
    out[1] = g;
    out[2] = b;
    out[3] = 255;
  }
}
