// Plain blocking TCP over loopback: the side the network benchmarks
// measure the runtime against.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

// Two ends of one connection; small writes go out at once when no_delay.
struct LoopbackTcp {
  int listener = -1;
  int client = -1;
  int server = -1;

  explicit LoopbackTcp(bool no_delay) {
    listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at = loopback(0);
    socklen_t length = sizeof at;
    bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at);
    listen(listener, 1);
    getsockname(listener, reinterpret_cast<sockaddr*>(&at), &length);
    client = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(client, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) return;
    server = accept(listener, nullptr, nullptr);
    if (no_delay) {
      int one = 1;
      setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
  }
  ~LoopbackTcp() {
    close(client);
    if (server >= 0) close(server);
    close(listener);
  }
  LoopbackTcp(const LoopbackTcp&) = delete;
  LoopbackTcp& operator=(const LoopbackTcp&) = delete;

  bool ok() const { return server >= 0; }

  static sockaddr_in loopback(int port) {
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    at.sin_port = htons(static_cast<uint16_t>(port));
    return at;
  }
};

// Binds a socket to a loopback address of its own (127.2.x.y) for its
// connect, as a host counts connections and new ids per address; the port
// is left to the connect.
inline void bench_loopback_source(int fd) {
  static uint32_t machines = 0;
  ++machines;
  int one = 1;
  setsockopt(fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &one, sizeof one);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl((127u << 24) | (2u << 16) | (machines & 0xFFFF));
  bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
}

// A loopback port nobody listens on now.
inline int bench_free_port() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at = LoopbackTcp::loopback(0);
  socklen_t length = sizeof at;
  bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at);
  getsockname(fd, reinterpret_cast<sockaddr*>(&at), &length);
  close(fd);
  return ntohs(at.sin_port);
}
