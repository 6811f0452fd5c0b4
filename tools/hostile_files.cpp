#include "tools/hostile_files.h"

#include <zlib.h>

#include <cstdio>
#include <vector>

namespace hostile {

namespace {

void be32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(char(v >> shift));
}

void le(std::string& out, uint32_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(char(v >> (8 * k)));
}

std::string png_signature() { return std::string("\x89PNG\r\n\x1a\n", 8); }

std::string ihdr(uint32_t w, uint32_t h, int depth, int colour_type) {
  std::string data;
  be32(data, w);
  be32(data, h);
  data += char(depth);
  data += char(colour_type);
  data += std::string(3, '\0');  // deflate, adaptive filters, not interlaced
  return png_chunk("IHDR", data);
}

// A JPEG marker segment: the marker, its length (counting itself), the body.
std::string segment(uint8_t marker, const std::string& body) {
  std::string out = {char(0xFF), char(marker)};
  const size_t n = body.size() + 2;
  out += char(n >> 8);
  out += char(n & 0xFF);
  return out + body;
}

}  // namespace

std::string png_chunk(const char* type, const std::string& data) {
  std::string out;
  be32(out, uint32_t(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  be32(out, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
  return out;
}

std::string png_declaring(uint32_t w, uint32_t h) {
  return png_signature() + ihdr(w, h, 8, 6) + png_chunk("IDAT", std::string("\x78\x9c", 2)) +
         png_chunk("IEND", "");
}

std::string png_blank(uint32_t w, uint32_t h, int colour_type, int depth, int level, int rows) {
  static const int kSamples[] = {1, 0, 3, 1, 2, 0, 4};
  const size_t row_bytes = 1 + (size_t(w) * depth * kSamples[colour_type] + 7) / 8;
  const size_t kept = rows < 0 ? h : size_t(rows);
  // Zero rows: filter byte 0 and samples 0, fed to zlib a row at a time.
  std::vector<Bytef> row(row_bytes, 0), out(row_bytes + 1024);
  z_stream z{};
  deflateInit(&z, level);
  std::string idat;
  for (size_t y = 0; y < kept; ++y) {
    z.next_in = row.data();
    z.avail_in = uInt(row_bytes);
    const int flush = y + 1 == kept ? Z_FINISH : Z_NO_FLUSH;
    do {
      z.next_out = out.data();
      z.avail_out = uInt(out.size());
      deflate(&z, flush);
      idat.append(reinterpret_cast<const char*>(out.data()), out.size() - z.avail_out);
    } while (z.avail_out == 0 || (flush == Z_FINISH && z.avail_in > 0));
  }
  deflateEnd(&z);
  return png_signature() + ihdr(w, h, depth, colour_type) + png_chunk("IDAT", idat) +
         png_chunk("IEND", "");
}

std::string jpeg_grey(int w, int h, bool progressive, int scans, size_t data_bytes,
                      bool arithmetic) {
  std::string out = {char(0xFF), char(0xD8)};
  out += segment(0xDB, std::string(1, '\0') + std::string(64, '\1'));
  std::string frame = {8, char(h >> 8), char(h & 0xFF), char(w >> 8), char(w & 0xFF), 1, 1,
                       0x11, 0};
  out += segment(uint8_t((progressive ? 0xC2 : 0xC0) + (arithmetic ? 8 : 0)), frame);
  // One symbol per table, coded as the single bit 0: DC difference 0, and
  // end of block.
  const std::string counts = std::string(1, '\1') + std::string(15, '\0');
  if (!arithmetic) out += segment(0xC4, std::string(1, '\0') + counts + std::string(1, '\0'));
  if (!progressive && !arithmetic)
    out += segment(0xC4, std::string(1, '\x10') + counts + std::string(1, '\0'));
  const std::string sos = progressive ? std::string("\x01\x01\x00\x00\x00\x00", 6)
                                      : std::string("\x01\x01\x00\x00\x3f\x00", 6);
  for (int s = 0; s < (progressive ? scans : 1); ++s)
    out += segment(0xDA, sos) + std::string(data_bytes, '\0');
  return out + std::string("\xFF\xD9", 2);
}

std::string wav_header(uint32_t rate, int bits, int channels, uint32_t data_bytes) {
  const uint32_t frame = uint32_t(channels * bits / 8);
  std::string out = "RIFF";
  le(out, 36 + data_bytes, 4);
  out += "WAVEfmt ";
  le(out, 16, 4);
  le(out, 1, 2);  // PCM
  le(out, uint32_t(channels), 2);
  le(out, rate, 4);
  le(out, rate * frame, 4);  // bytes a second
  le(out, frame, 2);         // block align
  le(out, uint32_t(bits), 2);
  out += "data";
  le(out, data_bytes, 4);
  return out;
}

std::string wav_8bit_mono(uint32_t rate, uint32_t bytes) {
  return wav_header(rate, 8, 1, bytes) + std::string(bytes, '\x80');
}

std::string package_of_textures(const std::string& texture_name, int count) {
  std::string text = ";KVW\n[textures]\ncount=" + std::to_string(count) + "\n";
  for (int i = 1; i <= count; ++i) text += std::to_string(i) + "=" + texture_name + "\n";
  return text + "[objects]\ncount=0\n";
}

std::string package_of_texture(const std::string& texture_name) {
  return package_of_textures(texture_name, 1);
}

std::string kvd_triangle() {
  return "KVDA 1.1\n1 0 0\n1 255 0 0 3 0 0 1 0 2 0\n1 3 0 0 0 0 0 1 1 0 0 0 0 1 0 1 0 0 0 1\n";
}

std::string kvd_face_over_frames(int corners, int frames) {
  std::string text = "KVDA 1.0 0 1 0 0 0 " + std::to_string(corners);
  for (int i = 0; i < corners; ++i) text += " 0 0";
  text += '\n';
  text += std::to_string(frames);
  for (int f = 0; f < frames; ++f) text += " 1 0 0 0";
  return text + "\n";
}

std::string kvd_grid(int triangles, int frames) {
  // A strip of squares `side` wide, two triangles each.
  const int squares = triangles / 2, side = 100;
  const int rows = (squares + side - 1) / side;
  const int vertices = (side + 1) * (rows + 1);
  std::string text = "KVDA 1.1\n" + std::to_string(vertices);
  char number[96];
  for (int v = 0; v < vertices; ++v) {
    std::snprintf(number, sizeof number, " %.4f %.4f", (v % (side + 1)) / double(side),
                  (v / (side + 1)) / double(rows));
    text += number;
  }
  text += '\n';
  text += std::to_string(squares * 2);
  text += '\n';
  for (int q = 0; q < squares; ++q) {
    const int a = (q / side) * (side + 1) + q % side, b = a + 1, c = a + side + 1, d = c + 1;
    std::snprintf(number, sizeof number, "200 180 160 3 %d %d %d %d %d %d\n", a, a, b, b, d, d);
    text += number;
    std::snprintf(number, sizeof number, "200 180 160 3 %d %d %d %d %d %d\n", a, a, d, d, c, c);
    text += number;
  }
  text += std::to_string(frames) + "\n";
  for (int f = 0; f < frames; ++f) {
    text += std::to_string(vertices);
    for (int v = 0; v < vertices; ++v) {
      std::snprintf(number, sizeof number, " %.3f %.3f %.3f 0 0 1", (v % (side + 1)) * 0.1,
                    (v / (side + 1)) * 0.1, 0.01 * f * (v % 5));
      text += number;
    }
    text += "\n";
  }
  return text;
}

std::string gif_declaring(uint16_t w, uint16_t h) {
  std::string out = "GIF89a";
  le(out, w, 2);
  le(out, h, 2);
  out += std::string("\x80\0\0", 3);                   // a table of 2 colours
  out += std::string("\0\0\0\xff\xff\xff", 6);           // black, white
  out += ',';                                            // the image
  le(out, 0, 4);                                         // at 0, 0
  le(out, w, 2);
  le(out, h, 2);
  out += std::string("\0\x02\x02\x2c\0\0;", 7);        // codes of 3 bits: clear, end
  return out;
}

}  // namespace hostile
