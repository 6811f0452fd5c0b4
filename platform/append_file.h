// Appending to a file by path, one open-write-close per call.
#pragma once

#include <cstddef>

// Opens path for appending (created when missing, never truncated), writes
// the n bytes and closes it. A symbolic link at path is not followed: the
// open fails instead, so a link planted in a shared folder cannot redirect
// the write. Returns false when the file cannot be opened or written.
bool qvl_os_append_file(const char* path, const char* bytes, size_t n);

// Appends to a file of this user's in a folder that others may write to
// (the shared temporary folder). Only a regular file that this user owns
// and that has no other name receives the bytes: the open never follows a
// link and never waits on a named pipe, and the check is made on what was
// opened. Whatever else stands at the path (a link, a pipe, a folder, a
// file of another user's) is removed where this user may remove it, and
// the file is made anew; otherwise nothing is written. False when the
// bytes were not written.
bool qvl_os_append_own_file(const char* path, const char* bytes, size_t n);

// The number of the user this process acts for (its effective user id).
unsigned qvl_os_user_id();
