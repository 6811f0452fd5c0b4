// The session record: its idle state, its lists, and the reads other
// threads make of it under the lock.
#include "net/net_session.h"

NetSession* qvl_net_session = nullptr;

void NetSession::init_idle() {
  next_id = kPlayerIdFirst;
  query_id = 0;
  server_slot = -1;
  client_slot = -1;
  local_players = {};
  remote_players = {};
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
}

void NetSession::free_lists() {
  left_players.clear();
  replies.clear();
  received.clear();
  remote_players.clear();
  local_players.clear();
}

int NetSession::locked_read(const uint8_t& field) {
  SessionLock hold(*this);
  return field;
}

int NetSession::locked_client_slot() {
  SessionLock hold(*this);
  return client_slot;
}

std::vector<uint16_t> NetSession::local_ids() {
  std::vector<uint16_t> ids;
  SessionLock hold(*this);
  for (ChainNode<NetPlayer>* n = local_players.head; n; n = n->next) ids.push_back(n->payload.id);
  return ids;
}

