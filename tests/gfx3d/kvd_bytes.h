// Building object-file bytes in tests, and loading them.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "gfx3d/kvd_binary.h"
#include "gfx3d/mesh_records.h"

namespace kvd_test {

struct Bytes {
  std::string s;
  Bytes& u8(uint8_t v) {
    s.push_back(static_cast<char>(v));
    return *this;
  }
  Bytes& u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) u8(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  Bytes& f32(float v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    return u32(u);
  }
  Bytes& f64(double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    u32(static_cast<uint32_t>(u));
    return u32(static_cast<uint32_t>(u >> 32));
  }
  // The header: magic, version, frames, values, records of frame 0.
  Bytes& head(double version, int32_t frames, int32_t values, int32_t records) {
    u32(kKvdMagic).f64(version);
    return u32(static_cast<uint32_t>(frames))
        .u32(static_cast<uint32_t>(values))
        .u32(static_cast<uint32_t>(records));
  }
};

inline KvdStatus parse(const std::string& bytes, MeshObject& m) {
  double version = 0;
  return qvl_kvd_parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), m, version);
}

inline std::string hex(const uint8_t* p, size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out += digits[p[i] >> 4];
    out += digits[p[i] & 15];
  }
  return out;
}

// The text form of a red triangle: one texture pair, one face of three
// corners, one frame of three vertices with normals (0, 0, 1).
inline const char* kMinimalTriangle =
    "KVDA 1.1\n"
    "1  0.25 0.5\n"
    "1  255 0 0 3  0 0  1 0  2 0\n"
    "1  3\n"
    "0 0 0  0 0 1\n"
    "1 0 0  0 0 1\n"
    "0 1 0  0 0 1\n";

}  // namespace kvd_test
