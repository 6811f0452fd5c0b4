// File commands that work on names rather than open channels: tests,
// folders, deletion, moves, the current folder, size and modification time.
// Paths use '/'; a '\' is taken as '/'. Directory results end in "/".
#pragma once

#include <cstdint>

#include "core/basic_string.h"

bool qvl_file_disk_exists(const char* path);  // exists and is not a folder
bool qvl_file_path_is_dir(const char* path);
bool qvl_file_path_make_dir(const char* path);  // one level

// True for any "mem://" name, else qvl_file_disk_exists; the archive is not
// consulted.
bool qvl_file_exists(const BasicString& name);
bool qvl_file_is_dir(const BasicString& path);
bool qvl_file_create_dir(const BasicString& path);
// A file or an empty folder: -1 when missing, 1 when removed, 0 when it
// could not be (a folder that is not empty, a file open here, no rights).
int qvl_file_delete(const BasicString& path);

void qvl_file_to_forward_slashes(BasicString& path);

// The current folder with '/' and a trailing "/".
BasicString qvl_file_current_dir();
// Makes the path current; the caller's string is left with '\' in place of
// every '/'. 1 on success, else error 3 (the program goes on) and 0.
double qvl_file_set_current_dir(BasicString& path);

// Moves a file or folder. Error 3 (no END) and nothing moved when the source
// is not an existing file or folder, the target exists or is a "mem://"
// name, or the move fails; an existing target is never replaced.
void qvl_file_move(const BasicString& from, const BasicString& to);

// Size in bytes of a disk file or "mem://" block; error 3 and 0 when it
// cannot be opened.
int64_t qvl_file_size(const BasicString& name);

// Last write time, local, "YYYY-MM-DD hh:mm:ss"; "" and error 3 for a
// "mem://" name, a folder or a missing file.
BasicString qvl_file_time(const BasicString& name);
