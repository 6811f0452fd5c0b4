// Opening sockets: listeners, accepted and outgoing connections, UDP. Each
// socket is made and set up completely before it is claimed into a slot, so
// no other thread ever sees a half-made socket in the table.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "net/net_error.h"
#include "net/socket_table.h"
#include "net/sockets.h"

namespace {

int platform_family(int family) { return family == kNetFamilyIpv6 ? AF_INET6 : AF_INET; }

// A new non-blocking socket that child processes do not inherit; -1 with
// the error stored.
int new_socket(int family, int type) {
  int fd = socket(platform_family(family), type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) qvl_net_set_errno_error();
  return fd;
}

// Stores errno's reason, closes the socket, -1.
int fail_and_close(int fd) {
  qvl_net_set_errno_error();
  close(fd);
  return -1;
}

void set_flag(int fd, int level, int option) {
  int one = 1;
  setsockopt(fd, level, option, &one, sizeof one);
}

// What binding needs on every local socket. An IPv6 socket takes IPv6
// only, as Winsock's do, so an IPv4 socket can share its port.
void prepare_local(int fd, int family) {
  set_flag(fd, SOL_SOCKET, SO_REUSEADDR);
  if (family == kNetFamilyIpv6) set_flag(fd, IPPROTO_IPV6, IPV6_V6ONLY);
}

}  // namespace

int qvl_net_clamp_timeout(int timeout_ms) {
  return timeout_ms < 1 || timeout_ms > kNetMaxTimeoutMs ? kNetMaxTimeoutMs : timeout_ms;
}

int qvl_net_tcp_listen(int port, int backlog) {
  if (!qvl_net_can_open()) return -1;
  int family = qvl_net_family();
  int fd = new_socket(family, SOCK_STREAM);
  if (fd < 0) return -1;
  prepare_local(fd, family);
  NetAddress local;
  local.init(family, net_any_address.address, port);
  sockaddr_storage address;
  socklen_t length = local.to_sockaddr(address);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) return fail_and_close(fd);
  if (listen(fd, backlog) != 0) return fail_and_close(fd);
  // The address really bound, so that a listener on port 0 tells its port.
  length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  return qvl_net_claim_slot(fd, address, false, 0);
}

int qvl_net_tcp_accept(int listen_slot, NetAddress* peer) {
  SlotUse listener(listen_slot);
  if (listener.fd() < 0) return -1;
  if (listener.is_udp()) {
    qvl_net_set_error(0);
    return -1;
  }
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  int fd;
  do {
    fd = accept4(listener.fd(), reinterpret_cast<sockaddr*>(&address), &length,
                 SOCK_NONBLOCK | SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    qvl_net_set_errno_error();  // nothing pending: 10035
    return -1;
  }
  int slot = qvl_net_claim_slot(fd, address, listener.is_udp(), listener.reserved());
  if (slot >= 0 && peer) peer->from_sockaddr(address);
  return slot;
}

int qvl_net_tcp_connect(const NetAddress& address, int timeout_ms) {
  // A failed resolution: its reason stays the last error.
  if (address.family == kNetFamilyNone) return -1;
  if (!qvl_net_can_open()) return -1;
  int fd = new_socket(address.family, SOCK_STREAM);
  if (fd < 0) return -1;
  sockaddr_storage remote;
  socklen_t length = address.to_sockaddr(remote);
  int r;
  do {
    r = connect(fd, reinterpret_cast<sockaddr*>(&remote), length);
  } while (r != 0 && errno == EINTR);
  if (r != 0) {
    if (errno != EINPROGRESS) return fail_and_close(fd);
    int waited = qvl_net_wait(fd, POLLOUT, qvl_net_clamp_timeout(timeout_ms));
    if (waited <= 0) {
      qvl_net_close_descriptor(fd);
      if (waited == 0) qvl_net_set_error(kNetErrorConnectTimedOut);
      return -1;
    }
    // A refused connect polls as writable too: only SO_ERROR tells.
    int error = 0;
    socklen_t error_length = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &error_length) != 0) error = errno;
    if (error != 0) {
      qvl_net_close_descriptor(fd);
      qvl_net_set_error(qvl_net_error_from_errno(error));
      return -1;
    }
  }
  return qvl_net_claim_slot(fd, remote, false, 0);
}

int qvl_net_udp_open(int port) {
  if (!qvl_net_can_open()) return -1;
  int family = qvl_net_family();
  NetAddress local;
  local.init(family, net_any_address.address, port);
  sockaddr_storage address;
  socklen_t length = local.to_sockaddr(address);
  int fd = new_socket(family, SOCK_DGRAM);
  if (fd < 0) return -1;
  prepare_local(fd, family);
  // Port 0 leaves the socket unbound until its first send.
  if (local.port != 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0)
    return fail_and_close(fd);
  set_flag(fd, SOL_SOCKET, SO_BROADCAST);
  return qvl_net_claim_slot(fd, address, true, 0);
}
