// .kvd object files by name: reading either form into a mesh, and writing
// a mesh (or an object slot's first part) in the binary form.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx3d/kvd_binary.h"
#include "gfx3d/mesh_records.h"

// Loads the file (disk or "mem://") into object, replacing what it held.
// False, with the object empty, when the file cannot be opened (nothing
// logged) or is not a readable .kvd (the reason and the file name go to the
// error log: "Wrong .kvd version: ...", "Too large .kvd: ...", "# read
// error", "# malloc error"). The object is held to kKvdMaxRecords.
bool qvl_kvd_read(MeshObject& object, const char* file_name);
// The same for a file already in memory; file_name only names it in the log.
bool qvl_kvd_read_bytes(MeshObject& object, const uint8_t* data, size_t size,
                        const char* file_name);
// As qvl_kvd_read_bytes with the object held to max_records (what is left
// of a scene package's share); the reader's status.
KvdStatus qvl_kvd_load_bytes(MeshObject& object, const uint8_t* data, size_t size,
                             const char* file_name, int64_t max_records);

// Writes object as a binary file of version 2.0 in place of the named file:
// the old file stays whole until the new one is complete. False when
// nothing was written: no frames, an object the format cannot hold, a
// "mem://" name, or a failed write.
bool qvl_kvd_write(const MeshObject& object, const char* file_name);

// Writes the slot's first part; false for a slot without parts.
bool qvl_kvd_write_slot(const ObjectSlot& slot, const char* file_name);
