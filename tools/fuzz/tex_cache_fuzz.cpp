// libFuzzer target for the texture-cache file: any bytes are either loaded
// whole (every record inside the file, ids ascending, sizes in range) or
// refused without a single record applied.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gfx2d/pixel_image.h"
#include "gfx2d/texture_cache_file.h"

namespace {

class MemorySource : public TexCacheSource {
 public:
  MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool read(void* into, size_t n) override {
    if (n > size_ - position_) return false;
    std::memcpy(into, data_ + position_, n);
    position_ += n;
    return true;
  }
  bool seek(int64_t position) override {
    if (position < 0 || static_cast<uint64_t>(position) > size_) return false;
    position_ = static_cast<size_t>(position);
    return true;
  }
  int64_t size() override { return static_cast<int64_t>(size_); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

struct Seen {
  int32_t last_id = -1;
  int64_t bytes = 0;
};

bool apply(void* context, int32_t id, const PixelImage& image) {
  auto* seen = static_cast<Seen*>(context);
  if (id <= seen->last_id || id > kTexCacheMaxId) std::abort();
  if (image.width < 1 || image.height < 1 || image.width > kTexCacheMaxSide ||
      image.height > kTexCacheMaxSide)
    std::abort();
  seen->last_id = id;
  seen->bytes += kTexCacheHeaderBytes + int64_t{image.width} * image.height * 4;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemorySource source(data, size);
  PixelImage scratch;
  Seen seen;
  const char* why = nullptr;
  bool loaded = qvl_tex_cache_load(source, scratch, apply, &seen, &why);
  // Loaded: the records cover the file exactly. Refused: nothing applied.
  if (loaded && seen.bytes != static_cast<int64_t>(size)) std::abort();
  if (!loaded && (seen.last_id != -1 || !why || !*why)) std::abort();
  return 0;
}
