// libFuzzer target for the text object file: any bytes are read or
// refused within their size and the record limit; an accepted object has
// frames in step, holds what it was weighed at, and survives the trip
// through the binary form. The limit is smaller than the engine's, so that
// inputs reach it within a short run and an object built past it shows as
// a finding under the run's memory limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "gfx3d/kvd_binary.h"
#include "gfx3d/kvd_text.h"

namespace {

constexpr int64_t kFuzzMaxRecords = int64_t{1} << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  KvdTextReader reader;
  if (qvl_kvd_read_text(reader, data, size) != KvdStatus::ok) return 0;
  MeshObjectX m;
  if (qvl_kvd_text_to_object(reader, m, kFuzzMaxRecords) != KvdStatus::ok) {
    if (m.frames.count != 0) std::abort();
    return 0;
  }
  for (int f = 0; f < m.frames.count; ++f)
    if (m.frames[f].vertices.count != m.frames[0].vertices.count) std::abort();
  if (!m.build_triangles()) std::abort();
  int64_t held = m.frames.count > 0 ? m.draw_buffer.count : 0;
  for (int f = 0; f < m.frames.count; ++f)
    held += m.frames[f].vertices.count + 1 + m.frames[f].triangles.count;
  if (held != qvl_kvd_object_records(m) || held > kFuzzMaxRecords) std::abort();
  m.compute_bounds();
  KvdBytes out;
  if (qvl_kvd_encode(m, out) == KvdEncodeStatus::ok) {
    MeshObjectX back;
    double version = 0;
    if (qvl_kvd_parse(out.data, out.size, back, version) != KvdStatus::ok) std::abort();
    if (back.frames.count != m.frames.count) std::abort();
  }
  return 0;
}
