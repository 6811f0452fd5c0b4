#include "host/wave_chunks.h"

#include <cstring>

namespace {

// 'smpl': nine 32-bit words, the ninth-but-one the loop count, then 24
// bytes a loop.
constexpr uint32_t kSamplerHeader = 36;
constexpr uint32_t kLoopCountAt = 28;
constexpr uint32_t kLoopSize = 24;

uint32_t u32_at(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool check_sampler(WaveSource& source, uint32_t size) {
  uint8_t header[kSamplerHeader];
  if (size < kSamplerHeader || !source.read(header, kSamplerHeader)) return false;
  if (u32_at(header + kLoopCountAt) > (size - kSamplerHeader) / kLoopSize) return false;
  return source.skip(size - kSamplerHeader);
}

// An INFO list: sub-chunks of an id and a size, each a text that ends in a
// NUL inside its sub-chunk. A pad byte of 0 may follow an odd size; a writer
// that left it out starts the next header there, and that byte is kept.
bool check_info(WaveSource& source, uint32_t left) {
  int carried = -1;
  while (left > 0) {
    uint8_t header[8];
    uint32_t have = 0;
    if (carried >= 0) header[have++] = static_cast<uint8_t>(carried);
    carried = -1;
    if (left < sizeof header - have || !source.read(header + have, sizeof header - have))
      return false;
    left -= sizeof header - have;
    const uint32_t size = u32_at(header + 4);
    uint8_t last = 1;
    if (size == 0 || size > left || !source.skip(size - 1) || !source.read(&last, 1) || last != 0)
      return false;
    left -= size;
    if (size % 2 == 1 && left > 0) {
      uint8_t pad = 0;
      if (!source.read(&pad, 1)) return false;
      --left;
      if (pad != 0) carried = pad;
    }
  }
  return carried < 0;
}

bool check_list(WaveSource& source, uint32_t size) {
  uint8_t type[4];
  if (size < sizeof type || !source.read(type, sizeof type)) return false;
  if (std::memcmp(type, "INFO", 4) == 0) return check_info(source, size - sizeof type);
  return source.skip(size - sizeof type);
}

}  // namespace

WaveChunks wave_check_chunks(WaveSource& source) {
  uint8_t riff[12];
  if (source.remaining() < sizeof riff || !source.read(riff, sizeof riff) ||
      std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
    return WaveChunks::not_wave;
  // A few bytes after the last chunk (a pad byte) are no chunk.
  while (source.remaining() >= 8) {
    uint8_t header[8];
    if (!source.read(header, sizeof header)) return WaveChunks::broken;
    const uint32_t size = u32_at(header + 4);
    if (size > source.remaining()) return WaveChunks::broken;
    bool fits = true;
    if (std::memcmp(header, "smpl", 4) == 0)
      fits = check_sampler(source, size);
    else if (std::memcmp(header, "LIST", 4) == 0)
      fits = check_list(source, size);
    else
      fits = source.skip(size);
    if (!fits) return WaveChunks::broken;
  }
  return WaveChunks::whole;
}
