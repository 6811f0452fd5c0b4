// The RIFF/WAVE reader of the sound slots. It knows nothing of files or
// devices: it reads from a WaveSource, so that the loader can feed it a disk
// or memory channel and the fuzzer a plain byte block.
#pragma once

#include <cstdint>
#include <vector>

// Little-endian fields of RIFF chunks.
inline uint16_t wave_u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t wave_u32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Where the reader's bytes come from. remaining() is what is left from the
// current position; the reader never asks for more than that.
class WaveSource {
 public:
  virtual ~WaveSource() = default;
  virtual bool read(void* destination, uint32_t count) = 0;
  virtual bool skip(uint32_t count) = 0;
  virtual uint64_t remaining() const = 0;
};

struct WaveFormat {
  uint16_t channels;         // 1 or 2
  uint32_t samples_per_second;
  uint16_t block_align;      // channels * bits / 8
  uint16_t bits_per_sample;  // 8 (unsigned) or 16 (signed, little-endian)
  uint32_t data_size;        // bytes of sample data, whole blocks
};

enum class WaveResult {
  ok,
  not_wave,       // no "RIFF" ... "WAVE" header
  no_format,      // the chunks ran out before "fmt "
  no_data,        // the chunks ran out before "data" (or "data" came first)
  bad_format,     // not 8/16-bit PCM with 1 or 2 channels at a usable rate
  truncated,      // the data chunk claims more bytes than the file holds
};

// Reads the header and the chunks up to the start of the "data" chunk's
// samples, which the source then stands at; data_size of them are there.
// Chunks are skipped by their stated size and, after an odd size, by the pad
// byte that RIFF puts there (files whose writer left it out read too).
WaveResult wave_read_header(WaveSource& source, WaveFormat& format);
// wave_read_header, then the samples: on success samples holds data_size
// bytes.
WaveResult wave_read(WaveSource& source, WaveFormat& format, std::vector<uint8_t>& samples);

// A WaveSource over a block of memory (tests, fuzzing).
class WaveMemorySource : public WaveSource {
 public:
  WaveMemorySource(const uint8_t* data, uint64_t size) : data_(data), size_(size) {}
  bool read(void* destination, uint32_t count) override;
  bool skip(uint32_t count) override;
  uint64_t remaining() const override { return size_ - position_; }

 private:
  const uint8_t* data_;
  uint64_t size_;
  uint64_t position_ = 0;
};
