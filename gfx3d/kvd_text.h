// The text .kvd object file: shared texture coordinates, coloured faces
// whose corners index into per-frame vertex lists, and one vertex list per
// animation frame. Every face becomes one fan run of the object's frames.
//
// Grammar, token by token (counts, indices and colour parts truncated to
// integers, the rest floats): "KVDA"; a version of at most 1.1; count T and
// T × (u, v); count F and per face red, green, blue, corner count K and
// K × (vertex index, texture-coordinate index); count R and per frame count
// N and N × (x, y, z), with (nx, ny, nz) after each for version 1.1.
// Tokens are separated by tabs, spaces, CR and LF; '#' starts a comment to
// the end of its line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/grow_vector.h"
#include "gfx3d/kvd_binary.h"
#include "gfx3d/mesh_records.h"

struct KvdTexCoord {
  float u, v;
};
struct KvdVertex {
  float x, y, z, nx, ny, nz;
};
// A face's corners are corner_count consecutive entries of `corners`.
struct KvdFace {
  int32_t red, green, blue;  // only the low byte of each is used
  int32_t first_corner, corner_count;
};
struct KvdCorner {
  int32_t vertex_index, tex_index;
};
// A frame's vertices are vertex_count consecutive entries of `vertices`.
struct KvdFrameList {
  int32_t first_vertex, vertex_count;
};

// The bytes being read and where reading stands.
struct KvdTextSource {
  const uint8_t* data;
  size_t size;
  size_t position;
};

struct KvdTextReader {
  static constexpr int kTokenSize = 1024;
  char token[kTokenSize];  // the word being read; a longer word is cut
  float version = 0;
  GrowVector<KvdFace> faces;
  GrowVector<KvdCorner> corners;
  GrowVector<KvdTexCoord> tex_coords;
  GrowVector<KvdVertex> vertices;
  GrowVector<KvdFrameList> frame_vertices;
};

// The next word into token (kTokenSize bytes); returns token, or null when
// the data ended before a word began.
const char* qvl_kvd_read_word(char* token, KvdTextSource& file);
// The next word as a number by the leading-number rule of atof, as a float;
// 0 when there is no word or no leading number.
float qvl_kvd_read_number(char* token, KvdTextSource& file);
// Skips the rest of a comment line: up to and including the next line feed
// within 512 bytes, else exactly 512 bytes (the line's rest is then read
// as tokens).
void qvl_kvd_read_line(KvdTextSource& file);

// Fills the reader's lists from the bytes. A file that ends between lists
// reads the missing counts as 0; a list that runs past the end of the data
// (or a count that the bytes left cannot hold) is malformed.
KvdStatus qvl_kvd_read_text(KvdTextReader& state, const uint8_t* data, size_t size);

// Builds the object (which must be empty) from the lists: every frame gets
// a fan run per face. Corners must index inside every frame and the texture
// coordinates; an object past max_records (qvl_kvd_object_records) is
// refused before anything is built. Files below version 1.1 carry no
// normals: they get smooth normals, welded by position.
KvdStatus qvl_kvd_text_to_object(const KvdTextReader& state, MeshObject& object,
                                 int64_t max_records = kKvdMaxRecords);
