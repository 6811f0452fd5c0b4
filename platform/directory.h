// Folders: listing, current folder, creation and moves. Paths follow the
// rules of platform/file_io.h ('\' becomes '/', a second look-up without
// regard to case, 1024 bytes at most).
#pragma once

#include <string>
#include <vector>

struct PlatDirEntry {
  std::string name;
  bool is_dir;  // a folder, or a link to one
};

// Every entry of the folder, "." and ".." included, in the system's order.
// False when the folder cannot be read.
bool plat_dir_list(const char* folder, std::vector<PlatDirEntry>& out);

// The current folder; "" when it cannot be had (removed, or too long).
std::string plat_dir_current();
bool plat_dir_set_current(const char* path);

// Creates one folder (parents are not created). False when it exists
// already or cannot be made.
bool plat_dir_make(const char* path);

// Moves or renames a file or folder. Never replaces an existing target, also
// not one that appears between a check and the move: false when the target
// exists or the move fails.
bool plat_path_move(const char* from, const char* to);
