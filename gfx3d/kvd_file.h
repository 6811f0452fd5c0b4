// .kvd object files by name: reading either form into a mesh, and writing
// a mesh (or an object slot's first part) in the binary form.
#pragma once

#include <cstddef>
#include <cstdint>

#include "files/whole_file.h"
#include "gfx3d/kvd_binary.h"
#include "gfx3d/mesh_records.h"

// Object files larger than this are refused from their size, before they
// are read: real ones are a few megabytes, and a file is held in memory
// whole while its object is built from it.
constexpr int64_t kKvdMaxFileBytes = int64_t{64} << 20;

// Reads an object file (or a scene package) whole, up to kKvdMaxFileBytes;
// a larger one is refused before it is read, with "Too large .kvd: more
// than 67108864 bytes", "# read error" and its name in the error log. False
// without a report when it cannot be opened or read.
bool qvl_kvd_read_file(const char* file_name, WholeFile& file);

// Loads the file (disk or "mem://") into object, replacing what it held.
// False, with the object empty, when the file cannot be opened (nothing
// logged) or is not a readable .kvd (the reason and the file name go to the
// error log: "Wrong .kvd version: ...", "Too large .kvd: ...", "# read
// error", "# malloc error"). The object is held to what a file of its size
// may build (qvl_kvd_records_for_file, at most kKvdMaxRecords), the file to
// kKvdMaxFileBytes.
bool qvl_kvd_read(MeshObject& object, const char* file_name);
// The same for a file already in memory; file_name only names it in the log.
bool qvl_kvd_read_bytes(MeshObject& object, const uint8_t* data, size_t size,
                        const char* file_name);
// As qvl_kvd_read_bytes with the object held to max_records as well (what
// is left of a scene package's share); the reader's status.
KvdStatus qvl_kvd_load_bytes(MeshObject& object, const uint8_t* data, size_t size,
                             const char* file_name, int64_t max_records);

// Writes object as a binary file of version 2.0 in place of the named file:
// the old file stays whole until the new one is complete. False when
// nothing was written: no frames, an object the format cannot hold, a
// "mem://" name, or a failed write.
bool qvl_kvd_write(const MeshObject& object, const char* file_name);

// Writes the slot's first part; false for a slot without parts.
bool qvl_kvd_write_slot(const ObjectSlot& slot, const char* file_name);
