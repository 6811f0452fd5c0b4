// Files of this process in shared folders. Writing: the path must be free
// (no file, no symbolic link), so nothing planted there is followed or
// overwritten; writes are buffered and every failure is reported. Reading
// back goes through plat_file_open's read_own mode.
#pragma once

#include <cstddef>

struct PlatNewFile;  // opaque

// Creates the file exclusively with owner-only permissions; null (errno
// set) when the path is taken or cannot be created.
PlatNewFile* plat_new_file_create(const char* path);
// Appends all n bytes; false when they could not be written.
bool plat_new_file_write(PlatNewFile* file, const void* data, size_t n);
// Flushes and closes; false when any byte failed to reach the file. Null is
// fine (false).
bool plat_new_file_close(PlatNewFile* file);
