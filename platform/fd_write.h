// Writing a whole buffer to a POSIX file descriptor.
#pragma once

#include <cstddef>

// Writes all n bytes, going on after short writes and interrupted calls;
// false when the descriptor refuses any of them.
bool plat_fd_write_all(int fd, const void* data, size_t n);
