#include "host/wave_chunks.h"

#include <cmath>
#include <cstring>

namespace {

// 'smpl': nine 32-bit words, the ninth-but-one the loop count, then 24
// bytes a loop.
constexpr uint32_t kSamplerHeader = 36;
constexpr uint32_t kLoopCountAt = 28;
constexpr uint32_t kLoopSize = 24;

// AIFF is big-endian.
uint32_t u32_be(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

// What SDL's converter takes safely: it holds the channel count in a byte
// (256 channels became 0 and a division by zero) and refuses more than 8
// itself; past a few million samples a second its buffer sizes overflow.
// No real recording comes near the rate bound.
constexpr uint32_t kMaxChannels = 8;
constexpr double kMaxRate = 1000000.0;

bool playable(uint32_t channels, double rate) {
  return channels >= 1 && channels <= kMaxChannels && !(rate > kMaxRate);
}

// An AIFF rate: an 80-bit float, sign and 15-bit exponent, then a 64-bit
// mantissa with its integer bit. A negative rate or zero is SDL's to refuse.
double aiff_rate(const uint8_t* p) {
  const int exponent = (p[0] & 0x7F) << 8 | p[1];
  uint64_t mantissa = 0;
  for (int i = 2; i < 10; ++i) mantissa = mantissa << 8 | p[i];
  const double value = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
  return (p[0] & 0x80) ? -value : value;
}

// 'fmt ': format tag, channels, rate, ... in 16 bytes at least; a shorter
// one the loader refuses as too small.
WaveChunks check_wave_format(WaveSource& source, uint32_t size) {
  constexpr uint32_t kRead = 8;
  if (size < 16) return source.skip(size) ? WaveChunks::whole : WaveChunks::broken;
  uint8_t head[kRead];
  if (!source.read(head, kRead)) return WaveChunks::broken;
  if (!playable(wave_u16(head + 2), wave_u32(head + 4))) return WaveChunks::bad_format;
  return source.skip(size - kRead) ? WaveChunks::whole : WaveChunks::broken;
}

// 'COMM': channels, frames, bits, rate in 18 bytes (more in AIFF-C); no
// writer makes a shorter one, and it is refused here rather than left to
// what the loader would read past it.
WaveChunks check_aiff_common(WaveSource& source, uint32_t size) {
  constexpr uint32_t kRead = 18;
  uint8_t head[kRead];
  if (size < kRead || !source.read(head, kRead)) return WaveChunks::broken;
  if (!playable(head[0] << 8 | head[1], aiff_rate(head + 8))) return WaveChunks::bad_format;
  return source.skip(size - kRead) ? WaveChunks::whole : WaveChunks::broken;
}

bool check_sampler(WaveSource& source, uint32_t size) {
  uint8_t header[kSamplerHeader];
  if (size < kSamplerHeader || !source.read(header, kSamplerHeader)) return false;
  if (wave_u32(header + kLoopCountAt) > (size - kSamplerHeader) / kLoopSize) return false;
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
    const uint32_t size = wave_u32(header + 4);
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

// SDL_mixer's AIFF loader walks the chunks with their pad byte to the end
// of the file. It takes a text chunk's (NAME, AUTH, ...) declared size for
// the size of its copy (0xFFFFFFFF made it write past the block it took;
// other sizes past the file's end made it take gigabytes), and the format
// from 'COMM'. So every chunk must lie inside the file, and 'COMM' is
// looked into.
WaveChunks check_aiff(WaveSource& source) {
  while (source.remaining() >= 8) {
    uint8_t header[8];
    if (!source.read(header, sizeof header)) return WaveChunks::broken;
    const uint32_t size = u32_be(header + 4);
    if (size > source.remaining()) return WaveChunks::broken;
    const uint32_t pad = (size % 2 == 1 && source.remaining() > size) ? 1 : 0;
    if (std::memcmp(header, "COMM", 4) == 0) {
      const WaveChunks comm = check_aiff_common(source, size);
      if (comm != WaveChunks::whole) return comm;
      if (!source.skip(pad)) return WaveChunks::broken;
    } else if (!source.skip(size + pad)) {
      return WaveChunks::broken;
    }
  }
  // The loader takes a few bytes after the last chunk for the start of
  // another, whose size it then reads past the end.
  return source.remaining() == 0 ? WaveChunks::whole : WaveChunks::broken;
}

WaveChunks check_wave(WaveSource& source, uint64_t file_size, std::vector<uint64_t>* lists) {
  // A few bytes after the last chunk (a pad byte) are no chunk.
  while (source.remaining() >= 8) {
    const uint64_t at = file_size - source.remaining();
    uint8_t header[8];
    if (!source.read(header, sizeof header)) return WaveChunks::broken;
    const uint32_t size = wave_u32(header + 4);
    if (size > source.remaining()) return WaveChunks::broken;
    if (std::memcmp(header, "fmt ", 4) == 0) {
      const WaveChunks format = check_wave_format(source, size);
      if (format != WaveChunks::whole) return format;
      continue;
    }
    bool fits = true;
    if (std::memcmp(header, "smpl", 4) == 0) {
      fits = check_sampler(source, size);
    } else if (std::memcmp(header, "LIST", 4) == 0) {
      fits = check_list(source, size);
      if (lists) lists->push_back(at);
    } else {
      fits = source.skip(size);
    }
    if (!fits) return WaveChunks::broken;
  }
  return WaveChunks::whole;
}

}  // namespace

WaveChunks wave_check_chunks(WaveSource& source, std::vector<uint64_t>* lists) {
  const uint64_t file_size = source.remaining();
  uint8_t head[12];
  if (source.remaining() < sizeof head || !source.read(head, sizeof head))
    return WaveChunks::not_wave;
  if (std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0)
    return check_wave(source, file_size, lists);
  if (std::memcmp(head, "FORM", 4) == 0 &&
      (std::memcmp(head + 8, "AIFF", 4) == 0 || std::memcmp(head + 8, "AIFC", 4) == 0))
    return check_aiff(source);
  return WaveChunks::not_wave;
}
