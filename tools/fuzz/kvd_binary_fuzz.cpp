// libFuzzer target for the binary object file: any bytes are read or
// refused without reading past them; an accepted object keeps its frames
// in step, holds no more than its record limit (smaller than the
// engine's, so that short runs reach it), and writing it and reading it
// back gives the same records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gfx3d/kvd_binary.h"

namespace {

constexpr int64_t kFuzzMaxRecords = int64_t{1} << 16;

void check(const MeshObjectX& m) {
  for (int f = 0; f < m.frames.count; ++f) {
    const GrowVector<MeshVertex>& list = m.frames[f].vertices;
    if (list.count != m.frames[0].vertices.count) std::abort();
    if (m.frames[f].triangles.count != m.frames[0].triangles.count) std::abort();
    for (int i = 0; i < list.count; ++i)
      if (list[i].value_index >= m.values.count && m.values.count <= 256) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Always the binary reader, magic or not.
  uint8_t* bytes = static_cast<uint8_t*>(std::malloc(size + 4));
  if (!bytes) return 0;
  const uint8_t magic[4] = {0x17, 0xB3, 0xC6, 0x00};
  std::memcpy(bytes, magic, 4);
  if (size > 0) std::memcpy(bytes + 4, data, size);
  MeshObjectX m;
  double version = 0;
  if (qvl_kvd_parse(bytes, size + 4, m, version, kFuzzMaxRecords) == KvdStatus::ok) {
    if (!m.build_triangles()) std::abort();
    if (qvl_kvd_object_records(m) > kFuzzMaxRecords) std::abort();
    m.compute_bounds();
    m.build_edges();
    check(m);
    KvdBytes out;
    if (qvl_kvd_encode(m, out) == KvdEncodeStatus::ok) {
      MeshObjectX back;
      if (qvl_kvd_parse(out.data, out.size, back, version) != KvdStatus::ok) std::abort();
      if (back.frames.count != m.frames.count || back.values.count != m.values.count) std::abort();
      for (int f = 0; f < m.frames.count; ++f) {
        const GrowVector<MeshVertex>& a = m.frames[f].vertices;
        const GrowVector<MeshVertex>& b = back.frames[f].vertices;
        for (int i = 0; i < a.count; ++i)
          if (std::memcmp(&a[i], &b[i], 12) != 0 || a[i].colour != b[i].colour) std::abort();
      }
    }
  }
  std::free(bytes);
  return 0;
}
