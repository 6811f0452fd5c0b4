// What the session benchmarks share: a session hosted in the bench process
// for a benchmark's length, and what their hand-made machines send and
// read (packets as wire bytes, the announcement of one player, whole reads).
#pragma once

#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bench/loopback_tcp.h"
#include "net/net_session.h"
#include "net/session_commands.h"
#include "net/session_packet.h"

// A session hosted on a free loopback port; ok once the host runs.
struct BenchHostedSession {
  int port = bench_free_port();
  bool ok = false;
  BenchHostedSession() {
    qvl_net_session = new NetSession;
    qvl_net_session->init_idle();
    ok = qvl_net_session_host(port) == 1;
  }
  ~BenchHostedSession() {
    qvl_net_session->stop();
    qvl_sys_mutex_destroy(&qvl_net_session->lock);
    qvl_net_session->free_lists();
    delete qvl_net_session;
    qvl_net_session = nullptr;
  }
  BenchHostedSession(const BenchHostedSession&) = delete;
  BenchHostedSession& operator=(const BenchHostedSession&) = delete;

  // The most the session thread has held at once so far.
  int64_t held_peak() const {
    SessionLock hold(*qvl_net_session);
    return qvl_net_session->held_peak;
  }
};

inline std::vector<uint8_t> bench_wire_of(const NetPacket& p) {
  uint8_t out[kPacketMaxWire];
  const int n = qvl_net_packet_encode(p, out);
  return std::vector<uint8_t>(out, out + n);
}

// The wire bytes of one packet n times over, to be written at once.
inline std::vector<uint8_t> bench_repeated(const std::vector<uint8_t>& one, int n) {
  std::vector<uint8_t> all;
  all.reserve(one.size() * static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) all.insert(all.end(), one.begin(), one.end());
  return all;
}

// The packet a machine sends to add a player of the given name.
inline std::vector<uint8_t> bench_announce_wire(const char* name) {
  NetPacket announce = qvl_net_packet(kPacketAnnounce, 0, 0);
  uint8_t payload[kAnnouncementSize];
  qvl_net_announcement_encode(0, name, payload);
  qvl_net_packet_set_payload(announce, payload, kAnnouncementSize);
  return bench_wire_of(announce);
}

// Reads exactly n bytes; false when the connection ends or fails first.
inline bool bench_read_exactly(int fd, void* into, size_t n) {
  auto* at = static_cast<char*>(into);
  for (size_t have = 0; have < n;) {
    ssize_t r = recv(fd, at + have, n - have, 0);
    if (r <= 0) return false;
    have += static_cast<size_t>(r);
  }
  return true;
}
