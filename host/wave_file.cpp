#include "host/wave_file.h"

#include <cstring>

namespace {

// The rates the sound device has always accepted for a buffer.
constexpr uint32_t kMinRate = 100;
constexpr uint32_t kMaxRate = 200000;

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

uint16_t u16_at(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t u32_at(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

struct ChunkHeader {
  char id[4];
  uint32_t size;
};

// A header needs all of its 8 bytes: a memory source that has run dry must
// end the chunk walk, not hand out empty headers forever.
bool read_header(WaveSource& source, ChunkHeader& header) {
  uint8_t raw[8];
  if (source.remaining() < sizeof raw || !source.read(raw, sizeof raw)) return false;
  std::memcpy(header.id, raw, 4);
  header.size = u32_at(raw + 4);
  return true;
}

bool is_id(const ChunkHeader& header, const char* id) { return std::memcmp(header.id, id, 4) == 0; }

// Walks chunk headers until one named id, skipping the others by size.
bool find_chunk(WaveSource& source, const char* id, ChunkHeader& header) {
  while (read_header(source, header)) {
    if (is_id(header, id)) return true;
    if (!source.skip(header.size)) return false;
  }
  return false;
}

// An extensible header is PCM when its sub-format GUID starts with tag 1.
bool extensible_is_pcm(const uint8_t* extra, uint32_t extra_size) {
  // cbSize (2), valid bits (2), channel mask (4), then the GUID.
  return extra_size >= 10 && u16_at(extra + 8) == kFormatPcm;
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

  ChunkHeader header;
  if (!find_chunk(source, "fmt ", header)) return WaveResult::no_format;
  uint8_t fmt[16];
  if (header.size < sizeof fmt || source.remaining() < sizeof fmt || !source.read(fmt, sizeof fmt))
    return WaveResult::bad_format;
  uint16_t tag = u16_at(fmt);
  format.channels = u16_at(fmt + 2);
  format.samples_per_second = u32_at(fmt + 4);
  format.block_align = u16_at(fmt + 12);
  format.bits_per_sample = u16_at(fmt + 14);

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
  if (extra_size > 0 && !source.skip(extra_size)) return WaveResult::no_data;

  if (!find_chunk(source, "data", header)) return WaveResult::no_data;
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
