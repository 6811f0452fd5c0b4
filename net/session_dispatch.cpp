#include "net/session_dispatch.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kNoData[] = "NO_DATA";

bool is_broken(const std::vector<int>& broken, int slot) {
  return std::find(broken.begin(), broken.end(), slot) != broken.end();
}

// The host's send of one packet. The sender only queues it, so the lock
// stays held.
void send_to(SessionSender& out, std::vector<int>& broken, int slot, const NetPacket& packet,
             uint32_t source) {
  if (is_broken(broken, slot)) return;
  // A connection that cannot take its packets whole any more is of no
  // further use: the next one would find it out of step.
  if (out.send(slot, packet, source) < 1) broken.push_back(slot);
}

bool from_host(const NetSession& s, const NetMessage& m) { return m.origin == s.client_slot; }

// The remote player with that id, when it came over the message's
// connection: the only one that connection may speak for.
NetPlayer* speaker(NetSession& s, const NetMessage& m) {
  NetPlayer* p = s.remote_players.find(m.packet.sender);
  return p && p->slot == m.origin ? p : nullptr;
}

void remove_remote(NetSession& s, uint16_t id) {
  uint8_t query = 0;
  // A query player was never counted as a player, so its going is no
  // departure either.
  if (s.remote_players.remove(id, &query) && !query && s.hosting) s.record_departure(id);
}

// --- The host's part ----------------------------------------------------------

void announce(NetSession& s, const NetMessage& m, SessionSender& out, std::vector<int>& broken) {
  uint8_t query;
  char name[kPlayerNameRoom];
  if (!s.accept_new || !qvl_net_announcement_decode(m.packet, &query, name)) return;
  // Refused like announcements while the host takes no new players: past
  // the players one connection may have, when every id is in use, and
  // past the new ids the connection's address may have for now.
  if (s.remote_players.players_of(m.origin) >= kMaxPlayersPerConnection) return;
  if (!s.remote_players.has_free_id(s.next_id)) return;
  // Past its address's budget of new ids the connection is closed at once,
  // as one past the address's connections is, so a join fails now rather
  // than after its wait.
  if (!out.take_new_id(m.origin)) {
    broken.push_back(m.origin);
    return;
  }
  // An id one of the host's own players still holds is not handed out.
  const uint16_t id = s.remote_players.take_id(
      s.next_id, [&](uint16_t taken) { return s.local_player(taken) != nullptr; });
  if (id == 0) return;
  s.remote_players.add(m.origin, id, query, name);
  send_to(out, broken, m.origin, qvl_net_packet(kPacketIdAssigned, id, kPlayerIdHost), m.source);
}

void relay_text(NetSession& s, const NetMessage& m, SessionSender& out, std::vector<int>& broken,
                FanOut& fan) {
  if (!speaker(s, m)) return;
  if (m.packet.target != kPlayerIdAll) {
    NetPlayer* to = s.remote_players.find(m.packet.target);
    if (to) send_to(out, broken, to->slot, m.packet, m.source);
    return;
  }
  fan.active = true;
  fan.message = m;
  fan.next = 0;
  qvl_net_session_fan_out(s, fan, out, broken);
}

void answer(NetSession& s, const NetMessage& m, SessionSender& out, std::vector<int>& broken) {
  const NetPacket& ask = m.packet;
  if (!speaker(s, m)) return;
  NetPacket reply = qvl_net_packet(ask.type, ask.sender, kPlayerIdHost);
  switch (ask.type) {
    case kPacketPlayerCount:
      qvl_net_packet_set_u16(reply, static_cast<uint16_t>(s.remote_players.counted()));
      break;
    case kPacketPlayerId:
      if (ask.length < 2) return;
      qvl_net_packet_set_u16(reply, s.remote_players.counted_id(qvl_net_packet_u16(ask)));
      break;
    case kPacketPlayerName: {
      if (ask.length < 2) return;
      const NetPlayer* p = s.remote_players.find(qvl_net_packet_u16(ask));
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
  send_to(out, broken, m.origin, reply, m.source);
}

void host_part(NetSession& s, const NetMessage& m, SessionSender& out, std::vector<int>& broken,
               FanOut& fan) {
  const uint8_t type = m.packet.type;
  if (type == kPacketText) {
    relay_text(s, m, out, broken, fan);
  } else if (m.packet.target == kPlayerIdHost) {
    if (type == kPacketAnnounce) {
      announce(s, m, out, broken);
    } else if (type == kPacketRemovePlayer) {
      if (speaker(s, m)) remove_remote(s, m.packet.sender);
    } else if (type >= kPacketPlayerCount && type <= kPacketHello) {
      answer(s, m, out, broken);
    }
  }
}

// --- The host's word to this machine ----------------------------------------------

void take_id(NetSession& s, uint16_t id, SessionSender& out) {
  if (!qvl_net_id_assigned(id)) return;
  for (ChainNode<NetPlayer>* n = s.local_players.head; n; n = n->next) {
    NetPlayer& p = n->payload;
    if (p.id != kPlayerIdWaiting) continue;
    if (p.placeholder) {
      // Too late for the program, which was told the player could not be
      // added: the host is asked to drop the player it made.
      out.to_host(qvl_net_packet(kPacketRemovePlayer, kPlayerIdHost, id));
      s.erase_local(n);
    } else {
      s.set_local_id(n, id);
    }
    return;
  }
}

// Answers come in the order of the requests: the answer belongs to the
// oldest request still owed one, and every older request of another type
// will never be answered.
void take_answer(NetSession& s, const NetMessage& m) {
  while (!s.owed_answers.empty()) {
    const OwedAnswer owed = s.owed_answers.front();
    s.owed_answers.pop_front();
    if (owed.marker) s.settle_placeholders(owed.ticket);
    if (owed.type != m.packet.type) continue;
    if (owed.awaited) {
      NetMessage* reply = s.replies.push_back();
      *reply = m;
    }
    return;
  }
}

void host_word(NetSession& s, const NetMessage& m, SessionSender& out) {
  if (m.packet.type == kPacketIdAssigned) take_id(s, m.packet.target, out);
  else if (m.packet.type >= kPacketFirstAnswer) take_answer(s, m);
}

}  // namespace

bool qvl_net_session_deliver_text(NetSession& s, NetPlayer& p, const NetPacket& text,
                                  uint32_t source, SessionSender& out) {
  const int64_t cost = TextQueue::cost_of(text.length);
  if (qvl_net_texts_at_bound(p.messages, cost) && !out.make_room(p, cost)) return false;
  p.messages.push(source, text.sender, text.payload, text.length);
  s.local_text_cost += cost;
  return true;
}

void qvl_net_session_handle(NetSession& s, const NetMessage& m, SessionSender& out,
                            std::vector<int>& broken, FanOut& fan) {
  if (m.packet.type == kPacketText) {
    NetPlayer* local = s.local_player(m.packet.target);
    if (local && (from_host(s, m) || speaker(s, m))) {
      qvl_net_session_deliver_text(s, *local, m.packet, m.source, out);
      return;
    }
  }
  if (from_host(s, m)) {
    if (m.packet.sender == kPlayerIdHost) host_word(s, m, out);
  } else if (s.hosting && !is_broken(broken, m.origin)) {
    host_part(s, m, out, broken, fan);
  }
}

bool qvl_net_session_fan_out(NetSession& s, FanOut& fan, SessionSender& out,
                             std::vector<int>& broken) {
  const NetPacket& text = fan.message.packet;
  const uint32_t source = fan.message.source;
  NetPacket copy = text;
  fan.next = s.remote_players.visit_from(fan.next, [&](NetPlayer& p) {
    if (p.query || p.id == text.sender) return true;
    if (out.budget() <= 0) return false;
    copy.target = p.id;
    // The host's own players get their copy here rather than over the
    // host's connection to itself, so it stays known where it came from.
    NetPlayer* local = p.slot == s.own_slot ? s.local_player(p.id) : nullptr;
    if (local) qvl_net_session_deliver_text(s, *local, copy, source, out);
    else send_to(out, broken, p.slot, copy, source);
    return true;
  });
  fan.active = fan.next != PlayerRoster::kEnd;
  return !fan.active;
}

void qvl_net_session_dispatch(NetSession& s, SessionSender& out, std::vector<int>& broken) {
  for (ChainNode<NetMessage>* n = s.received.head; n; n = n->next) {
    FanOut fan;
    qvl_net_session_handle(s, n->payload, out, broken, fan);
    while (fan.active && out.budget() > 0) qvl_net_session_fan_out(s, fan, out, broken);
  }
  s.received.clear();
}

int qvl_net_session_drop_connection(NetSession& s, int slot) {
  const std::vector<uint16_t> ids = s.remote_players.ids_of(slot);
  for (uint16_t id : ids) remove_remote(s, id);
  return static_cast<int>(ids.size());
}
