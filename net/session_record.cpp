// The session record: its idle state, its lists, and the reads other
// threads make of it under the lock.
#include "net/net_session.h"

#include <unistd.h>

#include <cstdint>

NetSession* qvl_net_session = nullptr;

void NetSession::init_idle() {
  next_id = kPlayerIdFirst;
  query_id = 0;
  server_slot = -1;
  client_slot = -1;
  local_players = {};
  local_by_id.clear();
  remote_players.clear();
  hosting = 0;
  stop_requested = 1;
  running = 0;
  accept_new = 1;
  lock = nullptr;
  qvl_sys_mutex_init(&lock);
  received = {};
  replies = {};
  left_players = {};
  stopping = 0;
  wake_fd = -1;
  owed_answers.clear();
  last_ticket = 0;
  local_text_cost = 0;
  held_peak = 0;
  own_slot = -1;
  outbox.clear();
  client_backlog = 0;
  client_stalled = 0;
  room_waiters = 0;
}

void NetSession::free_lists() {
  left_players.clear();
  replies.clear();
  received.clear();
  remote_players.clear();
  clear_local();
  owed_answers.clear();
  outbox.clear();
}

NetPlayer* NetSession::local_player(uint16_t id) {
  if (!qvl_net_id_assigned(id)) return nullptr;
  auto it = local_by_id.find(id);
  return it == local_by_id.end() ? nullptr : &it->second->payload;
}

void NetSession::set_local_id(ChainNode<NetPlayer>* node, uint16_t id) {
  const uint16_t old = node->payload.id;
  auto it = local_by_id.find(old);
  if (it != local_by_id.end() && it->second == node) local_by_id.erase(it);
  node->payload.id = id;
  if (qvl_net_id_assigned(id)) local_by_id[id] = node;
}

void NetSession::erase_local(ChainNode<NetPlayer>* node) {
  set_local_id(node, kPlayerIdUnannounced);
  local_text_cost -= node->payload.messages.cost();
  local_players.erase(node);
}

void NetSession::clear_local() {
  local_by_id.clear();
  local_players.clear();
  local_text_cost = 0;
}

void NetSession::record_departure(uint16_t id) {
  left_players.push_back()->id = id;
  if (left_players.count > kLeftPlayersKept) left_players.pop_front();
}

void NetSession::wake_thread() {
  SessionLock hold(*this);
  wake_thread_locked();
}

void NetSession::wake_thread_locked() {
  if (wake_fd < 0) return;
  const uint64_t one = 1;
  // A full counter already wakes the thread; nothing is lost.
  [[maybe_unused]] ssize_t n = write(wake_fd, &one, sizeof one);
}

int NetSession::locked_read(const uint8_t& field) {
  SessionLock hold(*this);
  return field;
}


std::vector<uint16_t> NetSession::local_ids() {
  std::vector<uint16_t> ids;
  SessionLock hold(*this);
  for (ChainNode<NetPlayer>* n = local_players.head; n; n = n->next) ids.push_back(n->payload.id);
  return ids;
}


namespace {

// Requests given up and never answered stop counting past this: a host
// that does not answer has long been out of step.
constexpr size_t kOwedKept = 256;

}  // namespace

uint32_t NetSession::owe_answer(uint8_t type, uint8_t awaited, uint8_t marker) {
  if (owed_answers.size() >= kOwedKept) {
    const OwedAnswer oldest = owed_answers.front();
    owed_answers.pop_front();
    if (oldest.marker) settle_placeholders(oldest.ticket);
  }
  OwedAnswer owed;
  owed.type = type;
  owed.awaited = awaited;
  owed.marker = marker;
  owed.ticket = ++last_ticket;
  owed_answers.push_back(owed);
  return owed.ticket;
}

bool NetSession::owes(uint32_t ticket) const {
  for (const OwedAnswer& owed : owed_answers)
    if (owed.ticket == ticket) return owed.awaited != 0;
  return false;
}

void NetSession::settle_placeholders(uint32_t ticket) {
  for (ChainNode<NetPlayer>* n = local_players.head, *next; n; n = next) {
    next = n->next;
    const NetPlayer& p = n->payload;
    if (p.placeholder && p.marker <= ticket) erase_local(n);
  }
}
