// libFuzzer target for the session's packet reader and the host's handling
// of what it reads. The first byte sets the size of the pieces the stream
// arrives in, the second the host's settings, the rest is what one joined
// connection sends, in passes of a small budget that texts to everybody
// are cut over. Cut or whole, the reader must find the same packets; the
// host must never send a packet longer than the protocol allows, nor keep
// two players with one id or lose its count of them, nor let a player's
// texts pass their bounds, nor keep the players of a closed stream.
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

// Checks every packet the handling sends; the budget of each pass is
// small, so texts to everybody are cut over several passes.
struct Checker : SessionSender {
  int64_t left = 0;
  int send(int slot, const NetPacket& packet, uint32_t) override {
    if (slot < 1 || slot > 3 || packet.length > kPacketMaxPayload) std::abort();
    uint8_t out[kPacketMaxWire];
    if (qvl_net_packet_encode(packet, out) != kPacketHeaderSize + packet.length) std::abort();
    left -= kPacketHeaderSize + packet.length;
    return kPacketHeaderSize + packet.length;
  }
  int64_t budget() override { return left; }
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

void check_players(const NetSession& s) {
  std::set<uint16_t> ids;
  int counted = 0;
  s.remote_players.for_each([&](const NetPlayer& p) {
    if (!qvl_net_id_assigned(p.id) || !ids.insert(p.id).second) std::abort();
    if (p.name[kPlayerNameRoom - 1] != 0) std::abort();
    if (s.remote_players.find(p.id) != &p) std::abort();
    counted += p.query ? 0 : 1;
  });
  if (counted != s.remote_players.counted()) std::abort();
  const NetPlayer& local = *s.local_players.front();
  if (local.messages.count() > kPlayerTextLimit || local.messages.cost() > kPlayerTextBytes)
    std::abort();
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
  s.own_slot = 1;
  s.accept_new = settings & 1;
  s.next_id = settings & 2 ? kPlayerIdLast - 1 : 105;
  s.remote_players.add(1, 101, 0, "alice");
  s.remote_players.add(kOrigin, 102, 0, "bob");
  s.remote_players.add(kOrigin, 103, 1, "query");
  s.remote_players.add(3, 104, 0, "carol");
  s.local_players.push_back();
  s.set_local_id(s.local_players.tail, 101);

  Checker out;
  std::vector<int> broken;
  PacketAssembler in;
  FanOut fan;
  NetMessage m;
  m.origin = kOrigin;
  m.source = 2;
  const int budget = (settings >> 2) * 64 + 1;
  qvl_sys_mutex_lock(&s.lock);
  for (int at = 0; at < length; at += piece) {
    int n = length - at < piece ? length - at : piece;
    std::memcpy(in.space(), stream + at, static_cast<size_t>(n));
    in.commit(n);
    // One pass: what waits goes on while the budget lasts.
    out.left = budget;
    if (fan.active) qvl_net_session_fan_out(s, fan, out, broken);
    int got = 1;
    while (!fan.active && out.budget() > 0 && (got = in.next(m.packet)) == 1)
      qvl_net_session_handle(s, m, out, broken, fan);
    check_players(s);
    if (got < 0) {
      qvl_net_session_drop_connection(s, kOrigin);
      if (s.remote_players.players_of(kOrigin) != 0) std::abort();
      s.remote_players.for_each([](const NetPlayer& p) {
        if (p.slot == kOrigin) std::abort();
      });
      break;
    }
  }
  qvl_sys_mutex_unlock(&s.lock);
  s.free_lists();
  qvl_sys_mutex_destroy(&s.lock);
  return 0;
}
