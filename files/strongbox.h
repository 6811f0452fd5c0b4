// Strongbox: an archive of named, LZ-packed entries appended to a file (the
// executable), and its reader.
//
// Layout, integers 32-bit little-endian:
//   file end - 7: "sbX"; file end - 4: signed directory offset (>= 0 from the
//   start of the file, < 0 from its end).
//   Directory: entries {u8 name length L (0 ends), L name bytes, i32 data
//   offset (from the end when the directory offset is negative), i32 packed
//   size}. Each entry's data is one LzCodec stream.
#pragma once

#include <cstdint>

#include "core/basic_string.h"

class LzCodec;

struct StrongboxEntry {
  uint8_t name_length;
  char name[256];       // NUL-terminated copy of the stored name
  int32_t offset;       // data offset as stored
  int32_t packed_size;
};

class Strongbox {
 public:
  static constexpr int kPathSize = 1024;

  // Fields in their fixed order.
  uint8_t usable = 1;                  // 0 once the archive proved missing
  char archive_path[kPathSize] = {};   // the file whose end holds the archive
  char last_temp_file[kPathSize] = {}; // file written by the last lookup
  uint8_t* last_block = nullptr;       // MemFile block of the last lookup

  Strongbox() = default;
  Strongbox(const Strongbox&) = delete;
  Strongbox& operator=(const Strongbox&) = delete;
  ~Strongbox() { drop_product(); }

  // Resolves name into result (kPathSize bytes): the name itself when it is a
  // live MemFile name or a file on disk; else the archive entry named by the
  // request's last path component, unpacked to a new MemFile (to_memory) or
  // to a temporary file. Frees the product of the previous lookup first
  // (except when the request names that very block).
  bool resolve(const char* name, char* result, bool to_memory);

  // Marks the reader usable, drops its product and takes a new archive path.
  void set_path(const char* path);
  // Releases the last block or deletes the last temporary file.
  void drop_product();

 private:
  bool hand_out_block(LzCodec& codec, char* result);
  bool write_temp_file(const StrongboxEntry& entry, const LzCodec& codec,
                       char* result);
};

// The two readers, created by the start-up and released by the shutdown:
// the resolving one (to memory, behind qvl_file_resolve) and the movie one
// (to temporary files). Null outside that span.
extern Strongbox* qvl_arc_resolver;
extern Strongbox* qvl_arc_movie;

void qvl_arc_create();
void qvl_arc_set_paths(const BasicString& resolving_path,
                       const BasicString& movie_path);
// Movie reader first, then the resolving one.
void qvl_arc_release();
