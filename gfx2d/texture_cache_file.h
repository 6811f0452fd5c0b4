// The texture-cache file: one record per sprite with an image, in ascending
// id order, up to the end of the file; no header. Little-endian:
//   i32 id, i32 width, i32 height, width * height * 4 bytes R, G, B, A
//   (rows from the top).
// The file lies in a shared folder, so a restore checks the whole file
// before it changes a single sprite. No GL here: the checks run anywhere.
#pragma once

#include <cstddef>
#include <cstdint>

struct PixelImage;

constexpr int32_t kTexCacheMaxId = 65535;
constexpr int32_t kTexCacheMaxSide = INT16_MAX;  // what a sprite record holds
constexpr size_t kTexCacheHeaderBytes = 12;

struct TexCacheRecord {
  int32_t id;
  int32_t width;
  int32_t height;
};

void qvl_tex_cache_encode_header(const TexCacheRecord& record, uint8_t out[kTexCacheHeaderBytes]);

// A cache file being read.
class TexCacheSource {
 public:
  virtual ~TexCacheSource() = default;
  // Exactly n bytes, or false.
  virtual bool read(void* into, size_t n) = 0;
  virtual bool seek(int64_t position) = 0;
  virtual int64_t size() = 0;
};

// Called with each record's id and image; false marks the record as not
// applied (the load goes on with the others).
using TexCacheApply = bool (*)(void* context, int32_t id, const PixelImage& image);

// Checks every record (whole headers, ids 0..65535 strictly ascending,
// sizes 1..32767, pixels inside the file, nothing left over), then hands
// each record to apply. A file that fails the check changes nothing: the
// result is false with the reason in *why. A record that apply refuses
// makes the result false too, with *why "a record could not be applied".
bool qvl_tex_cache_load(TexCacheSource& file, PixelImage& scratch, TexCacheApply apply,
                        void* context, const char** why);
