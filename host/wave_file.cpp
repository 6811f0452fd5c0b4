#include "host/wave_file.h"

#include <cstring>

namespace {

// The rates the sound device has always accepted for a buffer.
constexpr uint32_t kMinRate = 100;
constexpr uint32_t kMaxRate = 200000;

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

struct ChunkHeader {
  char id[4];
  uint32_t size;
};

// Walks the chunks one after another. A chunk of odd size is followed by a
// pad byte of 0; some writers leave it out, and then the byte there is
// already the first letter of the next chunk's id (never 0), which the walk
// keeps for the next header.
class ChunkWalk {
 public:
  explicit ChunkWalk(WaveSource& source) : source_(source) {}

  // A header needs all of its 8 bytes: a memory source that has run dry
  // must end the walk, not hand out empty headers forever.
  bool next(ChunkHeader& header) {
    uint8_t raw[8];
    size_t have = 0;
    if (carried_ >= 0) raw[have++] = static_cast<uint8_t>(carried_);
    carried_ = -1;
    const uint32_t rest = static_cast<uint32_t>(sizeof raw - have);
    if (source_.remaining() < rest || !source_.read(raw + have, rest)) return false;
    std::memcpy(header.id, raw, 4);
    header.size = wave_u32(raw + 4);
    return true;
  }

  // Skips `count` bytes that end a chunk of `chunk_size` bytes, then its pad.
  bool skip_rest(uint32_t count, uint32_t chunk_size) {
    if (count > 0 && !source_.skip(count)) return false;
    uint8_t pad;
    if (chunk_size % 2 == 1 && source_.remaining() > 0 && source_.read(&pad, 1) && pad != 0)
      carried_ = pad;
    return true;
  }

  // Walks until a chunk named id, skipping the others.
  bool find(const char* id, ChunkHeader& header) {
    while (next(header)) {
      if (std::memcmp(header.id, id, 4) == 0) return true;
      if (!skip_rest(header.size, header.size)) return false;
    }
    return false;
  }

 private:
  WaveSource& source_;
  int carried_ = -1;  // a byte of the next header already read, or -1
};

// An extensible header is PCM when its sub-format GUID starts with tag 1.
bool extensible_is_pcm(const uint8_t* extra, uint32_t extra_size) {
  // cbSize (2), valid bits (2), channel mask (4), then the GUID.
  return extra_size >= 10 && wave_u16(extra + 8) == kFormatPcm;
}

bool format_is_playable(const WaveFormat& f) {
  if (f.channels != 1 && f.channels != 2) return false;
  if (f.bits_per_sample != 8 && f.bits_per_sample != 16) return false;
  if (f.block_align != f.channels * f.bits_per_sample / 8) return false;
  return f.samples_per_second >= kMinRate && f.samples_per_second <= kMaxRate;
}

}  // namespace

WaveResult wave_read_header(WaveSource& source, WaveFormat& format) {
  uint8_t riff[12];
  if (source.remaining() < sizeof riff || !source.read(riff, sizeof riff) ||
      std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
    return WaveResult::not_wave;

  ChunkWalk chunks(source);
  ChunkHeader header;
  if (!chunks.find("fmt ", header)) return WaveResult::no_format;
  uint8_t fmt[16];
  if (header.size < sizeof fmt || source.remaining() < sizeof fmt || !source.read(fmt, sizeof fmt))
    return WaveResult::bad_format;
  uint16_t tag = wave_u16(fmt);
  format.channels = wave_u16(fmt + 2);
  format.samples_per_second = wave_u32(fmt + 4);
  format.block_align = wave_u16(fmt + 12);
  format.bits_per_sample = wave_u16(fmt + 14);

  uint32_t extra_size = header.size - sizeof fmt;
  bool pcm = tag == kFormatPcm;
  if (tag == kFormatExtensible) {
    uint8_t extra[10];
    if (extra_size < sizeof extra || !source.read(extra, sizeof extra))
      return WaveResult::bad_format;
    pcm = extensible_is_pcm(extra, sizeof extra);
    extra_size -= sizeof extra;
  }
  if (!pcm || !format_is_playable(format)) return WaveResult::bad_format;
  if (!chunks.skip_rest(extra_size, header.size)) return WaveResult::no_data;

  if (!chunks.find("data", header)) return WaveResult::no_data;
  // The stated size is trusted only as far as the file reaches, so a lying
  // size (0xFFFFFFFF from a streaming writer) cannot ask for gigabytes.
  if (header.size > source.remaining()) return WaveResult::truncated;
  format.data_size = header.size - header.size % format.block_align;
  if (format.data_size == 0) return WaveResult::no_data;
  return WaveResult::ok;
}

WaveResult wave_read(WaveSource& source, WaveFormat& format, std::vector<uint8_t>& samples) {
  samples.clear();
  WaveResult result = wave_read_header(source, format);
  if (result != WaveResult::ok) return result;
  samples.resize(format.data_size);
  if (!source.read(samples.data(), format.data_size)) {
    samples.clear();
    return WaveResult::truncated;
  }
  return WaveResult::ok;
}

bool WaveMemorySource::read(void* destination, uint32_t count) {
  if (count > remaining()) return false;
  std::memcpy(destination, data_ + position_, count);
  position_ += count;
  return true;
}

bool WaveMemorySource::skip(uint32_t count) {
  if (count > remaining()) {
    position_ = size_;
    return false;
  }
  position_ += count;
  return true;
}
