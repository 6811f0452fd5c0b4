// A whole file in memory, and a whole file replaced at once.
//
// Loaders that parse a format (images, 3D objects) read the file once and
// work on bytes, so no parser ever sees a file handle and every bound is
// held against one size.
#pragma once

#include <cstddef>
#include <cstdint>

#include "files/file_channel.h"

// A "mem://" file is read in place (the open channel pins its block); a disk
// file is read into a block of our own. Both are freed with the record.
struct WholeFile {
  FileChannel channel;
  uint8_t* owned = nullptr;
  const uint8_t* data = nullptr;
  size_t size = 0;

  WholeFile() = default;
  ~WholeFile();
  WholeFile(const WholeFile&) = delete;
  WholeFile& operator=(const WholeFile&) = delete;
};

// Reads the named file (disk or "mem://") whole. False when it cannot be
// opened or read, or is larger than max_size (at most 2 GB - 1): a file
// past it is refused from its size, before any of it is read, and
// file.channel.size then says how large it is.
bool qvl_file_read_whole(const char* name, WholeFile& file, int64_t max_size = INT32_MAX);

// Replaces the named disk file with size bytes through a temporary file and
// a rename, so a failed write leaves the old file as it was. False for a
// "mem://" name and on any failure.
bool qvl_file_replace_whole(const char* name, const void* data, size_t size);
