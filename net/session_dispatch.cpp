#include "net/session_dispatch.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kNoData[] = "NO_DATA";

NetPlayer* find_player(ChainList<NetPlayer>& list, uint16_t id) {
  for (ChainNode<NetPlayer>* n = list.head; n; n = n->next)
    if (n->payload.id == id) return &n->payload;
  return nullptr;
}

bool is_broken(const std::vector<int>& broken, int slot) {
  return std::find(broken.begin(), broken.end(), slot) != broken.end();
}

// The host's send of one packet. The sender only queues it, so the lock
// stays held.
void send_to(SessionSender& out, std::vector<int>& broken, int slot, const NetPacket& packet) {
  if (is_broken(broken, slot)) return;
  // A connection that cannot take its packets whole any more is of no
  // further use: the next one would find it out of step.
  if (out.send(slot, packet) < 1) broken.push_back(slot);
}

int players_of(const NetSession& s, int slot) {
  int count = 0;
  for (const ChainNode<NetPlayer>* n = s.remote_players.head; n; n = n->next)
    if (n->payload.slot == slot) ++count;
  return count;
}

bool from_host(const NetSession& s, const NetMessage& m) { return m.origin == s.client_slot; }

// The remote player with that id, when it came over the message's
// connection: the only one that connection may speak for.
NetPlayer* speaker(NetSession& s, const NetMessage& m) {
  NetPlayer* p = find_player(s.remote_players, m.packet.sender);
  return p && p->slot == m.origin ? p : nullptr;
}

void remove_remote(NetSession& s, ChainNode<NetPlayer>* node) {
  // A query player was never counted as a player, so its going is no
  // departure either.
  if (!node->payload.query && s.hosting) s.left_players.push_back()->id = node->payload.id;
  s.remote_players.erase(node);
}

// --- Step 1: texts for this machine's players ------------------------------

void deliver_local_texts(NetSession& s) {
  for (ChainNode<NetMessage>* n = s.received.head; n;) {
    ChainNode<NetMessage>* next = n->next;
    const NetMessage& m = n->payload;
    if (m.packet.type == kPacketText) {
      NetPlayer* p = find_player(s.local_players, m.packet.target);
      if (p && qvl_net_id_assigned(p->id) && (from_host(s, m) || speaker(s, m)))
        p->messages.link_back(s.received.unlink(n));
    }
    n = next;
  }
}

// --- Step 2: the host's part ----------------------------------------------------

void announce(NetSession& s, const NetMessage& m, SessionSender& out, std::vector<int>& broken) {
  uint8_t query;
  char name[kPlayerNameRoom];
  if (!s.accept_new || !qvl_net_announcement_decode(m.packet, &query, name)) return;
  // Ids are not reused within a session: past the last one, players are
  // refused as when the host takes no new ones; and so they are past the
  // players one connection may have.
  if (!qvl_net_id_assigned(s.next_id)) return;
  if (players_of(s, m.origin) >= kMaxPlayersPerConnection) return;
  NetPlayer* p = s.remote_players.push_back();
  p->slot = m.origin;
  p->id = s.next_id++;
  p->query = query;
  std::memcpy(p->name, name, sizeof name);
  send_to(out, broken, m.origin, qvl_net_packet(kPacketIdAssigned, p->id, kPlayerIdHost));
}

void relay_text(NetSession& s, const NetMessage& m, SessionSender& out, std::vector<int>& broken) {
  if (!speaker(s, m)) return;
  if (m.packet.target != kPlayerIdAll) {
    NetPlayer* to = find_player(s.remote_players, m.packet.target);
    if (to) send_to(out, broken, to->slot, m.packet);
    return;
  }
  NetPacket copy = m.packet;
  for (ChainNode<NetPlayer>* n = s.remote_players.head; n; n = n->next) {
    const NetPlayer& p = n->payload;
    if (p.query || p.id == m.packet.sender) continue;
    copy.target = p.id;
    send_to(out, broken, p.slot, copy);
  }
}

void remove_player(NetSession& s, const NetMessage& m) {
  if (!speaker(s, m)) return;
  for (ChainNode<NetPlayer>* n = s.remote_players.head; n; n = n->next) {
    if (n->payload.id == m.packet.sender) {
      remove_remote(s, n);
      return;
    }
  }
}

uint16_t counted_players(const NetSession& s) {
  uint16_t count = 0;
  for (const ChainNode<NetPlayer>* n = s.remote_players.head; n; n = n->next)
    if (!n->payload.query && qvl_net_id_assigned(n->payload.id)) ++count;
  return count;
}

// The n-th counted player's id, 0 past the last one.
uint16_t nth_player(const NetSession& s, uint16_t n) {
  for (const ChainNode<NetPlayer>* p = s.remote_players.head; p; p = p->next) {
    if (p->payload.query || !qvl_net_id_assigned(p->payload.id)) continue;
    if (n-- == 0) return p->payload.id;
  }
  return 0;
}

void answer(NetSession& s, const NetMessage& m, SessionSender& out, std::vector<int>& broken) {
  const NetPacket& ask = m.packet;
  if (!speaker(s, m)) return;
  NetPacket reply = qvl_net_packet(ask.type, ask.sender, kPlayerIdHost);
  switch (ask.type) {
    case kPacketPlayerCount:
      qvl_net_packet_set_u16(reply, counted_players(s));
      break;
    case kPacketPlayerId:
      if (ask.length < 2) return;
      qvl_net_packet_set_u16(reply, nth_player(s, qvl_net_packet_u16(ask)));
      break;
    case kPacketPlayerName: {
      if (ask.length < 2) return;
      const NetPlayer* p = find_player(s.remote_players, qvl_net_packet_u16(ask));
      const char* name = p && p->name[0] ? p->name : kNoData;
      qvl_net_packet_set_payload(reply, name, static_cast<int>(std::strlen(name)));
      break;
    }
    case kPacketHello:
      qvl_net_packet_set_u16(reply, 1);
      break;
    default:
      return;
  }
  send_to(out, broken, m.origin, reply);
}

void host_part(NetSession& s, SessionSender& out, std::vector<int>& broken) {
  for (ChainNode<NetMessage>* n = s.received.head; n;) {
    ChainNode<NetMessage>* next = n->next;
    const NetMessage& m = n->payload;
    if (from_host(s, m) || is_broken(broken, m.origin)) {
      n = next;
      continue;
    }
    const uint8_t type = m.packet.type;
    if (type == kPacketText) {
      relay_text(s, m, out, broken);
    } else if (m.packet.target == kPlayerIdHost) {
      if (type == kPacketAnnounce) announce(s, m, out, broken);
      else if (type == kPacketRemovePlayer) remove_player(s, m);
      else if (type >= kPacketPlayerCount && type <= kPacketHello) answer(s, m, out, broken);
    }
    s.retire_message(s.received, n);
    n = next;
  }
}

// --- Step 3: the host's word to this machine --------------------------------------

void client_part(NetSession& s) {
  for (ChainNode<NetMessage>* n = s.received.head, *next; n; n = next) {
    next = n->next;
    const NetMessage& m = n->payload;
    if (!from_host(s, m) || m.packet.sender != kPlayerIdHost) continue;
    if (m.packet.type == kPacketIdAssigned) {
      if (!qvl_net_id_assigned(m.packet.target)) continue;
      for (ChainNode<NetPlayer>* p = s.local_players.head; p; p = p->next) {
        if (p->payload.id == kPlayerIdWaiting) {
          p->payload.id = m.packet.target;
          break;
        }
      }
    } else if (m.packet.type >= kPacketFirstAnswer) {
      s.replies.link_back(s.received.unlink(n));
    }
  }
}

}  // namespace

int qvl_net_session_take_packets(NetSession& s, PacketAssembler& in, int origin) {
  int moved = 0;
  for (;;) {
    NetMessage* m = s.append_message(s.received);
    int got = in.next(m->packet);
    if (got != 1) {
      s.retire_message(s.received, s.received.tail);
      return got < 0 ? -1 : moved;
    }
    m->origin = origin;
    ++moved;
  }
}

void qvl_net_session_dispatch(NetSession& s, SessionSender& out, std::vector<int>& broken) {
  deliver_local_texts(s);
  if (s.hosting) host_part(s, out, broken);
  client_part(s);
  while (s.received.head) s.retire_message(s.received, s.received.head);
}

int qvl_net_session_drop_connection(NetSession& s, int slot) {
  int removed = 0;
  for (ChainNode<NetPlayer>* n = s.remote_players.head; n;) {
    ChainNode<NetPlayer>* next = n->next;
    if (n->payload.slot == slot) {
      remove_remote(s, n);
      ++removed;
    }
    n = next;
  }
  return removed;
}
