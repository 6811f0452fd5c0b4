// libFuzzer target for the session's packet reader and the host's handling
// of what it reads. The first byte sets the size of the pieces the stream
// arrives in, the second the host's settings, the rest is what one joined
// connection sends. Cut or whole, the reader must find the same packets;
// the host must never send a packet longer than the protocol allows, nor
// keep two players with one id, nor keep the players of a closed stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "net/session_dispatch.h"

namespace {

constexpr int kClient = 0;
constexpr int kOrigin = 2;

struct Checker : SessionSender {
  int send(int slot, const NetPacket& packet) override {
    if (slot < 1 || slot > 3 || packet.length > kPacketMaxPayload) std::abort();
    uint8_t out[kPacketMaxWire];
    if (qvl_net_packet_encode(packet, out) != kPacketHeaderSize + packet.length) std::abort();
    return kPacketHeaderSize + packet.length;
  }
};

std::string packets_of(const uint8_t* data, int size, int piece, bool* broke) {
  PacketAssembler in;
  std::string seen;
  NetPacket p;
  *broke = false;
  for (int at = 0; at < size; at += piece) {
    int n = size - at < piece ? size - at : piece;
    if (in.space_size() < n) std::abort();
    std::memcpy(in.space(), data + at, static_cast<size_t>(n));
    in.commit(n);
    int got;
    while ((got = in.next(p)) == 1) {
      if (p.length > kPacketMaxPayload || p.payload[p.length] != 0) std::abort();
      seen.append(reinterpret_cast<const char*>(&p), kPacketHeaderSize);
      seen.append(reinterpret_cast<const char*>(p.payload), p.length);
    }
    if (got < 0) {
      *broke = true;
      break;
    }
  }
  return seen;
}

void add_remote(NetSession& s, int slot, uint16_t id, uint8_t query, const char* name) {
  NetPlayer* p = s.remote_players.push_back();
  p->slot = slot;
  p->id = id;
  p->query = query;
  qvl_net_copy_name(p->name, name);
}

void check_players(const NetSession& s) {
  std::set<uint16_t> ids;
  for (auto* n = s.remote_players.head; n; n = n->next) {
    if (!qvl_net_id_assigned(n->payload.id) || !ids.insert(n->payload.id).second) std::abort();
    if (n->payload.name[kPlayerNameRoom - 1] != 0) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > 65536) return 0;
  const int piece = data[0] % 64 + 1;
  const uint8_t settings = data[1];
  const uint8_t* stream = data + 2;
  const int length = static_cast<int>(size - 2);

  bool broke_cut, broke_whole;
  std::string cut = packets_of(stream, length, piece, &broke_cut);
  std::string whole = packets_of(stream, length, length > 0 ? length : 1, &broke_whole);
  if (cut != whole || broke_cut != broke_whole) std::abort();

  NetSession s;
  s.init_idle();
  s.hosting = 1;
  s.client_slot = kClient;
  s.accept_new = settings & 1;
  s.next_id = settings & 2 ? kPlayerIdLast - 1 : 105;
  add_remote(s, 1, 101, 0, "alice");
  add_remote(s, kOrigin, 102, 0, "bob");
  add_remote(s, kOrigin, 103, 1, "query");
  add_remote(s, 3, 104, 0, "carol");
  s.local_players.push_back()->id = 101;

  Checker out;
  std::vector<int> broken;
  PacketAssembler in;
  qvl_sys_mutex_lock(&s.lock);
  for (int at = 0; at < length; at += piece) {
    int n = length - at < piece ? length - at : piece;
    std::memcpy(in.space(), stream + at, static_cast<size_t>(n));
    in.commit(n);
    int got = qvl_net_session_take_packets(s, in, kOrigin);
    qvl_net_session_dispatch(s, out, broken);
    check_players(s);
    if (got < 0) {
      qvl_net_session_drop_connection(s, kOrigin);
      for (auto* p = s.remote_players.head; p; p = p->next)
        if (p->payload.slot == kOrigin) std::abort();
      break;
    }
  }
  qvl_sys_mutex_unlock(&s.lock);
  s.free_lists();
  qvl_sys_mutex_destroy(&s.lock);
  return 0;
}
