// A machine that speaks the session protocol by hand over a plain socket,
// and a strict reader of packet streams: the tests' view of what a peer
// really gets on the wire.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/session_packet.h"
#include "tests/net/session_test_support.h"

namespace qvl_test {

using Bytes = std::vector<uint8_t>;

// A blocking loopback connection to the port. A receive_buffer above 0 is
// set before the connect, so the window stays that small; a send that
// cannot go out within 10 s fails rather than hang the test.
inline int plain_connect(int port, int receive_buffer = 0) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (receive_buffer > 0)
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
  timeval limit{10, 0};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  at.sin_port = htons(static_cast<uint16_t>(port));
  EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

// All of the bytes; false when the socket would not take them.
inline bool send_all(int fd, const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  for (size_t at = 0; at < n;) {
    ssize_t r = send(fd, p + at, n - at, MSG_NOSIGNAL);
    if (r <= 0) return false;
    at += static_cast<size_t>(r);
  }
  return true;
}

inline void send_bytes(int fd, const Bytes& bytes) {
  ASSERT_TRUE(send_all(fd, bytes.data(), bytes.size()));
}

// Exactly n bytes, or fewer when the peer closed or went silent for
// timeout_ms.
inline Bytes read_bytes(int fd, size_t n, int timeout_ms = 10000) {
  Bytes got(n);
  size_t have = 0;
  while (have < n) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0) break;
    ssize_t r = recv(fd, got.data() + have, n - have, 0);
    if (r <= 0) break;
    have += static_cast<size_t>(r);
  }
  got.resize(have);
  return got;
}

inline NetPacket text_packet(uint16_t from, uint16_t to, const std::string& text) {
  NetPacket p = qvl_net_packet(kPacketText, to, from);
  qvl_net_packet_set_payload(p, text.data(), static_cast<int>(text.size()));
  return p;
}

// A text of exactly size bytes that names its sender and number, so the
// receiver can check order and wholeness.
inline std::string numbered_text(int from, int number, size_t size = 1024) {
  std::string t = "from " + std::to_string(from) + " #" + std::to_string(number) + " ";
  t.resize(size, 'x');
  return t;
}

// Parses "from S #N " back; false for anything else.
inline bool parse_numbered(const std::string& t, int* from, int* number) {
  return std::sscanf(t.c_str(), "from %d #%d ", from, number) == 2;
}

// A connection's bytes cut into packets with no tolerance: a header that
// announces more than 1024 bytes marks the stream broken.
class StrictStream {
 public:
  // Takes bytes; each whole packet goes to on_packet.
  template <class OnPacket>
  void feed(const uint8_t* data, size_t n, OnPacket on_packet) {
    bytes_.insert(bytes_.end(), data, data + n);
    size_t at = 0;
    while (!broken_ && bytes_.size() - at >= static_cast<size_t>(kPacketHeaderSize)) {
      NetPacket p;
      qvl_net_packet_decode_header(bytes_.data() + at, p);
      if (p.length > kPacketMaxPayload) {
        broken_ = true;
        break;
      }
      if (bytes_.size() - at < static_cast<size_t>(kPacketHeaderSize + p.length)) break;
      std::memcpy(p.payload, bytes_.data() + at + kPacketHeaderSize, p.length);
      p.payload[p.length] = 0;
      at += kPacketHeaderSize + p.length;
      on_packet(p);
    }
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(at));
  }
  bool broken() const { return broken_; }
  size_t pending() const { return bytes_.size(); }

 private:
  Bytes bytes_;
  bool broken_ = false;
};

// A joined machine with one player, over a plain socket.
struct RawMachine {
  int fd = -1;
  uint16_t id = 0;

  explicit RawMachine(int port, int receive_buffer = 0) : fd(plain_connect(port, receive_buffer)) {}
  ~RawMachine() {
    if (fd >= 0) close(fd);
  }
  RawMachine(const RawMachine&) = delete;
  RawMachine& operator=(const RawMachine&) = delete;

  // Announces the player and reads the id the host gives it; false when
  // none came.
  bool join(const char* name) {
    if (!send_all(fd, wire(announcement(0, name)))) return false;
    Bytes answer = read_bytes(fd, kPacketHeaderSize);
    if (answer.size() != 7 || answer[0] != kPacketIdAssigned) return false;
    id = static_cast<uint16_t>(answer[3] | answer[4] << 8);
    return true;
  }
  bool send_packet(const NetPacket& p) { return send_all(fd, wire(p)); }

 private:
  static bool send_all(int f, const Bytes& b) { return qvl_test::send_all(f, b.data(), b.size()); }
};

}  // namespace qvl_test
