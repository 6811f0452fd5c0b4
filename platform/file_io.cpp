#include "platform/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/ascii.h"

namespace {

// Reads smaller than this go through the buffer; larger ones go straight to
// the system.
constexpr size_t kReadBufferSize = 16384;

}  // namespace

struct PlatFile {
  int fd = -1;
  dev_t device = 0;  // identity of the file in the registry
  ino_t inode = 0;
  bool append = false;
  int64_t readable = 0;         // the file's size as last seen: reads stop there
  int64_t pointer = 0;          // where the next read or write happens
  int64_t buffer_start = 0;     // file offset of buffer[0]
  size_t buffer_length = 0;     // valid bytes in buffer
  PlatFile* next_open = nullptr;  // registry link
  unsigned char buffer[kReadBufferSize];
};

// --- Registry of open files --------------------------------------------------
// A plain list: a program holds a handful of files open at a time.

namespace {

PlatFile* g_open_files = nullptr;

bool registry_contains(dev_t device, ino_t inode) {
  for (PlatFile* f = g_open_files; f; f = f->next_open)
    if (f->device == device && f->inode == inode) return true;
  return false;
}

void registry_add(PlatFile* file) {
  file->next_open = g_open_files;
  g_open_files = file;
}

void registry_remove(PlatFile* file) {
  for (PlatFile** link = &g_open_files; *link; link = &(*link)->next_open) {
    if (*link == file) {
      *link = file->next_open;
      return;
    }
  }
}

// --- Path rules ---------------------------------------------------------------

bool path_exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// The entry of folder that equals name without regard to case; the smallest
// such name when there are several, so the choice does not depend on the
// order in which the folder lists them.
bool find_nocase(const std::string& folder, const std::string& name,
                 std::string& found) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return false;
  bool any = false;
  while (dirent* entry = readdir(dir)) {
    if (!plat_ascii_equal_nocase(entry->d_name, name.c_str())) continue;
    if (!any || std::strcmp(entry->d_name, found.c_str()) < 0)
      found = entry->d_name;
    any = true;
  }
  closedir(dir);
  return any;
}

// Component by component: each component that is not found as written is
// replaced by the existing entry that matches it without regard to case.
// Once a component matches nothing, the rest is kept as written.
std::string resolve_nocase(const std::string& path) {
  std::string out;
  size_t i = 0;
  if (!path.empty() && path[0] == '/') {
    out = "/";
    i = 1;
  }
  bool lost = false;
  while (i <= path.size()) {
    size_t end = path.find('/', i);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(i, end - i);
    bool last = end == path.size();
    std::string folder = out;
    if (!part.empty() && part != "." && part != ".." && !lost) {
      std::string candidate = folder + part;
      if (!path_exists(candidate)) {
        std::string found;
        if (find_nocase(folder, part, found))
          part = found;
        else
          lost = true;
      }
    }
    out += part;
    if (!last) out += '/';
    i = end + 1;
  }
  return out;
}

}  // namespace

bool plat_path_resolve(const char* path, std::string& out) {
  out.clear();
  if (!path || !*path) {
    errno = ENOENT;
    return false;
  }
  size_t length = std::strlen(path);
  if (length >= kPlatPathMax) {
    errno = ENAMETOOLONG;
    return false;
  }
  out.assign(path, length);
  for (char& c : out)
    if (c == '\\') c = '/';
  if (!path_exists(out)) out = resolve_nocase(out);
  return true;
}

std::string plat_path_absolute(const char* path) {
  std::string resolved;
  if (!plat_path_resolve(path, resolved)) return std::string();
  if (resolved[0] == '/') return resolved;
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) return resolved;
  std::string absolute = cwd;
  if (absolute.empty() || absolute.back() != '/') absolute += '/';
  absolute += resolved;
  return absolute;
}

PlatPathInfo plat_path_info(const char* path) {
  PlatPathInfo info;
  std::string resolved;
  struct stat st;
  if (!plat_path_resolve(path, resolved) || stat(resolved.c_str(), &st) != 0)
    return info;
  info.exists = true;
  info.is_dir = S_ISDIR(st.st_mode);
  info.size = static_cast<int64_t>(st.st_size);
  info.mtime = static_cast<int64_t>(st.st_mtime);
  return info;
}

bool plat_path_is_open(const char* path) {
  std::string resolved;
  struct stat st;
  if (!plat_path_resolve(path, resolved) || stat(resolved.c_str(), &st) != 0)
    return false;
  return registry_contains(st.st_dev, st.st_ino);
}

int plat_path_remove(const char* path) {
  std::string resolved;
  struct stat st;
  if (!plat_path_resolve(path, resolved) || lstat(resolved.c_str(), &st) != 0)
    return -1;
  if (!S_ISDIR(st.st_mode)) {
    if (registry_contains(st.st_dev, st.st_ino)) {
      errno = EBUSY;
      return 0;
    }
    return unlink(resolved.c_str()) == 0 ? 1 : 0;
  }
  // A folder cannot be removed while it is current: step out of it first.
  struct stat cwd_st;
  if (stat(".", &cwd_st) == 0 && cwd_st.st_dev == st.st_dev &&
      cwd_st.st_ino == st.st_ino) {
    if (chdir("..") != 0) return 0;
  }
  return rmdir(resolved.c_str()) == 0 ? 1 : 0;
}

// --- Files ---------------------------------------------------------------------

namespace {

PlatFile* adopt(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0) {
    close(fd);
    return nullptr;
  }
  if (S_ISDIR(st.st_mode)) {
    close(fd);
    errno = EISDIR;
    return nullptr;
  }
  if (registry_contains(st.st_dev, st.st_ino)) {
    close(fd);
    errno = EBUSY;
    return nullptr;
  }
  PlatFile* file = new (std::nothrow) PlatFile;
  if (!file) {
    close(fd);
    errno = ENOMEM;
    return nullptr;
  }
  file->fd = fd;
  file->device = st.st_dev;
  file->inode = st.st_ino;
  file->readable = static_cast<int64_t>(st.st_size);
  registry_add(file);
  return file;
}

// A file the user may not write is never replaced. A file without any
// write permission is read-only to everyone, as the read-only attribute was,
// even to a user (root) whom the system would let write it.
bool may_write(const std::string& path, const struct stat& st) {
  if ((st.st_mode & 0222) == 0 || faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
    errno = EACCES;
    return false;
  }
  return true;
}

// The file a chain of symbolic links ends at (the path itself when it is
// no link; the last link's target when that does not exist yet).
bool follow_links(const std::string& path, std::string& out) {
  out = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(out.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    char target[kPlatPathMax];
    ssize_t n = readlink(out.c_str(), target, sizeof target);
    if (n < 0) return false;
    if (static_cast<size_t>(n) >= sizeof target) {
      errno = ENAMETOOLONG;
      return false;
    }
    std::string next(target, static_cast<size_t>(n));
    if (next[0] != '/') {
      size_t slash = out.rfind('/');
      next = (slash == std::string::npos ? std::string() : out.substr(0, slash + 1)) + next;
    }
    out = next;
  }
  errno = ELOOP;
  return false;
}

// An empty temporary file beside path, with the permissions the file it
// will replace has (old, when there is one) or a new file would get, and,
// where the system allows it, the same owner. Its descriptor, or -1.
int temp_beside(const std::string& path, const struct stat* old, std::string& temp) {
  temp = path + ".XXXXXX";
  if (temp.size() >= kPlatPathMax) {
    errno = ENAMETOOLONG;
    return -1;
  }
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  if (old) {
    fchmod(fd, old->st_mode & 07777);
    if (old->st_uid != geteuid() || old->st_gid != getegid()) {
      // Only root may give a file away; anyone else keeps their own file.
      if (fchown(fd, old->st_uid, old->st_gid) != 0) fchmod(fd, old->st_mode & 0777);
    }
  } else {
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  }
  return fd;
}

// A new empty file at the path for create mode. Whatever file or link was
// there is replaced in one rename, never written through: a link's target
// and a hard-linked twin keep their contents. Devices and pipes are opened
// as they are.
int open_replacing(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return -1;
    return open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  }
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return -1;
  }
  if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
    return open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (S_ISREG(st.st_mode)) {
    if (registry_contains(st.st_dev, st.st_ino)) {
      errno = EBUSY;
      return -1;
    }
    if (!may_write(path, st)) return -1;
  }
  std::string temp;
  int fd = temp_beside(path, S_ISREG(st.st_mode) ? &st : nullptr, temp);
  if (fd < 0) {
    // A folder that takes no new file still lets its writable files be
    // rewritten: then the file itself is emptied (never through a link).
    if (S_ISREG(st.st_mode) && (errno == EACCES || errno == EROFS || errno == EPERM))
      return open(path.c_str(), O_RDWR | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    return -1;
  }
  if (rename(temp.c_str(), path.c_str()) != 0) {
    int saved = errno;
    close(fd);
    unlink(temp.c_str());
    errno = saved;
    return -1;
  }
  return fd;
}

// Clears O_NONBLOCK, so that reads and writes wait as on any file; closes
// the descriptor when that fails.
bool blocking_again(int fd) {
  if (!plat_fd_set_blocking(fd)) {
    int saved = errno;
    close(fd);
    errno = saved;
    return false;
  }
  return true;
}

}  // namespace

bool plat_fd_set_blocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

const char* plat_open_error_text(int error) {
  return error == EINVAL ? "not a regular file" : std::strerror(error);
}

int plat_open_regular_fd(const char* path, bool for_writing) {
  // Where the path already shows something else, nothing is opened at all:
  // opening some devices has effects of its own.
  struct stat st;
  if (stat(path, &st) == 0 && !S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return -1;
  }
  // Non-blocking, so a pipe swapped in after the look never holds the open;
  // the check is then made on what was opened.
  int fd = open(path, (for_writing ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  const bool looked = fstat(fd, &st) == 0;
  if (!looked || !S_ISREG(st.st_mode)) {
    int saved = !looked ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    close(fd);
    errno = saved;
    return -1;
  }
  if (!blocking_again(fd)) return -1;
  return fd;
}

PlatFile* plat_file_open(const char* path, PlatOpenMode mode) {
  std::string resolved;
  if (!plat_path_resolve(path, resolved)) return nullptr;
  int fd = -1;
  switch (mode) {
    case PlatOpenMode::read:
      fd = plat_open_regular_fd(resolved.c_str());
      break;
    case PlatOpenMode::create:
      fd = open_replacing(resolved);
      break;
    case PlatOpenMode::append:
      // A pipe without a reader would hold the open until one comes.
      fd = open(resolved.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
      if (fd >= 0 && !blocking_again(fd)) return nullptr;
      break;
    case PlatOpenMode::read_own:
      // The check is made on what was opened, so nothing can be swapped in
      // between a check of the name and the open.
      fd = open(resolved.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) {
        struct stat st;
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
          close(fd);
          errno = EPERM;
          return nullptr;
        }
      }
      break;
  }
  if (fd < 0) return nullptr;
  PlatFile* file = adopt(fd);
  if (!file) return nullptr;
  if (mode == PlatOpenMode::append) {
    file->append = true;
    file->pointer = plat_file_size(file);
    if (file->pointer < 0) file->pointer = 0;
  }
  return file;
}

void plat_file_close(PlatFile* file) {
  if (!file) return;
  registry_remove(file);
  close(file->fd);
  delete file;
}

namespace {

// How many bytes may be read at the pointer: up to the file's size as last
// seen, asked of the system again when a read reaches it, so a file that
// grew is read on while one that never ends (a file system that keeps
// giving bytes past the size it states) is not.
// need is what the caller asked for, most what one system call may take.
size_t readable_at_pointer(PlatFile* file, size_t need, size_t most) {
  if (file->readable - file->pointer < static_cast<int64_t>(need)) {
    struct stat st;
    if (fstat(file->fd, &st) == 0) file->readable = static_cast<int64_t>(st.st_size);
  }
  if (file->pointer >= file->readable) return 0;
  const int64_t left = file->readable - file->pointer;
  return left < static_cast<int64_t>(most) ? static_cast<size_t>(left) : most;
}

}  // namespace

bool plat_file_read(PlatFile* file, void* destination, size_t count,
                    size_t* got) {
  // Most small reads lie wholly in the buffer.
  const int64_t at = file->pointer - file->buffer_start;
  if (at >= 0 && static_cast<uint64_t>(at) + count <= file->buffer_length) {
    std::memcpy(destination, file->buffer + at, count);
    file->pointer += static_cast<int64_t>(count);
    *got = count;
    return true;
  }
  *got = 0;
  unsigned char* out = static_cast<unsigned char*>(destination);
  while (count > 0) {
    // Served from the buffer when the pointer lies inside it.
    int64_t buffer_end = file->buffer_start + static_cast<int64_t>(file->buffer_length);
    if (file->pointer >= file->buffer_start && file->pointer < buffer_end) {
      size_t offset = static_cast<size_t>(file->pointer - file->buffer_start);
      size_t n = file->buffer_length - offset;
      if (n > count) n = count;
      std::memcpy(out, file->buffer + offset, n);
      out += n;
      count -= n;
      *got += n;
      file->pointer += static_cast<int64_t>(n);
      continue;
    }
    if (count >= kReadBufferSize) {
      const size_t want = readable_at_pointer(file, count, count);
      if (want == 0) return true;
      ssize_t n = pread(file->fd, out, want, file->pointer);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if (n == 0) return true;
      out += n;
      count -= static_cast<size_t>(n);
      *got += static_cast<size_t>(n);
      file->pointer += n;
      continue;
    }
    const size_t want = readable_at_pointer(file, count, kReadBufferSize);
    if (want == 0) return true;
    ssize_t n = pread(file->fd, file->buffer, want, file->pointer);
    if (n < 0) {
      if (errno == EINTR) continue;
      file->buffer_length = 0;
      return false;
    }
    file->buffer_start = file->pointer;
    file->buffer_length = static_cast<size_t>(n);
    if (n == 0) return true;
  }
  return true;
}

bool plat_file_write(PlatFile* file, const void* data, size_t count) {
  file->buffer_length = 0;  // the buffer may hold the bytes being replaced
  const unsigned char* in = static_cast<const unsigned char*>(data);
  while (count > 0) {
    ssize_t n = pwrite(file->fd, in, count, file->pointer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    in += n;
    count -= static_cast<size_t>(n);
    file->pointer += n;
  }
  return true;
}

bool plat_file_seek(PlatFile* file, int64_t position) {
  if (position < 0) {
    errno = EINVAL;
    return false;
  }
  file->pointer = position;
  return true;
}

int64_t plat_file_tell(const PlatFile* file) { return file->pointer; }

int64_t plat_file_size(PlatFile* file) {
  struct stat st;
  if (fstat(file->fd, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool plat_file_sync(PlatFile* file) { return fsync(file->fd) == 0; }

// --- Safe replacement ------------------------------------------------------------

bool plat_replace_begin(const char* target, PlatReplace& replace) {
  replace = PlatReplace();
  std::string named;
  if (!plat_path_resolve(target, named)) return false;
  // A link stays a link: the file it leads to is the one replaced.
  if (!follow_links(named, replace.target)) return false;
  struct stat st;
  const bool exists = stat(replace.target.c_str(), &st) == 0;
  if (exists) {
    if (S_ISDIR(st.st_mode)) {
      errno = EISDIR;
      return false;
    }
    // Writing over a file that is open here would pull it from under its reader.
    if (registry_contains(st.st_dev, st.st_ino)) {
      errno = EBUSY;
      return false;
    }
    if (!may_write(replace.target, st)) return false;
  }
  std::string temp;
  int fd = temp_beside(replace.target, exists ? &st : nullptr, temp);
  if (fd < 0) return false;
  replace.file = adopt(fd);
  if (!replace.file) {
    unlink(temp.c_str());
    return false;
  }
  replace.temp_path = temp;
  return true;
}

bool plat_replace_commit(PlatReplace& replace) {
  if (!replace.file) return false;
  bool ok = plat_file_sync(replace.file);
  plat_file_close(replace.file);
  replace.file = nullptr;
  if (ok) ok = rename(replace.temp_path.c_str(), replace.target.c_str()) == 0;
  if (!ok) unlink(replace.temp_path.c_str());
  return ok;
}

void plat_replace_abandon(PlatReplace& replace) {
  if (!replace.file) return;
  plat_file_close(replace.file);
  replace.file = nullptr;
  unlink(replace.temp_path.c_str());
}
