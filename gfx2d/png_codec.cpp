// libpng glue.
//
// libpng must not get control back from its error handler, so
// qvl_png_on_error jumps to the setjmp point of the step in progress. The
// functions holding a setjmp point keep every value they need after the jump
// in the glue record (reached through a pointer, so it lives in memory), and
// own nothing with a destructor.
#include "gfx2d/png_codec.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/console.h"

namespace {

// The state of one read or write.
struct PngGlue {
  png_structp png = nullptr;
  png_infop info = nullptr;
  bool error = false;  // set by qvl_png_on_error
  // Source of a read: the whole file in memory.
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t position = 0;
  // Sink of a write.
  ImageBytes* out = nullptr;
  // The image a read fills, and whether its file is interlaced.
  PixelImage* image = nullptr;
  bool interlaced = false;
  // Row pointers of a write or an interlaced read, freed by whoever set up
  // the glue.
  png_bytep* rows = nullptr;
  // What the header says after the transformations.
  png_uint_32 width = 0, height = 0;
  int channels = 0;
};

PngGlue* glue_of(png_structp png) { return static_cast<PngGlue*>(png_get_io_ptr(png)); }

void qvl_png_on_error(png_structp png, png_const_charp) {
  static_cast<PngGlue*>(png_get_error_ptr(png))->error = true;
  png_longjmp(png, 1);
}

void qvl_png_on_warning(png_structp, png_const_charp) {}

// Delivers what the source holds; asked for more than is left, it reports a
// read error, so a truncated file ends the read instead of decoding garbage.
void qvl_png_read_data(png_structp png, png_bytep out, png_size_t n) {
  PngGlue* g = glue_of(png);
  size_t left = g->size - g->position;
  size_t give = n < left ? n : left;
  if (give > 0) std::memcpy(out, g->data + g->position, give);
  g->position += give;
  if (give < n) png_error(png, "Read Error");
}

void qvl_png_write_data(png_structp png, png_bytep bytes, png_size_t n) {
  if (n > 0 && !glue_of(png)->out->append(bytes, n)) png_error(png, "Write Error");
}

void qvl_png_on_flush(png_structp) {}

void print_out(const char* a, const char* b, const char* c) {
  qvl_os_console_write_out(a);
  qvl_os_console_write_out(b ? b : "");
  qvl_os_console_write_out(c);
}

// Reads the header, asks for 8-bit grey, RGB or RGBA, and checks what comes.
bool qvl_png_load(PngGlue& g, const char* name) {
  if (setjmp(png_jmpbuf(g.png))) return false;
  png_structp png = g.png;
  png_infop info = g.info;
  png_read_info(png, info);

  int colour_type = png_get_color_type(png, info);
  int depth = png_get_bit_depth(png, info);
  if (colour_type == PNG_COLOR_TYPE_PALETTE) png_set_expand(png);
  if (colour_type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_expand(png);
  if (depth == 16) png_set_strip_16(png);
  if (depth < 8) png_set_packing(png);
  // png_read_image no longer turns this on by itself.
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  g.channels = png_get_channels(png, info);
  if (g.channels != 1 && g.channels != 3 && g.channels != 4) return false;
  depth = png_get_bit_depth(png, info);
  if (depth != 8) {
    char text[32];
    std::snprintf(text, sizeof text, " has bit depth %d.\n", depth);
    print_out("File ", name, text);
    qvl_os_console_write_out("Only bit depth of 8 is supported.\n");
    return false;
  }
  colour_type = png_get_color_type(png, info);
  if (colour_type != PNG_COLOR_TYPE_GRAY && colour_type != PNG_COLOR_TYPE_RGB &&
      colour_type != PNG_COLOR_TYPE_RGB_ALPHA) {
    print_out("File ", name, " has unsupported color type.\n");
    qvl_os_console_write_out("Types GRAY, RGB and RGB_ALPHA are supported.\n");
    return false;
  }
  g.width = png_get_image_width(png, info);
  g.height = png_get_image_height(png, info);
  g.interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  if (!qvl_img_decodable(g.width, g.height)) return false;
  return !g.error;
}

// Reads every row into the image. The rows of a plain file go into it as
// they arrive, so a file whose data ends early has taken room only for the
// rows it held; every pass of an interlaced file touches rows all over the
// image, so that one gets the whole image (and its row pointers) first.
bool qvl_png_read_rows(PngGlue& g) {
  if (setjmp(png_jmpbuf(g.png))) return false;
  if (g.interlaced) {
    png_read_image(g.png, g.rows);
  } else {
    const int32_t w = static_cast<int32_t>(g.width), h = static_cast<int32_t>(g.height);
    for (int32_t y = 0; y < h; ++y) {
      png_bytep row = g.image->arriving_row(w, y, h);
      if (!row) return false;
      png_read_row(g.png, row, nullptr);
    }
  }
  if (!g.error) png_read_end(g.png, nullptr);
  return !g.error;
}

// libpng wrote channels bytes per pixel at the start of each 4-byte-per-pixel
// row; spread them out to RGBA from the right, so nothing is overwritten
// before it is read.
void expand_to_rgba(PixelImage& image, int channels, uint32_t key) {
  for (int y = 0; y < image.height; ++y) {
    uint8_t* row = image.pixel(0, y);
    for (int x = image.width - 1; x >= 0; --x) {
      uint8_t* out = row + x * 4;
      const uint8_t* in = row + x * channels;
      uint8_t r = in[0], g = channels == 3 ? in[1] : in[0], b = channels == 3 ? in[2] : in[0];
      // The key applies to colour images only.
      qvl_put_keyed_pixel(out, r, g, b, channels == 3 ? key : kNoColourKey);
    }
  }
}

bool write_png(PngGlue& g, int w, int h) {
  if (setjmp(png_jmpbuf(g.png))) return false;
  png_set_write_fn(g.png, &g, qvl_png_write_data, qvl_png_on_flush);
  png_set_IHDR(g.png, g.info, w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color_16 white{};
  white.red = white.green = white.blue = 255;
  png_set_bKGD(g.png, g.info, &white);
  png_write_info(g.png, g.info);
  png_write_image(g.png, g.rows);
  png_write_end(g.png, nullptr);
  return !g.error;
}

uint32_t be32_at(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// What the chunks say before libpng sees them.
struct PngSurvey {
  uint32_t width = 0, height = 0;
  int depth = 0, colour_type = 0, interlace = 0;
  uint64_t idat_bytes = 0;  // the compressed image data, all IDAT chunks
};

// Walks the chunk headers up to IEND. False when the first chunk is not a
// whole IHDR (libpng would refuse the file anyway) or a chunk announces more
// data than the file holds: libpng takes a block of the announced length
// before it reads a chunk's data, so a few bytes claiming a 2 GB chunk
// would take 2 GB only to find the file ends; a chunk that is not all there
// fails the read anyway, so nothing that decoded before is refused.
bool survey_chunks(const uint8_t* data, size_t size, PngSurvey& survey) {
  size_t at = 8;  // after the signature
  if (size - at < 8 + 13 || be32_at(data + at) != 13 || std::memcmp(data + at + 4, "IHDR", 4) != 0)
    return false;
  const uint8_t* ihdr = data + at + 8;
  survey.width = be32_at(ihdr);
  survey.height = be32_at(ihdr + 4);
  survey.depth = ihdr[8];
  survey.colour_type = ihdr[9];
  survey.interlace = ihdr[12];
  while (size - at >= 8) {
    const uint32_t length = be32_at(data + at);
    if (length > size - at - 8 || size - at - 8 - length < 4) return false;
    if (std::memcmp(data + at + 4, "IEND", 4) == 0) return true;
    if (std::memcmp(data + at + 4, "IDAT", 4) == 0) survey.idat_bytes += length;
    at += 12 + size_t{length};
  }
  return true;  // the reader reports a file that ends between chunks
}

// The bytes the filtered rows take before compression: a filter byte and
// the packed samples of every row, of each of the seven passes when the
// image is interlaced.
uint64_t filtered_bytes(const PngSurvey& s) {
  static const int kSamples[] = {1, 0, 3, 1, 2, 0, 4};  // per colour type
  const uint64_t bits = uint64_t(s.depth) * kSamples[s.colour_type < 7 ? s.colour_type : 1];
  auto rows = [bits](uint64_t w, uint64_t h) { return w == 0 ? 0 : h * (1 + (w * bits + 7) / 8); };
  if (s.interlace == 0) return rows(s.width, s.height);
  // Adam7: each pass starts at (x0, y0) and steps by (dx, dy).
  static const int kPass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                  {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  uint64_t total = 0;
  for (const auto& p : kPass) {
    const uint64_t w = s.width > uint32_t(p[0]) ? (s.width - p[0] + p[2] - 1) / p[2] : 0;
    const uint64_t h = s.height > uint32_t(p[1]) ? (s.height - p[1] + p[3] - 1) / p[3] : 0;
    total += rows(w, h);
  }
  return total;
}

// Deflate gives at most 258 bytes for 2 bits (a match of the longest
// length at the nearest distance, both with 1-bit codes): 1032 bytes out
// for each byte in. Image data smaller than that cannot be the image it
// declares, whatever it holds.
constexpr uint64_t kDeflateMostPerByte = 1032;

bool data_can_hold(const PngSurvey& s) {
  return s.idat_bytes >= filtered_bytes(s) / kDeflateMostPerByte;
}

}  // namespace

bool qvl_png_declared_size(const uint8_t* data, size_t size, int64_t& width, int64_t& height) {
  if (!data || size < 8 + 8 + 13 || std::memcmp(data + 1, "PNG", 3) != 0 ||
      std::memcmp(data + 12, "IHDR", 4) != 0)
    return false;
  width = be32_at(data + 16);
  height = be32_at(data + 20);
  return true;
}

bool qvl_png_decode(const uint8_t* data, size_t size, const char* name, uint32_t colour_key,
                    PixelImage& image) {
  if (!data || size < 8 || std::memcmp(data + 1, "PNG", 3) != 0) return false;
  PngSurvey survey;
  if (!survey_chunks(data, size, survey) || !qvl_img_decodable(survey.width, survey.height) ||
      !data_can_hold(survey))
    return false;
  PngGlue g;
  g.data = data;
  g.size = size;
  g.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &g, qvl_png_on_error, qvl_png_on_warning);
  if (!g.png) return false;
  g.info = png_create_info_struct(g.png);
  png_set_read_fn(g.png, &g, qvl_png_read_data);

  g.image = &image;
  bool ok = g.info && qvl_png_load(g, name);
  if (ok && g.interlaced) {
    ok = image.resize(static_cast<int32_t>(g.width), static_cast<int32_t>(g.height));
    g.rows = ok ? static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * g.height)) : nullptr;
    ok = g.rows != nullptr;
    // Rows go straight into the image, one image row apart.
    for (png_uint_32 i = 0; ok && i < g.height; ++i) g.rows[i] = image.pixel(0, static_cast<int>(i));
  }
  if (ok) ok = qvl_png_read_rows(g);
  if (ok) {
    if (g.channels != 4) expand_to_rgba(image, g.channels, colour_key);
    image.has_alpha = g.channels == 4;
  }
  png_destroy_read_struct(&g.png, g.info ? &g.info : nullptr, nullptr);
  std::free(g.rows);
  return ok;
}

bool qvl_png_encode(const uint8_t* rgba, int w, int h, ImageBytes& out) {
  if (!rgba || w <= 0 || h <= 0 || !qvl_img_size_fits(w, h)) return false;
  PngGlue g;
  g.out = &out;
  g.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &g, qvl_png_on_error, qvl_png_on_warning);
  if (!g.png) return false;
  g.info = png_create_info_struct(g.png);
  g.rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * h));
  bool ok = g.info && g.rows;
  if (ok) {
    for (int i = 0; i < h; ++i)
      g.rows[i] = const_cast<png_bytep>(rgba) + static_cast<size_t>(i) * w * 4;
    ok = write_png(g, w, h);
  }
  png_destroy_write_struct(&g.png, g.info ? &g.info : nullptr);
  std::free(g.rows);
  return ok;
}
