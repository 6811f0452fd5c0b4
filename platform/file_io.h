// The POSIX file layer: opening, reading, writing and removing files by the
// runtime's path rules.
//
// Path rules, applied by every function here:
// - a '\' from a program or from data becomes '/';
// - a path of 1024 bytes or more is refused (ENAMETOOLONG), never cut;
// - a path not found as written is looked up again component by component
//   without regard to ASCII case, so data written for a case-insensitive
//   file system still finds its files.
//
// Files are opened without sharing, as the runtime always did: a file that is
// open through this layer cannot be opened a second time in this process
// until it is closed, and a write-open checks that before it truncates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Longest path the runtime accepts, terminator included.
constexpr size_t kPlatPathMax = 1024;

struct PlatFile;  // an open file; opaque

enum class PlatOpenMode {
  read,    // an existing regular file, for reading; anything else (a named
           // pipe, a device, a socket) is refused at once with EINVAL, and
           // the open never waits on one (a folder gives EISDIR)
  create,  // a new empty file, for reading and writing: whatever file or
           // link was at the path is replaced (never written through, so a
           // link's target and a hard-linked twin keep their contents), with
           // the old file's permissions; refused for a folder, a file open
           // here and a file the user may not write
  append,  // created when missing, for writing at its end; a named pipe
           // without a reader is refused (ENXIO) rather than waited on
  read_own,  // for reading a file of ours in a shared folder: the path must
             // name a regular file owned by this user, never followed
             // through a link and never blocking on a pipe (EPERM otherwise)
};

// Opens a file; null on failure with errno set (ENOENT, EISDIR for a folder,
// EBUSY when the file is already open here, ENAMETOOLONG, ...).
PlatFile* plat_file_open(const char* path, PlatOpenMode mode);
// Closes the file and forgets it in the registry of open files. Null is fine.
void plat_file_close(PlatFile* file);

// Reads up to count bytes at the file's pointer and advances it by what
// came; *got receives that number. False only on a system error; the end of
// the file is a true result with *got < count. Small reads are served from
// a buffer, so reading byte by byte costs no system call per byte. A read
// never passes the file's size: the size at open, or what the system says
// once a read reaches it (a file that grew), so no file that keeps giving
// bytes past its size feeds a reader without end.
bool plat_file_read(PlatFile* file, void* destination, size_t count,
                    size_t* got);
// Writes all count bytes at the file's pointer (the end for append mode);
// false when not all of them could be written.
bool plat_file_write(PlatFile* file, const void* data, size_t count);
// Moves the file's pointer to an absolute position; false for a negative one.
bool plat_file_seek(PlatFile* file, int64_t position);
int64_t plat_file_tell(const PlatFile* file);
// The file's current size in bytes, or -1.
int64_t plat_file_size(PlatFile* file);
// Forces written data to the storage device.
bool plat_file_sync(PlatFile* file);

// Opens a regular file for reading by the path exactly as given (no path
// rules), for readers that want a plain descriptor (tools, decoders). The
// open never waits: a named pipe, a device or a socket is refused before
// it is opened where the path shows it, and always after, from what was
// opened (EINVAL; EISDIR for a folder), so nothing swapped in between
// slips through. The descriptor blocks again as a file's does; -1 on
// failure with errno set. for_writing opens it for reading and writing.
int plat_open_regular_fd(const char* path, bool for_writing = false);
// What a failed plat_open_regular_fd says: "not a regular file" for
// EINVAL, else the system's text for the error.
const char* plat_open_error_text(int error);
// Clears O_NONBLOCK on a descriptor opened with it, so that it waits as any
// file's does; false when that fails.
bool plat_fd_set_blocking(int fd);

// --- Paths ---------------------------------------------------------------

// The path as the system sees it: '\' turned into '/', and, when it is not
// found as written, the existing path that matches it without regard to case
// (for a path that does not exist, the folders that do exist are matched and
// the rest is kept as written). False, with errno ENAMETOOLONG, for a path of
// 1024 bytes or more, and for an empty path (ENOENT).
bool plat_path_resolve(const char* path, std::string& out);

struct PlatPathInfo {
  bool exists = false;
  bool is_dir = false;
  int64_t size = 0;       // bytes, 64-bit
  int64_t mtime = 0;      // last write, seconds since 1970 (UTC)
};
// Looks the path up; info.exists false when it is not there.
PlatPathInfo plat_path_info(const char* path);

// Removes a file or an empty folder. -1 when the path does not exist, 1 when
// it was removed, 0 when it could not be (a non-empty folder, a file that is
// open here, no permission). A folder that is the current folder is left
// first, for its parent.
int plat_path_remove(const char* path);

// True when the path names a file that is open through this layer.
bool plat_path_is_open(const char* path);

// An absolute form of the path ('\' turned into '/', relative paths joined
// to the current folder), so that it keeps naming the same file when the
// current folder changes. Empty for an over-long or empty path.
std::string plat_path_absolute(const char* path);

// Safe replacement of a file: write everything to a temporary file beside
// the target, then rename it over the target, so that a failed write never
// destroys the old file. begin gives the temporary file open for writing
// (false on failure); commit syncs, closes and renames (false on any failure,
// and the temporary file is then removed); abandon closes and removes it.
// The new file keeps the old one's permissions (and owner, where allowed).
// A symbolic link at the target stays: the file it leads to is replaced.
// Refused: a folder, a file open here, a file the user may not write (one
// without any write permission counts as read-only even for root).
struct PlatReplace {
  PlatFile* file = nullptr;
  std::string target;     // resolved target path, past any symbolic links
  std::string temp_path;  // the temporary file beside it
};
bool plat_replace_begin(const char* target, PlatReplace& replace);
bool plat_replace_commit(PlatReplace& replace);
void plat_replace_abandon(PlatReplace& replace);
