#include "gfx2d/texture_cache_file.h"

#include "gfx2d/pixel_image.h"

namespace {

int32_t read_i32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                              uint32_t{p[3]} << 24);
}

void write_i32(uint8_t* p, int32_t v) {
  auto u = static_cast<uint32_t>(v);
  p[0] = static_cast<uint8_t>(u);
  p[1] = static_cast<uint8_t>(u >> 8);
  p[2] = static_cast<uint8_t>(u >> 16);
  p[3] = static_cast<uint8_t>(u >> 24);
}

bool read_header(TexCacheSource& file, TexCacheRecord& r) {
  uint8_t bytes[kTexCacheHeaderBytes];
  if (!file.read(bytes, sizeof bytes)) return false;
  r = {read_i32(bytes), read_i32(bytes + 4), read_i32(bytes + 8)};
  return true;
}

int64_t pixel_bytes(const TexCacheRecord& r) { return int64_t{r.width} * r.height * 4; }

// The first pass: every header is sound and the records fill the file.
bool check_file(TexCacheSource& file, int64_t size, const char** why) {
  int64_t position = 0;
  int32_t previous_id = -1;
  while (position < size) {
    TexCacheRecord r;
    if (size - position < static_cast<int64_t>(kTexCacheHeaderBytes) || !read_header(file, r)) {
      *why = "truncated record header";
      return false;
    }
    position += kTexCacheHeaderBytes;
    if (r.id < 0 || r.id > kTexCacheMaxId || r.id <= previous_id) {
      *why = "sprite id out of range or out of order";
      return false;
    }
    if (r.width < 1 || r.height < 1 || r.width > kTexCacheMaxSide || r.height > kTexCacheMaxSide ||
        !qvl_img_size_fits(r.width, r.height)) {
      *why = "image size out of range";
      return false;
    }
    if (pixel_bytes(r) > size - position) {
      *why = "truncated pixels";
      return false;
    }
    position += pixel_bytes(r);
    if (!file.seek(position)) {
      *why = "read error";
      return false;
    }
    previous_id = r.id;
  }
  return true;
}

}  // namespace

void qvl_tex_cache_encode_header(const TexCacheRecord& record,
                                 uint8_t out[kTexCacheHeaderBytes]) {
  write_i32(out, record.id);
  write_i32(out + 4, record.width);
  write_i32(out + 8, record.height);
}

bool qvl_tex_cache_load(TexCacheSource& file, PixelImage& scratch, TexCacheApply apply,
                        void* context, const char** why) {
  static const char* ignored;
  if (!why) why = &ignored;
  *why = "";
  int64_t size = file.size();
  if (size < 0 || !file.seek(0)) {
    *why = "read error";
    return false;
  }
  if (!check_file(file, size, why)) return false;
  if (!file.seek(0)) {
    *why = "read error";
    return false;
  }
  bool all_applied = true;
  for (int64_t position = 0; position < size;) {
    TexCacheRecord r;
    if (!read_header(file, r) || !scratch.resize(r.width, r.height) ||
        !file.read(scratch.pixels, static_cast<size_t>(pixel_bytes(r)))) {
      // The file changed under us since the check.
      *why = "read error";
      return false;
    }
    position += kTexCacheHeaderBytes + pixel_bytes(r);
    if (!apply(context, r.id, scratch)) all_applied = false;
  }
  if (!all_applied) *why = "a record could not be applied";
  return all_applied;
}
