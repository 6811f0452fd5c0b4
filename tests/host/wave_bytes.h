// Builds RIFF/WAVE images byte by byte for the sound tests, including the
// malformed ones that real files never should be.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wave_bytes {

using Bytes = std::vector<uint8_t>;

inline void put16(Bytes& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
inline void put32(Bytes& b, uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

inline Bytes chunk(const char* id, const Bytes& body, uint32_t stated_size) {
  Bytes b(id, id + 4);
  put32(b, stated_size);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}
inline Bytes chunk(const char* id, const Bytes& body) {
  return chunk(id, body, static_cast<uint32_t>(body.size()));
}

inline Bytes fmt_body(int channels, int rate, int bits, int tag = 1, int block_align = -1) {
  if (block_align < 0) block_align = channels * bits / 8;
  Bytes b;
  put16(b, tag);
  put16(b, channels);
  put32(b, rate);
  put32(b, rate * block_align);
  put16(b, block_align);
  put16(b, bits);
  return b;
}

inline Bytes riff(const std::vector<Bytes>& chunks) {
  Bytes body{'W', 'A', 'V', 'E'};
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes b{'R', 'I', 'F', 'F'};
  put32(b, static_cast<uint32_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

// 16-bit stereo frames of a square wave: left and right amplitudes apart.
inline Bytes square16(int frames, int left, int right, int period = 50) {
  Bytes b;
  for (int i = 0; i < frames; ++i) {
    int sign = (i / (period / 2)) % 2 ? -1 : 1;
    put16(b, static_cast<uint16_t>(sign * left));
    put16(b, static_cast<uint16_t>(sign * right));
  }
  return b;
}

inline Bytes wave16_stereo(const Bytes& frames, int rate = 22050) {
  return riff({chunk("fmt ", fmt_body(2, rate, 16)), chunk("data", frames)});
}

}  // namespace wave_bytes
