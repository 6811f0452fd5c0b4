// What the session benchmarks' hand-made machines send and read: packets as
// wire bytes, the announcement of one player, and whole reads.
#pragma once

#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/session_packet.h"

inline std::vector<uint8_t> bench_wire_of(const NetPacket& p) {
  uint8_t out[kPacketMaxWire];
  const int n = qvl_net_packet_encode(p, out);
  return std::vector<uint8_t>(out, out + n);
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
