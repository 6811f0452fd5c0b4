// Removing whatever a path names.
#pragma once

// A file (or a symbolic link, never its target) is deleted; an empty folder
// is removed, and when it is the current folder the current folder first
// moves to its parent. Returns false when nothing was removed.
bool qvl_os_remove_path(const char* path);
