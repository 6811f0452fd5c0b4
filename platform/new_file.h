// Creating a file that must be new: never opens, truncates or follows
// anything already at the path (a stale file, a planted symbolic link).
#pragma once

#include <cstddef>
#include <string>

// Creates the file at path exclusively (owner-only permissions) and writes
// size bytes of data into it. When the path is taken, a unique name is made
// instead by putting six random characters before the last suffix_length
// characters of the path (so an extension survives), again exclusively; path
// then receives the name used. On any failure nothing is left behind and the
// result is false.
bool plat_file_write_new(std::string& path, size_t suffix_length,
                         const void* data, size_t size);
