// The binary .kvd object file: one mesh with its frames, value table,
// texture coordinates and, per vertex, position, normal (an index into the
// vertex normal table) and value index. Version 2.0 is written; 1.02 up to
// 2.0 are read (below 2.0 positions are bytes with an offset and a scale).
//
// Layout (little-endian): magic 0x00C6B317, f64 version, i32 frames F,
// i32 values V, i32 records of frame 0 N0, V u32 words, N0 × (f32 u, f32 v),
// then F frame blocks: i32 n, and n × (f32 x, y, z, u8 normal, u8 value)
// for 2.0, or f32 offset[3], f32 scale[3] and n × (u8 x, y, z, normal,
// value) below it.
//
// These work on bytes; kvd_file.h reads and writes the files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx3d/mesh_records.h"

constexpr uint32_t kKvdMagic = 0x00C6B317u;
constexpr double kKvdVersionMin = 1.02;
constexpr double kKvdVersionMax = 2.0;

// A loaded object holds at most this many records of 92 bytes (about 770 MB)
// once built: every frame's vertex records and one more per frame (so that
// frames without records count too), the three corners of every triangle
// of every frame, and the draw buffer's copy of frame 0's triangles. A text
// file names each face once for all its frames, so a few kilobytes can ask
// for gigabytes; the readers weigh an object before they build it.
constexpr int64_t kKvdMaxRecords = int64_t{1} << 23;

// What a file may build also depends on its size: a text file names each
// face once for all its frames, so 16 KB of one face of 2,018 corners over
// 1,038 frames of one vertex would build 8.4 million records (770 MB),
// under kKvdMaxRecords. A file may build 2^20 records (96 MB) and 16 more
// for each of its bytes: any file of 64 KB or less builds at most 2.1
// million (190 MB), while real objects build far less than a record a
// byte (50,000 triangles over 6 frames: 2.3 million records from 6 MB).
constexpr int64_t kKvdBaseRecords = int64_t{1} << 20;
constexpr int64_t kKvdRecordsPerByte = 16;

// The records a file of `bytes` bytes may build: the rule above, held to
// kKvdMaxRecords.
int64_t qvl_kvd_records_for_file(size_t bytes);

// The records an object holds once built (as counted for kKvdMaxRecords)
// when each of its frames has `records` vertex records giving `triangles`
// triangles; INT64_MAX when that is beyond any limit.
int64_t qvl_kvd_object_records(int64_t frames, int64_t records, int64_t triangles);
// The same for a loaded object, from its frame 0.
int64_t qvl_kvd_object_records(const MeshObject& object);

enum class KvdStatus {
  ok,
  bad_version,  // a binary version outside 1.02 .. 2.0
  malformed,    // a count, index or size the data cannot hold, or not a .kvd
  too_large,    // an object past its record limit
  no_memory,
};

// Reads a binary file's bytes (which start with the magic) into object,
// which must be empty, holding it to max_records. version receives the
// file's version once read.
KvdStatus qvl_kvd_decode_binary(const uint8_t* data, size_t size, MeshObject& object,
                                double& version, int64_t max_records = kKvdMaxRecords);

// Reads either form: bytes that do not start with the magic go to the text
// reader. An object past max_records is refused before it is built. On any
// failure object is left empty.
KvdStatus qvl_kvd_parse(const uint8_t* data, size_t size, MeshObject& object, double& version,
                        int64_t max_records = kKvdMaxRecords);

enum class KvdEncodeStatus {
  ok,
  no_frames,
  too_many_colours,  // value indices are one byte: at most 256 words
  uneven_frames,     // a frame whose record count differs from frame 0's
  bad_value_index,   // a record pointing past the value table
  no_memory,
};
const char* qvl_kvd_encode_text(KvdEncodeStatus status);

// The bytes of a version 2.0 file; malloc storage freed with the record.
struct KvdBytes {
  uint8_t* data = nullptr;
  size_t size = 0;
  KvdBytes() = default;
  ~KvdBytes();
  KvdBytes(const KvdBytes&) = delete;
  KvdBytes& operator=(const KvdBytes&) = delete;
};

// Encodes object as a version 2.0 file. Only objects the reader takes back
// whole are encoded; anything else gives a reason and no bytes.
KvdEncodeStatus qvl_kvd_encode(const MeshObject& object, KvdBytes& out);
