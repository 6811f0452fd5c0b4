#include "net/socket_table.h"

#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_fds[kSocketEntries];
bool g_table_ready = false;
int g_startup_count = 0;

void ensure_table() {
  if (g_table_ready) return;
  for (int& fd : g_fds) fd = -1;
  g_table_ready = true;
}

bool valid(int entry) { return entry >= 0 && entry < kSocketEntries; }

}  // namespace

int qvl_net_socket_of(int entry) {
  ensure_table();
  return valid(entry) ? g_fds[entry] : -1;
}

void qvl_net_set_socket(int entry, int fd) {
  ensure_table();
  if (valid(entry)) g_fds[entry] = fd;
}

int qvl_net_startup_count() { return g_startup_count; }

int qvl_net_startup() { return ++g_startup_count; }

int qvl_net_send(int entry, const void* bytes, int length, const void*) {
  int fd = qvl_net_socket_of(entry);
  if (fd < 0 || length < 0) return -1;
  const char* p = static_cast<const char*>(bytes);
  int sent = 0;
  while (sent < length) {
    ssize_t n = send(fd, p + sent, static_cast<size_t>(length - sent), MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<int>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      pollfd pfd{fd, POLLOUT, 0};
      poll(&pfd, 1, 100);
    } else {
      return -1;
    }
  }
  return sent;
}

int qvl_net_close(int entry) {
  int fd = qvl_net_socket_of(entry);
  if (fd < 0) return -1;
  linger off{0, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off);
  shutdown(fd, SHUT_RDWR);
  int r = close(fd);
  g_fds[entry] = -1;
  return r;
}

int qvl_net_shutdown() {
  if (g_startup_count > 1) return --g_startup_count;
  g_startup_count = 0;
  ensure_table();
  for (int e = 0; e < kSocketEntries; ++e)
    if (g_fds[e] >= 0) qvl_net_close(e);
  return 0;
}
