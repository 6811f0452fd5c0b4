// A machine that speaks the session protocol by hand over a plain socket,
// a strict reader of packet streams, and a thread that reads many
// machines at once: the tests' view of what a peer really gets on the
// wire.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/session_commands.h"
#include "net/session_packet.h"
#include "tests/net/net_test_support.h"
#include "tests/net/session_test_support.h"

namespace qvl_test {

using Bytes = std::vector<uint8_t>;

// A loopback address of its own for each machine, 127.1.x.y, as a host
// counts connections and new ids per address: the whole of 127/8 is this
// machine.
inline uint32_t next_loopback_address() {
  static uint32_t machines = 0;
  ++machines;
  return (127u << 24) | (1u << 16) | (machines & 0xFFFF);
}

// Binds the socket to the loopback address (host order) for its connect.
// The port is left to the connect, as without the bind, so it never holds
// a port a listener of another test wants.
inline void bind_loopback(int fd, uint32_t address) {
  int one = 1;
  setsockopt(fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &one, sizeof one);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(address);
  EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
}

// A blocking loopback connection to the port, from the address given (host
// order), else from an address of its own. A receive_buffer above 0 is set
// before the connect, so the window stays that small; a send that cannot
// go out within 10 s fails rather than hang the test.
inline int plain_connect(int port, int receive_buffer = 0, uint32_t from = 0) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (receive_buffer > 0)
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
  bind_loopback(fd, from != 0 ? from : next_loopback_address());
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

// The host's peer side of a connection: true once the host closed it.
inline bool closed_by_host(int fd, int timeout_ms = 20000) {
  uint8_t piece[4096];
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) != 1) return false;
    ssize_t n = recv(fd, piece, sizeof piece, 0);
    if (n <= 0) return true;
  }
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

// The wire bytes of count texts from `from` to `to`, the i-th of them
// text_of(i), to be written at once.
template <class TextOf>
Bytes text_burst(uint16_t from, uint16_t to, int count, TextOf text_of) {
  Bytes all;
  for (int i = 0; i < count; ++i) {
    const Bytes one = wire(text_packet(from, to, text_of(i)));
    all.insert(all.end(), one.begin(), one.end());
  }
  return all;
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

// A hosted session on a free port, with the test's own record: started is
// what the host's start gave, ok whether that was 1. A test with machines
// in processes of their own declares it after them, as they fork before
// the host's thread starts (and the session then stops before they go).
struct HostedSession {
  SessionRecord record;
  int port = unused_port();
  int started = qvl_net_session_host(port);
  bool ok = started == 1;
};

// A joined machine with one player, over a plain socket.
struct RawMachine {
  int fd = -1;
  uint16_t id = 0;

  explicit RawMachine(int port, int receive_buffer = 0, uint32_t from = 0)
      : fd(plain_connect(port, receive_buffer, from)) {}
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

// Asks the host for something over the machine's connection and waits for
// the answer, reading everything before it: the host has handled all the
// machine sent before, and still serves it. False when no answer came (the
// machine was dropped).
inline bool round_trip(RawMachine& m) {
  if (!m.send_packet(qvl_net_packet(kPacketHello, 0, m.id))) return false;
  qvl_test::StrictStream stream;
  bool answered = false;
  uint8_t piece[16384];
  while (!answered) {
    pollfd p{m.fd, POLLIN, 0};
    if (poll(&p, 1, 20000) != 1) return false;
    ssize_t n = recv(m.fd, piece, sizeof piece, 0);
    if (n <= 0) return false;
    stream.feed(piece, static_cast<size_t>(n), [&](const NetPacket& packet) {
      answered |= packet.type == kPacketHello;
    });
  }
  return true;
}

using Clock = std::chrono::steady_clock;

inline double seconds_since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Waits until done() holds, looking every 2 ms; false when it still does
// not hold after timeout_s.
template <class Done>
bool wait_for(double timeout_s, Done done) {
  const auto t0 = Clock::now();
  while (!done()) {
    if (seconds_since(t0) > timeout_s) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// Reads the machines' connections on a thread of its own, as machines
// that take everything at once would, and hands every whole packet with
// the machine's index to on_packet (on that thread).
class ReaderThread {
 public:
  using OnPacket = std::function<void(int machine, const NetPacket&)>;
  ReaderThread(std::vector<int> fds, OnPacket on_packet)
      : fds_(std::move(fds)), on_packet_(std::move(on_packet)), streams_(fds_.size()) {
    thread_ = std::thread([this] { run(); });
  }
  ~ReaderThread() {
    stop_ = true;
    thread_.join();
  }
  // A stream held a header no packet can have.
  bool broken() const { return broken_; }

 private:
  void run() {
    std::vector<pollfd> polled;
    for (int fd : fds_) polled.push_back(pollfd{fd, POLLIN, 0});
    std::vector<uint8_t> buffer(64 << 10);
    while (!stop_) {
      if (poll(polled.data(), polled.size(), 20) <= 0) continue;
      for (size_t i = 0; i < polled.size(); ++i) {
        if (polled[i].revents == 0) continue;
        ssize_t n = recv(polled[i].fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n == 0) polled[i].fd = -1;  // closed: nothing more comes
        if (n <= 0) continue;
        streams_[i].feed(buffer.data(), static_cast<size_t>(n),
                         [&](const NetPacket& p) { on_packet_(static_cast<int>(i), p); });
        if (streams_[i].broken()) broken_ = true;
      }
    }
  }

  std::vector<int> fds_;
  OnPacket on_packet_;
  std::vector<qvl_test::StrictStream> streams_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> broken_{false};
  std::thread thread_;
};

inline std::vector<std::unique_ptr<RawMachine>> join_machines(int port, int count,
                                                              const char* name,
                                                              int receive_buffer = 0) {
  std::vector<std::unique_ptr<RawMachine>> machines;
  for (int i = 0; i < count; ++i) {
    machines.push_back(std::make_unique<RawMachine>(port, receive_buffer));
    EXPECT_TRUE(machines.back()->join(name)) << name << " " << i;
  }
  return machines;
}

}  // namespace qvl_test
