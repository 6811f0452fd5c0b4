// Image files: the readers and writers by name, over the codecs.
#include "gfx2d/image_files.h"

#include <cstdio>
#include <string>

#include "core/logs.h"
#include "files/mem_file.h"
#include "files/whole_file.h"
#include "gfx2d/bmp_codec.h"
#include "gfx2d/image_bytes.h"
#include "gfx2d/jpeg_codec.h"
#include "gfx2d/png_codec.h"
#include "gfx2d/texture_upload.h"
#include "platform/ascii.h"

namespace {

// The extension rule of the writers: the last four characters, and only
// when the name is longer than four characters.
bool has_extension(const std::string& name, const char* ext) {
  if (name.size() <= 4 || name[name.size() - 4] != '.') return false;
  for (int i = 0; i < 3; ++i)
    if (plat_ascii_lower(name[name.size() - 3 + i]) != ext[i]) return false;
  return true;
}

bool decode_jpeg(const uint8_t* data, size_t size, PixelImage& image) {
  int components = 0;
  if (qvl_jpeg_decode(data, size, image, components)) return true;
  if (components != 0 && components != 1 && components != 3 && components != 4) {
    char line[64];
    std::snprintf(line, sizeof line, "JPEG: Channels: %d not supported!\n", components);
    qvl_log_error_file(line);
  }
  return false;
}

}  // namespace

bool PixelImage::load_bmp(const char* name, uint32_t colour_key) {
  WholeFile file;
  if (!qvl_file_read_whole(name, file)) {
    clear();
    return false;
  }
  return qvl_bmp_decode(file.data, file.size, colour_key, *this);
}

bool PixelImage::load_png(const char* name, uint32_t colour_key) {
  WholeFile file;
  if (!qvl_file_read_whole(name, file)) return false;
  return qvl_png_decode(file.data, file.size, name, colour_key, *this);
}

bool PixelImage::load_jpeg(const char* name) {
  WholeFile file;
  return qvl_file_read_whole(name, file) && decode_jpeg(file.data, file.size, *this);
}

bool qvl_img_read_file(PixelImage& image, const char* name, uint32_t colour_key) {
  WholeFile file;
  if (!qvl_file_read_whole(name, file)) {
    image.clear();
    return false;
  }
  return qvl_img_decode(image, file.data, file.size, name, colour_key);
}

bool qvl_img_decode(PixelImage& image, const uint8_t* data, size_t size, const char* name,
                    uint32_t colour_key) {
  return qvl_bmp_decode(data, size, colour_key, image) ||
         qvl_png_decode(data, size, name, colour_key, image) || decode_jpeg(data, size, image);
}

bool qvl_img_declared_size(const uint8_t* data, size_t size, int64_t& width, int64_t& height) {
  return qvl_bmp_declared_size(data, size, width, height) ||
         qvl_png_declared_size(data, size, width, height) ||
         qvl_jpeg_declared_size(data, size, width, height);
}

namespace {

// The loaders' line for a file that gave no image; false.
bool report_unloaded(const char* name) {
  const std::string line = std::string("Image can't be loaded: ") + (name ? name : "") + "\n";
  qvl_log_error_file(line.c_str());
  return false;
}

}  // namespace

bool qvl_img_load_file(PixelImage& image, const char* name, uint32_t colour_key) {
  return qvl_img_read_file(image, name, colour_key) || report_unloaded(name);
}

bool qvl_img_texture_size_ok(int64_t width, int64_t height, bool mips, const char* name) {
  if (qvl_tex_fits_budget(width, height, mips)) return true;
  const std::string line = "Image too large for a texture: " + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels: " + (name ? name : "") + "\n";
  qvl_log_error_file(line.c_str());
  return false;
}

bool qvl_img_read_texture_file(PixelImage& image, const char* name, uint32_t colour_key,
                               bool mips, bool jpeg) {
  WholeFile file;
  if (!qvl_file_read_whole(name, file)) {
    image.clear();
    return false;
  }
  // A file no reader knows, or one declaring no pixels, is left to the
  // readers, which refuse it.
  int64_t w = 0, h = 0;
  if (qvl_img_declared_size(file.data, file.size, w, h) && w >= 1 && h >= 1 &&
      !qvl_img_texture_size_ok(w, h, mips, name)) {
    image.clear();
    return false;
  }
  if (jpeg) return qvl_img_decode(image, file.data, file.size, name, colour_key);
  return qvl_bmp_decode(file.data, file.size, colour_key, image) ||
         qvl_png_decode(file.data, file.size, name, colour_key, image);
}

bool qvl_img_load_texture_file(PixelImage& image, const char* name, uint32_t colour_key,
                               bool mips) {
  return qvl_img_read_texture_file(image, name, colour_key, mips) || report_unloaded(name);
}

bool qvl_png_save(const char* name, const uint8_t* rgba, int w, int h) {
  if (!name || qvl_mem_file_is_name(name)) return false;
  ImageBytes bytes;
  return qvl_png_encode(rgba, w, h, bytes) && qvl_file_replace_whole(name, bytes.data, bytes.size);
}

bool qvl_jpeg_save(const char* name, const uint8_t* bgrx, int w, int h) {
  if (!name || qvl_mem_file_is_name(name)) return false;
  ImageBytes bytes;
  return qvl_jpeg_encode(bgrx, JpegPixelOrder::bgrx, w, h, bytes) &&
         qvl_file_replace_whole(name, bytes.data, bytes.size);
}

bool qvl_img_save(const char* name, const PixelImage& image) {
  if (!name || qvl_mem_file_is_name(name)) return false;
  std::string text = name;
  ImageBytes bytes;
  bool encoded;
  if (has_extension(text, "png")) {
    encoded = qvl_png_encode(image.pixels, image.width, image.height, bytes);
  } else if (has_extension(text, "jpg")) {
    // The encoder takes the image's own byte order, so the image keeps its
    // colours.
    encoded = qvl_jpeg_encode(image.pixels, JpegPixelOrder::rgbx, image.width, image.height,
                              bytes);
  } else {
    encoded = qvl_bmp_encode(image, bytes);
  }
  return encoded && qvl_file_replace_whole(name, bytes.data, bytes.size);
}

bool qvl_img_read_u32(FileChannel& channel, uint32_t& value) {
  uint8_t b[4] = {0, 0, 0, 0};
  if (!channel.read(b, 4)) return false;
  value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
  return true;
}
