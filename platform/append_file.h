// Appending to a file by path, one open-write-close per call.
#pragma once

#include <cstddef>

// Opens path for appending (created when missing, never truncated), writes
// the n bytes and closes it. A symbolic link at path is not followed: the
// open fails instead, so a link planted in a shared folder cannot redirect
// the write. Returns false when the file cannot be opened or written.
bool qvl_os_append_file(const char* path, const char* bytes, size_t n);
