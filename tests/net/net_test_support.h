// Loopback fixtures of the network tests: layer slots and plain sockets
// on ports the system picks.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "net/net_address.h"
#include "net/socket_table.h"
#include "net/sockets.h"

namespace qvl_test {

inline NetAddress loopback(int family, int port) {
  NetAddress a;
  uint8_t bytes[16] = {};
  if (family == kNetFamilyIpv6) bytes[15] = 1;
  else bytes[0] = 127, bytes[3] = 1;
  a.init(family, bytes, port);
  return a;
}

inline int slot_port(int slot) { return qvl_net_address_port(qvl_net_peer_address(slot)); }

// A layer connection over loopback in the current family: the client's and
// the accepted server's slots. The listener is closed again.
struct SlotPair {
  int client = -1;
  int server = -1;
};
inline SlotPair connected_slots() {
  SlotPair p;
  int listener = qvl_net_tcp_listen(0);
  EXPECT_GE(listener, 0);
  p.client = qvl_net_tcp_connect(loopback(qvl_net_family(), slot_port(listener)), 5000);
  EXPECT_GE(p.client, 0);
  EXPECT_EQ(qvl_net_wait_readable(listener, 10000), 1);
  p.server = qvl_net_tcp_accept(listener, nullptr);
  EXPECT_GE(p.server, 0);
  qvl_net_close(listener);
  return p;
}

// A plain IPv4 listener on loopback; its port in *port.
inline int plain_listener(int* port, int backlog = 8) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof at;
  EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
  EXPECT_EQ(listen(fd, backlog), 0);
  getsockname(fd, reinterpret_cast<sockaddr*>(&at), &length);
  *port = ntohs(at.sin_port);
  return fd;
}

// A port of the given type on which nothing listens right now.
inline int unused_port(int type = SOCK_STREAM) {
  int fd = socket(AF_INET, type, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof at;
  bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at);
  getsockname(fd, reinterpret_cast<sockaddr*>(&at), &length);
  close(fd);
  return ntohs(at.sin_port);
}

}  // namespace qvl_test
