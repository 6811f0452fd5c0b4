// BMP reader and writer.
//
// The reader trusts nothing in the file: every size is computed in 64 bits,
// the pixel rows must lie wholly inside the data, at most 256 palette entries
// are read, palette indices beyond the palette read give black, and colour
// masks must be runs of bits inside the pixel.
#include "gfx2d/bmp_codec.h"

#include <cstring>
#include <new>

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;  // OS/2: 16-bit sizes, 3-byte palette
constexpr uint32_t kInfoHeaderSize = 40;  // Windows: signed sizes, 4-byte palette
// The Windows header's later versions: the 40 bytes above, then (among
// more) the colour masks.
constexpr uint32_t kV4HeaderSize = 108;
constexpr uint32_t kV5HeaderSize = 124;
constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionBitfields = 3;
constexpr uint32_t kKeyColour = 0x8000FF;  // what a not fully opaque pixel becomes

uint16_t u16_at(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t u32_at(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Where one colour channel sits in a 16- or 32-bit pixel.
struct ChannelMask {
  int shift = 0;
  uint64_t max = 0;  // the field's largest value: 2^width - 1

  uint8_t decode(uint32_t pixel) const {
    return static_cast<uint8_t>((pixel >> shift & max) * 255 / max);
  }
};

struct BmpHeader {
  int64_t width = 0;
  int64_t height = 0;  // positive; top_down tells the row order
  bool top_down = false;
  int bits = 0;
  uint32_t pixel_offset = 0;
  uint32_t header_size = 0;
  uint32_t colours_used = 0;
  ChannelMask red, green, blue;  // 16 and 32 bits only
};

// A mask decodes when its bits are one unbroken run inside the pixel.
bool read_mask(uint32_t mask, int bits, ChannelMask& out) {
  if (mask == 0 || (bits < 32 && mask >> bits != 0)) return false;
  int shift = 0;
  while (!(mask >> shift & 1)) ++shift;
  uint64_t field = mask >> shift;
  if ((field & (field + 1)) != 0) return false;
  out.shift = shift;
  out.max = field;
  return true;
}

// Bit fields: the three masks follow the 40-byte header or sit at the same
// place inside the longer ones. Without them 16 bits are 5-5-5 and 32 bits
// the bytes B, G, R and one unused byte.
bool read_masks(const uint8_t* data, size_t size, bool bitfields, BmpHeader& h) {
  if (h.bits != 16 && h.bits != 32) return !bitfields;
  uint32_t r = h.bits == 16 ? 0x7C00 : 0xFF0000, g = h.bits == 16 ? 0x03E0 : 0x00FF00,
           b = h.bits == 16 ? 0x001F : 0x0000FF;
  if (bitfields) {
    size_t at = kFileHeaderSize + kInfoHeaderSize;
    if (size < at + 12 || (h.header_size == kInfoHeaderSize && h.pixel_offset < at + 12))
      return false;
    r = u32_at(data + at);
    g = u32_at(data + at + 4);
    b = u32_at(data + at + 8);
  }
  return read_mask(r, h.bits, h.red) && read_mask(g, h.bits, h.green) &&
         read_mask(b, h.bits, h.blue);
}

bool read_header(const uint8_t* data, size_t size, BmpHeader& h) {
  if (size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') return false;
  uint32_t compression = kCompressionNone;
  h.pixel_offset = u32_at(data + 10);
  h.header_size = u32_at(data + 14);
  const uint8_t* info = data + kFileHeaderSize;
  if (h.header_size == kCoreHeaderSize) {
    if (size < kFileHeaderSize + kCoreHeaderSize) return false;
    h.width = u16_at(info + 4);
    h.height = u16_at(info + 6);
    h.bits = u16_at(info + 10);
  } else if (h.header_size == kInfoHeaderSize || h.header_size == kV4HeaderSize ||
             h.header_size == kV5HeaderSize) {
    if (size < kFileHeaderSize + h.header_size) return false;
    h.width = static_cast<int32_t>(u32_at(info + 4));
    h.height = static_cast<int32_t>(u32_at(info + 8));
    h.bits = u16_at(info + 14);
    // Run-length and embedded JPEG/PNG data read as plain rows would only
    // give garbage.
    compression = u32_at(info + 16);
    if (compression != kCompressionNone && compression != kCompressionBitfields) return false;
    h.colours_used = u32_at(info + 32);
    if (h.height < 0) {
      h.top_down = true;
      h.height = -h.height;  // 64-bit: INT32_MIN is safe
    }
  } else {
    return false;
  }
  if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32)
    return false;
  if (h.width <= 0 || h.height <= 0 || !qvl_img_decodable(h.width, h.height)) return false;
  // The palette (or the bit masks) lies between the headers and the pixels.
  if (h.pixel_offset < kFileHeaderSize + h.header_size || h.pixel_offset > size) return false;
  return read_masks(data, size, compression == kCompressionBitfields, h);
}

// Reads the palette that follows the info header: 2^bits entries at most
// (fewer when the 40-byte header says so), never more than 256 and never
// past the pixel offset. Entries not in the file stay black.
void read_palette(const uint8_t* data, const BmpHeader& h, uint8_t (&palette)[256][3]) {
  std::memset(palette, 0, sizeof palette);
  if (h.bits > 8) return;
  size_t entry = h.header_size == kCoreHeaderSize ? 3 : 4;
  size_t start = kFileHeaderSize + h.header_size;
  size_t room = (h.pixel_offset - start) / entry;
  size_t count = size_t{1} << h.bits;
  if (h.header_size != kCoreHeaderSize && h.colours_used > 0 && h.colours_used < count)
    count = h.colours_used;
  if (count > room) count = room;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = data + start + i * entry;
    palette[i][0] = e[2];  // R
    palette[i][1] = e[1];  // G
    palette[i][2] = e[0];  // B
  }
}

void decode_row(const uint8_t* row, const BmpHeader& h, const uint8_t (&palette)[256][3],
                uint32_t key, uint8_t* out) {
  for (int64_t x = 0; x < h.width; ++x, out += 4) {
    uint8_t r, g, b;
    if (h.bits <= 8) {
      int index;
      if (h.bits == 1) index = (row[x / 8] >> (7 - x % 8)) & 1;
      else if (h.bits == 4) index = x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4;
      else index = row[x];
      r = palette[index][0];
      g = palette[index][1];
      b = palette[index][2];
    } else if (h.bits == 24) {
      const uint8_t* p = row + x * 3;
      r = p[2];
      g = p[1];
      b = p[0];
    } else {
      uint32_t e = h.bits == 16 ? u16_at(row + x * 2) : u32_at(row + x * 4);
      r = h.red.decode(e);
      g = h.green.decode(e);
      b = h.blue.decode(e);
    }
    qvl_put_keyed_pixel(out, r, g, b, key);
  }
}

void put_u16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void put_u32(uint8_t* p, uint32_t v) {
  put_u16(p, v);
  put_u16(p + 2, v >> 16);
}

}  // namespace

bool qvl_bmp_declared_size(const uint8_t* data, size_t size, int64_t& width, int64_t& height) {
  if (!data || size < kFileHeaderSize + kCoreHeaderSize || data[0] != 'B' || data[1] != 'M')
    return false;
  const uint32_t header_size = u32_at(data + 14);
  const uint8_t* info = data + kFileHeaderSize;
  if (header_size == kCoreHeaderSize) {
    width = u16_at(info + 4);
    height = u16_at(info + 6);
    return true;
  }
  if ((header_size != kInfoHeaderSize && header_size != kV4HeaderSize &&
       header_size != kV5HeaderSize) ||
      size < kFileHeaderSize + header_size)
    return false;
  width = static_cast<int32_t>(u32_at(info + 4));
  height = static_cast<int32_t>(u32_at(info + 8));
  if (height < 0) height = -height;
  return true;
}

bool qvl_bmp_decode(const uint8_t* data, size_t size, uint32_t colour_key, PixelImage& image) {
  BmpHeader h;
  uint8_t palette[256][3];
  if (!data || !read_header(data, size, h)) {
    image.clear();
    return false;
  }
  read_palette(data, h, palette);
  uint64_t row_size = (static_cast<uint64_t>(h.width) * h.bits + 31) / 32 * 4;
  // Every row must be in the file; the product cannot overflow: the width and
  // height are below 2^31 and a row at most 4 * width + 4 bytes.
  if (row_size * static_cast<uint64_t>(h.height) > size - h.pixel_offset ||
      !image.resize(static_cast<int32_t>(h.width), static_cast<int32_t>(h.height))) {
    image.clear();
    return false;
  }
  const uint8_t* rows = data + h.pixel_offset;
  for (int64_t o = 0; o < h.height; ++o) {
    int64_t file_row = h.top_down ? o : h.height - 1 - o;
    decode_row(rows + file_row * row_size, h, palette, colour_key,
               image.pixel(0, static_cast<int>(o)));
  }
  image.has_alpha = 0;
  return true;
}

bool qvl_bmp_encode(const PixelImage& image, ImageBytes& out) {
  if (image.width <= 0 || image.height <= 0 || !image.pixels) return false;
  uint64_t row_size = (static_cast<uint64_t>(image.width) * 3 + 3) & ~uint64_t{3};
  uint64_t file_size = row_size * image.height + 54;
  if (file_size > UINT32_MAX) return false;

  uint8_t header[54] = {'B', 'M'};
  put_u32(header + 2, static_cast<uint32_t>(file_size));
  put_u32(header + 10, 54);
  put_u32(header + 14, kInfoHeaderSize);
  put_u32(header + 18, static_cast<uint32_t>(image.width));
  put_u32(header + 22, static_cast<uint32_t>(image.height));
  put_u16(header + 26, 1);   // planes
  put_u16(header + 28, 24);  // bits per pixel
  put_u32(header + 38, 10000);  // pixels per metre, x and y
  put_u32(header + 42, 10000);
  if (!out.append(header, sizeof header)) return false;

  uint8_t* row = new (std::nothrow) uint8_t[row_size]();
  if (!row) return false;
  bool ok = true;
  for (int y = image.height - 1; y >= 0 && ok; --y) {
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = image.pixel(x, y);
      uint8_t* q = row + x * 3;
      if (p[3] == 255) {
        q[0] = p[2];
        q[1] = p[1];
        q[2] = p[0];
      } else {
        q[0] = static_cast<uint8_t>(kKeyColour >> 16);
        q[1] = static_cast<uint8_t>(kKeyColour >> 8);
        q[2] = static_cast<uint8_t>(kKeyColour);
      }
    }
    ok = out.append(row, row_size);
  }
  delete[] row;
  return ok;
}
