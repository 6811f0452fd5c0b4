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
  wake_fd = -1;
  spare_messages = {};
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
  local_players.clear();
  spare_messages.clear();
  outbox.clear();
}

namespace {

// Enough for the texts a busy session has on the way at once.
constexpr int kSpareMessages = 64;

}  // namespace

NetMessage* NetSession::append_message(ChainList<NetMessage>& list) {
  if (!spare_messages.head) return list.push_back();
  ChainNode<NetMessage>* node = spare_messages.unlink(spare_messages.head);
  list.link_back(node);
  return &node->payload;
}

void NetSession::retire_message(ChainList<NetMessage>& list, ChainNode<NetMessage>* node) {
  if (spare_messages.count >= kSpareMessages) list.erase(node);
  else spare_messages.link_back(list.unlink(node));
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

