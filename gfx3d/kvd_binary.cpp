// Reading and writing the binary object file as bytes. Every count is held
// against the bytes left before anything is allocated, and every index
// against its table, so no file can make the reader allocate beyond its
// size or read outside the data.
#include "gfx3d/kvd_binary.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "gfx3d/kvd_text.h"
#include "gfx3d/vertex_normal_table.h"

namespace {

constexpr int kRecordBytes = 14;      // version 2.0: f32 x, y, z, u8 normal, value
constexpr int kPackedBytes = 5;       // below 2.0: u8 x, y, z, normal, value
constexpr int kPackedFrameHead = 28;  // below 2.0: i32 n, f32 offset[3], scale[3]

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : p_(data), left_(size) {}
  size_t left() const { return left_; }
  const uint8_t* here() const { return p_; }
  bool skip(size_t n) {
    if (n > left_) return false;
    p_ += n;
    left_ -= n;
    return true;
  }
  bool u32(uint32_t& v) {
    if (left_ < 4) return false;
    v = static_cast<uint32_t>(p_[0]) | static_cast<uint32_t>(p_[1]) << 8 |
        static_cast<uint32_t>(p_[2]) << 16 | static_cast<uint32_t>(p_[3]) << 24;
    return skip(4);
  }
  bool i32(int32_t& v) {
    uint32_t u;
    if (!u32(u)) return false;
    v = static_cast<int32_t>(u);
    return true;
  }
  bool f32(float& v) {
    uint32_t u;
    if (!u32(u)) return false;
    std::memcpy(&v, &u, 4);
    return true;
  }
  bool f64(double& v) {
    uint32_t lo, hi;
    if (!u32(lo) || !u32(hi)) return false;
    const uint64_t bits = static_cast<uint64_t>(hi) << 32 | lo;
    std::memcpy(&v, &bits, 8);
    return true;
  }
  bool u8(uint8_t& v) {
    if (left_ < 1) return false;
    v = *p_;
    return skip(1);
  }

 private:
  const uint8_t* p_;
  size_t left_;
};

float f32_at(const uint8_t* p) {
  ByteReader r(p, 4);
  float v = 0;
  r.f32(v);
  return v;
}

struct Header {
  double version;
  int32_t frames, values, records;
};

// Frames and the value table into object; every frame must hold N0 records.
class BinaryDecoder {
 public:
  BinaryDecoder(ByteReader& in, MeshObject& object, const Header& h, int64_t max_records)
      : in_(in), obj_(object), h_(h), max_records_(max_records) {}

  KvdStatus run() {
    const int64_t F = h_.frames, V = h_.values, N0 = h_.records;
    if (static_cast<uint64_t>(V) * 4 > in_.left()) return KvdStatus::malformed;
    obj_.values.step = obj_.values.minimum = 1;
    if (!obj_.values.reserve(static_cast<int>(V))) return KvdStatus::no_memory;
    for (int i = 0; i < V; ++i) in_.u32(obj_.values[i]);
    obj_.values.count = static_cast<int>(V);
    if (static_cast<uint64_t>(N0) * 8 > in_.left()) return KvdStatus::malformed;
    uv_ = in_.here();
    in_.skip(static_cast<size_t>(N0) * 8);
    const bool packed = h_.version != kKvdVersionMax;
    const int64_t frame_bytes = packed ? kPackedFrameHead + kPackedBytes * N0 : 4 + kRecordBytes * N0;
    if (F * frame_bytes > static_cast<int64_t>(in_.left())) return KvdStatus::malformed;
    if (F > 0 && qvl_kvd_object_records(F, N0, frame0_triangles(packed)) > max_records_)
      return KvdStatus::too_large;
    if (packed) obj_.frames.step = obj_.frames.minimum = 1;
    if (!obj_.frames.reserve(static_cast<int>(F))) return KvdStatus::no_memory;
    obj_.frames.count = static_cast<int>(F);
    if (packed) {
      packed_.reset(new (std::nothrow) PackedVertex[N0 > 0 ? N0 : 1]);
      u_.reset(new (std::nothrow) float[N0 > 0 ? N0 : 1]);
      v_.reset(new (std::nothrow) float[N0 > 0 ? N0 : 1]);
      if (!packed_ || !u_ || !v_) return KvdStatus::no_memory;
      for (int i = 0; i < N0; ++i) {
        u_[i] = f32_at(uv_ + 8 * i);
        v_[i] = f32_at(uv_ + 8 * i + 4);
      }
    }
    for (int f = 0; f < F; ++f) {
      GrowVector<MeshVertex>& list = obj_.frames[f].vertices;
      list.count = 0;
      obj_.frames[f].triangles.count = 0;
      const KvdStatus s = packed ? packed_frame(list) : frame(list);
      if (s != KvdStatus::ok) return s;
    }
    // Frames are blended record by record, and their triangle lists too:
    // the runs of every frame must give frame 0's number of triangles.
    for (int f = 1; f < F; ++f) {
      if (qvl_mesh_count_triangles(obj_.frames[f].vertices) !=
          qvl_mesh_count_triangles(obj_.frames[0].vertices))
        return KvdStatus::malformed;
    }
    obj_.normals_ready = 1;
    return KvdStatus::ok;
  }

 private:
  // Frame 0's triangles from its value bytes, before any frame is built
  // (every frame must give as many). A value index past the table counts as
  // a corner; the decoding refuses it later.
  int64_t frame0_triangles(bool packed) const {
    const uint8_t* p = in_.here() + (packed ? kPackedFrameHead : 4);
    const int stride = packed ? kPackedBytes : kRecordBytes;
    const int value_at = stride - 1;
    TriangleCount count;
    for (int64_t i = 0; i < h_.records; ++i) {
      const uint8_t value = p[i * stride + value_at];
      count.add(value < obj_.values.count ? obj_.values[value] : 0);
    }
    return count.triangles;
  }

  bool valid_indices(uint8_t normal, uint8_t value) const {
    return normal < kVertexNormalCount && value < h_.values;
  }

  KvdStatus frame(GrowVector<MeshVertex>& list) {
    int32_t n;
    in_.i32(n);
    if (n != h_.records) return KvdStatus::malformed;
    if (!list.reserve(n)) return KvdStatus::no_memory;
    for (int i = 0; i < n; ++i) {
      MeshVertex& d = list[i];
      std::memset(&d, 0, sizeof d);
      uint8_t normal = 0, value = 0;
      in_.f32(d.x), in_.f32(d.y), in_.f32(d.z), in_.u8(normal), in_.u8(value);
      if (!valid_indices(normal, value)) return KvdStatus::malformed;
      const float* t = vertex_normal_table[normal];
      d.nx = t[0], d.ny = t[1], d.nz = t[2];
      d.value_index = value;
      qvl_mesh_set_colour(d, obj_.values[value]);
      d.u = f32_at(uv_ + 8 * i);
      d.v = f32_at(uv_ + 8 * i + 4);
    }
    list.count = n;
    return KvdStatus::ok;
  }

  KvdStatus packed_frame(GrowVector<MeshVertex>& list) {
    int32_t n;
    float offset[3], scale[3];
    in_.i32(n);
    for (float& o : offset) in_.f32(o);
    for (float& s : scale) in_.f32(s);
    if (n != h_.records) return KvdStatus::malformed;
    for (int i = 0; i < n; ++i) {
      PackedVertex& p = packed_[i];
      in_.u8(p.x), in_.u8(p.y), in_.u8(p.z), in_.u8(p.normal_index), in_.u8(p.value_index);
      p.tangent_index = p.bitangent_index = 0;
      if (!valid_indices(p.normal_index, p.value_index)) return KvdStatus::malformed;
    }
    if (!obj_.append_vertex(packed_.get(), n, u_.get(), v_.get(), offset, scale, list))
      return KvdStatus::no_memory;
    return KvdStatus::ok;
  }

  ByteReader& in_;
  MeshObject& obj_;
  const Header& h_;
  int64_t max_records_;
  const uint8_t* uv_ = nullptr;
  std::unique_ptr<PackedVertex[]> packed_;
  std::unique_ptr<float[]> u_, v_;
};

}  // namespace

int64_t qvl_kvd_object_records(int64_t frames, int64_t records, int64_t triangles) {
  if (frames <= 0) return 0;
  // Each part is below 2^31 (counts of int32 lists), so the sum per frame
  // cannot overflow; the product is held against the largest int64 first.
  const int64_t per_frame = records + 1 + 3 * triangles;
  const int64_t draw_buffer = 3 * triangles;
  if (per_frame > (INT64_MAX - draw_buffer) / frames) return INT64_MAX;
  return frames * per_frame + draw_buffer;
}

int64_t qvl_kvd_records_for_file(size_t bytes) {
  const int64_t room = (kKvdMaxRecords - kKvdBaseRecords) / kKvdRecordsPerByte;
  if (bytes >= static_cast<uint64_t>(room)) return kKvdMaxRecords;
  return kKvdBaseRecords + kKvdRecordsPerByte * static_cast<int64_t>(bytes);
}

int64_t qvl_kvd_object_records(const MeshObject& object) {
  if (object.frames.count <= 0) return 0;
  const GrowVector<MeshVertex>& frame0 = object.frames[0].vertices;
  return qvl_kvd_object_records(object.frames.count, frame0.count,
                                qvl_mesh_count_triangles(frame0));
}

KvdStatus qvl_kvd_decode_binary(const uint8_t* data, size_t size, MeshObject& object,
                                double& version, int64_t max_records) {
  ByteReader in(data, size);
  uint32_t magic = 0;
  Header h{};
  if (!in.u32(magic) || magic != kKvdMagic || !in.f64(h.version)) return KvdStatus::malformed;
  version = h.version;
  if (!(h.version >= kKvdVersionMin && h.version <= kKvdVersionMax)) return KvdStatus::bad_version;
  if (!in.i32(h.frames) || !in.i32(h.values) || !in.i32(h.records)) return KvdStatus::malformed;
  if (h.frames < 0) h.frames = 0;
  if (h.values < 0) h.values = 0;
  if (h.records < 0) h.records = 0;
  return BinaryDecoder(in, object, h, max_records).run();
}

KvdStatus qvl_kvd_parse(const uint8_t* data, size_t size, MeshObject& object, double& version,
                        int64_t max_records) {
  object.clear();
  KvdStatus s;
  if (size >= 4 && data[0] == 0x17 && data[1] == 0xB3 && data[2] == 0xC6 && data[3] == 0x00) {
    s = qvl_kvd_decode_binary(data, size, object, version, max_records);
  } else {
    KvdTextReader reader;
    s = qvl_kvd_read_text(reader, data, size);
    if (s == KvdStatus::ok) s = qvl_kvd_text_to_object(reader, object, max_records);
  }
  if (s != KvdStatus::ok) object.clear();
  return s;
}

// --- Writing --------------------------------------------------------------

KvdBytes::~KvdBytes() { std::free(data); }

const char* qvl_kvd_encode_text(KvdEncodeStatus status) {
  switch (status) {
    case KvdEncodeStatus::ok: return "ok";
    case KvdEncodeStatus::no_frames: return "the object has no frames";
    case KvdEncodeStatus::too_many_colours: return "more than 256 colours";
    case KvdEncodeStatus::uneven_frames: return "frames differ in length";
    case KvdEncodeStatus::bad_value_index: return "a value index past the value table";
    case KvdEncodeStatus::no_memory: return "out of memory";
  }
  return "unknown";
}

namespace {

class ByteWriter {
 public:
  explicit ByteWriter(uint8_t* p) : p_(p) {}
  void u32(uint32_t v) {
    p_[0] = static_cast<uint8_t>(v), p_[1] = static_cast<uint8_t>(v >> 8);
    p_[2] = static_cast<uint8_t>(v >> 16), p_[3] = static_cast<uint8_t>(v >> 24);
    p_ += 4;
  }
  void f32(float v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    u32(u);
  }
  void f64(double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    u32(static_cast<uint32_t>(u));
    u32(static_cast<uint32_t>(u >> 32));
  }
  void u8(uint8_t v) { *p_++ = v; }

 private:
  uint8_t* p_;
};

KvdEncodeStatus check_encodable(const MeshObject& object) {
  if (object.frames.count <= 0) return KvdEncodeStatus::no_frames;
  if (object.values.count > 256) return KvdEncodeStatus::too_many_colours;
  const int n0 = object.frames[0].vertices.count;
  for (int f = 0; f < object.frames.count; ++f) {
    const GrowVector<MeshVertex>& list = object.frames[f].vertices;
    if (list.count != n0) return KvdEncodeStatus::uneven_frames;
    for (int i = 0; i < list.count; ++i) {
      if (list[i].value_index >= object.values.count) return KvdEncodeStatus::bad_value_index;
    }
  }
  return KvdEncodeStatus::ok;
}

}  // namespace

KvdEncodeStatus qvl_kvd_encode(const MeshObject& object, KvdBytes& out) {
  std::free(out.data);
  out.data = nullptr;
  out.size = 0;
  const KvdEncodeStatus status = check_encodable(object);
  if (status != KvdEncodeStatus::ok) return status;
  const int F = object.frames.count, V = object.values.count;
  const GrowVector<MeshVertex>& frame0 = object.frames[0].vertices;
  const int N0 = frame0.count;
  const uint64_t size = 24 + 4ull * V + 8ull * N0 + static_cast<uint64_t>(F) * (4 + 14ull * N0);
  out.data = static_cast<uint8_t*>(std::malloc(size));
  if (!out.data) return KvdEncodeStatus::no_memory;
  out.size = size;
  ByteWriter w(out.data);
  w.u32(kKvdMagic);
  w.f64(kKvdVersionMax);
  w.u32(static_cast<uint32_t>(F));
  w.u32(static_cast<uint32_t>(V));
  w.u32(static_cast<uint32_t>(N0));
  for (int i = 0; i < V; ++i) w.u32(object.values[i]);
  for (int i = 0; i < N0; ++i) {
    w.f32(frame0[i].u);
    w.f32(frame0[i].v);
  }
  // Shared vertices repeat their normal; the search runs once per run of one.
  float last[3] = {0, 0, 0};
  int last_index = qvl_kvd_normal_index(0, 0, 0);
  for (int f = 0; f < F; ++f) {
    const GrowVector<MeshVertex>& list = object.frames[f].vertices;
    w.u32(static_cast<uint32_t>(list.count));
    for (int i = 0; i < list.count; ++i) {
      const MeshVertex& r = list[i];
      if (std::memcmp(&r.nx, last, sizeof last) != 0) {
        std::memcpy(last, &r.nx, sizeof last);
        last_index = qvl_kvd_normal_index(r.nx, r.ny, r.nz);
      }
      w.f32(r.x);
      w.f32(r.y);
      w.f32(r.z);
      w.u8(static_cast<uint8_t>(last_index));
      w.u8(r.value_index);
    }
  }
  return KvdEncodeStatus::ok;
}
